// Frames from a Lottie animation (the JSON that motion-design tools export), drawn by Debian's
// rlottie.
//
// A vector animation has no pixels of its own: each frame is drawn straight at the size the
// sequence's frames are written at (the consumer's drawing size), stretched to it as the
// device stretches a frame to its box, so that it is sharp at any box and scale and never
// resized from pixels. Its frames are those of its own frame rate from its in point up to its
// out point, each shown for one frame's time; import's sampling then picks, for every frame
// of the sequence, the animation's frame on screen at that moment. Transparency is kept.
//
// The text is checked before rlottie reads it (see LottieDocument.h), is read whole into memory
// up to `maximumLottieFileBytes`, and only one frame is drawn at a time. A ".lottie" archive
// (a zip of JSON and images) is refused with what to do instead: no Debian library reads it,
// and rlottie reads only the JSON.
#pragma once

#include "tools/import/MediaSource.h"
#include "tools/import/sources/SourceFile.h"

#include <span>
#include <string>

namespace velorin::tools {

enum class LottieGuess { NotLottie, LottieText, LottieArchive };

// Whether a file is a Lottie text (JSON whose first character is "{": no picture format begins
// so) or a ".lottie" archive, from its name and first bytes.
LottieGuess guessLottie(const std::string& path, std::span<const std::uint8_t> head);

// Reads the open file whole.
common::Result<std::unique_ptr<MediaSource>> openLottieSource(const SourceFile& file);

// The same from the bytes of a text already read; `path` names it in faults.
common::Result<std::unique_ptr<MediaSource>> openLottieText(const std::string& path,
                                                            std::string text);

// The fault for a ".lottie" archive.
common::Fault lottieArchiveFault(const std::string& path);

} // namespace velorin::tools
