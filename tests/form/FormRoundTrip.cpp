// Round-trip helpers: canvas, readers and the picture disturbances of printing and scanning.
#include "FormRoundTrip.h"

#include <QBuffer>
#include <QPainter>
#include <random>

#include "SheetCanvas.h"
#include "SheetReader.h"

namespace marksheet {

namespace {

// The window's face colour on a usual theme: the canvas shows it around the picture.
constexpr CanvasColour FaceGrey = 0x00F0F0F0;

class CollectingSink final : public TextSink {
public:
    void Append(ResultBox box, std::string_view text) override {
        (box == ResultBox::Number ? number : answers).append(text);
    }
    std::string number;
    std::string answers;
};

}  // namespace

ReadBack ReadPictureBytes(std::span<const std::uint8_t> bytes) {
    SheetCanvas canvas(FaceGrey);
    canvas.SetPicture(bytes);
    canvas.Repaint();
    CollectingSink sink;
    SheetReader reader(canvas, sink);
    ReadBack result;
    result.numberReading = reader.ReadNumberGrid();
    result.answerReading = reader.ReadAnswerGrid();
    result.number = sink.number;
    result.answers = sink.answers;
    return result;
}

ReadBack ReadPictureBytes(const QByteArray& bytes) {
    return ReadPictureBytes(std::span<const std::uint8_t>(
        reinterpret_cast<const std::uint8_t*>(bytes.constData()), bytes.size()));
}

QImage ScaleAndShift(const QImage& picture, double scale, double dx, double dy) {
    QImage out(picture.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    const QPointF centre(picture.width() / 2.0, picture.height() / 2.0);
    painter.translate(centre + QPointF(dx, dy));
    painter.scale(scale, scale);
    painter.translate(-centre);
    painter.drawImage(QPointF(0, 0), picture);
    painter.end();
    return out;
}

QByteArray EncodePng(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", 100);  // fastest compression: the size does not matter here
    return bytes;
}

FormFill RandomFill(unsigned seed) {
    std::mt19937 random(seed);
    FormFill fill;
    for (int i = 0; i < NumberColumns; ++i) fill.number += static_cast<char>('0' + random() % 10);
    fill.answers.assign(QuestionCount, '.');
    for (char& answer : fill.answers)
        if (random() % 4 != 0) answer = static_cast<char>('A' + random() % 5);
    // Every block holds at least one answer, so the whole grid is read.
    for (int block = 0; block < QuestionCount / QuestionsPerBlock; ++block)
        fill.answers[static_cast<std::size_t>(block * QuestionsPerBlock + random() % QuestionsPerBlock)] =
            static_cast<char>('A' + random() % 5);
    return fill;
}

}  // namespace marksheet
