// libpng's error and warning callbacks, for every use of libpng in the display toolkit.
//
// The toolkit decodes and encodes silently, as the real one does: a bad file gives no image
// and a failed write no file, and nothing is printed. libpng reports an error by longjmp back
// to the setjmp of its caller, so each caller keeps its setjmp in a function whose frame holds
// only trivial values; the warnings are dropped.
#pragma once

#include <png.h>

namespace platform {

[[noreturn]] void failQuietly(png_structp png, png_const_charp message);
void ignoreWarning(png_structp png, png_const_charp message);

} // namespace platform
