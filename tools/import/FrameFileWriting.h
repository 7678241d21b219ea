// Writing an imported sequence's frames: each picture encoded as PNG and written into the
// staging folder on worker threads, one per processor this process may run on, while the
// calling thread goes on decoding.
//
// A picture may serve several frames of the sequence (a source slower than the sequence): it is
// encoded once and its bytes written under each name. Only a few pictures wait at a time (two
// a worker): `add` waits when the workers fall behind, so a long source needs no more memory
// than a short one. The workers touch nothing but the pictures and their files. Every thread
// is joined by `finish` and by the destructor; a writer given up before `finish` drops what
// waits, and the caller's staging folder goes with it. When no thread can be started, the
// calling thread does the work.
#pragma once

#include "common/Result.h"
#include "tools/common/StagedSequence.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace velorin::tools {

class FrameFileWriter {
public:
    // Writes into `staged`, naming the frames of a sequence of `frameCount` frames.
    FrameFileWriter(const StagedSequence& staged, int frameCount);
    ~FrameFileWriter();
    FrameFileWriter(const FrameFileWriter&) = delete;
    FrameFileWriter& operator=(const FrameFileWriter&) = delete;

    // `pixels`: `width` × `height` straight RGBA, for the sequence's frames `frames` (0-based),
    // which come in increasing order from call to call. A fault naming the file when an earlier
    // frame could not be written.
    common::Result<void> add(std::vector<std::uint8_t> pixels, std::uint32_t width,
                             std::uint32_t height, std::vector<int> frames);
    // Waits for every frame; then the frames `repeatingLast` show the last picture added. A
    // fault naming the first frame that could not be written, or when frames are to repeat a
    // picture and none was added.
    common::Result<void> finish(const std::vector<int>& repeatingLast);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace velorin::tools
