#include "tools/check/ReadLimitsCheck.h"

#include "animation/DecodingBudget.h"
#include "animation/FrameLoading.h"
#include "animation/ParallelWork.h"
#include "common/ByteCount.h"
#include "platform/DeviceFileSystem.h"
#include "platform/RootedPath.h"
#include "platform/display/Image.h"
#include "sequences/FrameListing.h"
#include "sequences/SequenceOptions.h"
#include "tools/check/PngFileKind.h"

#include <array>
#include <fcntl.h>
#include <span>
#include <sys/stat.h>
#include <unistd.h>

namespace velorin::tools {

namespace {

// The size of the regular file at `devicePath` inside `root`, or none when it is no regular
// file that can be opened.
std::optional<std::uint64_t> regularFileSize(int root, const std::string& devicePath) {
    platform::FileDescriptor file = platform::openInRoot(root, devicePath, O_RDONLY | O_NONBLOCK);
    struct stat status {};
    if (!file || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return static_cast<std::uint64_t>(status.st_size);
}

// What a header read takes of a frame: the signature and the chunks before the image data,
// where an animation control chunk would be, in one read.
constexpr std::size_t headerBytesRead = 4096;

// The header's size when the extension would take it; as FrameDecoding reads it.
std::optional<platform::PngSize> headerSize(std::span<const std::uint8_t> bytes) {
    auto size = platform::readPngSize(bytes);
    if (!size || size->width == 0 || size->height == 0 ||
        size->width > platform::maximumImageSide || size->height > platform::maximumImageSide)
        return std::nullopt;
    return size;
}

} // namespace

OptionsLimits checkOptionsLimits(int root, const std::string& devicePath, CheckReport& report) {
    const std::string name(optionsFileName);
    auto size = regularFileSize(root, devicePath + name);
    if (!size)
        return OptionsLimits::Within;
    if (*size > optionsFileByteLimit) {
        report.addProblem(name, ProblemKind::OptionsTooLarge,
                          "is " + common::describeByteCountOver(*size, optionsFileByteLimit) +
                              ", larger than the " +
                              common::describeByteCount(optionsFileByteLimit) +
                              " the extension reads; it is refused whole and every option has "
                              "its default");
        return OptionsLimits::Past;
    }
    auto bytes = readSequenceOptions(root, devicePath);
    if (bytes && optionsNestPastLimit(*bytes)) {
        report.addProblem(name, ProblemKind::OptionsTooDeep,
                          "nests arrays and objects deeper than " +
                              std::to_string(optionsNestingLimit) +
                              " levels, the most the extension reads; it is refused whole and "
                              "every option has its default");
        return OptionsLimits::Past;
    }
    return OptionsLimits::Within;
}

void checkListingLimit(int root, const std::string& devicePath, CheckReport& report) {
    auto listing = platform::contentsOfDirectoryAtPath(root, devicePath, folderListingLimit + 1);
    if (!listing || listing->size() <= folderListingLimit)
        return;
    report.addProblem(report.folder, ProblemKind::ListingCut,
                      "holds more than " + std::to_string(folderListingLimit) +
                          " entries, the most the extension lists; those past them, in the "
                          "order the file system gives them, are left out as unreadable "
                          "frames are, so the frames checked here are those the extension "
                          "lists");
}

namespace {

// What reading one frame found, gathered side by side for every frame before any of it is
// reported, in order.
struct FrameInspection {
    bool readable{false};
    // The file's size, when it could not be read.
    std::optional<std::uint64_t> unreadSize;
    std::optional<platform::PngSize> claimed;
    PngFileKind kind{PngFileKind::NotPng};
    bool decoded{false};
};

FrameInspection inspectFrame(int root, const std::string& devicePath,
                             const std::string& name) noexcept {
    FrameInspection inspection;
    try {
        auto bytes = readFrameFile(root, frameLocation(devicePath, name));
        if (!bytes) {
            inspection.unreadSize = regularFileSize(root, devicePath + name);
            return inspection;
        }
        inspection.readable = true;
        inspection.claimed = headerSize(*bytes);
        inspection.kind = pngFileKind(*bytes);
        // Decoded as a showing decodes it: to the size its header gives, or not at all.
        inspection.decoded = inspection.kind != PngFileKind::NotPng && inspection.claimed &&
                             platform::decodePngPixels(*bytes, *inspection.claimed).has_value();
    } catch (...) {
        inspection.decoded = false;
    }
    return inspection;
}

// The same from the file's first bytes alone: what the header says stands for the decode,
// which is left to `check`.
// `folder` is the sequence folder, opened once inside the root: a frame that is a plain file
// is opened from it by its name alone, and only a link is resolved from the root again, as the
// device resolves it, so that the cost is one short open a frame.
FrameInspection inspectFrameHeader(int root, int folder, const std::string& devicePath,
                                   const std::string& name) noexcept {
    FrameInspection inspection;
    platform::FileDescriptor file(
        folder >= 0 ? ::openat(folder, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC)
                    : -1);
    if (!file)
        file = platform::openInRoot(root, devicePath + name, O_RDONLY | O_NONBLOCK);
    struct stat status {};
    if (!file || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return inspection;
    if (static_cast<std::uint64_t>(status.st_size) > frameFileByteLimit) {
        inspection.unreadSize = static_cast<std::uint64_t>(status.st_size);
        return inspection;
    }
    std::array<std::uint8_t, headerBytesRead> leading{};
    ssize_t count = ::pread(file.get(), leading.data(), leading.size(), 0);
    if (count < 0)
        return inspection;
    std::span<const std::uint8_t> bytes(leading.data(), static_cast<std::size_t>(count));
    inspection.readable = true;
    inspection.claimed = headerSize(bytes);
    inspection.kind = pngFileKind(bytes);
    inspection.decoded = inspection.kind != PngFileKind::NotPng && inspection.claimed;
    return inspection;
}

} // namespace

std::vector<std::string> checkFrameFiles(int root, const std::string& devicePath,
                                         FrameReading reading, CheckReport& report) {
    report.frameReading = reading;
    std::vector<FrameInspection> inspections(report.frames.size());
    platform::FileDescriptor folder;
    if (reading == FrameReading::HeadersOnly)
        folder = platform::openInRoot(root, devicePath, O_PATH | O_DIRECTORY);
    runInParallel(inspections.size(), processorCount(), [&](std::size_t index) {
        const std::string& name = report.frames[index].name;
        inspections[index] = reading == FrameReading::Decoded
                                 ? inspectFrame(root, devicePath, name)
                                 : inspectFrameHeader(root, folder.get(), devicePath, name);
    });

    std::vector<std::string> notPng;
    std::size_t remaining = showingMemoryBudgetBytes;
    bool budgetEnded = false;
    std::string firstLeftOut;
    for (std::size_t index = 0; index < report.frames.size(); ++index) {
        auto& frame = report.frames[index];
        const FrameInspection& inspection = inspections[index];
        if (!inspection.readable) {
            const auto& size = inspection.unreadSize;
            if (size && *size > frameFileByteLimit)
                report.addProblem(frame.name, ProblemKind::FrameTooLarge,
                                  "is " + common::describeByteCountOver(*size, frameFileByteLimit) +
                                      ", larger than the " +
                                      common::describeByteCount(frameFileByteLimit) +
                                      " the extension reads for a frame; it is left out");
            else
                report.addProblem(frame.name, ProblemKind::Undecodable,
                                  "cannot be read (a folder, or not readable); it is left out");
            continue;
        }
        // The showing admits frames in playing order by their headers' sizes: the first whose
        // size does not fit in what is left ends the list, even should it fail to decode.
        const auto& claimed = inspection.claimed;
        if (claimed && !budgetEnded && claimed->decodedBytes() > remaining) {
            budgetEnded = true;
            firstLeftOut = frame.name;
        }
        if (inspection.kind == PngFileKind::NotPng) {
            notPng.push_back(frame.name);
            continue;
        }
        if (inspection.kind == PngFileKind::Animated)
            report.addProblem(frame.name, ProblemKind::AnimatedPng,
                              "is an animated PNG: only its still image will show; `velorin-sim "
                              "import` turns it into a sequence");
        if (!inspection.decoded) {
            report.addProblem(frame.name, ProblemKind::Undecodable,
                              "is not a PNG image the toolkit decodes; it is left out");
            continue;
        }
        frame.size = PixelSize{claimed->width, claimed->height};
        report.decodedBytes += claimed->decodedBytes();
        if (!budgetEnded) {
            remaining -= claimed->decodedBytes();
            ++report.framesWithinBudget;
        }
    }
    if (!budgetEnded)
        return notPng;
    report.addProblem(report.folder, ProblemKind::OverBudget,
                      "its frames decode to " +
                          common::describeByteCountOver(report.decodedBytes,
                                                        showingMemoryBudgetBytes) +
                          ", more than the " + common::describeByteCount(showingMemoryBudgetBytes) +
                          " a showing may hold: only the first " +
                          std::to_string(report.framesWithinBudget) + " of the " +
                          std::to_string(report.frames.size()) + " frames play, and " +
                          firstLeftOut + " and every frame after it are left out");
    return notPng;
}

} // namespace velorin::tools
