#include "tools/preview/FramePipeline.h"

#include "animation/ParallelWork.h"
#include "common/SystemCalls.h"
#include "platform/display/Image.h"
#include "tools/preview/AnimatedWebp.h"
#include "tools/preview/ContactSheet.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;

// Frames that may be drawn and not yet written, for each worker: enough to keep every worker
// busy while the calling thread draws, few enough that memory stays that of a few frames.
constexpr std::size_t framesWaitingPerWorker = 2;

// A preview writes hundreds of full-screen pictures, and with libpng's defaults (level 6, every
// filter tried on every row) their compression took most of its time. The frames are written
// at zlib's fastest level, 1, with the "up" filter alone: the lock screen is a wallpaper of one
// colour a row and a small animation, so "up" leaves rows of zeros that even the fastest level
// packs tightly. The default preview's 240 frames take about 8 MB this way, against 4.4 MB at
// the defaults, in about a quarter of the time. The pictures are opaque, so their alpha is
// dropped as they are written.
platform::PngEncoding frameEncoding() {
    platform::PngEncoding encoding;
    encoding.colorType = platform::PngColorType::RGB;
    encoding.compressionLevel = 1;
    encoding.rowFilters = platform::PngRowFilters::UpOnly;
    encoding.opacity = platform::PngOpacity::Opaque;
    return encoding;
}

std::int64_t frameMilliseconds(int index, double framesPerSecond) {
    return std::llround(index * 1000.0 / framesPerSecond);
}

common::Result<void> writeBytes(const std::string& path, const std::string& shownPath,
                                const std::vector<std::uint8_t>& bytes) {
    return common::writeNewFile(path, bytes).withContext(shownPath, "cannot write the file");
}

// Consecutive frames whose pictures are the same: the first is encoded, and the files of the
// others are copies of its file, made once it is written.
struct FrameRun {
    std::string firstStagedPath;
    bool finished{false};
    bool written{false};
};

// One frame's picture, on its way to a file or to the animation. A frame that repeats the
// one before it carries no picture: its file is a copy.
struct Job {
    int index{0};
    std::shared_ptr<const FramePixels> picture;
    std::string stagedPath;
    std::string finalPath;
    std::shared_ptr<FrameRun> run;
};

bool samePicture(const FramePixels& first, const FramePixels& second) {
    return first.width == second.width && first.height == second.height &&
           std::memcmp(first.rgba.data(), second.rgba.data(), first.rgba.size()) == 0;
}

} // namespace

common::Result<void> writeFramePng(const FramePixels& picture, const std::string& path) {
    std::vector<std::uint8_t> png = platform::encodePng(
        platform::PixelView{picture.width, picture.height, picture.rgba}, frameEncoding());
    if (png.empty())
        return common::Fault("the picture cannot be encoded as PNG");
    return common::writeNewFile(path, png);
}

struct FramePipeline::State {
    PreviewSettings settings;
    const PreviewOutput& output;
    FrameFiles frameFiles;
    int count;
    AnimatedWebpEncoder animation;
    ContactSheet sheet;

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Job> frameJobs;
    std::deque<Job> animationJobs;
    // Jobs taken and not yet done: each holds its picture until then.
    std::size_t outstanding{0};
    std::size_t mostOutstanding{2};
    // No more jobs will come; the workers finish what they have.
    bool closing{false};
    // The workers drop what they have and stop.
    bool stopping{false};
    // The fault of the earliest frame that failed.
    std::optional<std::pair<int, common::Fault>> fault;

    std::size_t frameWorkers{0};
    bool animationWorker{false};
    std::vector<std::thread> threads;

    // On the calling thread: the last picture taken, and the run of frames it belongs to.
    std::shared_ptr<const FramePixels> previous;
    std::shared_ptr<FrameRun> run;

    State(const PreviewSettings& previewSettings, const PreviewOutput& previewOutput,
          FrameFiles files)
        : settings(previewSettings), output(previewOutput), frameFiles(files),
          count(previewSettings.frameCount()),
          animation(previewSettings.pixelWidth(), previewSettings.pixelHeight()),
          sheet(ContactSheet::forPreview(previewSettings)) {}

    common::Fault earliestFault() {
        std::lock_guard lock(mutex);
        return fault->second;
    }

    void noteFault(int index, common::Fault found) {
        std::lock_guard lock(mutex);
        if (!fault || index < fault->first)
            fault.emplace(index, std::move(found));
    }

    bool writeFrame(const Job& job) {
        common::Result<void> written = common::Fault("the frame was not written");
        if (job.picture) {
            written = writeFramePng(*job.picture, job.stagedPath);
            {
                std::lock_guard lock(mutex);
                job.run->finished = true;
                job.run->written = written.ok();
            }
            changed.notify_all();
        } else {
            {
                // The run's first frame was taken before this one, so it is being written.
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return stopping || job.run->finished; });
                // When the first frame failed, its fault is the one to report.
                if (stopping || !job.run->written)
                    return false;
            }
            std::error_code error;
            fs::copy_file(job.run->firstStagedPath, job.stagedPath, error);
            if (error)
                written = common::Fault(common::describeSystemError(error));
            else
                written = {};
        }
        if (!written) {
            noteFault(job.index, std::move(written)
                                     .withContext(job.finalPath, "cannot write the frame")
                                     .fault());
            return false;
        }
        return true;
    }

    bool addToAnimation(const Job& job) {
        auto added =
            animation.add(*job.picture, frameMilliseconds(job.index, settings.framesPerSecond));
        if (added)
            return true;
        noteFault(job.index,
                  common::Fault(output.finalPath(previewAnimation), added.fault().message));
        return false;
    }

    // Runs on a worker: takes jobs from `queue` until the pipeline closes or stops.
    template <typename Work>
    void serve(std::deque<Job>& queue, Work work) {
        for (;;) {
            Job job;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return stopping || closing || !queue.empty(); });
                if (stopping || queue.empty())
                    return;
                job = std::move(queue.front());
                queue.pop_front();
            }
            try {
                (this->*work)(job);
            } catch (const std::exception&) {
                // Only memory can run out here; the frame counts as not written.
                noteFault(job.index,
                          common::Fault("out of memory at frame " + std::to_string(job.index + 1)));
            }
            job.picture.reset();
            {
                std::lock_guard lock(mutex);
                --outstanding;
            }
            changed.notify_all();
        }
    }

    void start() {
        std::size_t wanted = frameFiles == FrameFiles::Written ? processorCount() : 0;
        // Room for every thread first, so that nothing but starting one can throw.
        threads.reserve(wanted + 1);
        try {
            threads.emplace_back([this] { serve(animationJobs, &State::addToAnimation); });
            animationWorker = true;
            for (; frameWorkers < wanted; ++frameWorkers)
                threads.emplace_back([this] { serve(frameJobs, &State::writeFrame); });
        } catch (const std::system_error&) {
        }
        mostOutstanding = 2 * framesWaitingPerWorker * std::max<std::size_t>(1, frameWorkers);
    }

    void stop() {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        changed.notify_all();
        joinAll();
    }

    void joinAll() {
        for (auto& thread : threads) {
            if (thread.joinable())
                thread.join();
        }
    }
};

FramePipeline::FramePipeline(const PreviewSettings& settings, const PreviewOutput& output,
                             FrameFiles frameFiles)
    : m_state(std::make_unique<State>(settings, output, frameFiles)) {
    m_state->start();
}

FramePipeline::~FramePipeline() {
    m_state->stop();
}

common::Result<void> FramePipeline::add(const RecordedFrame& frame) {
    State& state = *m_state;
    std::string name =
        std::string(previewFramesFolder) + "/" + previewFrameName(frame.index, state.count);
    Job job{frame.index, frame.picture, state.output.stagedPath(name), state.output.finalPath(name),
            nullptr};
    bool writesFrame = state.frameFiles == FrameFiles::Written;
    // A picture the same as the one before is neither encoded nor added to the animation
    // again: its file is a copy, and the animation shows the earlier frame for longer.
    bool repeats = state.previous && samePicture(*state.previous, *frame.picture);
    state.previous = frame.picture;
    if (!repeats)
        state.run = std::make_shared<FrameRun>(FrameRun{job.stagedPath, false, false});
    job.run = state.run;
    Job frameJob = job;
    if (repeats)
        frameJob.picture.reset();
    {
        std::unique_lock lock(state.mutex);
        state.changed.wait(
            lock, [&] { return state.fault || state.outstanding < state.mostOutstanding; });
        if (state.fault)
            return state.fault->second;
        if (writesFrame && state.frameWorkers > 0) {
            state.frameJobs.push_back(frameJob);
            ++state.outstanding;
        }
        if (!repeats && state.animationWorker) {
            state.animationJobs.push_back(job);
            ++state.outstanding;
        }
    }
    state.changed.notify_all();
    // Without a worker for it, the work is done here.
    if (writesFrame && state.frameWorkers == 0 && !state.writeFrame(frameJob))
        return state.earliestFault();
    if (!repeats && !state.animationWorker && !state.addToAnimation(job))
        return state.earliestFault();
    state.sheet.add(frame.index, frame.seconds, frame.events, *frame.picture);
    return {};
}

common::Result<void>
FramePipeline::finish(const std::vector<platform::Ref<platform::CGImage>>& otherSheets) {
    State& state = *m_state;
    {
        std::lock_guard lock(state.mutex);
        state.closing = true;
    }
    state.changed.notify_all();
    state.joinAll();
    if (state.fault)
        return state.fault->second;

    const PreviewOutput& output = state.output;
    auto webp =
        state.animation.finish(frameMilliseconds(state.count, state.settings.framesPerSecond));
    if (!webp)
        return common::Fault(output.finalPath(previewAnimation), webp.fault().message);
    TRY(writeBytes(output.stagedPath(previewAnimation), output.finalPath(previewAnimation),
                   webp.value()));
    platform::PngEncoding opaque;
    opaque.colorType = platform::PngColorType::RGB;
    auto contactSheet = state.sheet.assemble();
    if (contactSheet && !otherSheets.empty()) {
        std::vector<platform::Ref<platform::CGImage>> sheets{contactSheet};
        sheets.insert(sheets.end(), otherSheets.begin(), otherSheets.end());
        contactSheet = placeSideBySide(sheets);
    }
    if (!contactSheet || !platform::writePngFile(
                             *contactSheet, output.stagedPath(previewContactSheet).c_str(), opaque))
        return common::Fault(output.finalPath(previewContactSheet),
                             "cannot write the contact sheet");
    return {};
}

} // namespace velorin::tools
