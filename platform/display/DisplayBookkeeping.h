// Internal to the display toolkit: the live counters behind `viewStatistics` and
// `imageStatistics`, kept by the constructors and destructors of views, layers, animations
// and images. Everything runs on the main thread, so plain counters suffice.
#pragma once

#include <cstddef>

namespace platform::display {

void countView(int change);
void countLayer(int change);
void countAnimation(int change);

// Pixel bytes held by live images, and by the decoder for an image it is still reading, so
// that the peak shows every pixel buffer ever allocated.
void countImageBytes(std::size_t bytes);
void uncountImageBytes(std::size_t bytes);
void countImage(int change);

} // namespace platform::display
