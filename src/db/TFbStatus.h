#pragma once

// Internal to src/db: the status wrapper every engine call goes through, and
// the guard that turns the engine's exceptions into EFbError.

#include <firebird/Interface.h>

#include "EFbError.h"
#include "TFbConnection.h"

class TFbStatus : public Firebird::ThrowStatusWrapper {
public:
    TFbStatus() : Firebird::ThrowStatusWrapper(TFbConnection::Master()->getStatus()) {}
    ~TFbStatus() { dispose(); }
    TFbStatus(const TFbStatus&) = delete;
    TFbStatus& operator=(const TFbStatus&) = delete;
};

// Runs f(status) and reports an engine failure as EFbError with the engine's text.
template <typename F>
auto FbGuard(F&& f) -> decltype(f(std::declval<TFbStatus&>())) {
    TFbStatus st;
    try {
        return f(st);
    } catch (const Firebird::FbException& e) {
        TFbConnection::Raise(e.getStatus());
    }
}
