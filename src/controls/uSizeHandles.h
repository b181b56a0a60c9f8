#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <functional>

class QWidget;

// Eight small handles around the control selected on a canvas, by which a
// person sizes it: each handle drags the edges of its side and corner, the
// others stay where they are. Named "Node0" (top left) to "Node7" (left),
// clockwise.
class TSizeHandles : public QObject {
    Q_OBJECT
public:
    explicit TSizeHandles(QWidget* canvas);

    // Places the handles around control (a widget anywhere on the canvas) and shows them.
    void Place(QWidget* control);
    // Hiding them also ends the selection.
    void SetVisible(bool visible);
    QWidget* Current() const { return FCurrent; }
    const QList<QWidget*>& Nodes() const { return FNodes; }
    bool Dragging() const { return FDragging; }

    // Sets the geometry a drag gives the control; the owner counts it as a change.
    std::function<void(QWidget*, const QRect&)> SetGeometry;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* FCanvas;
    QList<QWidget*> FNodes;
    QPointer<QWidget> FCurrent;
    bool FDragging = false;
};
