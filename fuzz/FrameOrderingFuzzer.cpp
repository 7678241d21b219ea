// Orders arbitrary lists of frame names: the input is split at each newline into names, in
// listing order. Whatever the names hold (no digit, digits past the window, long digit runs,
// invalid UTF-8), the ordering must end, give back every name exactly once, play them by
// ascending key with ties in listing order, and give the same order every time. A broken
// promise stops the run with a trap, so that libFuzzer keeps the input.
#include "sequences/FrameOrdering.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

void require(bool condition) {
    if (!condition)
        __builtin_trap();
}

std::vector<std::string> splitNames(std::string_view text) {
    std::vector<std::string> names;
    while (true) {
        auto end = text.find('\n');
        names.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos)
            return names;
        text.remove_prefix(end + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> names =
        splitNames(std::string_view(reinterpret_cast<const char*>(data), size));

    velorin::FrameOrder order = velorin::orderFrames(names);
    require(order.frames.size() == names.size());
    std::vector<bool> seen(names.size(), false);
    for (std::size_t position = 0; position < order.frames.size(); ++position) {
        const auto& frame = order.frames[position];
        require(frame.listingIndex < names.size());
        require(!seen[frame.listingIndex]);
        seen[frame.listingIndex] = true;
        require(frame.name == names[frame.listingIndex]);
        if (position > 0) {
            const auto& previous = order.frames[position - 1];
            require(previous.window.sortKey <= frame.window.sortKey);
            if (previous.window.sortKey == frame.window.sortKey)
                require(previous.listingIndex < frame.listingIndex);
        }
    }

    velorin::FrameOrder again = velorin::orderFrames(names);
    require(again.prefixLength == order.prefixLength);
    require(again.frames.size() == order.frames.size());
    for (std::size_t position = 0; position < order.frames.size(); ++position)
        require(again.frames[position].listingIndex == order.frames[position].listingIndex);

    std::vector<std::string> sorted = velorin::sortArrayByNumbersInString(names);
    require(sorted.size() == order.frames.size());
    for (std::size_t position = 0; position < sorted.size(); ++position)
        require(sorted[position] == order.frames[position].name);
    return 0;
}
