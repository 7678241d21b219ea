#include "soak/SoakDeviceRoot.h"

#include "common/SystemCalls.h"
#include "common/TemporaryFolder.h"
#include "platform/PreferenceStore.h"
#include "platform/display/Image.h"
#include "sequences/SequenceDirectory.h"
#include "settings/Settings.h"
#include "sim/PrivateCopy.h"
#include "sim/PrivatePreferenceDomain.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace velorin::soak {

namespace {

namespace fs = std::filesystem;
using platform::FileDescriptor;

bool isPng(const std::string& name) {
    std::string extension = fs::path(name).extension().string();
    std::transform(
        extension.begin(), extension.end(), extension.begin(),
        [](unsigned char character) { return static_cast<char>(std::tolower(character)); });
    return extension == ".png";
}

// The letters before the number in a frame's name: "charge" for "charge07.png".
std::string namePrefix(const std::string& frameName) {
    std::size_t end = 0;
    while (end < frameName.size() && !std::isdigit(static_cast<unsigned char>(frameName[end])) &&
           frameName[end] != '.')
        ++end;
    return frameName.substr(0, end);
}

// Each entry of a folder with its type, as fstatat sees it without following links.
template <typename Visit>
void forEachEntry(int folder, Visit visit) {
    FileDescriptor listing(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!listing)
        return;
    DIR* stream = ::fdopendir(listing.get());
    if (!stream)
        return;
    listing.release();
    while (const dirent* entry = ::readdir(stream)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat status {};
        if (::fstatat(::dirfd(stream), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0)
            visit(name, status);
    }
    ::closedir(stream);
}

// Copies the sequence folders under the source root's sequence folder that lie inside the
// root, each by the copy rule.
common::Result<void> copySequences(int sourceRoot, const std::string& shownRoot, int sequences,
                                   common::CopyAllowance& allowance,
                                   const common::InterruptionCheck& interrupted) {
    FileDescriptor source = platform::openInRoot(sourceRoot, sequenceRoot, O_RDONLY | O_DIRECTORY);
    if (!source)
        return {};
    std::vector<std::string> names;
    forEachEntry(source.get(),
                 [&names](const std::string& name, const struct stat&) { names.push_back(name); });
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::string folder = std::string(sequenceRoot) + name;
        // A sequence folder may be a link, followed inside the root as the device follows it;
        // anything that is no folder there is left out, as the extension finds no frames in it.
        if (!platform::openInRoot(sourceRoot, folder, O_PATH | O_DIRECTORY))
            continue;
        std::string shown = shownRoot + "/" + folder;
        TRY(common::makeFolderAt(sequences, name, 0755).withContext(shown, "cannot be copied"));
        auto copy = TRY(common::openAt(sequences, name, O_PATH | O_DIRECTORY | O_NOFOLLOW)
                            .withContext(shown, "cannot be copied"));
        TRY(sim::copySequenceFolder(sourceRoot, folder, shown, copy.get(), allowance, interrupted));
    }
    return {};
}

} // namespace

common::Result<std::unique_ptr<SoakDeviceRoot>>
SoakDeviceRoot::copy(const std::string& sourceRoot, const common::InterruptionCheck& interrupted) {
    auto source =
        TRY(common::openRoot(sourceRoot).withContext(sourceRoot, "cannot open the device root"));
    // Owned from here, so that a failed or interrupted copy leaves nothing behind.
    std::unique_ptr<SoakDeviceRoot> root(
        new SoakDeviceRoot(TRY(common::TemporaryFolder::make("velorin-soak"))));
    auto copyRoot =
        TRY(common::openRoot(root->path()).withContext(root->path(), "cannot be opened"));
    common::CopyAllowance allowance = common::CopyAllowance::forFolder(root->path());
    std::string preferences = sim::rootPreferenceFilePath(root->path(), preferenceDomain);
    TRY(common::makeFolders(copyRoot.get(), platform::preferencesFolder,
                            fs::path(preferences).parent_path().string()));
    TRY(sim::copyPreferenceList(source.get(), preferenceDomain, sourceRoot, preferences,
                                allowance));
    // The folder that holds the sequences is made even if the root has none, so that the soak
    // can add frames to a root that starts empty.
    root->m_sequences =
        TRY(common::makeFolders(copyRoot.get(), sequenceRoot, root->path() + "/" + sequenceRoot));
    TRY(copySequences(source.get(), sourceRoot, root->m_sequences.get(), allowance, interrupted));
    return root;
}

SoakDeviceRoot::SoakDeviceRoot(common::TemporaryFolder folder) : m_folder(std::move(folder)) {
}

SoakDeviceRoot::~SoakDeviceRoot() = default;

template <typename Keep>
std::vector<std::string> SoakDeviceRoot::namesIn(int folder, Keep keep) const {
    std::vector<std::string> names;
    forEachEntry(folder, [&](const std::string& name, const struct stat& status) {
        if (keep(name, status))
            names.push_back(name);
    });
    std::sort(names.begin(), names.end());
    return names;
}

bool SoakDeviceRoot::isSequenceFolder(const std::string& sequence) const {
    struct stat status {};
    return sequence.find('/') == std::string::npos && sequence != "." && sequence != ".." &&
           ::fstatat(m_sequences.get(), sequence.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISDIR(status.st_mode);
}

std::vector<std::string> SoakDeviceRoot::sequenceNames() const {
    return namesIn(m_sequences.get(), [](const std::string&, const struct stat& status) {
        return S_ISDIR(status.st_mode);
    });
}

std::vector<std::string> SoakDeviceRoot::framesIn(const std::string& sequence) const {
    if (!isSequenceFolder(sequence))
        return {};
    FileDescriptor folder(::openat(m_sequences.get(), sequence.c_str(),
                                   O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder)
        return {};
    return namesIn(folder.get(), [](const std::string& name, const struct stat& status) {
        return S_ISREG(status.st_mode) && isPng(name);
    });
}

bool SoakDeviceRoot::addFrame(const std::string& sequence, std::uint32_t number,
                              std::uint32_t width, std::uint32_t height, std::uint32_t colour) {
    if (!isSequenceFolder(sequence))
        return false;
    std::vector<std::string> frames = framesIn(sequence);
    if (frames.size() >= maximumFrames)
        return false;
    std::string prefix = frames.empty() ? "frame" : namePrefix(frames.front());
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02u", static_cast<unsigned>(number));
    std::string name = prefix + digits + ".png";
    std::vector<std::uint8_t> pixels(std::size_t{width} * height * 4);
    for (std::size_t offset = 0; offset < pixels.size(); offset += 4) {
        pixels[offset] = static_cast<std::uint8_t>(colour);
        pixels[offset + 1] = static_cast<std::uint8_t>(colour >> 8);
        pixels[offset + 2] = static_cast<std::uint8_t>(colour >> 16);
        pixels[offset + 3] = 255;
    }
    platform::Ref<platform::CGImage> image =
        platform::CGImage::create(width, height, std::move(pixels));
    if (!image)
        return false;
    std::vector<std::uint8_t> bytes = platform::encodePng(*image);
    FileDescriptor folder(::openat(m_sequences.get(), sequence.c_str(),
                                   O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    // A number already taken replaces that frame, as copying a file over another does.
    FileDescriptor file(folder
                            ? ::openat(folder.get(), name.c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644)
                            : -1);
    if (bytes.empty() || !file)
        return false;
    return ::write(file.get(), bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

bool SoakDeviceRoot::removeFrame(const std::string& sequence, std::uint32_t pick) {
    std::vector<std::string> frames = framesIn(sequence);
    if (frames.empty())
        return false;
    FileDescriptor folder(::openat(m_sequences.get(), sequence.c_str(),
                                   O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    return folder && ::unlinkat(folder.get(), frames[pick % frames.size()].c_str(), 0) == 0;
}

bool SoakDeviceRoot::swapFolders(const std::string& first, const std::string& second) {
    if (first == second || !isSequenceFolder(first) || !isSequenceFolder(second))
        return false;
    // One exchange swaps the two folders, so that no reader sees either name missing.
    std::string sequences = (fs::path(path()) / sequenceRoot).string();
    return common::exchangeFolders((fs::path(sequences) / first).string(),
                                   (fs::path(sequences) / second).string())
        .ok();
}

} // namespace velorin::soak
