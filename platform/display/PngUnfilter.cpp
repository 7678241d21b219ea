// The portable kernel and the SSE2 kernel of the row unfilter.
//
// Rows may be unfiltered in place, the row written a few bytes before where its filtered bytes
// lie. Every loop here therefore reads a byte (or a block of bytes) before it writes the same
// position of the row, and walks from left to right: a write then only ever lands on filtered
// bytes already read.

#include "platform/display/PngUnfilter.h"

#include "platform/display/Image.h"

#include <array>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <smmintrin.h>
#endif

namespace platform::png {

namespace {

// The row above the first row: every byte zero. Never written; static rather than constant so
// that it takes no room in the library's file.
alignas(64) std::uint8_t zeroRow[std::size_t{maximumImageSide} * 4];

std::uint8_t paethPredictor(int left, int above, int aboveLeft) {
    int estimate = left + above - aboveLeft;
    int toLeft = std::abs(estimate - left);
    int toAbove = std::abs(estimate - above);
    int toAboveLeft = std::abs(estimate - aboveLeft);
    if (toLeft <= toAbove && toLeft <= toAboveLeft)
        return static_cast<std::uint8_t>(left);
    if (toAbove <= toAboveLeft)
        return static_cast<std::uint8_t>(above);
    return static_cast<std::uint8_t>(aboveLeft);
}

void unfilterPortable(RowFilter filter, std::size_t stride, const std::uint8_t* in,
                      std::uint8_t* out, const std::uint8_t* above, std::size_t count) {
    switch (filter) {
    case RowFilter::None:
        std::memmove(out, in, count);
        return;
    case RowFilter::Sub:
        for (std::size_t index = 0; index < count; ++index)
            out[index] = static_cast<std::uint8_t>(in[index] + (index >= stride ? out[index - stride] : 0));
        return;
    case RowFilter::Up:
        for (std::size_t index = 0; index < count; ++index)
            out[index] = static_cast<std::uint8_t>(in[index] + above[index]);
        return;
    case RowFilter::Average:
        for (std::size_t index = 0; index < count; ++index) {
            unsigned left = index >= stride ? out[index - stride] : 0;
            out[index] = static_cast<std::uint8_t>(in[index] + ((left + above[index]) >> 1));
        }
        return;
    case RowFilter::Paeth:
        for (std::size_t index = 0; index < count; ++index) {
            int left = index >= stride ? out[index - stride] : 0;
            int aboveLeft = index >= stride ? above[index - stride] : 0;
            out[index] =
                static_cast<std::uint8_t>(in[index] + paethPredictor(left, above[index], aboveLeft));
        }
        return;
    }
}

#if defined(__SSE2__)

// One pixel of three or four bytes in the low bytes of a register; the other bytes are zero
// when loaded and ignored when stored.
template <int BytesPerPixel>
__m128i loadPixel(const std::uint8_t* bytes) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes, BytesPerPixel);
    return _mm_cvtsi32_si128(static_cast<int>(value));
}

template <int BytesPerPixel>
void storePixel(std::uint8_t* bytes, __m128i pixel) {
    auto value = static_cast<std::uint32_t>(_mm_cvtsi128_si32(pixel));
    std::memcpy(bytes, &value, BytesPerPixel);
}

__m128i loadBlock(const std::uint8_t* bytes) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}

void storeBlock(std::uint8_t* bytes, __m128i block) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes), block);
}

__m128i absoluteDifference(__m128i left, __m128i right) {
    return _mm_or_si128(_mm_subs_epu8(left, right), _mm_subs_epu8(right, left));
}

// All ones in each byte where `left` <= `right`, unsigned.
__m128i atMost(__m128i left, __m128i right) {
    return _mm_cmpeq_epi8(_mm_min_epu8(left, right), left);
}

__m128i choose(__m128i mask, __m128i whereSet, __m128i whereClear) {
    return _mm_or_si128(_mm_and_si128(mask, whereSet), _mm_andnot_si128(mask, whereClear));
}

void upSse2(const std::uint8_t* in, std::uint8_t* out, const std::uint8_t* above,
            std::size_t count) {
    std::size_t index = 0;
    for (; index + 16 <= count; index += 16)
        storeBlock(out + index, _mm_add_epi8(loadBlock(in + index), loadBlock(above + index)));
    for (; index < count; ++index)
        out[index] = static_cast<std::uint8_t>(in[index] + above[index]);
}

// Four bytes a pixel: sixteen bytes at a time, each pixel the sum of itself and every pixel
// before it in the block (two shifted additions), plus the last pixel of the block before.
void subSse2FourBytes(const std::uint8_t* in, std::uint8_t* out, std::size_t count) {
    __m128i carried = _mm_setzero_si128();
    std::size_t index = 0;
    for (; index + 16 <= count; index += 16) {
        __m128i sum = loadBlock(in + index);
        sum = _mm_add_epi8(sum, _mm_slli_si128(sum, 4));
        sum = _mm_add_epi8(sum, _mm_slli_si128(sum, 8));
        sum = _mm_add_epi8(sum, carried);
        storeBlock(out + index, sum);
        carried = _mm_shuffle_epi32(sum, 0xFF);
    }
    for (; index < count; index += 4) {
        carried = _mm_add_epi8(loadPixel<4>(in + index), carried);
        storePixel<4>(out + index, carried);
    }
}

template <int BytesPerPixel>
void subSse2(const std::uint8_t* in, std::uint8_t* out, std::size_t count) {
    if constexpr (BytesPerPixel == 4) {
        subSse2FourBytes(in, out, count);
    } else {
        __m128i left = _mm_setzero_si128();
        for (std::size_t index = 0; index < count; index += BytesPerPixel) {
            left = _mm_add_epi8(loadPixel<BytesPerPixel>(in + index), left);
            storePixel<BytesPerPixel>(out + index, left);
        }
    }
}

template <int BytesPerPixel>
void averageSse2(const std::uint8_t* in, std::uint8_t* out, const std::uint8_t* above,
                 std::size_t count) {
    const __m128i ones = _mm_set1_epi8(1);
    __m128i left = _mm_setzero_si128();
    for (std::size_t index = 0; index < count; index += BytesPerPixel) {
        __m128i up = loadPixel<BytesPerPixel>(above + index);
        // _mm_avg_epu8 rounds up; the filter rounds down.
        __m128i average = _mm_sub_epi8(_mm_avg_epu8(left, up),
                                       _mm_and_si128(_mm_xor_si128(left, up), ones));
        left = _mm_add_epi8(loadPixel<BytesPerPixel>(in + index), average);
        storePixel<BytesPerPixel>(out + index, left);
    }
}

// The Paeth predictor in bytes, without widening. With p = a + b - c the three distances are
// |b - c|, |a - c| and |(a - c) + (b - c)|. The last needs nine bits only when a - c and b - c
// have the same sign, and then it is the sum of the other two, no smaller than either: a
// saturated sum compares with them the same way.
template <int BytesPerPixel>
void paethSse2(const std::uint8_t* in, std::uint8_t* out, const std::uint8_t* above,
               std::size_t count) {
    __m128i left = _mm_setzero_si128();
    __m128i aboveLeft = _mm_setzero_si128();
    for (std::size_t index = 0; index < count; index += BytesPerPixel) {
        __m128i up = loadPixel<BytesPerPixel>(above + index);
        __m128i toLeft = absoluteDifference(up, aboveLeft);
        __m128i toAbove = absoluteDifference(left, aboveLeft);
        __m128i leftAtLeast = _mm_cmpeq_epi8(_mm_max_epu8(left, aboveLeft), left);
        __m128i upAtLeast = _mm_cmpeq_epi8(_mm_max_epu8(up, aboveLeft), up);
        __m128i signsDiffer = _mm_xor_si128(leftAtLeast, upAtLeast);
        __m128i toAboveLeft = choose(signsDiffer, absoluteDifference(toLeft, toAbove),
                                     _mm_adds_epu8(toLeft, toAbove));
        __m128i pickLeft =
            _mm_and_si128(atMost(toLeft, toAbove), atMost(toLeft, toAboveLeft));
        __m128i pickAbove = atMost(toAbove, toAboveLeft);
        __m128i predicted = choose(pickLeft, left, choose(pickAbove, up, aboveLeft));
        left = _mm_add_epi8(loadPixel<BytesPerPixel>(in + index), predicted);
        storePixel<BytesPerPixel>(out + index, left);
        aboveLeft = up;
    }
}

// The Paeth predictor as intervals. With t = a - c and d = b - c (so that the distances are
// |d|, |t| and |t + d|), the predictor is a when t lies outside an interval around zero set by
// d alone, and otherwise b or c as t lies above or below a threshold also set by d alone. The
// bounds are worked out from the row above, off the path from one pixel to the next, which is
// then three comparisons and two blends instead of the distances' arithmetic. For d >= 0 the
// predictor is a when t >= d or t <= -2d, else b when 2t >= -d, else c; for d < 0 it is the
// mirror image (complementing every byte complements the prediction).
template <int BytesPerPixel>
__attribute__((target("sse4.1"))) void paethSse41(const std::uint8_t* in, std::uint8_t* out,
                                                  const std::uint8_t* above, std::size_t count) {
    const __m128i one = _mm_set1_epi16(1);
    const __m128i lowBytes = _mm_set1_epi16(0xFF);
    __m128i left = _mm_setzero_si128();
    __m128i aboveLeft = _mm_setzero_si128();
    for (std::size_t index = 0; index < count; index += BytesPerPixel) {
        __m128i up = _mm_cvtepu8_epi16(loadPixel<BytesPerPixel>(above + index));
        __m128i difference = _mm_sub_epi16(up, aboveLeft);
        __m128i negative = _mm_srai_epi16(difference, 15);
        __m128i size = _mm_abs_epi16(difference);
        __m128i twice = _mm_add_epi16(size, size);
        __m128i half = _mm_srli_epi16(size, 1);
        // The predictor is a when a lies outside (low, high), bounds included in a's share.
        __m128i high = _mm_blendv_epi8(_mm_sub_epi16(size, one), _mm_sub_epi16(twice, one),
                                       negative);
        __m128i low = _mm_blendv_epi8(_mm_sub_epi16(one, twice), _mm_sub_epi16(one, size),
                                      negative);
        __m128i threshold = _mm_blendv_epi8(_mm_sub_epi16(_mm_setzero_si128(),
                                                          _mm_add_epi16(half, one)),
                                            half, negative);
        high = _mm_add_epi16(high, aboveLeft);
        low = _mm_add_epi16(low, aboveLeft);
        threshold = _mm_add_epi16(threshold, aboveLeft);
        __m128i pickLeft = _mm_or_si128(_mm_cmpgt_epi16(left, high), _mm_cmpgt_epi16(low, left));
        __m128i pickAbove = _mm_xor_si128(_mm_cmpgt_epi16(left, threshold), negative);
        __m128i predicted =
            _mm_blendv_epi8(_mm_blendv_epi8(aboveLeft, up, pickAbove), left, pickLeft);
        __m128i filtered = _mm_cvtepu8_epi16(loadPixel<BytesPerPixel>(in + index));
        left = _mm_and_si128(_mm_add_epi16(filtered, predicted), lowBytes);
        storePixel<BytesPerPixel>(out + index, _mm_packus_epi16(left, left));
        aboveLeft = up;
    }
}

enum class PaethKernel { Sse2, Sse41 };

template <int BytesPerPixel, PaethKernel Paeth = PaethKernel::Sse2>
void unfilterSse2(RowFilter filter, const std::uint8_t* in, std::uint8_t* out,
                  const std::uint8_t* above, std::size_t count) {
    if constexpr (Paeth == PaethKernel::Sse41) {
        if (filter == RowFilter::Paeth) {
            paethSse41<BytesPerPixel>(in, out, above, count);
            return;
        }
    }
    switch (filter) {
    case RowFilter::None:
        std::memmove(out, in, count);
        return;
    case RowFilter::Sub:
        subSse2<BytesPerPixel>(in, out, count);
        return;
    case RowFilter::Up:
        upSse2(in, out, above, count);
        return;
    case RowFilter::Average:
        averageSse2<BytesPerPixel>(in, out, above, count);
        return;
    case RowFilter::Paeth:
        paethSse2<BytesPerPixel>(in, out, above, count);
        return;
    }
}

std::span<const UnfilterKernel> kernelsOfThisProcessor() {
    static const auto kernels = [] {
        static constexpr std::array withSse41{UnfilterKernel::Portable, UnfilterKernel::Sse2,
                                              UnfilterKernel::Sse41};
        __builtin_cpu_init();
        std::span<const UnfilterKernel> all(withSse41);
        return __builtin_cpu_supports("sse4.1") ? all : all.first(2);
    }();
    return kernels;
}

#else

std::span<const UnfilterKernel> kernelsOfThisProcessor() {
    static constexpr std::array portableOnly{UnfilterKernel::Portable};
    return portableOnly;
}

#endif

} // namespace

std::span<const UnfilterKernel> availableUnfilterKernels() {
    return kernelsOfThisProcessor();
}

UnfilterKernel fastestUnfilterKernel() {
    return kernelsOfThisProcessor().back();
}

void unfilterRow(UnfilterKernel kernel, RowFilter filter, int bytesPerPixel,
                 const std::uint8_t* filtered, std::uint8_t* row, const std::uint8_t* previous,
                 std::size_t rowBytes) {
    const std::uint8_t* above = previous ? previous : zeroRow;
#if defined(__SSE2__)
    if (kernel == UnfilterKernel::Sse2) {
        if (bytesPerPixel == 4)
            unfilterSse2<4>(filter, filtered, row, above, rowBytes);
        else
            unfilterSse2<3>(filter, filtered, row, above, rowBytes);
        return;
    }
    if (kernel == UnfilterKernel::Sse41) {
        if (bytesPerPixel == 4)
            unfilterSse2<4, PaethKernel::Sse41>(filter, filtered, row, above, rowBytes);
        else
            unfilterSse2<3, PaethKernel::Sse41>(filter, filtered, row, above, rowBytes);
        return;
    }
#else
    static_cast<void>(kernel);
#endif
    unfilterPortable(filter, static_cast<std::size_t>(bytesPerPixel), filtered, row, above,
                     rowBytes);
}

} // namespace platform::png
