#include "tools/import/FrameFileWriting.h"

#include "animation/ParallelWork.h"
#include "common/SystemCalls.h"
#include "platform/display/Image.h"
#include "tools/import/SequenceFrameNames.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;

// Pictures that may wait for each worker: enough to keep every worker busy while the calling
// thread decodes, few enough that memory stays that of a few frames.
constexpr std::size_t picturesWaitingPerWorker = 2;

struct FrameFile {
    // Where it is written, and how the user knows it: its path in the destination.
    std::string stagedPath;
    std::string shownPath;
};

struct Job {
    // The first frame it serves, so that of two faults the earlier frame's is told.
    int firstFrame{0};
    std::vector<std::uint8_t> pixels;
    std::uint32_t width{0};
    std::uint32_t height{0};
    std::vector<FrameFile> files;
};

common::Result<void> writeBytes(const FrameFile& file, const std::vector<std::uint8_t>& bytes) {
    return common::writeNewFile(file.stagedPath, bytes).withContext(file.shownPath,
                                                                     "cannot be written");
}

// An opaque picture is written as RGB, a quarter smaller and faster to read.
common::Result<void> encodeAndWrite(const Job& job) {
    bool opaque = true;
    for (std::size_t alpha = 3; alpha < job.pixels.size() && opaque; alpha += 4)
        opaque = job.pixels[alpha] == 255;
    platform::PngEncoding encoding;
    if (opaque) {
        encoding.colorType = platform::PngColorType::RGB;
        encoding.opacity = platform::PngOpacity::Opaque;
    }
    auto png = platform::encodePng(platform::PixelView{job.width, job.height, job.pixels}, encoding);
    if (png.empty())
        return common::Fault{"a frame cannot be encoded as PNG"};
    for (const FrameFile& file : job.files)
        TRY(writeBytes(file, png));
    return {};
}

} // namespace

struct FrameFileWriter::State {
    const StagedSequence& staged;
    int frameCount;

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Job> jobs;
    // Jobs taken by a worker and not yet done.
    std::size_t working{0};
    std::size_t mostWaiting{picturesWaitingPerWorker};
    bool closing{false};
    bool stopping{false};
    // The fault of the earliest frame that failed.
    std::optional<std::pair<int, common::Fault>> fault;
    std::vector<std::thread> threads;
    // On the calling thread: the files of the last picture added.
    std::optional<FrameFile> lastFile;

    State(const StagedSequence& sequence, int frames) : staged(sequence), frameCount(frames) {}

    void noteFault(int frame, common::Fault found) {
        std::lock_guard lock(mutex);
        if (!fault || frame < fault->first)
            fault.emplace(frame, std::move(found));
    }

    void run(const Job& job) {
        common::Result<void> done;
        try {
            done = encodeAndWrite(job);
        } catch (const std::exception&) {
            // Only memory can run out here.
            done = common::Fault{job.files.front().shownPath, "cannot be written: out of memory"};
        }
        if (!done)
            noteFault(job.firstFrame, done.fault());
    }

    void serve() {
        for (;;) {
            Job job;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return stopping || closing || !jobs.empty(); });
                if (stopping || jobs.empty())
                    return;
                job = std::move(jobs.front());
                jobs.pop_front();
                ++working;
            }
            changed.notify_all();
            run(job);
            {
                std::lock_guard lock(mutex);
                --working;
            }
            changed.notify_all();
        }
    }

    void start() {
        std::size_t workers = std::max<std::size_t>(processorCount(), 1);
        for (std::size_t index = 0; index < workers; ++index) {
            try {
                threads.emplace_back([this] { serve(); });
            } catch (const std::system_error&) {
                break;
            }
        }
        mostWaiting = picturesWaitingPerWorker * std::max<std::size_t>(threads.size(), 1);
    }

    void join() {
        for (std::thread& thread : threads)
            thread.join();
        threads.clear();
    }

    common::Result<void> firstFault() {
        std::lock_guard lock(mutex);
        if (fault)
            return fault->second;
        return {};
    }
};

FrameFileWriter::FrameFileWriter(const StagedSequence& staged, int frameCount)
    : m_state(std::make_unique<State>(staged, frameCount)) {
    m_state->start();
}

FrameFileWriter::~FrameFileWriter() {
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stopping = true;
    }
    m_state->changed.notify_all();
    m_state->join();
}

common::Result<void> FrameFileWriter::add(std::vector<std::uint8_t> pixels, std::uint32_t width,
                                          std::uint32_t height, std::vector<int> frames) {
    State& state = *m_state;
    TRY(state.firstFault());
    if (frames.empty())
        return {};
    Job job{frames.front(), std::move(pixels), width, height, {}};
    for (int frame : frames) {
        std::string name = sequenceFrameName(frame, state.frameCount);
        job.files.push_back({state.staged.stagedPath(name),
                             (fs::path(state.staged.destination()) / name).string()});
    }
    state.lastFile = job.files.back();
    if (state.threads.empty()) {
        state.run(job);
        return state.firstFault();
    }
    {
        std::unique_lock lock(state.mutex);
        state.changed.wait(lock, [&] {
            return state.jobs.size() + state.working < state.mostWaiting ||
                   state.fault.has_value();
        });
        if (state.fault)
            return state.fault->second;
        state.jobs.push_back(std::move(job));
    }
    state.changed.notify_all();
    return {};
}

common::Result<void> FrameFileWriter::finish(const std::vector<int>& repeatingLast) {
    State& state = *m_state;
    {
        std::lock_guard lock(state.mutex);
        state.closing = true;
    }
    state.changed.notify_all();
    state.join();
    TRY(state.firstFault());
    if (repeatingLast.empty())
        return {};
    if (!state.lastFile)
        return common::Fault{"no frame of the source could be decoded"};
    for (int frame : repeatingLast) {
        std::string name = sequenceFrameName(frame, state.frameCount);
        std::error_code error;
        fs::copy_file(state.lastFile->stagedPath, state.staged.stagedPath(name),
                      fs::copy_options::overwrite_existing, error);
        if (error)
            return common::Fault{(fs::path(state.staged.destination()) / name).string(),
                                 "cannot be written: " + common::describeSystemError(error)};
    }
    return {};
}

} // namespace velorin::tools
