// Reads scenario text: UTF-8, one statement a line, set-up statements first and then timed
// events ("at T EVENT"). "#" starts a comment, except inside a string in double quotes, and
// blank lines are ignored.
//
// Reading stops at the first fault with the line and a message; nothing of a faulty scenario
// is used. Besides unknown words and bad values, a set-up statement after the first event, a
// single-valued set-up statement given twice, a class that the chosen profile does not have,
// time going backwards, a second launch and anything after `end` are faults.
#pragma once

#include "sim/Scenario.h"

#include <string>
#include <string_view>
#include <variant>

namespace velorin::sim {

struct ScenarioFault {
    // Counted from 1.
    int line{0};
    std::string message;
};

std::variant<Scenario, ScenarioFault> readScenario(std::string_view text);

} // namespace velorin::sim
