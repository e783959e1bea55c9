// Reading one sheet as a freshly started window would: its own canvas, set picture, repaint, the number
// reading and then the answer reading, text collected in memory.
#include "ReadSheet.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <cerrno>
#include <new>
#include <system_error>

#include "ReadingChecks.h"
#include "SheetCanvas.h"
#include "SheetReader.h"
#include "SheetWarnings.h"

namespace marksheet {
namespace {

// The two result boxes of one sheet, kept in memory. The readings of one sheet run one after the
// other on one thread, so nothing here is shared.
class CollectedText final : public TextSink {
public:
    void Append(ResultBox box, std::string_view text) override {
        (box == ResultBox::Number ? number : answers).append(text);
    }
    std::string number;
    std::string answers;
};

// Closes a file descriptor on every way out.
struct FileCloser {
    int fd;
    ~FileCloser() {
        if (fd >= 0) ::close(fd);
    }
};

// The system's own words for an error number (thread-safe, unlike strerror on some systems).
std::string SystemReason(int error) {
    return std::generic_category().message(error);
}

}  // namespace

std::variant<std::vector<std::uint8_t>, std::string> ReadWholeFile(const std::string& path) {
    // Non-blocking open so that a FIFO without a writer cannot hang the batch; cleared again below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return SystemReason(errno);
    FileCloser closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0) return SystemReason(errno);
    if (S_ISDIR(info.st_mode)) return SystemReason(EISDIR);
    // Pipes are read (process substitution hands files over that way); devices and sockets are not.
    if (!S_ISREG(info.st_mode) && !S_ISFIFO(info.st_mode)) return std::string("not a regular file");
    if (static_cast<std::uint64_t>(info.st_size) > MaxSheetFileBytes)
        return std::string("larger than 512 MiB, too large for a sheet picture");
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    std::vector<std::uint8_t> bytes;
    try {
        // The size is a hint only: the file may grow or shrink while it is read.
        bytes.resize(static_cast<std::size_t>(info.st_size) + 1);
        std::size_t used = 0;
        for (;;) {
            if (used == bytes.size()) {
                if (bytes.size() > MaxSheetFileBytes)
                    return std::string("larger than 512 MiB, too large for a sheet picture");
                bytes.resize(std::min<std::size_t>(bytes.size() * 2, MaxSheetFileBytes + 1));
            }
            const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
            if (n < 0) {
                if (errno == EINTR) continue;
                return SystemReason(errno);
            }
            if (n == 0) break;
            used += static_cast<std::size_t>(n);
        }
        if (used > MaxSheetFileBytes)
            return std::string("larger than 512 MiB, too large for a sheet picture");
        bytes.resize(used);
    } catch (const std::bad_alloc&) {
        return std::string("not enough memory to read it");
    }
    return bytes;
}

SheetResult ReadSheetBytes(const std::string& name, std::span<const std::uint8_t> bytes,
                           std::vector<CanvasColour>* annotated) {
    SheetResult result;
    result.file = name;

    SheetCanvas canvas(HeadlessBackgroundColour);
    canvas.SetPicture(bytes);
    canvas.Repaint();
    if (const auto error = canvas.LastDecodeError()) {
        result.status = SheetStatus::Undecodable;
        result.reason = std::string(DecodeErrorMessage(*error));
        return result;
    }
    if (!canvas.Placement()) {
        // Defensive: a picture the canvas neither showed nor named an error for is still no picture.
        result.status = SheetStatus::Undecodable;
        result.reason = "no picture";
        return result;
    }

    CollectedText text;
    SheetReader reader(canvas, text);
    const NumberReading number = reader.ReadNumberGrid();
    const AnswerReading answers = reader.ReadAnswerGrid();
    result.number = text.number;
    result.answers = text.answers;
    for (std::size_t q = 0; q < answers.rows.size(); ++q) {
        const std::string_view letter = OptionLetter(answers.rows[q]);
        result.questions[q] = letter.empty() ? 0 : letter.front();
    }
    result.stoppedAfterBlock = answers.stoppedAfterBlock;
    // Counted after both readings, on the finished canvas, without drawing: the overlay never adds a
    // dark sample, and this is the canvas the answer reader itself would have seen further on.
    result.warnings = CollectWarnings(number, answers, FindBlocksLeftUnread(canvas, answers));
    if (annotated) *annotated = canvas.Snapshot();
    return result;
}

SheetResult ReadSheetFile(const std::string& path, std::vector<CanvasColour>* annotated) {
    auto content = ReadWholeFile(path);
    if (auto* reason = std::get_if<std::string>(&content)) {
        SheetResult result;
        result.file = path;
        result.status = SheetStatus::Unreadable;
        result.reason = std::move(*reason);
        return result;
    }
    const auto& bytes = std::get<std::vector<std::uint8_t>>(content);
    return ReadSheetBytes(path, bytes, annotated);
}

std::string WriteCanvasPng(const std::string& path, const std::vector<CanvasColour>& pixels) {
    if (pixels.size() != static_cast<std::size_t>(CanvasWidth) * CanvasHeight) return "no canvas to write";
    QImage image(CanvasWidth, CanvasHeight, QImage::Format_RGB32);
    for (int y = 0; y < CanvasHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < CanvasWidth; ++x) {
            const auto c = static_cast<std::uint32_t>(pixels[static_cast<std::size_t>(y) * CanvasWidth + x]);
            line[x] = qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
        }
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image)) return "PNG encoding failed: " + writer.errorString().toStdString();

    // Paths stay byte strings end to end: a file name that is not valid UTF-8 still works.
    const std::string temporary = path + ".part";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return SystemReason(errno);
    std::size_t written = 0;
    while (written < static_cast<std::size_t>(png.size())) {
        const ssize_t n =
            ::write(fd, png.constData() + written, static_cast<std::size_t>(png.size()) - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const std::string reason = SystemReason(n < 0 ? errno : EIO);
            ::close(fd);
            ::unlink(temporary.c_str());
            return reason;
        }
        written += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        const std::string reason = SystemReason(errno);
        ::unlink(temporary.c_str());
        return reason;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string reason = SystemReason(errno);
        ::unlink(temporary.c_str());
        return reason;
    }
    return {};
}

}  // namespace marksheet
