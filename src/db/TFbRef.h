#pragma once

#include <memory>
#include <type_traits>

namespace Firebird {
class IReferenceCounted;
}

// Frees an engine interface: reference-counted ones (statements, cursors,
// blobs, transactions, attachments, metadata) are released, the rest (the
// parameter block builders) disposed.
struct TFbFree {
    template <typename T>
    void operator()(T* p) const noexcept {
        if constexpr (std::is_base_of_v<Firebird::IReferenceCounted, T>)
            p->release();
        else
            p->dispose();
    }
};

// Owns one engine interface, so that every path, the failing ones included,
// gives it back.
template <typename T>
using TFbRef = std::unique_ptr<T, TFbFree>;

// close(), commit(), rollback() and detach() free the interface when they
// succeed; when they throw, the holder still owns it and releases it.
template <typename T, typename F>
void FbEnd(TFbRef<T>& ref, F&& end) {
    end(ref.get());
    static_cast<void>(ref.release());
}
