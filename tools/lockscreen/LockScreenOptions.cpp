#include "tools/lockscreen/LockScreenOptions.h"

#include <CLI/CLI.hpp>
#include <glib.h>

namespace velorin::tools {

namespace {

// Longer dates would not fit the narrowest screens in any case.
constexpr std::size_t longestDate = 64;

bool isDigit(char character) {
    return character >= '0' && character <= '9';
}

bool isClockTime(std::string_view text) {
    std::size_t colon = text.find(':');
    if (colon != 1 && colon != 2)
        return false;
    std::string_view hours = text.substr(0, colon);
    std::string_view minutes = text.substr(colon + 1);
    if (minutes.size() != 2)
        return false;
    for (char digit : std::string(hours) + std::string(minutes)) {
        if (!isDigit(digit))
            return false;
    }
    int hour = std::stoi(std::string(hours));
    int minute = std::stoi(std::string(minutes));
    return hour <= 23 && minute <= 59;
}

} // namespace

void addLockScreenOptions(CLI::App& command, LockScreenArguments& arguments) {
    command.add_option("--clock", arguments.clock,
                       "The time the lock screen shows, H:MM or HH:MM (default: 9:41)");
    command.add_option("--date", arguments.date,
                       "The date the lock screen shows (default: Tuesday 9 January)");
    command.add_flag("--bare", arguments.bare,
                     "Draw the wallpaper alone beneath the views: no clock, date, buttons, home "
                     "indicator or status bar");
}

common::Result<LockScreenDress> readLockScreenDress(const LockScreenArguments& arguments) {
    if (!isClockTime(arguments.clock))
        return common::Fault("--clock " + arguments.clock,
                             "expected a time on a 24-hour clock, H:MM or HH:MM, such as 9:41");
    const std::string& date = arguments.date;
    if (date.empty() || date.size() > longestDate ||
        !g_utf8_validate(date.data(), static_cast<gssize>(date.size()), nullptr))
        return common::Fault("--date", "expected a date of 1 to 64 bytes of UTF-8 text");
    LockScreenDress dress;
    dress.furniture = arguments.bare ? Furniture::Bare : Furniture::Drawn;
    dress.text = LockScreenText{arguments.clock, arguments.date};
    return dress;
}

} // namespace velorin::tools
