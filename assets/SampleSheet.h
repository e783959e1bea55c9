// The built-in sample sheet: a 397 x 481 colour JPEG of a filled-in answer sheet, shown at start.
#pragma once

#include <cstdint>
#include <span>

namespace marksheet {

std::span<const std::uint8_t> SampleSheetBytes();

}  // namespace marksheet
