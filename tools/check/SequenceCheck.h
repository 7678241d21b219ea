// The analysis behind `velorin-sim check`: a sequence folder, read with the very listing,
// ordering, decoding and placement code the extension plays it with.
//
// The check finds what makes a folder play otherwise than its author meant: an order that
// differs from the natural order of the names for some frame the device may list first,
// files that look like frames but are not (resource-fork files among them), animated PNGs,
// frames that cannot be decoded, frames of other sizes or proportions than the box they are
// shown in, an options file the extension refuses or reads otherwise than written, and what
// passes the extension's read limits and memory budget. It only reads the folder.
#pragma once

#include "common/Result.h"
#include "tools/check/CheckReport.h"
#include "tools/common/SequenceArgument.h"

#include <optional>
#include <string>

namespace velorin::tools {

// Whether resource-fork files ("._" names) count as the device would count them, or are left
// out as `install` leaves them out.
enum class ResourceForkFiles { Counted, LeftOut };

struct CheckRequest {
    // With a screen size, the report also holds the placement the options give on it.
    std::optional<ScreenSize> screen;
    ResourceForkFiles resourceForkFiles{ResourceForkFiles::Counted};
    // `list` reads the headers only; `check` decodes every frame.
    FrameReading frameReading{FrameReading::Decoded};
};

// Checks a sequence: a folder on this machine (read under the root "/"), or a sequence in a
// device root (read under that root, as the device reads it). A folder that does not exist or
// cannot be listed is an error naming it; everything else goes into the report.
common::Result<CheckReport> checkSequence(const SequenceArgument& sequence,
                                          const CheckRequest& request = {});

// Checks the folder at `hostPath` on this machine.
common::Result<CheckReport> checkSequenceFolder(const std::string& hostPath,
                                                std::optional<ScreenSize> screen = std::nullopt);

} // namespace velorin::tools
