// $TMPDIR pointed at a fresh folder while the helper lives, so that a test sees exactly what
// the private copies and temporary folders of the code under test leave there. The former
// value comes back, and the folder goes, afterwards.
#pragma once

#include "tests/support/TemporaryDeviceRoot.h"

#include <filesystem>
#include <optional>
#include <string>

namespace velorin::testing {

class PrivateTemporaryFolder {
public:
    PrivateTemporaryFolder();
    ~PrivateTemporaryFolder();
    PrivateTemporaryFolder(const PrivateTemporaryFolder&) = delete;
    PrivateTemporaryFolder& operator=(const PrivateTemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return m_folder.path(); }

private:
    TemporaryDeviceRoot m_folder;
    std::optional<std::string> m_previous;
};

} // namespace velorin::testing
