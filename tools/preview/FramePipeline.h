// Makes a preview's files from its pictures while the next pictures are drawn: each frame's PNG
// file on worker threads, one per processor this process may run on; the animated WebP on a
// thread of its own, in frame order; and the contact sheet's tiles on the calling thread. At
// the end the animation and the contact sheet are written beside the frames. A frame whose
// picture is the same as the one before it (the held last frame, the screen after a showing)
// is not encoded again: its file is a copy of the first file of the run, and the animation
// shows the earlier frame for longer.
//
// Threads: the workers see only pictures (plain bytes, see FramePixels.h), file paths and the
// WebP encoder, never an object of the platform or of the simulated host, which stay on the
// calling thread. Only a few pictures wait at a time: `add` waits for the workers when they
// fall behind, so a long preview needs no more memory than a short one. Every thread is joined
// before `finish` returns and by the destructor; a pipeline given up before `finish` drops the
// frames it has not written, and the caller's staging folder goes with them. When a thread
// cannot be started, its work is done on the calling thread instead.
#pragma once

#include "common/Result.h"
#include "platform/display/Image.h"
#include "tools/preview/PreviewOutput.h"
#include "tools/preview/PreviewRecorder.h"

#include <memory>
#include <string>
#include <vector>

namespace velorin::tools {

// Writes `picture` straight into a new file at `path` as a preview writes its frames: an RGB PNG
// (the pictures are opaque), written for speed; a fault with the system's reason on failure, when no
// partial file is left behind. It touches nothing but the picture and the file, so several threads may write frames
// at once.
common::Result<void> writeFramePng(const FramePixels& picture, const std::string& path);

class FramePipeline {
public:
    // For the frames of `settings`, written into `output`'s staging folder.
    FramePipeline(const PreviewSettings& settings, const PreviewOutput& output,
                  FrameFiles frameFiles);
    // Stops the workers and joins them.
    ~FramePipeline();
    FramePipeline(const FramePipeline&) = delete;
    FramePipeline& operator=(const FramePipeline&) = delete;

    // Takes the next frame, in order. A fault naming the file when an earlier frame could not
    // be written or added to the animation.
    common::Result<void> add(const RecordedFrame& frame);
    // Waits for every frame, then writes the animated WebP and the contact sheet, with the
    // sheets of other screens, when there are any, placed beside its own. A fault naming the
    // first file that could not be written.
    common::Result<void>
    finish(const std::vector<platform::Ref<platform::CGImage>>& otherSheets = {});

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace velorin::tools
