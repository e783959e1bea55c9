// The widget that shows the sheet canvas (画板1) and keeps the screen in step with its pixels.
#pragma once

#include <QRect>
#include <QWidget>
#include <memory>
#include <mutex>

#include "SheetCanvas.h"

namespace marksheet {

/// Shows a SheetCanvas pixel for pixel. A pending repaint of the canvas (a new picture, the first
/// show) is carried out on the main thread when the widget paints; drawings made on any thread are
/// shown as soon as the widget is told of them. The canvas keeps its own image, so painting the
/// widget only ever shows pixels: showing a drawing never wipes it.
class SheetCanvasView final : public QWidget {
    Q_OBJECT

public:
    SheetCanvasView(std::shared_ptr<SheetCanvas> canvas, QWidget* parent = nullptr);
    ~SheetCanvasView() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Any thread: remembers the changed area and, unless an update is already on its way,
    // asks the main thread for one.
    void ScheduleUpdate(CanvasRect area);

    std::shared_ptr<SheetCanvas> canvas;

    std::mutex dirtyLock;
    QRect dirty;                // changed since the last update request was handled
    bool updatePosted = false;  // an update request is queued to the main thread
};

/// The canvas colour of a Qt colour (red in the lowest byte, top byte zero).
CanvasColour ToCanvasColour(const QColor& colour);

}  // namespace marksheet
