// Reads a theme package (".deb") as install takes it: its control values, which maintainer
// scripts it carries (never run), and its sequences, unpacked into a private folder.
//
// Only what lies under the device's sequences path is taken, and only what the copy rule
// would take there: the frames and options.json directly in each sequence folder. Anything
// that could place a file elsewhere refuses the whole package before install writes anything:
// an absolute path, a ".." in a path, a symbolic or hard link, a device file, pipe or socket,
// a file outside the sequences path or directly in it, a sequence folder whose name install
// would refuse. Files in a sequence's subfolders, and names the device never reads, are left
// out and counted. Reading is bounded: at most `mostPackageEntries` entries, at most
// `mostUnpackedBytes` in all as the entries declare them, a frame past the extension's frame
// limit kept as an empty file (as the copy rule keeps it) and an options file past its limit
// left out; what is unpacked draws on a private copy's allowance. Only ar, tar, gzip and xz
// are read, with libarchive, and no external program is ever started.
#pragma once

#include "common/Interruption.h"
#include "common/Result.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velorin::tools {

inline constexpr std::size_t mostPackageEntries = 100000;
inline constexpr std::uint64_t mostUnpackedBytes = std::uint64_t{4} << 30;

struct PackageDescription {
    std::string identifier;
    std::string version;
    std::string name;
    // The maintainer scripts the package holds, which install never runs.
    std::vector<std::string> maintainerScripts;
    // The sequences unpacked, in the order the package holds them.
    std::vector<std::string> sequenceNames;
    // Files under the sequences path that the device never reads, left out.
    std::size_t filesLeftOut{0};
};

// Reads the package file at `path` and unpacks its sequences into `folder`/NAME; `folder` is an
// existing, private, empty folder.
common::Result<PackageDescription> readDebianPackage(const std::string& path,
                                                     const std::string& folder,
                                                     const common::InterruptionCheck& interrupted);

// The same from the package's bytes; `shownPath` names it in faults.
common::Result<PackageDescription> readDebianPackageBytes(std::span<const std::uint8_t> bytes,
                                                          const std::string& shownPath,
                                                          const std::string& folder);

} // namespace velorin::tools
