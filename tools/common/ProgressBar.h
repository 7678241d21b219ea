// A one-line progress bar on standard error, for commands that take a while.
//
// It draws only when standard error is a terminal: piped or redirected output gets no bar,
// so logs and tests see the command's messages alone. The bar redraws in place and is wiped
// when the work ends.
#pragma once

#include <cstdio>
#include <string>

namespace velorin::tools {

enum class ProgressDisplay { Terminal, Hidden };

// Terminal when standard error is one, else hidden.
ProgressDisplay progressDisplayForStandardError();

class ProgressBar {
public:
    ProgressBar(std::string label, int total, ProgressDisplay display, std::FILE* stream = stderr);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Shows that `done` of the total are finished; redraws only when the bar changes.
    void update(int done);
    // Wipes the bar, so that the next message starts on a clean line.
    void finish();

private:
    std::string m_label;
    int m_total;
    ProgressDisplay m_display;
    std::FILE* m_stream;
    int m_lastFilled{-1};
    int m_lastDone{-1};
    bool m_drawn{false};
};

} // namespace velorin::tools
