// The manifest that says a sample root is whole. The build writes it last, once every sequence
// is drawn and the preferences are in place, and removes it before it draws again; an install
// copies it with the rest. A user's root is made only from the files it lists, each found to be
// a plain file of the size listed, so a sample root still being drawn, cut short, or half
// installed makes no root at all.
//
// The manifest is text: the line "velorin sample root manifest 1", a line "SIZE PATH" for each
// file (the path relative to the root, with forward slashes), and the line "end COUNT". The
// closing count tells a whole manifest from one cut short while it was being copied. It is read
// within a bound; a path that is absolute, climbs with "..", or names the manifest itself makes
// the manifest unusable.
#pragma once

#include "common/Result.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velorin::tools {

inline constexpr const char* sampleRootManifestName = "velorin-sample-root.manifest";

struct SampleRootFile {
    // Relative to the sample root.
    std::string path;
    std::uintmax_t size{0};
};

// The files of the sample root at `root`, once the manifest is read and every file it lists is
// found in place at its size. The fault's file is the sample root; its message says what is
// missing or wrong.
common::Result<std::vector<SampleRootFile>> readWholeSampleRoot(const std::string& root);

} // namespace velorin::tools
