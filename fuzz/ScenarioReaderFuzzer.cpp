// Reads arbitrary bytes as scenario text. The reader must stop at the first fault with a line
// that exists in the text (counted from 1), or give back a scenario whose events keep time
// moving forwards.
#include "sim/ScenarioReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto result = velorin::sim::readScenario(text);
    auto lineCount = static_cast<long>(std::count(text.begin(), text.end(), '\n')) + 1;
    if (!result) {
        const velorin::common::Fault& fault = result.fault();
        if (!fault.line || *fault.line < 1 || *fault.line > lineCount || fault.message.empty())
            std::abort();
        return 0;
    }
    const velorin::sim::Scenario& scenario = result.value();
    for (std::size_t index = 1; index < scenario.events.size(); ++index) {
        if (scenario.events[index].time < scenario.events[index - 1].time)
            std::abort();
    }
    return 0;
}
