#include "uChild.h"

#include "uLibProc.h"

namespace {
IChildHost* g_host = nullptr;
}

TfmChild::TfmChild(QWidget* parent) : QWidget(parent) { SetStandardFont(this); }

void TfmChild::SetHost(IChildHost* host) { g_host = host; }

IChildHost* TfmChild::Host() { return g_host; }

void TfmChild::CloseChild() {
    if (!g_host) return;
    g_host->DestroyBottomButton(this);
    if (g_host->GetNextToolbarButtonIdx() == 0)
        g_host->BringUpChildForm(g_host->ChildOfBottomButton(0));
    else
        g_host->ShowDefaultChild();
}

void TfmChild::CloseAllChildren() {
    if (g_host) g_host->CloseAll();
}
