// How the simulated host and the tools report a failure: an operation gives either its value or
// a Fault, a message that names the file (and, for a fault in a text, the line) it concerns.
//
// This is the one way sim/ and tools/ say that something could not be done: none of their
// operations throws, hands back a bare message or fills an out-parameter for it. (A
// std::logic_error is left only where an internal check guards against a programming error
// that no caller can bring about through these operations.) Whether a fault ends a command and
// with which exit status is decided where the tools report it, not here. A Result is checked
// before its value is taken: taking the value of a fault, or the fault of a value, is a
// programming error, which throws std::bad_variant_access (std::bad_optional_access for a
// Result<void>).
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace velorin::sim {

struct Fault {
    // A fault that concerns no file in particular.
    explicit Fault(std::string faultMessage) : message(std::move(faultMessage)) {}
    // A fault that concerns a file (or, for the tools, an option the user gave).
    Fault(std::string faultFile, std::string faultMessage)
        : message(std::move(faultMessage)), file(std::move(faultFile)) {}

    // "FILE:LINE: message", "FILE: message" or "message", as much as is known; a line is only
    // given with its file.
    std::string text() const;

    std::string message;
    std::optional<std::string> file;
    // Counted from 1, for a fault on one line of a text.
    std::optional<int> line;
};

template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(Fault fault) : m_state(std::in_place_index<1>, std::move(fault)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(m_state); }
    const T& value() const& { return std::get<0>(m_state); }
    T&& value() && { return std::get<0>(std::move(m_state)); }
    const Fault& fault() const { return std::get<1>(m_state); }

private:
    std::variant<T, Fault> m_state;
};

// An operation that gives nothing but may fail; `return {};` is success.
template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Fault fault) : m_fault(std::move(fault)) {}

    bool ok() const { return !m_fault.has_value(); }
    explicit operator bool() const { return ok(); }

    const Fault& fault() const { return m_fault.value(); }

private:
    std::optional<Fault> m_fault;
};

} // namespace velorin::sim
