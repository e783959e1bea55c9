// The three output formats of the batch reader (text lines, CSV, JSON Lines) and their escaping.
#pragma once

#include <string>
#include <string_view>

#include "SheetResult.h"

namespace marksheet {

enum class OutputFormat { Text, Csv, Json };

/// What goes before the first result: the CSV header row; nothing for text and JSON Lines.
std::string FormatHeader(OutputFormat format);
/// One result as one record, line end included. CSV rows end in CRLF as RFC 4180 has it; text and
/// JSON Lines end in LF.
std::string FormatResult(OutputFormat format, const SheetResult& result);

/// The status as written in CSV and JSON: "ok", "unreadable", "undecodable".
std::string_view StatusName(SheetStatus status);

/// A CSV field per RFC 4180: quoted when it holds a comma, a quote, CR or LF, quotes doubled.
std::string CsvField(std::string_view text);
/// A JSON string literal, quotes included. Control characters are escaped; bytes that are not
/// valid UTF-8 become U+FFFD, so the line stays valid JSON whatever the file name holds.
std::string JsonString(std::string_view text);
/// A file name fit for one line of text: control characters and backslashes written as C escapes
/// (\t, \n, \r, \\, \xHH), everything else as it is.
std::string LineSafe(std::string_view text);

/// The warnings of a result as one field: their tokens separated by "; ".
std::string WarningList(const SheetResult& result);

}  // namespace marksheet
