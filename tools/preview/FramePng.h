// A preview's frame files: each picture as an RGB PNG file, written for speed.
//
// A preview writes hundreds of full-screen pictures, and with libpng's defaults (level 6, every
// filter tried on every row) their compression took most of its time. The frames are written
// at zlib's fastest level, 1, with the "up" filter alone: the lock screen is a wallpaper of one
// colour a row and a small animation, so "up" leaves rows of zeros that even the fastest level
// packs tightly. The default preview's 240 frames take about 8 MB this way, against 4.4 MB at
// the defaults, in about a quarter of the time.
#pragma once

#include "tools/lockscreen/FramePixels.h"

#include <string>

namespace velorin::tools {

// Writes `picture` straight into a new file at `path` (its alpha is dropped, as the pictures
// are opaque); false on failure, when no partial file is left behind. It touches nothing but
// the picture and the file, so several threads may write frames at once.
bool writeFramePng(const FramePixels& picture, const std::string& path);

} // namespace velorin::tools
