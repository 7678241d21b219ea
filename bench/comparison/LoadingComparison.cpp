#include "bench/comparison/LoadingComparison.h"

#include "animation/AnimatedImageView.h"
#include "animation/FrameDecoding.h"
#include "bench/comparison/Measurement.h"
#include "platform/DeviceFileSystem.h"
#include "platform/display/Image.h"
#include "platform/display/Layer.h"
#include "platform/display/PngDecoding.h"

#include <atomic>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <png.h>
#include <sched.h>
#include <stdexcept>
#include <thread>
#include <zlib.h>

namespace velorin::bench {

namespace {

namespace fs = std::filesystem;

using Buffer = std::unique_ptr<std::uint8_t[]>;

// Runs `work(index)` for every index below `count` on `threads` threads, the calling one
// included.
template <typename Work>
void spread(std::size_t count, std::size_t threads, Work work) {
    std::atomic<std::size_t> next{0};
    auto worker = [&] {
        for (std::size_t index = next++; index < count; index = next++)
            work(index);
    };
    std::vector<std::thread> helpers;
    for (std::size_t helper = 1; helper < std::min(threads, count); ++helper)
        helpers.emplace_back(worker);
    worker();
    for (auto& helper : helpers)
        helper.join();
}

Timing timeProject(const SequenceShape& shape, LoadingFigures& figures) {
    auto view = AnimatedImageView::initWithFrame(platform::CGRectMake(0, 0, 150, 150));
    view->setAnimationDuration(2);
    view->setImagesPath(sequenceDevicePath(shape));
    std::size_t liveBefore = platform::imageStatistics().liveBytes;
    platform::resetPeakImageBytes();
    Stopwatch stopwatch;
    view->startAnimating();
    Timing timing = stopwatch.elapsed();
    figures.peakDecodedBytes = platform::imageStatistics().peakBytes - liveBefore;
    auto* child = view->subviews().empty() ? nullptr : view->subviews().front().get();
    auto* animation = child ? child->layer()->animationForKey("animation") : nullptr;
    figures.framesKept = animation ? animation->values().size() : 0;
    return timing;
}

// The project with the PNG decoder's fast path turned off for the one showing.
Timing timeProjectThroughLibpng(const SequenceShape& shape, LoadingFigures& figures) {
    platform::setPngDecoderRoute(platform::PngDecoderRoute::LibpngOnly);
    Timing timing = timeProject(shape, figures);
    platform::setPngDecoderRoute(platform::PngDecoderRoute::FastPathFirst);
    return timing;
}

bool decodeWithLibpng(const fs::path& path, Buffer& pixels) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGBA;
    // Left unwritten until libpng writes it, as the project leaves its buffers.
    pixels.reset(new std::uint8_t[PNG_IMAGE_SIZE(image)]);
    if (png_image_finish_read(&image, nullptr, pixels.get(), 0, nullptr))
        return true;
    png_image_free(&image);
    return false;
}

Timing timeLibpng(const std::vector<fs::path>& files, std::size_t threads) {
    std::vector<Buffer> kept(files.size());
    Stopwatch stopwatch;
    spread(files.size(), threads, [&](std::size_t index) {
        if (!decodeWithLibpng(files[index], kept[index]))
            throw std::runtime_error("libpng cannot decode " + files[index].string());
    });
    return stopwatch.elapsed();
}

// A file's image data: its IDAT chunks run together, and the size it inflates to.
struct ImageData {
    std::vector<std::uint8_t> compressed;
    std::size_t inflatedBytes{0};
};

std::uint32_t bigEndian(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | bytes[3];
}

ImageData imageDataOf(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                    std::istreambuf_iterator<char>()};
    ImageData data;
    for (std::size_t offset = 8; offset + 12 <= bytes.size();) {
        std::uint32_t length = bigEndian(bytes.data() + offset);
        const std::uint8_t* type = bytes.data() + offset + 4;
        const std::uint8_t* content = bytes.data() + offset + 8;
        if (std::memcmp(type, "IHDR", 4) == 0) {
            // Eight bits of RGBA: four bytes a pixel, and a filter byte a row.
            std::size_t width = bigEndian(content);
            std::size_t height = bigEndian(content + 4);
            data.inflatedBytes = height * (1 + width * 4);
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            data.compressed.insert(data.compressed.end(), content, content + length);
        }
        offset += 12 + std::size_t{length};
    }
    return data;
}

Timing timeInflate(const std::vector<ImageData>& images, std::size_t threads) {
    std::vector<Buffer> kept(images.size());
    Stopwatch stopwatch;
    spread(images.size(), threads, [&](std::size_t index) {
        const ImageData& image = images[index];
        kept[index].reset(new std::uint8_t[image.inflatedBytes]);
        z_stream stream{};
        inflateInit(&stream);
        stream.next_in = const_cast<std::uint8_t*>(image.compressed.data());
        stream.avail_in = static_cast<uInt>(image.compressed.size());
        stream.next_out = kept[index].get();
        stream.avail_out = static_cast<uInt>(image.inflatedBytes);
        int result = inflate(&stream, Z_FINISH);
        inflateEnd(&stream);
        if (result != Z_STREAM_END)
            throw std::runtime_error("zlib cannot inflate an image");
    });
    return stopwatch.elapsed();
}

// Runs `timedRun` held to the first processor this thread may use.
template <typename Run>
Timing onOneProcessor(Run timedRun) {
    cpu_set_t all;
    CPU_ZERO(&all);
    sched_getaffinity(0, sizeof all, &all);
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int processor = 0; processor < CPU_SETSIZE; ++processor) {
        if (CPU_ISSET(processor, &all)) {
            CPU_SET(processor, &one);
            break;
        }
    }
    sched_setaffinity(0, sizeof one, &one);
    Timing timing = timedRun();
    sched_setaffinity(0, sizeof all, &all);
    return timing;
}

} // namespace

LoadingFigures compareLoading(const SequenceShape& shape, const std::vector<fs::path>& files,
                              int rounds) {
    LoadingFigures figures;
    figures.threads = processorCount();
    std::vector<ImageData> images;
    for (const auto& file : files)
        images.push_back(imageDataOf(file));
    InterleavedTimes times;
    LoadingFigures oneThread;
    LoadingFigures throughLibpng;
    times.add("project", [&] { return timeProject(shape, figures); });
    times.add("project 1",
              [&] { return onOneProcessor([&] { return timeProject(shape, oneThread); }); });
    times.add("project libpng 1", [&] {
        return onOneProcessor([&] { return timeProjectThroughLibpng(shape, throughLibpng); });
    });
    times.add("libpng 1", [&] { return onOneProcessor([&] { return timeLibpng(files, 1); }); });
    times.add("libpng n", [&] { return timeLibpng(files, figures.threads); });
    times.add("zlib 1", [&] { return onOneProcessor([&] { return timeInflate(images, 1); }); });
    times.add("zlib n", [&] { return timeInflate(images, figures.threads); });
    times.run(rounds);
    auto medians = [&times](const std::string& name) {
        return VariantFigures{times.median(name), times.processorMedian(name)};
    };
    figures.project = medians("project");
    figures.projectOneThread = medians("project 1");
    figures.projectLibpngOneThread = medians("project libpng 1");
    figures.libpngOneThread = medians("libpng 1");
    figures.libpngSameThreads = medians("libpng n");
    figures.zlibOneThread = medians("zlib 1");
    figures.zlibSameThreads = medians("zlib n");
    return figures;
}

std::size_t residentGrowthOfOneShowing(const fs::path& root, const SequenceShape& shape) {
    platform::setDeviceRoot(root.string());
    auto view = AnimatedImageView::initWithFrame(platform::CGRectMake(0, 0, 150, 150));
    view->setAnimationDuration(2);
    view->setImagesPath(sequenceDevicePath(shape));
    // The peak so far becomes the memory resident now.
    std::ofstream("/proc/self/clear_refs") << "5";
    std::size_t before = residentBytes();
    view->startAnimating();
    std::size_t peak = peakResidentBytes();
    return peak > before ? peak - before : 0;
}

} // namespace velorin::bench
