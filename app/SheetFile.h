// Reading a chosen picture file whole, the way the change-sheet command needs it.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace marksheet {

/// Files above this size count as unreadable: no sheet picture comes near it, and reading one
/// would take the machine's memory.
inline constexpr std::int64_t MaxSheetFileBytes = std::int64_t{512} * 1024 * 1024;

/// The file's bytes; empty when it cannot be opened or read, is empty, is not a regular file
/// (a pipe or a device could block the window or never end) or is larger than MaxSheetFileBytes.
/// When a read breaks off, the bytes read so far.
std::vector<std::uint8_t> ReadWholeFile(const QString& path);

}  // namespace marksheet
