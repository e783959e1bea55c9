// Showing the sheet canvas: repaints run on the main thread, drawings from workers show at once.
#include "SheetCanvasView.h"

#include <QColor>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <vector>

namespace marksheet {

CanvasColour ToCanvasColour(const QColor& colour) {
    const QRgb rgb = colour.rgb();
    return static_cast<CanvasColour>(qRed(rgb) | (qGreen(rgb) << 8) | (qBlue(rgb) << 16));
}

SheetCanvasView::SheetCanvasView(std::shared_ptr<SheetCanvas> canvas, QWidget* parent)
    : QWidget(parent), canvas(std::move(canvas)) {
    setFixedSize(CanvasWidth, CanvasHeight);
    setFocusPolicy(Qt::NoFocus);
    // Every paint covers its whole area with canvas pixels.
    setAttribute(Qt::WA_OpaquePaintEvent);
    this->canvas->SetChangeListener([this](CanvasRect area) { ScheduleUpdate(area); });
    this->canvas->SetRepaintListener([this](CanvasRect area) { ScheduleUpdate(area); });
}

SheetCanvasView::~SheetCanvasView() {
    // Workers may still draw on the canvas after the window is gone. Clearing the listeners waits
    // for a notification in progress, and none reaches this widget afterwards; requests already
    // queued to it are discarded with it.
    canvas->SetChangeListener({});
    canvas->SetRepaintListener({});
}

void SheetCanvasView::ScheduleUpdate(CanvasRect area) {
    bool post = false;
    {
        std::lock_guard guard(dirtyLock);
        dirty |= QRect(area.x, area.y, area.width, area.height);
        post = !updatePosted;
        updatePosted = true;
    }
    // One queued request at a time: a reader draws hundreds of lines and points, and the main
    // thread should see one update for all that arrived meanwhile, not one event per point.
    if (!post) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            QRect area;
            {
                std::lock_guard guard(dirtyLock);
                area = dirty;
                dirty = QRect();
                updatePosted = false;
            }
            update(area);
        },
        Qt::QueuedConnection);
}

void SheetCanvasView::paintEvent(QPaintEvent* event) {
    // The decoding and repaint of a new picture happen here, on the main thread, at the first paint
    // after it was set; the repaint's own change notice then asks for the area to be shown.
    if (canvas->RepaintPending()) canvas->Repaint();

    const QRect area = event->rect() & rect();
    if (area.isEmpty()) return;
    std::vector<CanvasColour> pixels;
    canvas->CopyArea({area.x(), area.y(), area.width(), area.height()}, pixels);
    // CanvasColour is R, G, B, 0 in memory; with the fourth byte opaque it is exactly RGBX8888.
    for (CanvasColour& pixel : pixels)
        pixel = static_cast<CanvasColour>(static_cast<std::uint32_t>(pixel) | 0xFF000000u);
    const QImage image(reinterpret_cast<const uchar*>(pixels.data()), area.width(), area.height(),
                       area.width() * 4, QImage::Format_RGBX8888);
    QPainter painter(this);
    painter.drawImage(area.topLeft(), image);
}

}  // namespace marksheet
