// Packages (".deb") built entry by entry for the install tests, hostile ones included: any
// path, links, device files and maintainer scripts, written with libarchive as a package
// builder would write them.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace velorin::testing {

struct PackageEntry {
    enum class Kind { File, Folder, SymbolicLink, HardLink, CharacterDevice, Pipe };
    // The path as the archive holds it ("./var/jb/…", "/etc/…", "../x").
    std::string path;
    Kind kind{Kind::File};
    // A file's bytes; a link's target.
    std::string contents;
};

// The data entries of a sequence NAME in the device's sequences path: its folders and two
// decodable frames.
std::vector<PackageEntry> sequenceEntries(const std::string& name);

// The path of `file` in sequence NAME as a package holds it.
std::string sequencePath(const std::string& name, const std::string& file = "");

struct TestPackage {
    std::vector<PackageEntry> data;
    // Files of the control archive besides "control" ("postinst", …), with their text.
    std::vector<std::pair<std::string, std::string>> scripts;
    std::string identifier{"com.example.test"};

    void write(const std::filesystem::path& path) const;
};

} // namespace velorin::testing
