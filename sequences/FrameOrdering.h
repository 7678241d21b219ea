// The playing order of a sequence's frames, read from their names.
//
// A frame's number is read from a fixed window of its name. The prefix length L, the position
// of the first digit in the first frame name of the listing, gives both the window's place
// and its width: the window is the L characters from position L, and the frame's sort key is
// the integer the window begins with (0 when it begins with none). Frames play in ascending
// key; frames with equal keys keep their listing order. Positions count UTF-16 code units, as
// the platform's strings count them.
//
// The rule suits names made of one digit-free prefix, a number of at most L digits and the
// extension. Other names still come out exactly once each, in a defined order: a window that
// runs past the end of a name is cut at the end, and a first name without any digit gives
// L = 0, so every key is 0 and the listing order stands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velorin {

// The position of the first of the characters "0123456789" in `name`, in UTF-16 code units;
// none when the name holds no digit.
std::optional<std::size_t> firstDigitPosition(std::string_view name);

// L for a listing whose first frame name is `firstName`: its first digit's position, or 0
// when it holds no digit.
std::int32_t findPrefixLength(std::string_view firstName);

struct NumberWindow {
    // The window's characters (UTF-8).
    std::string text;
    std::int64_t sortKey{0};
    // The window runs past the end of the name and holds only what is left of it.
    bool cutAtEnd{false};
};

NumberWindow numberWindow(std::string_view name, std::int32_t prefixLength);

struct OrderedFrame {
    std::string name;
    // Where the name stood in the list that was ordered.
    std::size_t listingIndex{0};
    NumberWindow window;
};

struct FrameOrder {
    std::int32_t prefixLength{0};
    // In playing order.
    std::vector<OrderedFrame> frames;
};

// Orders frame names given in listing order, with what each name's place rests on.
FrameOrder orderFrames(const std::vector<std::string>& names);

// The same names in playing order; the given list is left as it is.
std::vector<std::string> sortArrayByNumbersInString(const std::vector<std::string>& names);

} // namespace velorin
