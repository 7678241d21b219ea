// Packing sequences into a theme package for the device, whole or not at all.
//
// Each sequence is named as check and install take it (a folder here, or a sequence of the
// root) and judged by the same analysis as `check` first: one with errors is refused, with
// them, unless forced, and one without a frame always. What goes into the package is what
// install would put into a root: the frames and options.json by the copy rule, without
// resource-fork files, under the device's sequences path. The control values are checked
// before anything is copied, and the package appears whole at its name or not at all.
#pragma once

#include "common/Interruption.h"
#include "common/Result.h"
#include "common/WholeOutput.h"
#include "tools/pack/DebianPackageWriter.h"
#include "tools/pack/PackageControl.h"

#include <string>
#include <vector>

namespace velorin::tools {

enum class CheckErrors { Refuse, Force };

struct PackRequest {
    // NAME|DIR arguments, the first one's sequence first.
    std::vector<std::string> sequences;
    // Empty for the user's own root.
    std::string root;
    // Values left empty get their defaults: the identifier from the first sequence's name, the
    // name and description from the sequences' names, the author from DEBFULLNAME and DEBEMAIL.
    PackageControl control;
    // The package file, or a folder to put it in under dpkg's name for it; empty for the
    // current folder.
    std::string out;
    PackageCompression compression{PackageCompression::Xz};
    common::ExistingFile existing{common::ExistingFile::Refuse};
    CheckErrors errors{CheckErrors::Refuse};
};

struct PackOutcome {
    std::string file;
    PackageControl control;
    std::vector<std::string> sequenceNames;
    std::size_t files{0};
    std::uint64_t bytes{0};
    std::vector<std::string> notes;
};

common::Result<PackOutcome> packSequences(const PackRequest& request,
                                          const common::InterruptionCheck& interrupted);

} // namespace velorin::tools
