#pragma once

// What the business rules share: the error a rule refuses with and the way
// a rule's writes commit. The rules work on a connection or a transaction
// the caller gives and know nothing of windows, so they run in any thread
// (the work in the background calls them on a connection of its own).

#include <QString>
#include <functional>

#include "EFbError.h"
#include "TFbConnection.h"

// A rule that will not go on with what it was given (no such template, a
// name that may not reach a statement): nothing is written. Its message is
// the one the user is to see.
class ERuleRefused : public EFbError {
public:
    explicit ERuleRefused(const QString& message) : EFbError(message) {}
};

// Runs write in a transaction of its own on conn and commits it. When
// another user's transaction held the same rows at that moment, it starts
// again from the beginning; any other refusal propagates, nothing written.
void WriteInTransaction(TFbConnection& conn, const std::function<void(TFbTransaction&)>& write);

namespace Rules {
// s as an SQL text literal: in quotes, inner quotes doubled.
QString QuotedStr(const QString& s);
}  // namespace Rules
