#include "tools/live/LiveRecording.h"

#include "common/QuoteText.h"
#include "common/WholeOutput.h"
#include "sim/HostProfile.h"
#include "sim/Trace.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>
#include <system_error>

namespace velorin::tools {

namespace {

// The first line of every recording, by which a later recording knows it may replace the file.
constexpr std::string_view recordingMark = "# Recorded by velorin-sim live.";

std::string valueText(const platform::PropertyValue& value) {
    switch (value.kind) {
    case platform::PropertyKind::Boolean:
        return std::get<bool>(value.value) ? "true" : "false";
    case platform::PropertyKind::Integer:
        return std::to_string(std::get<std::int64_t>(value.value));
    case platform::PropertyKind::Real: {
        // The shortest decimal that reads back as the same number, with the point that marks
        // a real.
        char buffer[512];
        auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer,
                                          std::get<double>(value.value), std::chars_format::fixed);
        std::string text = error == std::errc() ? std::string(buffer, end) : "0";
        if (text.find('.') == std::string::npos)
            text += ".0";
        return text;
    }
    case platform::PropertyKind::String:
        return common::quoteText(*value.stringValue());
    default:
        // A scenario's set-up holds no other kind.
        return "false";
    }
}

std::string setupText(const sim::HostSetup& setup) {
    std::string text;
    text += std::string("profile ") + sim::profileName(setup.profile) + "\n";
    for (const auto& lacking : setup.lackingClasses)
        text += "lacks " + lacking + "\n";
    text += "version " + setup.systemVersion + "\n";
    text += "bundle " + setup.bundleIdentifier.value_or("none") + "\n";
    text += "screen " + sim::formatNumber(setup.screen.width) + "x" +
            sim::formatNumber(setup.screen.height) + "\n";
    text += "autolock " +
            (setup.autolockNanoseconds ? exactSeconds(*setup.autolockNanoseconds) : "never") + "\n";
    text += std::string("locked ") + (setup.locked ? "yes" : "no") + "\n";
    text += std::string("power ") + (setup.onPower ? "on" : "off") + "\n";
    for (const auto& [key, value] : setup.preferences)
        text += "pref " + key + " " + valueText(value) + "\n";
    return text;
}

} // namespace

std::string exactSeconds(std::uint64_t nanoseconds) {
    std::string text = std::to_string(nanoseconds / 1'000'000'000);
    std::uint64_t fraction = nanoseconds % 1'000'000'000;
    if (fraction == 0)
        return text;
    char digits[16];
    std::snprintf(digits, sizeof digits, "%09llu", static_cast<unsigned long long>(fraction));
    std::string decimals = digits;
    while (decimals.back() == '0')
        decimals.pop_back();
    return text + "." + decimals;
}

LiveRecording::LiveRecording(sim::HostSetup setup, std::string replayNote)
    : m_setup(std::move(setup)), m_replayNote(std::move(replayNote)) {
}

void LiveRecording::add(std::uint64_t nanoseconds, std::string_view eventText) {
    m_events.push_back({nanoseconds, std::string(eventText)});
}

std::string LiveRecording::text() const {
    std::string text = std::string(recordingMark) + "\n# " + m_replayNote + "\n";
    text += setupText(m_setup);
    for (const auto& event : m_events)
        text += "at " + exactSeconds(event.time) + " " + event.text + "\n";
    return text;
}

common::Result<void> checkRecordingTarget(const std::string& path) {
    if (path.empty())
        return common::Fault("--record", "expected a file to write the recording to");
    std::error_code error;
    auto status = std::filesystem::symlink_status(path, error);
    if (error || status.type() == std::filesystem::file_type::not_found)
        return {};
    if (status.type() != std::filesystem::file_type::regular)
        return common::Fault(path, "is not a plain file; choose another name for the recording");
    std::ifstream file(path);
    std::string first;
    std::getline(file, first);
    if (first != recordingMark)
        return common::Fault(path, "exists and is no recording of velorin-sim live; choose another "
                                   "name, so that it is not lost");
    return {};
}

common::Result<void> writeRecording(const std::string& path, std::string_view text) {
    TRY(checkRecordingTarget(path));
    return common::replaceFileWhole(
               path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
               common::plainFileMode(), common::Durability::Unsynced)
        .withContext(path, "cannot be written");
}

} // namespace velorin::tools
