#include "tools/common/JsonTextFault.h"

#include <algorithm>

namespace velorin::tools {

TextPosition textPositionOf(std::span<const std::uint8_t> bytes, std::size_t bytesRead) {
    std::size_t index = std::min(bytesRead > 0 ? bytesRead - 1 : 0, bytes.size());
    TextPosition position;
    for (std::size_t offset = 0; offset < index; ++offset) {
        if (bytes[offset] == '\n') {
            ++position.line;
            position.column = 1;
        } else if ((bytes[offset] & 0xC0) != 0x80) {
            ++position.column;
        }
    }
    return position;
}

std::string jsonFaultReason(const nlohmann::json::exception& fault) {
    std::string text = fault.what();
    if (auto end = text.find("] "); !text.empty() && text.front() == '[' && end != text.npos)
        text.erase(0, end + 2);
    if (text.rfind("parse error", 0) == 0) {
        if (auto colon = text.find(": "); colon != text.npos)
            text.erase(0, colon + 2);
    }
    return text;
}

} // namespace velorin::tools
