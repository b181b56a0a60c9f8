#include "uSizeHandles.h"

#include <QMouseEvent>
#include <QWidget>

TSizeHandles::TSizeHandles(QWidget* canvas) : QObject(canvas), FCanvas(canvas) {
    const Qt::CursorShape cursors[8] = {
        Qt::SizeFDiagCursor, Qt::SizeVerCursor, Qt::SizeBDiagCursor, Qt::SizeHorCursor,
        Qt::SizeFDiagCursor, Qt::SizeVerCursor, Qt::SizeBDiagCursor, Qt::SizeHorCursor};
    for (int i = 0; i < 8; ++i) {
        auto* node = new QWidget(canvas);
        node->setObjectName("Node" + QString::number(i));
        node->setFixedSize(5, 5);
        node->setAutoFillBackground(true);
        QPalette p = node->palette();
        p.setColor(QPalette::Window, Qt::black);
        node->setPalette(p);
        node->setCursor(cursors[i]);
        node->hide();
        node->installEventFilter(this);
        FNodes.append(node);
    }
    SetGeometry = [](QWidget* c, const QRect& r) { c->setGeometry(r); };
}

void TSizeHandles::Place(QWidget* control) {
    if (!control) return;
    const int L = control->x(), T = control->y(), W = control->width(), H = control->height();
    const QPoint at[8] = {{L - 2, T - 2},         {L + W / 2 - 2, T - 2},
                          {L + W - 2, T - 2},     {L + W - 2, T + H / 2 - 2},
                          {L + W - 2, T + H - 2}, {L + W / 2 - 2, T + H - 2},
                          {L - 2, T + H - 2},     {L - 2, T + H / 2 - 2}};
    QWidget* parent = control->parentWidget();
    for (int i = 0; i < 8; ++i) FNodes[i]->move(parent->mapTo(FCanvas, at[i]));
    FCurrent = control;
    SetVisible(true);
}

void TSizeHandles::SetVisible(bool visible) {
    for (QWidget* node : FNodes) {
        node->setVisible(visible);
        if (visible) node->raise();
    }
    if (!visible) FCurrent = nullptr;
}

bool TSizeHandles::eventFilter(QObject* watched, QEvent* event) {
    const int n = FNodes.indexOf(static_cast<QWidget*>(watched));
    const QEvent::Type type = event->type();
    if (n < 0 || (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
                  type != QEvent::MouseButtonRelease))
        return QObject::eventFilter(watched, event);
    auto* e = static_cast<QMouseEvent*>(event);
    QWidget* c = FCurrent;
    if (type == QEvent::MouseButtonPress) {
        FDragging = e->button() == Qt::LeftButton && c;
    } else if (type == QEvent::MouseButtonRelease) {
        FDragging = false;
    } else if (FDragging && c) {
        const QPoint p = c->parentWidget()->mapFromGlobal(e->globalPosition().toPoint());
        static constexpr bool kOwns[8][4] = {
            {true, true, false, false},  {false, true, false, false}, {false, true, true, false},
            {false, false, true, false}, {false, false, true, true},  {false, false, false, true},
            {true, false, false, true},  {true, false, false, false}};
        const int left = kOwns[n][0] ? p.x() : c->x();
        const int top = kOwns[n][1] ? p.y() : c->y();
        const int right = kOwns[n][2] ? p.x() : c->x() + c->width();
        const int bottom = kOwns[n][3] ? p.y() : c->y() + c->height();
        SetGeometry(c, QRect(left, top, right - left, bottom - top));
        Place(c);
    }
    return true;
}
