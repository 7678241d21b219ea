// A file that appears whole or not at all: a package being written.
//
// The bytes go to a hidden staging file beside the target (".NAME-XXXXXX"), which is moved onto
// the target's name by one rename once everything is written and flushed to the disk. An
// existing file of that name is refused unless replacing is asked for; even then, something
// that is no regular file (a folder, a link) is never replaced. Until the commit, the staging
// file is removed when the output goes, so a failure or an interruption leaves the folder as
// it was. The staging file is locked while it is written, so that one left by a command
// killed outright is told apart and removed by the next one writing the same name.
#pragma once

#include "sim/Result.h"

#include <memory>
#include <string>

namespace velorin::tools {

enum class ExistingFile { Refuse, Replace };

class WholeFileOutput {
public:
    static sim::Result<std::unique_ptr<WholeFileOutput>> open(const std::string& target,
                                                              ExistingFile existing);
    ~WholeFileOutput();
    WholeFileOutput(const WholeFileOutput&) = delete;
    WholeFileOutput& operator=(const WholeFileOutput&) = delete;

    // Where the bytes are written until the commit.
    int descriptor() const { return m_descriptor; }
    const std::string& target() const { return m_target; }
    // Flushes the file and moves it onto the target's name.
    sim::Result<void> commit();

private:
    WholeFileOutput(std::string target, std::string staging, int descriptor, ExistingFile existing)
        : m_target(std::move(target)), m_staging(std::move(staging)), m_descriptor(descriptor),
          m_existing(existing) {}
    std::string m_target;
    std::string m_staging;
    int m_descriptor{-1};
    ExistingFile m_existing;
    bool m_committed{false};
};

} // namespace velorin::tools
