// The baseline for a whole velorin-sim run: a bare program that lists a folder's PNG files,
// sorts their names and decodes each with libpng's simplified API into a buffer it keeps, one
// after another on one thread, then exits.
//   velorin_bare_decode FOLDER
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <png.h>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: velorin_bare_decode FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    std::vector<std::string> names;
    if (DIR* listing = opendir(folder.c_str())) {
        while (dirent* entry = readdir(listing)) {
            std::string name = entry->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0)
                names.push_back(name);
        }
        closedir(listing);
    }
    std::sort(names.begin(), names.end());
    std::vector<std::unique_ptr<unsigned char[]>> kept;
    for (const auto& name : names) {
        std::string path = folder + "/" + name;
        png_image image;
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_file(&image, path.c_str()))
            return 1;
        image.format = PNG_FORMAT_RGBA;
        std::unique_ptr<unsigned char[]> pixels(new unsigned char[PNG_IMAGE_SIZE(image)]);
        if (!png_image_finish_read(&image, nullptr, pixels.get(), 0, nullptr))
            return 1;
        kept.push_back(std::move(pixels));
    }
    std::printf("%zu frames\n", kept.size());
    return 0;
}
