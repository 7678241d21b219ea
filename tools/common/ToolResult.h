// The tools' error policy: an operation gives either its value or a fault that names the
// file it concerns, and the command prints it as "velorin-sim: FILE: message".
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace velorin::tools {

// Exit statuses shared by every command.
enum class ExitStatus : int { Success = 0, ProblemsFound = 1, UsageOrInputError = 2 };

struct ToolError {
    std::string file;
    std::string message;
    ExitStatus status{ExitStatus::UsageOrInputError};
};

template <typename T>
class [[nodiscard]] ToolResult {
public:
    ToolResult(T value) : m_state(std::move(value)) {}
    ToolResult(ToolError error) : m_state(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(m_state); }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<T>(m_state); }
    const T& value() const { return std::get<T>(m_state); }
    const ToolError& error() const { return std::get<ToolError>(m_state); }

private:
    std::variant<T, ToolError> m_state;
};

// Prints the fault as "velorin-sim: FILE: message" on standard error and gives its status.
int report(const ToolError& error);

} // namespace velorin::tools
