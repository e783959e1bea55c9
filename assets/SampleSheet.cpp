// Access to the embedded sample sheet bytes.
#include "SampleSheet.h"

#include <cstddef>

extern const std::uint8_t marksheetSampleSheet[];
extern const std::size_t marksheetSampleSheetSize;

namespace marksheet {

std::span<const std::uint8_t> SampleSheetBytes() {
    return {marksheetSampleSheet, marksheetSampleSheetSize};
}

}  // namespace marksheet
