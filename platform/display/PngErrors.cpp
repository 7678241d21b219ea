#include "platform/display/PngErrors.h"

namespace platform {

void failQuietly(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {
}

} // namespace platform
