// Frames from a folder of image files, with any naming.
//
// The images are taken in the natural order of their names ("frame2" before "frame10", case
// aside) and shown one after another for equal times, set by a frame rate or by the total
// length. Files whose extension is not an image's are left out and named in a note; hidden
// files and subfolders are skipped. Each frame is read only when it is wanted, with the same
// readers as a single file (a file holding several frames gives its first).
#pragma once

#include "tools/import/sources/SourceFormats.h"

namespace velorin::tools {

extern const SourceFormat folderFormat;

} // namespace velorin::tools
