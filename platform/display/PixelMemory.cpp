// The mappings that hold large pixel buffers (see PixelBytes.h).

#include "platform/display/PixelBytes.h"

#include <new>
#include <sys/mman.h>

namespace platform {

void* mapPixelMemory(std::size_t bytes) {
    void* mapping = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (mapping == MAP_FAILED)
        throw std::bad_alloc();
    return mapping;
}

void unmapPixelMemory(void* pointer, std::size_t bytes) noexcept {
    ::munmap(pointer, bytes);
}

} // namespace platform
