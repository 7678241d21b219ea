// The baseline for `velorin-sim list`: a bare program that lists a folder's PNG files and reads
// each one's header (the signature and the image header chunk, 33 bytes) with one read, adding
// up the sizes the headers claim, on one thread, then exits.
//   velorin_bare_headers FOLDER
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: velorin_bare_headers FOLDER\n");
        return 2;
    }
    DIR* listing = opendir(argv[1]);
    if (!listing)
        return 1;
    std::uint64_t frames = 0;
    std::uint64_t decodedBytes = 0;
    int folder = dirfd(listing);
    while (dirent* entry = readdir(listing)) {
        std::string name = entry->d_name;
        if (name.size() <= 4 || name.compare(name.size() - 4, 4, ".png") != 0)
            continue;
        int file = openat(folder, name.c_str(), O_RDONLY | O_CLOEXEC);
        if (file < 0)
            continue;
        unsigned char header[33];
        if (read(file, header, sizeof header) == static_cast<ssize_t>(sizeof header)) {
            auto word = [&header](int at) {
                return (std::uint32_t{header[at]} << 24) | (std::uint32_t{header[at + 1]} << 16) |
                       (std::uint32_t{header[at + 2]} << 8) | std::uint32_t{header[at + 3]};
            };
            ++frames;
            decodedBytes += std::uint64_t{word(16)} * word(20) * 4;
        }
        close(file);
    }
    closedir(listing);
    std::printf("%llu frames, %llu bytes decoded\n", static_cast<unsigned long long>(frames),
                static_cast<unsigned long long>(decodedBytes));
    return 0;
}
