#include "sim/Result.h"

namespace velorin::sim {

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

} // namespace velorin::sim
