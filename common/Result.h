// How the simulated host and the tools report a failure: an operation gives either its value or
// a Fault, a message that names the file (and, for a fault in a text, the line) it concerns.
//
// This is the one way common/, sim/ and tools/ say that something could not be done: none of
// their operations throws for a failure a caller can bring about, hands back a bare message or
// an empty value with errno set, or fills an out-parameter for it. Whether a fault ends a command
// and with which exit status is decided where the tools report it, not here. A Result is checked
// before its value is taken: taking the value of a fault, or the fault of a value, is a
// programming error, which throws std::bad_variant_access (std::bad_optional_access for a
// Result<void>).
//
// TRY(expression) passes a fault on: in a function that itself returns a Result, it gives the
// value of a Result that holds one and returns the fault of one that does not.
//
//     auto folder = TRY(openFolder(path));      // instead of checking and returning by hand
//     TRY(writeAll(file, bytes));               // a Result<void>
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace velorin::common {

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
    // The error number of the system call that failed, taken at the call; 0 when the fault
    // did not come from one. Callers that tell one failure from another (a name that exists
    // already, a lock held by another process) look here, never at errno.
    int systemError{0};
};

// `fault` told about `file`: its message follows "DOING: ", and its error number is kept.
Fault contextualFault(const Fault& fault, std::string file, std::string_view doing);

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

    // The same result, with a fault told about `file`: "FILE: DOING: its own message". For a
    // fault of a system call, whose message is the system's reason alone.
    Result withContext(std::string file, std::string_view doing) && {
        if (ok())
            return std::move(*this);
        return contextualFault(fault(), std::move(file), doing);
    }

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

    // Nothing, so that TRY takes a Result<void> as it takes any other.
    void value() const {}
    const Fault& fault() const { return m_fault.value(); }

    Result withContext(std::string file, std::string_view doing) && {
        if (ok())
            return {};
        return contextualFault(fault(), std::move(file), doing);
    }

private:
    std::optional<Fault> m_fault;
};

} // namespace velorin::common

// A GNU statement expression (which g++ and clang both take; __extension__ keeps -Wpedantic
// quiet about it), so that TRY can stand where its value is used.
#define TRY(expression)                                                                            \
    __extension__({                                                                                \
        auto&& tryResult_ = (expression);                                                          \
        if (!tryResult_)                                                                           \
            return tryResult_.fault();                                                             \
        std::move(tryResult_).value();                                                             \
    })
