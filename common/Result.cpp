#include "common/Result.h"

namespace velorin::common {

std::string Fault::text() const {
    std::string text;
    if (file) {
        text = *file;
        if (line)
            text += ":" + std::to_string(*line);
        text += ": ";
    }
    text += message;
    return text;
}

Fault contextualFault(const Fault& fault, std::string file, std::string_view doing) {
    Fault told(std::move(file), std::string(doing) + ": " + fault.message);
    told.systemError = fault.systemError;
    return told;
}

} // namespace velorin::common
