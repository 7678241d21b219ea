#include "tools/common/ProgressBar.h"

#include <algorithm>
#include <unistd.h>
#include <utility>

namespace velorin::tools {

namespace {

constexpr int barWidth = 30;

} // namespace

ProgressDisplay progressDisplayForStandardError() {
    return isatty(STDERR_FILENO) ? ProgressDisplay::Terminal : ProgressDisplay::Hidden;
}

ProgressBar::ProgressBar(std::string label, int total, ProgressDisplay display, std::FILE* stream)
    : m_label(std::move(label)), m_total(std::max(total, 1)), m_display(display), m_stream(stream) {
}

ProgressBar::~ProgressBar() {
    finish();
}

void ProgressBar::update(int done) {
    if (m_display != ProgressDisplay::Terminal)
        return;
    done = std::clamp(done, 0, m_total);
    int filled = done * barWidth / m_total;
    if (filled == m_lastFilled && done == m_lastDone)
        return;
    m_lastFilled = filled;
    m_lastDone = done;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(barWidth - filled), '.');
    std::fprintf(m_stream, "\r%s [%s] %d/%d", m_label.c_str(), bar.c_str(), done, m_total);
    std::fflush(m_stream);
    m_drawn = true;
}

void ProgressBar::finish() {
    if (!m_drawn)
        return;
    // Carriage return, then erase to the end of the line.
    std::fputs("\r\033[K", m_stream);
    std::fflush(m_stream);
    m_drawn = false;
}

} // namespace velorin::tools
