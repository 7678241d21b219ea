// Writes a Debian package (".deb") that the device's dpkg installs, with libarchive.
//
// The data archive holds the given folders and files under the device's "/", every folder
// 0755 and every file 0644, owned by root (user and group 0, named "root"), all dated alike;
// the control archive holds the control file alone. Both are compressed with xz or gzip, which
// every dpkg reads. The data archive is built in a private temporary folder, since it may be
// large, and then copied into the package; the package itself goes to a descriptor the caller
// has opened, so that the caller decides how it appears (whole, in the end).
#pragma once

#include "common/Interruption.h"
#include "common/Result.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace velorin::tools {

enum class PackageCompression { Xz, Gzip };

struct PackagedFile {
    // Where it is unpacked, relative to the device's "/" ("var/jb/.../frame1.png").
    std::string devicePath;
    // The file on this machine whose bytes it holds.
    std::string hostPath;
    std::uint64_t size{0};
};

struct PackageContents {
    // Every folder, parents before children, relative to "/" ("var", "var/jb", ...).
    std::vector<std::string> folders;
    std::vector<PackagedFile> files;
};

struct PackageWriting {
    std::string controlText;
    PackageCompression compression{PackageCompression::Xz};
    // The date every member and entry carries.
    std::time_t modified{0};
};

// Writes the package into `output` (open for writing, empty); faults name `shownOutput`.
common::Result<void> writeDebianPackage(const PackageContents& contents,
                                        const PackageWriting& writing, int output,
                                        const std::string& shownOutput,
                                        const common::InterruptionCheck& interrupted);

// The size dpkg gives an installed package, in KiB: each file rounded up to a KiB, and one for
// each folder.
std::uint64_t installedKibibytes(const PackageContents& contents);

} // namespace velorin::tools
