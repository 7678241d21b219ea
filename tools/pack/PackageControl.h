// The "control" file of a theme package: what the device's package manager shows and checks
// before it installs the package.
//
// Every value is checked before a package is written, as dpkg would check it on the device:
// the package's identifier in reverse-DNS form made of Debian's package-name characters, a
// version in Debian's form, an architecture name, a maintainer as "Name <address>", and no
// value that spans lines or holds control characters (a line break would add fields of its
// own).
#pragma once

#include "common/Result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velorin::tools {

struct PackageControl {
    // "com.example.pulse".
    std::string identifier;
    // The name the package manager shows.
    std::string name;
    std::string version{"1.0"};
    // "all": the package holds no code, only pictures and options.
    std::string architecture{"all"};
    // "Name <address>"; written as both Maintainer and Author.
    std::string author;
    std::string description;
    std::string section{"Themes"};
    // Empty: none.
    std::string depends;
    std::uint64_t installedKibibytes{0};
};

// The fault for the first value that cannot stand in the control file, named by its option.
common::Result<void> checkPackageControl(const PackageControl& control);

// Why `version` is no Debian version, or none.
std::optional<std::string> debianVersionProblem(const std::string& version);

// The control file's text, one "Field: value" line each.
std::string controlFileText(const PackageControl& control);

// The identifier a package gets when none is given: "local.velorin." and the first sequence's
// name in the characters a package name may hold.
std::string defaultPackageIdentifier(const std::string& sequenceName);

// The file name dpkg's own tools give a package: "ID_VERSION_ARCH.deb", without an epoch.
std::string packageFileName(const PackageControl& control);

} // namespace velorin::tools
