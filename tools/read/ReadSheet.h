// Reading one sheet as a freshly started window would: its own canvas, set picture, repaint, the number
// reading and then the answer reading, text collected in memory.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "SheetResult.h"
#include "SheetSurface.h"

namespace marksheet {

/// The canvas background of a reader without a window: the button face colour (239, 239, 239) that the
/// window's canvas shows around a picture, and mixes into PNG alpha, under Qt's Fusion style (the
/// window's look when no desktop theme overrides it). Never dark, so it matters only for PNG alpha.
inline constexpr CanvasColour HeadlessBackgroundColour = 0x00EFEFEF;

/// A file larger than this is not read at all: no answer sheet scan comes near it, and reading it
/// would only take memory from the other sheets of the batch.
inline constexpr std::uint64_t MaxSheetFileBytes = 512ull << 20;

/// The file's whole content, or the reason it could not be read (the system's words where it has them).
std::variant<std::vector<std::uint8_t>, std::string> ReadWholeFile(const std::string& path);

/// Reads one sheet from picture bytes. When `annotated` is given and the picture decoded, it receives
/// the canvas after the reading (400 x 500 colours, row by row).
SheetResult ReadSheetBytes(const std::string& name, std::span<const std::uint8_t> bytes,
                           std::vector<CanvasColour>* annotated = nullptr);

/// Reads one sheet from a file: ReadWholeFile, then ReadSheetBytes.
SheetResult ReadSheetFile(const std::string& path, std::vector<CanvasColour>* annotated = nullptr);

/// Writes a canvas snapshot as a PNG, through a temporary file renamed into place so that no
/// half-written picture is left behind. Returns the reason on failure, empty on success.
std::string WriteCanvasPng(const std::string& path, const std::vector<CanvasColour>& pixels);

}  // namespace marksheet
