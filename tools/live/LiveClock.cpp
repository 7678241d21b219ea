#include "tools/live/LiveClock.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <poll.h>
#include <string>
#include <string_view>
#include <unistd.h>

namespace velorin::tools {

namespace {

using SteadyClock = std::chrono::steady_clock;

class WallClock final : public LiveClock {
public:
    std::uint64_t now() const override {
        auto elapsed =
            std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now() - m_start);
        return static_cast<std::uint64_t>(std::max<std::int64_t>(0, elapsed.count()));
    }

    bool waitForNextFrame(std::vector<char>&) override {
        m_deadline += liveFrameNanoseconds;
        std::uint64_t current = now();
        // A frame that took longer than its turn moves the deadlines on rather than leaving
        // a run of frames to hurry through.
        if (current > m_deadline + liveFrameNanoseconds)
            m_deadline = current;
        if (current < m_deadline) {
            std::uint64_t wait = m_deadline - current;
            timespec pause{static_cast<time_t>(wait / 1'000'000'000),
                           static_cast<long>(wait % 1'000'000'000)};
            // A signal ends the wait early; the caller asks its watch before the next frame.
            nanosleep(&pause, nullptr);
        }
        return true;
    }

private:
    SteadyClock::time_point m_start{SteadyClock::now()};
    std::uint64_t m_deadline{0};
};

class InputClock final : public LiveClock {
public:
    explicit InputClock(int descriptor) : m_descriptor(descriptor) {}

    std::uint64_t now() const override { return m_now; }

    bool waitForNextFrame(std::vector<char>& keys) override {
        for (;;) {
            std::size_t end = m_pending.find('\n');
            if (end != std::string::npos) {
                std::string line = m_pending.substr(0, end);
                m_pending.erase(0, end + 1);
                take(line, keys);
                return true;
            }
            if (m_ended)
                return false;
            pollfd watched{m_descriptor, POLLIN, 0};
            if (poll(&watched, 1, -1) < 0)
                return errno == EINTR;
            char buffer[4096];
            ssize_t count = read(m_descriptor, buffer, sizeof buffer);
            if (count < 0 && errno != EINTR && errno != EAGAIN)
                m_ended = true;
            if (count == 0) {
                m_ended = true;
                // A last line without its line break still counts.
                if (!m_pending.empty())
                    m_pending += '\n';
            }
            if (count > 0)
                m_pending.append(buffer, static_cast<std::size_t>(count));
        }
    }

private:
    void take(std::string_view line, std::vector<char>& keys) {
        if (line.starts_with("key ") && line.size() == 5) {
            keys.push_back(line[4]);
            return;
        }
        double seconds = 0;
        auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), seconds);
        if (error == std::errc() && end == line.data() + line.size() && std::isfinite(seconds) &&
            seconds >= 0 && seconds < 1e9)
            m_now = std::max(m_now, static_cast<std::uint64_t>(std::llround(seconds * 1e9)));
    }

    int m_descriptor;
    std::uint64_t m_now{0};
    std::string m_pending;
    bool m_ended{false};
};

} // namespace

std::unique_ptr<LiveClock> makeWallClock() {
    return std::make_unique<WallClock>();
}

std::unique_ptr<LiveClock> makeInputClock(int descriptor) {
    return std::make_unique<InputClock>(descriptor);
}

std::unique_ptr<LiveClock> makeLiveClock() {
    const char* choice = std::getenv("VELORIN_TEST_LIVE_CLOCK");
    if (choice && std::string_view(choice) == "input")
        return makeInputClock(STDIN_FILENO);
    return makeWallClock();
}

} // namespace velorin::tools
