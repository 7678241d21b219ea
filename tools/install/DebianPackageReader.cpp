#include "tools/install/DebianPackageReader.h"

#include "animation/FrameLoading.h"
#include "common/ByteCount.h"
#include "common/SystemCalls.h"
#include "sequences/FrameListing.h"
#include "sequences/SequenceDirectory.h"
#include "sequences/SequenceOptions.h"
#include "sim/PrivateCopy.h"
#include "tools/common/StagedSequence.h"
#include "tools/package/PackageLayout.h"

#include <algorithm>
#include <archive.h>
#include <archive_entry.h>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;

// The control file is a few lines; this is far more than any holds.
constexpr std::size_t mostControlBytes = 1024 * 1024;
constexpr std::size_t readChunkBytes = 1 << 16;

struct ReaderRelease {
    void operator()(archive* reader) const { archive_read_free(reader); }
};
using ArchiveReader = std::unique_ptr<archive, ReaderRelease>;

std::vector<std::string> pathParts(std::string_view path) {
    std::vector<std::string> parts;
    for (const auto& part : fs::path(path))
        parts.push_back(part.string());
    return parts;
}

const std::vector<std::string>& sequencesPathParts() {
    static const std::vector<std::string> parts = [] {
        std::vector<std::string> all;
        for (const auto& part : fs::path(sequenceRoot))
            if (!part.empty())
                all.push_back(part.string());
        return all;
    }();
    return parts;
}

bool isFrameName(std::string_view name) {
    auto period = name.rfind('.');
    return period != std::string_view::npos && name.substr(period + 1) == frameExtension;
}

// The state of one package being read.
class PackageReading {
public:
    PackageReading(std::string shown, std::string folder,
                   const common::InterruptionCheck& interrupted)
        : m_shown(std::move(shown)), m_folder(std::move(folder)), m_interrupted(interrupted),
          m_allowance(common::CopyAllowance::forFolder(m_folder)) {}

    common::Result<PackageDescription> read(archive* outer);

private:
    common::Fault refuse(const std::string& message) const {
        return common::Fault{m_shown, message};
    }
    common::Fault refuseEntry(const std::string& entry, const std::string& why) const {
        return refuse("is refused, and nothing of it installed: its entry \"" + entry + "\" " + why);
    }
    common::Result<ArchiveReader> openMember(void* source, const std::string& member);
    // Opens the member and hands each of its entries to `visit`, in order; a fault when the
    // member cannot be read to its end.
    common::Result<void>
    walkMember(archive* outer, const std::string& member,
               const std::function<common::Result<void>(archive*, archive_entry*)>& visit);
    common::Result<void> readControl(archive* outer, const std::string& member);
    common::Result<void> readControlEntry(archive* reader, archive_entry* entry);
    common::Result<void> readData(archive* outer, const std::string& member);
    common::Result<void> takeDataEntry(archive* data, archive_entry* entry);
    common::Result<void> unpack(archive* data, const std::string& entryName,
                                const std::string& name, const std::string& file,
                                std::uint64_t size);

    std::string m_shown;
    std::string m_folder;
    const common::InterruptionCheck& m_interrupted;
    common::CopyAllowance m_allowance;
    PackageDescription m_description;
    std::size_t m_entries{0};
    std::uint64_t m_declaredBytes{0};
};

struct MemberSource {
    archive* outer;
    std::vector<char> chunk = std::vector<char>(readChunkBytes);
};

la_ssize_t readFromMember(archive*, void* data, const void** buffer) {
    auto* source = static_cast<MemberSource*>(data);
    la_ssize_t count = archive_read_data(source->outer, source->chunk.data(), source->chunk.size());
    *buffer = source->chunk.data();
    return count;
}

// Whether a member's name is `stem` uncompressed or compressed as dpkg and install both read.
bool takesMemberName(const std::string& member, std::string_view stem) {
    for (std::string_view suffix : {"", ".gz", ".xz"}) {
        if (member == std::string(stem) + std::string(suffix))
            return true;
    }
    return false;
}

std::string readerReason(archive* reader) {
    const char* reason = archive_error_string(reader);
    return reason ? reason : "libarchive gave no reason";
}

common::Result<ArchiveReader> PackageReading::openMember(void* source, const std::string& member) {
    ArchiveReader reader(archive_read_new());
    // Only the formats and filters a package is made of, all read by libarchive itself: no
    // filter that would start an external program.
    if (!reader || archive_read_support_format_tar(reader.get()) != ARCHIVE_OK ||
        archive_read_support_filter_gzip(reader.get()) != ARCHIVE_OK ||
        archive_read_support_filter_xz(reader.get()) != ARCHIVE_OK)
        return refuse("cannot be read: libarchive here cannot read tar, gzip and xz");
    if (archive_read_open(reader.get(), source, nullptr, readFromMember, nullptr) != ARCHIVE_OK)
        return refuse("is no package install reads: its member " + member +
                      " cannot be read (" + readerReason(reader.get()) + ")");
    return reader;
}

common::Result<void> PackageReading::walkMember(
    archive* outer, const std::string& member,
    const std::function<common::Result<void>(archive*, archive_entry*)>& visit) {
    MemberSource source{outer};
    auto reader = TRY(openMember(&source, member));
    archive_entry* entry = nullptr;
    int status = ARCHIVE_OK;
    while ((status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK) {
        if (auto visited = visit(reader.get(), entry); !visited)
            return visited;
    }
    if (status != ARCHIVE_EOF)
        return refuse("is damaged: its member " + member + " cannot be read (" +
                      readerReason(reader.get()) + ")");
    return {};
}

// Reads the control file's fields and notes the maintainer scripts.
common::Result<void> PackageReading::readControl(archive* outer, const std::string& member) {
    auto read = walkMember(outer, member, [this](archive* reader, archive_entry* entry) {
        return readControlEntry(reader, entry);
    });
    if (!read)
        return read;
    if (m_description.identifier.empty())
        return refuse("is no package install reads: it has no control file naming its Package");
    return {};
}

common::Result<void> PackageReading::readControlEntry(archive* reader, archive_entry* entry) {
    const char* path = archive_entry_pathname(entry);
    std::string name = path ? fs::path(path).lexically_normal().filename().string() : "";
    if (std::find(maintainerScriptNames.begin(), maintainerScriptNames.end(), name) !=
        maintainerScriptNames.end())
        m_description.maintainerScripts.push_back(name);
    if (name != "control" || archive_entry_filetype(entry) != AE_IFREG)
        return {};
    if (archive_entry_size(entry) > static_cast<la_int64_t>(mostControlBytes))
        return refuse("is no package install reads: its control file is larger than " +
                      common::describeByteCount(mostControlBytes));
    std::string text(static_cast<std::size_t>(archive_entry_size(entry)), '\0');
    la_ssize_t count = archive_read_data(reader, text.data(), text.size());
    if (count < 0)
        return refuse("is no package install reads: its control file cannot be read (" +
                      readerReason(reader) + ")");
    text.resize(static_cast<std::size_t>(count));
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        auto colon = line.find(':');
        if (line.empty() || line.front() == ' ' || line.front() == '\t' ||
            colon == std::string::npos)
            continue;
        std::string field = line.substr(0, colon);
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(" \t"));
        while (!value.empty() && (value.back() == ' ' || value.back() == '\r'))
            value.pop_back();
        if (field == "Package")
            m_description.identifier = value;
        else if (field == "Version")
            m_description.version = value;
        else if (field == "Name")
            m_description.name = value;
    }
    return {};
}

common::Result<void> PackageReading::unpack(archive* data, const std::string& entryName,
                                            const std::string& name, const std::string& file,
                                            std::uint64_t size) {
    bool frame = isFrameName(file);
    std::uint64_t limit = frame ? frameFileByteLimit : optionsFileByteLimit;
    // As the copy rule keeps them: a frame past its limit as an empty file that cannot be
    // decoded, an options file past its limit not at all.
    if (!frame && size > limit)
        return {};
    bool withBytes = size <= limit;
    std::string shown = m_shown + ": " + entryName;
    if (withBytes) {
        TRY(m_allowance.take(size, shown));
    }
    std::string folder = m_folder + "/" + name;
    if (auto made = common::makeFolderAt(AT_FDCWD, folder, 0755);
        !made && made.fault().systemError != EEXIST)
        return std::move(made).withContext(folder, "cannot be made");
    if (std::find(m_description.sequenceNames.begin(), m_description.sequenceNames.end(), name) ==
        m_description.sequenceNames.end())
        m_description.sequenceNames.push_back(name);
    std::string target = folder + "/" + file;
    auto output = TRY(common::openFile(target, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0644)
                          .withContext(target, "cannot be written"));
    if (!withBytes)
        return {};
    std::vector<char> buffer(readChunkBytes);
    for (;;) {
        la_ssize_t count = archive_read_data(data, buffer.data(), buffer.size());
        if (count == 0)
            return {};
        if (count < 0)
            return refuse("is damaged: its entry \"" + entryName + "\" cannot be read (" +
                          readerReason(data) + ")");
        TRY(common::writeAll(output.get(),
                             std::span(reinterpret_cast<const std::uint8_t*>(buffer.data()),
                                       static_cast<std::size_t>(count)))
                .withContext(target, "cannot be written"));
    }
}

common::Result<void> PackageReading::takeDataEntry(archive* data, archive_entry* entry) {
    const char* path = archive_entry_pathname(entry);
    std::string entryName = path ? path : "";
    if (entryName.empty())
        return refuseEntry(entryName, "has no name");
    if (entryName.front() == '/')
        return refuseEntry(entryName, "is an absolute path");
    std::vector<std::string> parts;
    for (const std::string& part : pathParts(entryName)) {
        if (part == "..")
            return refuseEntry(entryName, "climbs out of its folder with \"..\"");
        if (!part.empty() && part != ".")
            parts.push_back(part);
    }
    if (archive_entry_hardlink(entry))
        return refuseEntry(entryName, "is a hard link");
    mode_t type = archive_entry_filetype(entry);
    if (type == AE_IFLNK)
        return refuseEntry(entryName, "is a symbolic link");
    if (type == AE_IFCHR || type == AE_IFBLK)
        return refuseEntry(entryName, "is a device file");
    if (type != AE_IFDIR && type != AE_IFREG)
        return refuseEntry(entryName, "is a pipe or a socket, not a file");
    const std::vector<std::string>& sequences = sequencesPathParts();
    std::size_t common = static_cast<std::size_t>(
        std::mismatch(parts.begin(), parts.end(), sequences.begin(), sequences.end()).first -
        parts.begin());
    std::string outside = "lies outside the sequences path /" + std::string(sequenceRoot) +
                          ", where a theme package for Velorin puts everything";
    if (type == AE_IFDIR)
        return common == parts.size() || common == sequences.size()
                   ? common::Result<void>()
                   : refuseEntry(entryName, outside);
    if (common < sequences.size())
        return refuseEntry(entryName, outside);
    if (parts.size() == sequences.size() + 1)
        return refuseEntry(entryName, "lies directly in the sequences folder, in no sequence");
    const std::string& name = parts[sequences.size()];
    if (auto named = checkSequenceName(name); !named)
        return refuseEntry(entryName, "is in a sequence folder whose name install refuses: " +
                                          name + " " + named.fault().message);
    const std::string& file = parts[sequences.size() + 1];
    bool taken = parts.size() == sequences.size() + 2 &&
                 (isFrameName(file) || file == optionsFileName) && !sim::isResourceForkName(file);
    if (!taken) {
        ++m_description.filesLeftOut;
        return {};
    }
    std::uint64_t size = static_cast<std::uint64_t>(std::max<la_int64_t>(archive_entry_size(entry), 0));
    return unpack(data, entryName, name, file, size);
}

common::Result<void> PackageReading::readData(archive* outer, const std::string& member) {
    return walkMember(outer, member, [this](archive* reader, archive_entry* entry) {
        if (common::isInterrupted(m_interrupted))
            return common::Result<void>(common::interruptionFault());
        if (++m_entries > mostPackageEntries)
            return common::Result<void>(refuse("is refused: it holds more than " +
                                               std::to_string(mostPackageEntries) + " entries"));
        m_declaredBytes +=
            static_cast<std::uint64_t>(std::max<la_int64_t>(archive_entry_size(entry), 0));
        if (m_declaredBytes > mostUnpackedBytes)
            return common::Result<void>(refuse("is refused: it unpacks to more than " +
                                               common::describeByteCount(mostUnpackedBytes)));
        return takeDataEntry(reader, entry);
    });
}

common::Result<PackageDescription> PackageReading::read(archive* outer) {
    archive_entry* entry = nullptr;
    int status = ARCHIVE_OK;
    bool version = false;
    bool control = false;
    bool data = false;
    while ((status = archive_read_next_header(outer, &entry)) == ARCHIVE_OK) {
        const char* path = archive_entry_pathname(entry);
        std::string member = path ? path : "";
        if (!version) {
            char text[16] = {};
            la_ssize_t count = member == debianBinaryMember
                                   ? archive_read_data(outer, text, sizeof text - 1)
                                   : -1;
            if (count < 2 || text[0] != '2' || text[1] != '.')
                return refuse("is no Debian package: it does not begin with a debian-binary "
                              "member of format 2");
            version = true;
        } else if (takesMemberName(member, "control.tar")) {
            TRY(readControl(outer, member));
            control = true;
        } else if (takesMemberName(member, "data.tar")) {
            if (!control)
                return refuse("is no package install reads: its data comes before its control "
                              "member");
            TRY(readData(outer, member));
            data = true;
        } else if (member.starts_with("control.tar") || member.starts_with("data.tar")) {
            return refuse("is compressed in a way install does not read (" + member +
                          "); install reads xz and gzip, as pack writes them");
        }
        // Members whose names begin with "_" carry a builder's own data, which dpkg skips too.
    }
    if (status != ARCHIVE_EOF || !version)
        return refuse("is no Debian package install reads (" + readerReason(outer) + ")");
    if (!control || !data)
        return refuse("is no Debian package: it lacks its control or its data member");
    if (m_description.sequenceNames.empty())
        return refuse("holds no sequence: nothing lies in /" + std::string(sequenceRoot) +
                      "NAME/ that the device plays");
    return m_description;
}

ArchiveReader openOuter() {
    ArchiveReader reader(archive_read_new());
    if (reader) {
        archive_read_support_format_ar(reader.get());
        archive_read_support_filter_none(reader.get());
    }
    return reader;
}

} // namespace

common::Result<PackageDescription> readDebianPackage(const std::string& path,
                                                     const std::string& folder,
                                                     const common::InterruptionCheck& interrupted) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return common::contextualFault(common::systemFault(errno), path, "cannot be read");
    if (!S_ISREG(status.st_mode))
        return common::Fault{path, "is no regular file"};
    ArchiveReader outer = openOuter();
    if (!outer || archive_read_open_filename(outer.get(), path.c_str(), readChunkBytes) != ARCHIVE_OK)
        return common::Fault{
            path, "is no Debian package install reads (" +
                      (outer ? readerReason(outer.get()) : std::string("no memory")) + ")"};
    PackageReading reading(path, folder, interrupted);
    return reading.read(outer.get());
}

common::Result<PackageDescription> readDebianPackageBytes(std::span<const std::uint8_t> bytes,
                                                          const std::string& shownPath,
                                                          const std::string& folder) {
    ArchiveReader outer = openOuter();
    if (!outer || archive_read_open_memory(outer.get(), bytes.data(), bytes.size()) != ARCHIVE_OK)
        return common::Fault{shownPath, "is no Debian package install reads"};
    common::InterruptionCheck never;
    PackageReading reading(shownPath, folder, never);
    return reading.read(outer.get());
}

} // namespace velorin::tools
