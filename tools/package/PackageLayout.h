// What a theme package for the device holds, for the tools that write and read one: the
// members of a Debian package (".deb") and where a sequence lies in its files.
//
// A package is an "ar" archive of three members in this order: "debian-binary" ("2.0\n"),
// "control.tar.xz" (or .gz) with the "control" file and any maintainer scripts, and
// "data.tar.xz" (or .gz) with the files as they are unpacked from the device's "/". A
// sequence NAME is the folder var/jb/vod/Library/Velorin/chargingSequences/NAME/ of the data,
// as the extension reads it.
#pragma once

#include <array>
#include <string_view>

namespace velorin::tools {

inline constexpr std::string_view debianBinaryMember = "debian-binary";
inline constexpr std::string_view debianFormatVersion = "2.0\n";

// The scripts dpkg runs around unpacking a package, when it holds them.
inline constexpr std::array<std::string_view, 5> maintainerScriptNames{"preinst", "postinst",
                                                                      "prerm", "postrm", "config"};

} // namespace velorin::tools
