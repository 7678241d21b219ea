// Installing a theme package (".deb") into a device root, so that a theme maker can try what
// others publish: its sequences, together, whole or not at all.
//
// The package is read into a private folder first (see DebianPackageReader.h), so that a
// package refused for any entry leaves the root untouched; its maintainer scripts are never
// run, and the outcome says which it held. Each sequence is then judged and copied exactly as
// `install DIR` judges and copies a folder, staged beside its destination; only when every one
// is staged are they moved into place, and a failure on the way takes those already moved out
// again and puts back what they replaced. The root's record of packages then notes where each
// came from (see tools/package/SequencePackages.h).
#pragma once

#include "common/Interruption.h"
#include "common/Result.h"
#include "tools/install/DebianPackageReader.h"
#include "tools/install/SequenceInstall.h"

#include <string>
#include <vector>

namespace velorin::tools {

struct PackageInstallRequest {
    std::string package;
    // Empty for the user's own root.
    std::string root;
    ExistingSequence existing{ExistingSequence::Refuse};
    // Choosing is taken only for a package of one sequence.
    ChoiceAfterInstall choice{ChoiceAfterInstall::Leave};
    OrderCheck order{OrderCheck::Refuse};
};

struct InstalledPackage {
    PackageDescription package;
    std::vector<InstalledSequence> sequences;
    std::vector<std::string> notes;
};

// Whether an install argument names a package file rather than a sequence.
bool namesPackageFile(const std::string& argument);

common::Result<InstalledPackage> installPackage(const PackageInstallRequest& request,
                                                const common::InterruptionCheck& interrupted);

} // namespace velorin::tools
