// The options that dress the lock screen in the pictures of `preview` and `live`: what the
// clock and the date say, and whether the lock screen's pieces are drawn at all.
//
// The clock shows a fixed time, so that the same preview gives the same pictures on any day.
#pragma once

#include "common/Result.h"
#include "tools/lockscreen/LockScreenPicture.h"

#include <string>
#include <string_view>

namespace CLI {
class App;
}

namespace velorin::tools {

struct LockScreenArguments {
    std::string clock{"9:41"};
    std::string date{"Tuesday 9 January"};
    bool bare{false};
};

// Adds --clock, --date and --bare to a command.
void addLockScreenOptions(CLI::App& command, LockScreenArguments& arguments);

// The dress the arguments give; a fault naming the option for a time that is not H:MM or HH:MM
// on a 24-hour clock, or a date that is empty, too long or not UTF-8.
common::Result<LockScreenDress> readLockScreenDress(const LockScreenArguments& arguments);

} // namespace velorin::tools
