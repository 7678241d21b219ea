// Undoing the row filters of 8-bit RGB and RGBA images (three or four bytes a pixel).
//
// A PNG encoder stores each row as one filter byte followed by the row's bytes, each predicted
// from the byte one pixel to the left (a), the one above (b) and the one above and to the left
// (c), none of which exists outside the image (they count as zero there). Unfiltering adds the
// prediction back, modulo 256, in row order and, within a row, from left to right.
//
// Several kernels do the work; the portable one runs everywhere and every other gives exactly
// its bytes, so which one runs is a question of speed only. The processor is asked once which
// of them it can run.
#pragma once

#include "platform/Export.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace platform::png {

enum class RowFilter : std::uint8_t { None = 0, Sub = 1, Up = 2, Average = 3, Paeth = 4 };
inline constexpr std::uint8_t rowFilterCount = 5;

enum class UnfilterKernel {
    // Plain C++, one byte at a time.
    Portable,
    // SSE2, which every x86-64 processor has.
    Sse2,
    // SSE2, with the Paeth filter undone by SSE4.1 in fewer steps from pixel to pixel.
    Sse41,
};

// The kernels this processor runs, the portable one first; the last is the fastest.
VELORIN_EXPORT std::span<const UnfilterKernel> availableUnfilterKernels();
UnfilterKernel fastestUnfilterKernel();

// Unfilters one row of `rowBytes` bytes from `filtered` into `row`. `previous` is the row
// above, already unfiltered, or null for the first row. `row` may lie before `filtered` in the
// same buffer, so that rows can be moved into place as they are unfiltered; it may not lie
// after it, and `previous` overlaps neither.
void unfilterRow(UnfilterKernel kernel, RowFilter filter, int bytesPerPixel,
                 const std::uint8_t* filtered, std::uint8_t* row, const std::uint8_t* previous,
                 std::size_t rowBytes);

} // namespace platform::png
