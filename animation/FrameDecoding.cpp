#include "animation/FrameDecoding.h"

#include "animation/FrameLoading.h"
#include "animation/ParallelWork.h"
#include "platform/DeviceFileSystem.h"

#include <algorithm>
#include <optional>
#include <system_error>

namespace velorin {

namespace {

// The signature and the header chunk as far as the height.
constexpr std::size_t headerBytes = 24;

struct FrameJob {
    std::string location;
    // From the file's header; none when the frame cannot be decoded whatever the budget.
    std::optional<platform::PngSize> size;
    bool attempted{false};
    std::optional<platform::PixelBytes> pixels;
};

// The header's size when the decoder could take it; a side of zero or past the decoder's limit
// makes a frame that fails, not one that does not fit.
std::optional<platform::PngSize> readHeaderSize(const std::string& location) {
    auto head = platform::leadingBytesOfURL(location, headerBytes, frameFileByteLimit);
    if (!head)
        return std::nullopt;
    auto size = platform::readPngSize(*head);
    if (!size || size->width == 0 || size->height == 0 ||
        size->width > platform::maximumImageSide || size->height > platform::maximumImageSide)
        return std::nullopt;
    return size;
}

// Runs on any thread: reads the file and decodes it, if it still has the header's size.
void decodeJob(FrameJob& job) noexcept {
    try {
        auto bytes = readFrameFile(job.location);
        if (bytes)
            job.pixels = platform::decodePngPixels(*bytes, *job.size);
    } catch (...) {
        job.pixels.reset();
    }
}

// Decodes the jobs at `indices`, spread over `threadCount` threads, the calling one included.
void decodeInParallel(std::vector<FrameJob>& jobs, const std::vector<std::size_t>& indices,
                      std::size_t threadCount) {
    runInParallel(indices.size(), threadCount,
                  [&jobs, &indices](std::size_t taken) { decodeJob(jobs[indices[taken]]); });
    for (std::size_t index : indices)
        jobs[index].attempted = true;
}

} // namespace

std::vector<platform::Ref<platform::CGImage>>
decodeFramesWithinBudget(const std::vector<std::string>& locations, std::size_t budgetBytes,
                         std::size_t threadCount) {
    std::vector<FrameJob> jobs(locations.size());
    for (std::size_t index = 0; index < locations.size(); ++index) {
        jobs[index].location = locations[index];
        jobs[index].size = readHeaderSize(locations[index]);
    }

    std::vector<platform::Ref<platform::CGImage>> frames;
    frames.reserve(jobs.size());
    std::size_t remaining = budgetBytes;
    std::size_t start = 0;
    while (start < jobs.size()) {
        // Admit from `start` on as though every frame will decode.
        std::vector<std::size_t> admitted;
        std::size_t assumedRemaining = remaining;
        for (std::size_t index = start; index < jobs.size(); ++index) {
            if (!jobs[index].size)
                continue;
            std::size_t needed = jobs[index].size->decodedBytes();
            if (needed > assumedRemaining)
                break;
            assumedRemaining -= needed;
            admitted.push_back(index);
        }
        decodeInParallel(jobs, admitted, threadCount);

        // Take the frames as the one-by-one reading would.
        std::size_t index = start;
        for (; index < jobs.size(); ++index) {
            FrameJob& job = jobs[index];
            if (!job.size)
                continue;
            std::size_t needed = job.size->decodedBytes();
            if (needed > remaining)
                return frames;
            // An earlier frame failed and left room: decode on from here in another round.
            if (!job.attempted)
                break;
            if (!job.pixels)
                continue;
            if (auto image = platform::CGImage::create(job.size->width, job.size->height,
                                                       std::move(*job.pixels))) {
                remaining -= needed;
                frames.push_back(std::move(image));
            }
            job.pixels.reset();
        }
        start = index;
    }
    return frames;
}

} // namespace velorin
