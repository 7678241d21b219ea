// The mark a preview puts on every picture when the root's preferences turn the extension off.
//
// A device with the extension off shows nothing of the sequence, yet the author still wants to
// see it; the preview renders what would play and lays a band across the middle of each
// picture that says the device shows nothing, large enough to read on the contact sheet's
// scaled-down panels too.
#pragma once

#include "tools/lockscreen/FramePixels.h"

#include <string_view>

namespace velorin::tools {

// The band's words, as the contact sheet's labels also give them.
inline constexpr std::string_view extensionOffWords = "extension off";

// Draws the band onto an opaque picture.
void markExtensionOff(FramePixels& picture);

} // namespace velorin::tools
