// Where velorin-sim finds its bundled sample device root, in the build tree or installed.
#pragma once

#include "sim/Result.h"

#include <string>

namespace velorin::tools {

// The bundled root: $VELORIN_SAMPLE_ROOT if set, else the one installed beside the running
// program, else the build tree's, else the one in the configured install prefix.
std::string bundledSampleRoot();

// The device root a command works on: the one given, or the bundled one. A folder that does
// not exist is an input error naming it.
sim::Result<std::string> chooseDeviceRoot(const std::string& givenRoot);

} // namespace velorin::tools
