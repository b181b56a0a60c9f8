#pragma once

// Timing what a user sees: windows are shown and exposed before anything is
// timed, and a timed step ends when the screen has been painted.

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <functional>

// Shows w and waits until the window system has exposed it (an unexposed
// window paints nothing), then lets the first paints run.
inline void ShowExposed(QWidget& w) {
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        std::fprintf(stderr, "warning: %s was never exposed\n", qPrintable(w.objectName()));
    QApplication::processEvents();
}

// Runs the events a step left behind: posted events, layouts, and the
// paints of every exposed window that changed.
inline void Settle() {
    QApplication::sendPostedEvents();
    QApplication::processEvents();
}

// Counts the paints of one widget (a grid's viewport), to check that a timed
// step really painted what it changed.
class TPaintCounter : public QObject {
public:
    explicit TPaintCounter(QWidget* w) : FWidget(w) { w->installEventFilter(this); }
    ~TPaintCounter() override {
        if (FWidget) FWidget->removeEventFilter(this);
    }
    int Count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++Count;
        return false;
    }

private:
    QWidget* FWidget;
};

// Milliseconds from the start of action to the end of the first paint of a
// widget that match accepts; afterwards (from the event loop) runs then, if
// given, with that widget. action may run its own modal loop: the paint is
// caught inside it. Gives up after timeoutMs and says so.
inline double MsUntilPainted(const std::function<void()>& action,
                             const std::function<bool(QWidget*)>& match,
                             const std::function<void(QWidget*)>& then = nullptr,
                             int timeoutMs = 600000) {
    QElapsedTimer clock;
    double painted = -1;
    bool seen = false;
    struct TWatch : QObject {
        std::function<void(QWidget*)> OnPaint;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::Paint && o->isWidgetType()) OnPaint(static_cast<QWidget*>(o));
            return false;
        }
    } watch;
    watch.OnPaint = [&](QWidget* w) {
        if (seen || !match(w)) return;
        seen = true;
        // The filter runs before the paint: the time is taken once it is done.
        QTimer::singleShot(0, w, [&, w]() {
            painted = double(clock.nsecsElapsed()) / 1e6;
            if (then) then(w);
        });
    };
    qApp->installEventFilter(&watch);
    clock.start();
    action();
    while (painted < 0 && clock.elapsed() < timeoutMs)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    qApp->removeEventFilter(&watch);
    if (painted < 0) {
        std::fprintf(stderr, "warning: nothing was painted within %d ms\n", timeoutMs);
        return double(clock.nsecsElapsed()) / 1e6;
    }
    return painted;
}

// The same for one given widget (a grid's viewport).
inline double MsUntilPainted(const std::function<void()>& action, QWidget* target) {
    return MsUntilPainted(action, [target](QWidget* w) { return w == target; });
}
