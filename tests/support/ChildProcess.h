// Runs a program as a separate process, with its standard output and error caught in files
// (so it never sees a terminal), and gives its exit status and what it wrote.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace velorin::testing {

struct ProcessOutcome {
    // The exit status, or -1 when the process did not exit normally (a signal stopped it).
    int status{-1};
    std::string out;
    std::string err;
};

// Runs `program` with `arguments`; `settings` (NAME=VALUE) are added to its environment, and it
// gets a home of its own in `scratch` (ScratchHome.h) for whatever they leave unnamed. The
// output files go into `scratch` and are removed afterwards.
ProcessOutcome runProcess(const std::string& program, std::vector<std::string> arguments,
                          const std::filesystem::path& scratch,
                          std::vector<std::string> settings = {});

// A program started in the background with its standard output in a pipe, so that a test can
// wait for a line it prints (a sign that it has reached a step) without sleeping, and then send
// it a signal or more input. Its environment is made as runProcess makes it; standard input is
// a pipe the test writes into; standard error goes into a file in `scratch`.
class RunningProcess {
public:
    RunningProcess(const std::string& program, std::vector<std::string> arguments,
                   const std::filesystem::path& scratch, std::vector<std::string> settings = {});
    ~RunningProcess();
    RunningProcess(const RunningProcess&) = delete;
    RunningProcess& operator=(const RunningProcess&) = delete;

    // Reads standard output until it holds `text`; false when the output ends first.
    bool waitForOutput(const std::string& text);
    void signal(int number) const;
    // Writes to the program's standard input; false when it no longer reads it.
    bool sendInput(const std::string& text);
    // Ends the program's standard input.
    void closeInput();
    // Ends the input, reads the rest of the output and waits for the process to end.
    ProcessOutcome finish();

private:
    int m_pid{-1};
    int m_output{-1};
    int m_input{-1};
    std::filesystem::path m_errors;
    std::string m_read;
};

// The whole contents of a file, or empty when it cannot be read.
std::string readWholeFile(const std::filesystem::path& path);

} // namespace velorin::testing
