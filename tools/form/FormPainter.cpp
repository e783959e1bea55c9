// Drawing the form from its layout: marks and filled boxes in black, the grids in drop-out red.
#include "FormPainter.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>

#include "Picture.h"

namespace marksheet {

namespace {

// Draws in canvas units on a painter that works in the paper's picture pixels.
class FormCanvas {
public:
    FormCanvas(QPainter& painter, const FormLayout& layout) : painter(painter), layout(layout) {}

    QRectF Rect(const CanvasArea& a) const {
        return QRectF(QPointF(layout.ToPictureX(a.left), layout.ToPictureY(a.top)),
                      QPointF(layout.ToPictureX(a.right), layout.ToPictureY(a.bottom)));
    }
    double Scale() const { return layout.pixelsPerCanvasY; }

    void Fill(const CanvasArea& a, const QColor& colour) { painter.fillRect(Rect(a), colour); }

    // An outline lying wholly inside the area, so a filled box covers it.
    void Outline(const CanvasArea& a, const QColor& colour, double widthCanvas) {
        const double w = std::max(1.0, widthCanvas * Scale());
        QPen pen(colour, w);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(Rect(a).adjusted(w / 2, w / 2, -w / 2, -w / 2));
    }

    void Line(double x1, double y1, double x2, double y2, const QColor& colour, double widthCanvas) {
        QPen pen(colour, std::max(1.0, widthCanvas * Scale()));
        pen.setCapStyle(Qt::FlatCap);
        painter.setPen(pen);
        painter.drawLine(QPointF(layout.ToPictureX(x1), layout.ToPictureY(y1)),
                         QPointF(layout.ToPictureX(x2), layout.ToPictureY(y2)));
    }

    // Text fitted into the area: at most sizeCanvas high, narrowed to the area's width.
    void Text(const CanvasArea& a, const QString& text, const QColor& colour, double sizeCanvas,
              Qt::Alignment align = Qt::AlignCenter, bool bold = false) {
        const QRectF r = Rect(a);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setBold(bold);
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(sizeCanvas * Scale()))));
        QFontMetricsF metrics(font, painter.device());
        const double width = metrics.horizontalAdvance(text);
        if (width > r.width() && width > 0)
            font.setPixelSize(
                std::max(1, static_cast<int>(std::floor(font.pixelSize() * r.width() / width))));
        painter.setFont(font);
        painter.setPen(colour);
        painter.drawText(r, static_cast<int>(align) | Qt::TextDontClip, text);
    }

private:
    QPainter& painter;
    const FormLayout& layout;
};

CanvasArea Inset(const CanvasArea& a, double dx, double dy) {
    return {a.left + dx, a.top + dy, a.right - dx, a.bottom - dy};
}

void PaintMarks(FormCanvas& canvas, const GridForm& grid) {
    canvas.Fill(grid.topLeftMark, MarkInk);
    canvas.Fill(grid.bottomRightMark, MarkInk);
}

// One option box: its red outline and label, or solid black when filled.
void PaintBox(FormCanvas& canvas, const CanvasArea& box, const QString& label, bool filled) {
    if (filled) {
        canvas.Fill(box, MarkInk);
        return;
    }
    canvas.Outline(box, DropOutRed, 0.35);
    canvas.Text(Inset(box, 0.2, 0.2), label, DropOutRed, box.Height() * 0.8);
}

void PaintNumberGrid(FormCanvas& canvas, const FormLayout& layout, const FormFill& fill) {
    const GridForm& grid = layout.number;
    const CanvasArea printed = grid.PrintedArea();
    canvas.Outline(Inset(printed, -1.2, -1.2), DropOutRed, 0.3);
    for (int column = 1; column <= grid.columns; ++column) {
        const int filledDigit =
            fill.number.empty() ? -1 : fill.number[static_cast<std::size_t>(column - 1)] - '0';
        for (int row = 1; row <= grid.rows; ++row)
            PaintBox(canvas, grid.Box(column, row), QString::number(row - 1), filledDigit == row - 1);
    }
    canvas.Text(layout.numberHeading, QStringLiteral("Candidate number"), DropOutRed,
                layout.numberHeading.Height() * 0.8, Qt::AlignLeft | Qt::AlignVCenter, true);
}

void PaintAnswerGrid(FormCanvas& canvas, const FormLayout& layout, const FormFill& fill) {
    const GridForm& grid = layout.answer;
    const RegionGrid& r = grid.located;
    for (int blockRow = 1; blockRow <= AnswerBlockRows; ++blockRow) {
        for (int blockColumn = 1; blockColumn <= AnswerBlockColumns; ++blockColumn) {
            const int firstColumn = (blockColumn - 1) * (QuestionsPerBlock + 1) + 1;
            const int firstRow = (blockRow - 1) * (AnswerOptionRows + 1) + 1;
            // A light frame around the block, on the cell edges.
            const CanvasArea first = grid.Cell(firstColumn, firstRow);
            const CanvasArea last =
                grid.Cell(firstColumn + QuestionsPerBlock - 1, firstRow + AnswerOptionRows - 1);
            canvas.Outline({first.left + 0.5, first.top + 0.5, last.right - 0.5, last.bottom - 0.5},
                           DropOutRed, 0.25);
            for (int q = 1; q <= QuestionsPerBlock; ++q) {
                const int question = QuestionNumber(blockRow, blockColumn, q);
                const int column = AnswerGridColumn(question);
                const char answer = fill.answers.size() >= static_cast<std::size_t>(question)
                                        ? fill.answers[static_cast<std::size_t>(question - 1)]
                                        : '.';
                const CanvasArea numberCell = grid.Cell(column, AnswerGridRow(question, 1));
                const double size = std::min(r.rowHeight * 0.72, r.columnWidth / 1.9);
                canvas.Text(Inset(numberCell, 0.6, 0.6), QString::number(question), DropOutRed, size);
                for (int option = 2; option <= AnswerOptionRows; ++option) {
                    const char letter = static_cast<char>('A' + option - 2);
                    PaintBox(canvas, grid.Box(column, AnswerGridRow(question, option)),
                             QString(QChar(letter)), answer == letter);
                }
            }
        }
    }
}

// Title, the candidate's fields, how to fill a box, and how to print.
void PaintDetails(FormCanvas& canvas, const FormLayout& layout) {
    const CanvasArea& t = layout.title;
    const double titleSize = std::min(t.Height() * 0.55, 14.0);
    canvas.Text({t.left, t.top, t.right, t.top + t.Height() * 0.62}, QStringLiteral("ANSWER SHEET"), MarkInk,
                titleSize, Qt::AlignCenter, true);
    canvas.Text({t.left, t.top + t.Height() * 0.62, t.right, t.bottom},
                QStringLiteral("Fill one box per question completely in black. Print at actual size (100%)."),
                MarkInk, std::min(t.Height() * 0.28, 6.0));

    const CanvasArea& d = layout.details;
    const double line = d.Height() / 6;
    const double textSize = std::min(line * 0.55, 7.0);
    const QColor ink = MarkInk;
    auto row = [&](int i) { return CanvasArea{d.left, d.top + line * i, d.right, d.top + line * (i + 1)}; };
    auto field = [&](int i, const QString& label) {
        const CanvasArea r = row(i);
        const double labelWidth = (d.right - d.left) * 0.3;
        canvas.Text({r.left, r.top, r.left + labelWidth, r.bottom}, label, ink, textSize,
                    Qt::AlignLeft | Qt::AlignBottom);
        canvas.Line(r.left + labelWidth, r.bottom - 0.5, r.right, r.bottom - 0.5, ink, 0.3);
    };
    field(0, QStringLiteral("Name"));
    field(1, QStringLiteral("Subject"));

    // Filling examples at the size of the answer boxes.
    const GridForm& a = layout.answer;
    const double bw = a.boxWidth, bh = a.boxHeight;
    auto exampleBox = [&](double x, const CanvasArea& r) {
        const double top = r.top + (r.Height() - bh) / 2;
        return CanvasArea{x, top, x + bw, top + bh};
    };
    const double labelWidth = (d.right - d.left) * 0.42;
    const double gap = std::max(bw * 1.6, 4.0);
    {
        const CanvasArea r = row(3);
        canvas.Text({r.left, r.top, r.left + labelWidth, r.bottom}, QStringLiteral("Right:"), ink, textSize,
                    Qt::AlignLeft | Qt::AlignVCenter);
        const CanvasArea box = exampleBox(r.left + labelWidth, r);
        canvas.Fill(box, MarkInk);
    }
    {
        const CanvasArea r = row(4);
        canvas.Text({r.left, r.top, r.left + labelWidth, r.bottom}, QStringLiteral("Wrong:"), ink, textSize,
                    Qt::AlignLeft | Qt::AlignVCenter);
        double x = r.left + labelWidth;
        // A tick, a cross, a dot and a half-filled box.
        for (int kind = 0; kind < 4; ++kind, x += gap) {
            const CanvasArea box = exampleBox(x, r);
            canvas.Outline(box, DropOutRed, 0.35);
            const double w = 0.5;
            switch (kind) {
                case 0:
                    canvas.Line(box.left, box.top + bh * 0.55, box.left + bw * 0.4, box.bottom, ink, w);
                    canvas.Line(box.left + bw * 0.4, box.bottom, box.right + bw * 0.3, box.top - bh * 0.2,
                                ink, w);
                    break;
                case 1:
                    canvas.Line(box.left, box.top, box.right, box.bottom, ink, w);
                    canvas.Line(box.right, box.top, box.left, box.bottom, ink, w);
                    break;
                case 2:
                    canvas.Fill(Inset(box, bw * 0.3, bh * 0.35), ink);
                    break;
                default:
                    canvas.Fill({box.left, box.top + bh * 0.5, box.right, box.bottom}, ink);
                    break;
            }
        }
    }
    canvas.Text(row(5), QStringLiteral("Do not fold. Keep the black corner marks clean."), ink,
                textSize * 0.8, Qt::AlignLeft | Qt::AlignVCenter);
}

}  // namespace

void PaintForm(QPainter& painter, const FormLayout& layout, const FormFill& fill) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    FormCanvas canvas(painter, layout);
    PaintDetails(canvas, layout);
    PaintNumberGrid(canvas, layout, fill);
    PaintAnswerGrid(canvas, layout, fill);
    PaintMarks(canvas, layout.number);
    PaintMarks(canvas, layout.answer);
    painter.restore();
}

QImage RenderForm(const FormLayout& layout, const FormFill& fill) {
    QImage image(layout.paper.width, layout.paper.height, QImage::Format_RGB32);
    image.fill(Qt::white);
    const int dotsPerMetre = static_cast<int>(std::lround(layout.paper.dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    QPainter painter(&image);
    PaintForm(painter, layout, fill);
    painter.end();
    return image;
}

QByteArray EncodeJpeg(const QImage& image, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    if (!writer.write(image)) return {};
    return bytes;
}

std::optional<std::string> WriteForm(const FormLayout& layout, const FormFill& fill, const QString& path,
                                     int jpegQuality) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pdf")) {
        QPdfWriter pdf(path);
        pdf.setResolution(static_cast<int>(std::lround(layout.paper.dpi)));
        pdf.setCreator(QStringLiteral("marksheet-form"));
        pdf.setTitle(QStringLiteral("Answer sheet"));
        const QSizeF pageInches(layout.paper.width / layout.paper.dpi,
                                layout.paper.height / layout.paper.dpi);
        pdf.setPageSize(QPageSize(pageInches, QPageSize::Inch, QString::fromStdString(layout.paper.name),
                                  QPageSize::ExactMatch));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter;
        if (!painter.begin(&pdf)) return "cannot write the PDF file " + path.toStdString();
        // The device's units are dots at the writer's resolution; scale them to the paper's pixels
        // in case the resolution had to be rounded.
        const double sx = pdf.width() / static_cast<double>(layout.paper.width);
        const double sy = pdf.height() / static_cast<double>(layout.paper.height);
        painter.scale(sx, sy);
        PaintForm(painter, layout, fill);
        if (!painter.end()) return "cannot finish the PDF file " + path.toStdString();
        return std::nullopt;
    }
    const bool picture =
        suffix == QLatin1String("png") || suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg");
    if (!picture) return "cannot tell the format of " + path.toStdString() + ": name it .png, .jpg or .pdf";
    // The reader refuses larger pictures; they would also take gigabytes to draw.
    if (!PictureSizeAllowed(layout.paper.width, layout.paper.height))
        return "a " + std::to_string(layout.paper.width) + " x " + std::to_string(layout.paper.height) +
               " picture is larger than the reader accepts (16384 pixels a side, 100 million in all): use a "
               "lower "
               "--dpi, or write a PDF";
    const QImage image = RenderForm(layout, fill);
    const bool png = suffix == QLatin1String("png");
    QImageWriter writer(path, png ? "png" : "jpeg");
    if (!png) writer.setQuality(jpegQuality);
    if (!writer.write(image))
        return "cannot write " + path.toStdString() + ": " + writer.errorString().toStdString();
    return std::nullopt;
}

}  // namespace marksheet
