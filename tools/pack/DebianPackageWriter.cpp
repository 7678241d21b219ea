#include "tools/pack/DebianPackageWriter.h"

#include "common/SystemCalls.h"
#include "common/TemporaryFolder.h"
#include "tools/package/PackageLayout.h"

#include <archive.h>
#include <archive_entry.h>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace velorin::tools {

namespace {

constexpr std::size_t copyChunkBytes = 1 << 20;

struct ArchiveRelease {
    void operator()(archive* writer) const { archive_write_free(writer); }
};
struct EntryRelease {
    void operator()(archive_entry* entry) const { archive_entry_free(entry); }
};
using ArchiveWriter = std::unique_ptr<archive, ArchiveRelease>;
using ArchiveEntry = std::unique_ptr<archive_entry, EntryRelease>;

common::Fault archiveFault(const std::string& shown, archive* writer) {
    const char* reason = archive_error_string(writer);
    return common::Fault{shown, std::string("cannot be written: ") +
                                    (reason ? reason : "libarchive gave no reason")};
}

// An entry owned by root, dated `modified`.
ArchiveEntry rootEntry(const std::string& path, mode_t type, mode_t permissions,
                       std::uint64_t size, std::time_t modified) {
    ArchiveEntry entry(archive_entry_new());
    archive_entry_set_pathname(entry.get(), path.c_str());
    archive_entry_set_filetype(entry.get(), type);
    archive_entry_set_perm(entry.get(), permissions);
    archive_entry_set_size(entry.get(), static_cast<la_int64_t>(size));
    archive_entry_set_uid(entry.get(), 0);
    archive_entry_set_gid(entry.get(), 0);
    archive_entry_set_uname(entry.get(), "root");
    archive_entry_set_gname(entry.get(), "root");
    archive_entry_set_mtime(entry.get(), modified, 0);
    return entry;
}

// A tar archive at `path` that begins with its root folder, "./", as dpkg-deb's do.
common::Result<ArchiveWriter> openTar(const std::string& path, const PackageWriting& writing) {
    ArchiveWriter writer(archive_write_new());
    if (!writer)
        return common::Fault{path, "cannot be written: libarchive is out of memory"};
    // GNU tar, as dpkg-deb writes it: dpkg reads its long names.
    int status = archive_write_set_format_gnutar(writer.get());
    if (status == ARCHIVE_OK)
        status = writing.compression == PackageCompression::Xz
                     ? archive_write_add_filter_xz(writer.get())
                     : archive_write_add_filter_gzip(writer.get());
    if (status == ARCHIVE_OK)
        status = archive_write_open_filename(writer.get(), path.c_str());
    auto root = rootEntry("./", AE_IFDIR, 0755, 0, writing.modified);
    if (status == ARCHIVE_OK)
        status = archive_write_header(writer.get(), root.get());
    if (status != ARCHIVE_OK)
        return archiveFault(path, writer.get());
    return writer;
}

// Writes a short text file of the package's own making.
common::Result<void> writeSmallFile(const std::string& path, std::string_view text) {
    auto file = TRY(common::openFile(path, O_WRONLY | O_CREAT | O_EXCL, 0644)
                        .withContext(path, "cannot be written"));
    return common::writeAll(
               file.get(),
               std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()))
        .withContext(path, "cannot be written");
}

// Writes the entry and then the bytes of the file at `hostPath` (none for a folder).
common::Result<void> writeEntry(archive* writer, const ArchiveEntry& entry,
                                const std::string& hostPath, std::uint64_t size,
                                const std::string& shown) {
    if (archive_write_header(writer, entry.get()) != ARCHIVE_OK)
        return archiveFault(shown, writer);
    if (hostPath.empty())
        return {};
    auto file = TRY(
        common::openFile(hostPath, O_RDONLY | O_NOFOLLOW).withContext(hostPath, "cannot be read"));
    std::vector<std::uint8_t> buffer(copyChunkBytes);
    std::uint64_t left = size;
    while (left > 0) {
        std::size_t count =
            TRY(common::readSome(file.get(), std::span(buffer).first(static_cast<std::size_t>(
                                                 std::min<std::uint64_t>(left, buffer.size()))))
                    .withContext(hostPath, "cannot be read"));
        if (count == 0)
            return common::Fault{hostPath, "became shorter while it was packed"};
        if (archive_write_data(writer, buffer.data(), count) != static_cast<la_ssize_t>(count))
            return archiveFault(shown, writer);
        left -= count;
    }
    return {};
}

common::Result<void> closeArchive(archive* writer, const std::string& shown) {
    if (archive_write_close(writer) != ARCHIVE_OK)
        return archiveFault(shown, writer);
    return {};
}

std::string fileSuffix(PackageCompression compression) {
    return compression == PackageCompression::Xz ? ".xz" : ".gz";
}

common::Result<void> writeControlTar(const std::string& path, const PackageWriting& writing,
                                     const std::string& folder) {
    std::string controlPath = folder + "/control";
    if (auto written = writeSmallFile(controlPath, writing.controlText); !written)
        return written;
    auto writer = TRY(openTar(path, writing));
    auto control = rootEntry("./control", AE_IFREG, 0644, writing.controlText.size(),
                             writing.modified);
    if (auto written =
            writeEntry(writer.get(), control, controlPath, writing.controlText.size(), path);
        !written)
        return written;
    return closeArchive(writer.get(), path);
}

common::Result<void> writeDataTar(const std::string& path, const PackageContents& contents,
                                  const PackageWriting& writing,
                                  const common::InterruptionCheck& interrupted) {
    auto writer = TRY(openTar(path, writing));
    for (const std::string& folder : contents.folders) {
        auto entry = rootEntry("./" + folder + "/", AE_IFDIR, 0755, 0, writing.modified);
        if (auto written = writeEntry(writer.get(), entry, "", 0, path); !written)
            return written;
    }
    for (const PackagedFile& file : contents.files) {
        TRY(common::stopIfInterrupted(interrupted));
        auto entry = rootEntry("./" + file.devicePath, AE_IFREG, 0644, file.size, writing.modified);
        if (auto written = writeEntry(writer.get(), entry, file.hostPath, file.size, path);
            !written)
            return written;
    }
    return closeArchive(writer.get(), path);
}

std::uint64_t sizeOf(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
}

} // namespace

std::uint64_t installedKibibytes(const PackageContents& contents) {
    std::uint64_t kibibytes = contents.folders.size();
    for (const PackagedFile& file : contents.files)
        kibibytes += (file.size + 1023) / 1024;
    return kibibytes;
}

common::Result<void> writeDebianPackage(const PackageContents& contents,
                                        const PackageWriting& writing, int output,
                                        const std::string& shownOutput,
                                        const common::InterruptionCheck& interrupted) {
    auto folder = TRY(common::TemporaryFolder::make("velorin-pack"));
    std::string suffix = fileSuffix(writing.compression);
    std::string controlName = "control.tar" + suffix;
    std::string dataName = "data.tar" + suffix;
    std::string controlPath = folder.path() + "/" + controlName;
    std::string dataPath = folder.path() + "/" + dataName;
    if (auto written = writeControlTar(controlPath, writing, folder.path()); !written)
        return written;
    if (auto written = writeDataTar(dataPath, contents, writing, interrupted); !written)
        return written;
    TRY(common::stopIfInterrupted(interrupted));

    ArchiveWriter writer(archive_write_new());
    if (!writer || archive_write_set_format_ar_svr4(writer.get()) != ARCHIVE_OK ||
        archive_write_add_filter_none(writer.get()) != ARCHIVE_OK ||
        // An ar archive ends with its last member: no padding to a block.
        archive_write_set_bytes_in_last_block(writer.get(), 1) != ARCHIVE_OK ||
        archive_write_open_fd(writer.get(), output) != ARCHIVE_OK)
        return archiveFault(shownOutput, writer.get());
    std::string versionPath = folder.path() + "/" + std::string(debianBinaryMember);
    if (auto written = writeSmallFile(versionPath, debianFormatVersion); !written)
        return written;
    for (auto [name, path] : {std::pair{std::string(debianBinaryMember), versionPath},
                              std::pair{controlName, controlPath}, std::pair{dataName, dataPath}}) {
        std::uint64_t size = sizeOf(path);
        auto entry = rootEntry(name, AE_IFREG, 0644, size, writing.modified);
        if (auto written = writeEntry(writer.get(), entry, path, size, shownOutput); !written)
            return written;
    }
    return closeArchive(writer.get(), shownOutput);
}

} // namespace velorin::tools
