#include "tests/support/PrivateTemporaryFolder.h"

#include <cstdlib>

namespace velorin::testing {

PrivateTemporaryFolder::PrivateTemporaryFolder() {
    if (const char* previous = std::getenv("TMPDIR"))
        m_previous = previous;
    ::setenv("TMPDIR", m_folder.path().c_str(), 1);
}

PrivateTemporaryFolder::~PrivateTemporaryFolder() {
    if (m_previous)
        ::setenv("TMPDIR", m_previous->c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

} // namespace velorin::testing
