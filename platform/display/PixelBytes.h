// The bytes of decoded pixels: a vector whose new elements are left as they are rather than
// zeroed, since every producer of pixels writes each byte itself. Zeroing a large frame first
// would touch all of its memory once more for nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace platform {

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
