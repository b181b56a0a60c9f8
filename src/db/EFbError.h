#pragma once

#include <QString>
#include <stdexcept>

// A failure reported by the Firebird engine (or by this layer). The message is
// the engine's own text, as the user is to see it.
class EFbError : public std::runtime_error {
public:
    explicit EFbError(const QString& message, long code = 0)
        : std::runtime_error(message.toStdString()), FMessage(message), FCode(code) {}

    const QString& Message() const { return FMessage; }
    // The engine's error code (isc_...), 0 for errors of this layer.
    long Code() const { return FCode; }
    // Another transaction got there first (update conflict, deadlock, lock
    // conflict, duplicate key): trying again may succeed.
    bool IsConflict() const;
    // Another transaction changed or locked the same row at the same moment:
    // the write may succeed when tried again from the start.
    bool IsUpdateConflict() const;

private:
    QString FMessage;
    long FCode;
};
