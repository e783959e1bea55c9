// Makes the pictures the README shows: the built-in sample sheet on the canvas after a reading (with
// the grids the readers found drawn over it), and a filled A4 form.
//   form_pictures DOCS_DIR
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>

#include "FormPainter.h"
#include "FormRoundTrip.h"
#include "SampleSheet.h"
#include "SheetCanvas.h"
#include "SheetReader.h"

using namespace marksheet;

namespace {

class NullSink final : public TextSink {
public:
    void Append(ResultBox, std::string_view) override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: form_pictures DOCS_DIR\n");
        return 2;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir docs(QString::fromLocal8Bit(argv[1]));

    SheetCanvas canvas(0x00F0F0F0);
    canvas.SetPicture(SampleSheetBytes());
    canvas.Repaint();
    NullSink sink;
    SheetReader reader(canvas, sink);
    reader.ReadNumberGrid();
    reader.ReadAnswerGrid();
    const std::vector<CanvasColour> pixels = canvas.Snapshot();
    QImage shown(CanvasWidth, CanvasHeight, QImage::Format_RGB32);
    for (int y = 0; y < CanvasHeight; ++y)
        for (int x = 0; x < CanvasWidth; ++x) {
            const auto c = static_cast<std::uint32_t>(pixels[static_cast<std::size_t>(y) * CanvasWidth + x]);
            shown.setPixel(x, y, qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
        }
    const QImage sample =
        QImage::fromData(SampleSheetBytes().data(), static_cast<int>(SampleSheetBytes().size()));
    bool ok = sample.save(docs.filePath(QStringLiteral("sample-sheet.png")));
    ok = shown.save(docs.filePath(QStringLiteral("sample-sheet-read.png"))) && ok;

    std::string error;
    const FormFill fill = *NormaliseFill("012345678", "ABCDEEDCBACEBDA.ADBECBAEDDACEB", error);
    const FormLayout layout = std::get<FormLayout>(ComputeFormLayout(A4Paper(100)));
    ok = RenderForm(layout, fill).save(docs.filePath(QStringLiteral("form-a4.png"))) && ok;
    if (!ok) std::fprintf(stderr, "form_pictures: could not write into %s\n", argv[1]);
    return ok ? 0 : 1;
}
