// Whole-file reads for the change-sheet command: every failure gives an empty buffer.
#include "SheetFile.h"

#include <QFile>
#include <QFileInfo>

namespace marksheet {

std::vector<std::uint8_t> ReadWholeFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > MaxSheetFileBytes) return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    // The size may change between the check and the read; never read past the limit.
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(info.size()));
    constexpr qint64 chunk = qint64{1} << 20;
    std::vector<char> buffer(static_cast<std::size_t>(chunk));
    for (;;) {
        const qint64 got = file.read(buffer.data(), chunk);
        if (got <= 0) break;  // end of file, or a read error: keep what was read
        if (static_cast<std::int64_t>(bytes.size()) + got > MaxSheetFileBytes) return {};
        bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + got);
    }
    return bytes;
}

}  // namespace marksheet
