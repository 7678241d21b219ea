#include "tests/tools/install/TestPackages.h"

#include "tests/tools/import/TestMedia.h"

#include <archive.h>
#include <archive_entry.h>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace velorin::testing {

namespace {

const std::string sequencesPath = "./var/jb/vod/Library/Velorin/chargingSequences/";

std::string pngBytes(Color color) {
    auto path = std::filesystem::temp_directory_path() / "velorin-test-package-frame.png";
    writePng(path, Picture::filled(6, 6, color));
    std::ifstream file(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::filesystem::remove(path);
    return bytes;
}

struct Writer {
    std::unique_ptr<archive, int (*)(archive*)> handle{archive_write_new(), archive_write_free};
    std::string bytes;
};

la_ssize_t appendTo(archive*, void* data, const void* buffer, std::size_t length) {
    static_cast<Writer*>(data)->bytes.append(static_cast<const char*>(buffer), length);
    return static_cast<la_ssize_t>(length);
}

void check(int status, archive* handle) {
    if (status != ARCHIVE_OK)
        throw std::runtime_error(archive_error_string(handle) ? archive_error_string(handle)
                                                              : "libarchive failed");
}

void add(Writer& writer, const PackageEntry& entry) {
    std::unique_ptr<archive_entry, void (*)(archive_entry*)> header(archive_entry_new(),
                                                                    archive_entry_free);
    archive_entry_set_pathname(header.get(), entry.path.c_str());
    archive_entry_set_perm(header.get(), 0644);
    archive_entry_set_size(header.get(), 0);
    switch (entry.kind) {
    case PackageEntry::Kind::File:
        archive_entry_set_filetype(header.get(), AE_IFREG);
        archive_entry_set_size(header.get(), static_cast<la_int64_t>(entry.contents.size()));
        break;
    case PackageEntry::Kind::Folder:
        archive_entry_set_filetype(header.get(), AE_IFDIR);
        archive_entry_set_perm(header.get(), 0755);
        break;
    case PackageEntry::Kind::SymbolicLink:
        archive_entry_set_filetype(header.get(), AE_IFLNK);
        archive_entry_set_symlink(header.get(), entry.contents.c_str());
        break;
    case PackageEntry::Kind::HardLink:
        archive_entry_set_filetype(header.get(), AE_IFREG);
        archive_entry_set_hardlink(header.get(), entry.contents.c_str());
        break;
    case PackageEntry::Kind::CharacterDevice:
        archive_entry_set_filetype(header.get(), AE_IFCHR);
        archive_entry_set_rdev(header.get(), makedev(1, 3));
        break;
    case PackageEntry::Kind::Pipe:
        archive_entry_set_filetype(header.get(), AE_IFIFO);
        break;
    }
    check(archive_write_header(writer.handle.get(), header.get()), writer.handle.get());
    if (entry.kind == PackageEntry::Kind::File && !entry.contents.empty())
        archive_write_data(writer.handle.get(), entry.contents.data(), entry.contents.size());
}

std::string gzippedTar(const std::vector<PackageEntry>& entries) {
    Writer writer;
    check(archive_write_set_format_gnutar(writer.handle.get()), writer.handle.get());
    check(archive_write_add_filter_gzip(writer.handle.get()), writer.handle.get());
    check(archive_write_open(writer.handle.get(), &writer, nullptr, appendTo, nullptr),
          writer.handle.get());
    for (const PackageEntry& entry : entries)
        add(writer, entry);
    check(archive_write_close(writer.handle.get()), writer.handle.get());
    return writer.bytes;
}

} // namespace

std::string sequencePath(const std::string& name, const std::string& file) {
    return sequencesPath + name + "/" + file;
}

std::vector<PackageEntry> sequenceEntries(const std::string& name) {
    std::vector<PackageEntry> entries;
    std::string path = "./";
    entries.push_back({path, PackageEntry::Kind::Folder, ""});
    for (const char* part : {"var/", "jb/", "vod/", "Library/", "Velorin/", "chargingSequences/"}) {
        path += part;
        entries.push_back({path, PackageEntry::Kind::Folder, ""});
    }
    entries.push_back({sequencePath(name), PackageEntry::Kind::Folder, ""});
    entries.push_back({sequencePath(name, "frame1.png"), PackageEntry::Kind::File,
                       pngBytes({255, 0, 0})});
    entries.push_back({sequencePath(name, "frame2.png"), PackageEntry::Kind::File,
                       pngBytes({0, 0, 255})});
    return entries;
}

void TestPackage::write(const std::filesystem::path& path) const {
    std::vector<PackageEntry> control{
        {"./", PackageEntry::Kind::Folder, ""},
        {"./control", PackageEntry::Kind::File,
         "Package: " + identifier +
             "\nVersion: 1.0\nArchitecture: all\nMaintainer: Test <test@example.com>\n"
             "Description: a test package\n"}};
    for (const auto& [name, text] : scripts)
        control.push_back({"./" + name, PackageEntry::Kind::File, text});
    Writer writer;
    check(archive_write_set_format_ar_svr4(writer.handle.get()), writer.handle.get());
    check(archive_write_set_bytes_in_last_block(writer.handle.get(), 1), writer.handle.get());
    check(archive_write_open(writer.handle.get(), &writer, nullptr, appendTo, nullptr),
          writer.handle.get());
    for (auto [name, bytes] : {std::pair{std::string("debian-binary"), std::string("2.0\n")},
                               std::pair{std::string("control.tar.gz"), gzippedTar(control)},
                               std::pair{std::string("data.tar.gz"), gzippedTar(data)}}) {
        std::unique_ptr<archive_entry, void (*)(archive_entry*)> header(archive_entry_new(),
                                                                        archive_entry_free);
        archive_entry_set_pathname(header.get(), name.c_str());
        archive_entry_set_filetype(header.get(), AE_IFREG);
        archive_entry_set_perm(header.get(), 0644);
        archive_entry_set_size(header.get(), static_cast<la_int64_t>(bytes.size()));
        check(archive_write_header(writer.handle.get(), header.get()), writer.handle.get());
        archive_write_data(writer.handle.get(), bytes.data(), bytes.size());
    }
    check(archive_write_close(writer.handle.get()), writer.handle.get());
    std::ofstream(path, std::ios::binary) << writer.bytes;
}

} // namespace velorin::testing
