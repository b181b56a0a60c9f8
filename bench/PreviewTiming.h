#pragma once

// The time a user waits for the first page of a preview.

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <functional>

#include "TReportPreview.h"

// Milliseconds from open() (which shows a preview and returns when it
// closes) to the first page painted in the preview, which is then closed.
inline double FirstPreviewPageMs(const std::function<void()>& open) {
    QElapsedTimer clock;
    double shown = -1;
    // The preview paints its page as soon as it is on the screen; the time is
    // taken when that paint is done.
    struct TWatch : QObject {
        std::function<void(QWidget*)> OnPaint;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::Paint && o->isWidgetType()) {
                auto* w = static_cast<QWidget*>(o);
                if (qobject_cast<TReportPreview*>(w->window()) && w != w->window()) OnPaint(w);
            }
            return false;
        }
    } watch;
    watch.OnPaint = [&](QWidget* w) {
        if (shown >= 0) return;
        QTimer::singleShot(0, w, [&, w]() {
            if (shown >= 0) return;
            shown = double(clock.nsecsElapsed()) / 1e6;
            w->window()->close();
        });
    };
    qApp->installEventFilter(&watch);
    clock.start();
    open();
    qApp->removeEventFilter(&watch);
    return shown;
}
