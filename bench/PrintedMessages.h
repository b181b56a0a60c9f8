#pragma once

#include <cstdio>

#include "uMessages.h"

// A benchmark has no one to answer a message box: each message is printed
// (a message in a timed step means the step did not do what it should), and
// every question is answered Yes.
class TPrintedMessages : public TMessageService {
public:
    void Show(TKind, const QString& text) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    bool Confirm(const QString& text) override {
        Show(TKind::Confirmation, text);
        return true;
    }
    TAnswer Ask(const QString& text) override {
        Show(TKind::Confirmation, text);
        return TAnswer::Yes;
    }
    bool Input(const QString&, const QString&, QString&) override { return false; }
    bool OpenFile(const QString&, const QString&, QString&) override { return false; }
    bool SaveFile(const QString&, const QString&, QString&) override { return false; }
    bool ChooseFont(QFont&, QString&, const QStringList&) override { return false; }
};
