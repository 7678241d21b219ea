// The bytes of decoded pixels: a vector whose new elements are left as they are rather than
// zeroed, since every producer of pixels writes each byte itself. Zeroing a large frame first
// would touch all of its memory once more for nothing.
//
// A large buffer (a frame of 256 × 256 or more) is mapped on its own and made present at once,
// all its pages in one call, rather than faulted in a page at a time as the decoder first
// writes it: a showing takes a fresh buffer for every frame, and the faults cost it about 7 %
// of its processor time. Since every byte is written anyway, nothing is made present for
// nothing.
#pragma once

#include "platform/Export.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace platform {

inline constexpr std::size_t mappedPixelBytes = 256 * 1024;

// A mapping of `bytes` made present; throws std::bad_alloc when there is none.
VELORIN_EXPORT void* mapPixelMemory(std::size_t bytes);
VELORIN_EXPORT void unmapPixelMemory(void* pointer, std::size_t bytes) noexcept;

template <typename T>
class UninitializedAllocator : public std::allocator<T> {
public:
    template <typename U>
    struct rebind {
        using other = UninitializedAllocator<U>;
    };
    using std::allocator<T>::allocator;
    UninitializedAllocator() = default;
    template <typename U>
    UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        if (count >= mappedPixelBytes / sizeof(T))
            return static_cast<T*>(mapPixelMemory(count * sizeof(T)));
        return std::allocator<T>::allocate(count);
    }
    void deallocate(T* pointer, std::size_t count) noexcept {
        if (count >= mappedPixelBytes / sizeof(T))
            unmapPixelMemory(pointer, count * sizeof(T));
        else
            std::allocator<T>::deallocate(pointer, count);
    }

    // An element made without a value is default-initialized: for bytes, left unwritten.
    template <typename U>
    void construct(U* place) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(place)) U;
    }
    template <typename U, typename... Arguments>
    void construct(U* place, Arguments&&... arguments) {
        ::new (static_cast<void*>(place)) U(std::forward<Arguments>(arguments)...);
    }
};

using PixelBytes = std::vector<std::uint8_t, UninitializedAllocator<std::uint8_t>>;

} // namespace platform
