// A fresh private folder in the system's temporary folder, for the copies the simulated host
// and the tools work on so that a user's own files are never written.
//
// The folder is removed, with everything in it, when its owner goes. It is a staging folder
// (see common/WholeOutput.h) that is never moved anywhere: locked meanwhile, so that one left
// by a command killed outright (where nothing of it could run) is told apart from one in use
// and removed by the next command that makes a folder of the same stem.
#pragma once

#include "common/Result.h"
#include "common/WholeOutput.h"

#include <string>
#include <string_view>

namespace velorin::common {

class TemporaryFolder {
public:
    // Makes STEM-XXXXXX, readable by this user alone, in $TMPDIR or else /tmp. The fault names
    // the pattern that was asked for ("/tmp/STEM-XXXXXX") and the system's reason.
    static Result<TemporaryFolder> make(std::string_view stem);

    // No folder.
    TemporaryFolder() = default;

    const std::string& path() const { return m_folder.path(); }

private:
    StagingFolder m_folder;
};

} // namespace velorin::common
