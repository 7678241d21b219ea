// A home of its own for every program a test runs: HOME, XDG_DATA_HOME, VELORIN_ROOT and TMPDIR
// in the test's scratch folder, so that no test reads or writes the home, the device root or the
// temporary files of whoever runs the tests, and no test passes or fails by what an earlier run
// left there.
//
// runProcess and RunningProcess give these settings to every program they start. The test
// programs' own main (TestMain.cpp) points the test process itself at a scratch home made for
// the run, for the code that tests call in the same process.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace velorin::testing {

// `settings` (NAME=VALUE) with the four settings of a home in `scratch` added after them:
// HOME=SCRATCH/home, XDG_DATA_HOME=SCRATCH/home/.local/share, VELORIN_ROOT=SCRATCH/user-root
// and TMPDIR=SCRATCH/tmp. A name the settings give already is left as the test gave it. The
// home and temporary folders are made; the user's root is left for the program to make.
std::vector<std::string> withScratchHome(const std::filesystem::path& scratch,
                                         std::vector<std::string> settings = {});

// The test process's own home for the whole run: made in the system's temporary folder when
// this starts, the four settings pointed at it, and removed with everything in it at the end.
class ScratchHomeForRun {
public:
    ScratchHomeForRun();
    ~ScratchHomeForRun();
    ScratchHomeForRun(const ScratchHomeForRun&) = delete;
    ScratchHomeForRun& operator=(const ScratchHomeForRun&) = delete;

private:
    std::filesystem::path m_folder;
};

} // namespace velorin::testing
