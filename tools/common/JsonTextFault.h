// Where and why a JSON reader refused a text, in the words an author can act on: the line, the
// column counted in characters as an editor counts them, and nlohmann-json's own reason
// without its error code and its own byte position.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace velorin::tools {

struct TextPosition {
    std::size_t line{1};
    std::size_t column{1};
};

// The position of the fault in `bytes` from the count of bytes the reader took, as its
// parse_error callback gives it (the reader counts the byte it stopped at as read).
TextPosition textPositionOf(std::span<const std::uint8_t> bytes, std::size_t bytesRead);

// The reader's reason for a fault: "syntax error while parsing object key - ...".
std::string jsonFaultReason(const nlohmann::json::exception& fault);

} // namespace velorin::tools
