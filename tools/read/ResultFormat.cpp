// The three output formats of the batch reader (text lines, CSV, JSON Lines) and their escaping.
#include "ResultFormat.h"

#include <cstdint>

#include "SheetWarnings.h"

namespace marksheet {
namespace {

// Length of the valid UTF-8 sequence starting at text[i], or 0 when the bytes there are not one
// (overlong forms, surrogates and values above U+10FFFF count as invalid).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
    const std::uint8_t b0 = byte(i);
    std::size_t length;
    std::uint32_t value;
    if (b0 < 0x80) return 1;
    if (b0 >= 0xC2 && b0 <= 0xDF)
        length = 2, value = b0 & 0x1F;
    else if (b0 >= 0xE0 && b0 <= 0xEF)
        length = 3, value = b0 & 0x0F;
    else if (b0 >= 0xF0 && b0 <= 0xF4)
        length = 4, value = b0 & 0x07;
    else
        return 0;
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    if ((length == 3 && value < 0x800) || (length == 4 && value < 0x10000)) return 0;  // overlong
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    return length;
}

const char* const HexDigits = "0123456789abcdef";

std::string FormatText(const SheetResult& r) {
    return LineSafe(r.file) + "\t" + r.number + "\t" + r.answers + "\n";
}

std::string FormatCsv(const SheetResult& r) {
    std::string row = CsvField(r.file) + "," + std::string(StatusName(r.status)) + "," + CsvField(r.number) +
                      "," + CsvField(r.answers);
    for (char letter : r.questions) {
        row += ',';
        if (letter != 0) row += letter;
    }
    row += "," + CsvField(WarningList(r)) + "\r\n";
    return row;
}

std::string JsonWarning(const SheetWarning& w) {
    std::string out = "{\"code\":" + JsonString(WarningKindCode(w.kind));
    switch (w.kind) {
        case SheetWarning::Kind::CornerMissing:
            out += ",\"corner\":" + JsonString(CornerCode(w.corner));
            break;
        case SheetWarning::Kind::ColumnWithoutInk:
            out += ",\"column\":" + std::to_string(w.column);
            break;
        case SheetWarning::Kind::Tie: {
            out += w.question > 0 ? ",\"question\":" + std::to_string(w.question)
                                  : ",\"column\":" + std::to_string(w.column);
            out += ",\"rows\":[";
            for (std::size_t i = 0; i < w.rows.size(); ++i) out += (i ? "," : "") + std::to_string(w.rows[i]);
            out += "]";
            break;
        }
        case SheetWarning::Kind::AnswersLeftUnread:
            out += ",\"block\":" + std::to_string(w.block);
            break;
    }
    return out + "}";
}

std::string FormatJson(const SheetResult& r) {
    const bool ok = r.status == SheetStatus::Ok;
    std::string out = "{\"file\":" + JsonString(r.file) + ",\"status\":" + JsonString(StatusName(r.status));
    out += ",\"number\":" + (ok ? JsonString(r.number) : "null");
    out += ",\"answers\":" + (ok ? JsonString(r.answers) : "null");
    out += ",\"questions\":[";
    for (std::size_t q = 0; q < r.questions.size(); ++q) {
        if (q > 0) out += ',';
        if (r.questions[q] != 0)
            out += std::string("\"") + r.questions[q] + "\"";
        else
            out += "null";
    }
    out += "],\"stopped_at\":" + (r.stoppedAfterBlock ? std::to_string(*r.stoppedAfterBlock) : "null");
    out += ",\"warnings\":[";
    for (std::size_t i = 0; i < r.warnings.size(); ++i) out += (i ? "," : "") + JsonWarning(r.warnings[i]);
    out += "],\"error\":" + (r.reason.empty() ? "null" : JsonString(r.reason));
    return out + "}\n";
}

}  // namespace

std::string_view StatusName(SheetStatus status) {
    switch (status) {
        case SheetStatus::Ok:
            return "ok";
        case SheetStatus::Unreadable:
            return "unreadable";
        case SheetStatus::Undecodable:
            return "undecodable";
    }
    return "unknown";
}

std::string FormatHeader(OutputFormat format) {
    if (format != OutputFormat::Csv) return {};
    std::string header = "file,status,number,answers";
    for (int q = 1; q <= QuestionCount; ++q) header += ",q" + std::to_string(q);
    return header + ",warnings\r\n";
}

std::string FormatResult(OutputFormat format, const SheetResult& result) {
    switch (format) {
        case OutputFormat::Text:
            return FormatText(result);
        case OutputFormat::Csv:
            return FormatCsv(result);
        case OutputFormat::Json:
            return FormatJson(result);
    }
    return {};
}

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            if (const std::size_t length = Utf8SequenceLength(text, i)) {
                out.append(text.substr(i, length));
                i += length;
            } else {
                out += "\xEF\xBF\xBD";  // U+FFFD for one stray byte
                ++i;
            }
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    out += "\\u00";
                    out += HexDigits[c >> 4];
                    out += HexDigits[c & 15];
                } else {
                    out += static_cast<char>(c);
                }
        }
        ++i;
    }
    return out + "\"";
}

std::string LineSafe(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    out += "\\x";
                    out += HexDigits[c >> 4];
                    out += HexDigits[c & 15];
                } else {
                    out += ch;
                }
        }
    }
    return out;
}

std::string WarningList(const SheetResult& result) {
    std::string out;
    for (const SheetWarning& w : result.warnings) {
        if (!out.empty()) out += "; ";
        out += WarningToken(w);
    }
    return out;
}

}  // namespace marksheet
