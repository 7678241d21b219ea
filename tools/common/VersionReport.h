// What `velorin-sim --version` prints: the project's version, the extension library it loads,
// and the libraries it uses, each with the version it was built against and, where the library
// reports one, the version in use at run time.
#pragma once

#include <string>

namespace velorin::tools {

std::string versionReport();

} // namespace velorin::tools
