// The allocation-failure sweep: preloaded into a host process (LD_PRELOAD), it makes the host
// run again and again, each time with one allocation, or every allocation from one on,
// failing, and records how each run ended.
//
// The work swept is what the host does with the extension loaded: a window opens when the host
// calls dlopen on the extension library (VELORIN_SWEEP_LIBRARY, a file name such as
// "libvelorin.so", matched at the start of the path's last part) and closes when the host
// unloads it. Before the host's own code starts, the process becomes the sweep's parent: it
// forks one child per run and never goes on itself. Each child runs the host from its start, so
// that whatever the host makes and removes (a private copy of the preferences, say) is its
// own; allocations outside the window never fail.
//
// The first child fails nothing and counts the allocations in its window: T. Then, in the mode
// "once", child N fails only the Nth allocation, for every N from 1 to T + 2; in the mode
// "from", child N fails the Nth and every later one. Allocations are malloc, calloc, realloc,
// the aligned allocators and every operator new; a failed malloc gives none with ENOMEM, a
// failed operator new throws std::bad_alloc (the nothrow forms give none).
//
// Each child's standard output and error are caught. A child that ends as the first one did,
// with the same output, ran unchanged; one that ends with the same status but other output
// did less (the extension fell back or stayed inert); one whose status is listed in
// VELORIN_SWEEP_STOP_STATUSES stopped its own work with a message. Every other end is a
// failure: a signal, another status (the sanitizers' leak report among them), or still running
// after VELORIN_SWEEP_SECONDS (10 by default), when it is killed. A child that crashes writes
// where to its output.
//
// The parent writes its findings to VELORIN_SWEEP_REPORT and ends the process with status 0
// when no child failed and 1 otherwise; VELORIN_SWEEP_LOG names a file for every run's end and
// output, each with where its first failed allocation was asked for; VELORIN_SWEEP_UP_TO=N
// stops each mode at N. VELORIN_SWEEP_ONLY=once:N (or from:N) makes the process that one run,
// without forking, for a debugger. Without
// VELORIN_SWEEP_REPORT nothing is swept and every call passes straight through.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <execinfo.h>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// The allocator and loader functions the preloaded ones stand in front of.
struct NextFunctions {
    void* (*malloc)(std::size_t){nullptr};
    void* (*calloc)(std::size_t, std::size_t){nullptr};
    void* (*realloc)(void*, std::size_t){nullptr};
    void (*free)(void*){nullptr};
    int (*posixMemalign)(void**, std::size_t, std::size_t){nullptr};
    void* (*alignedAlloc)(std::size_t, std::size_t){nullptr};
    void* (*memalign)(std::size_t, std::size_t){nullptr};
    void* (*dlopen)(const char*, int){nullptr};
    int (*dlclose)(void*){nullptr};
    int (*pthreadCreate)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*){nullptr};
};

NextFunctions next;
std::atomic<bool> resolving{false};

// dlsym may allocate while the functions are looked up; those few allocations come from here
// and are never given back.
alignas(std::max_align_t) char bootstrap[16384];
std::atomic<std::size_t> bootstrapUsed{0};

bool fromBootstrap(const void* pointer) {
    auto* byte = static_cast<const char*>(pointer);
    return byte >= bootstrap && byte < bootstrap + sizeof bootstrap;
}

void* bootstrapAllocate(std::size_t size) {
    const std::size_t rounded =
        (size + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
    const std::size_t start = bootstrapUsed.fetch_add(rounded + alignof(std::max_align_t));
    if (start + rounded + alignof(std::max_align_t) > sizeof bootstrap)
        return nullptr;
    // The size sits just before the block, for realloc.
    std::memcpy(bootstrap + start, &size, sizeof size);
    return bootstrap + start + alignof(std::max_align_t);
}

template <typename Function>
void lookUp(Function& function, const char* name) {
    function = reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

void resolve() {
    if (next.free || resolving.exchange(true))
        return;
    lookUp(next.malloc, "malloc");
    lookUp(next.calloc, "calloc");
    lookUp(next.realloc, "realloc");
    lookUp(next.posixMemalign, "posix_memalign");
    lookUp(next.alignedAlloc, "aligned_alloc");
    lookUp(next.memalign, "memalign");
    lookUp(next.dlopen, "dlopen");
    lookUp(next.dlclose, "dlclose");
    lookUp(next.pthreadCreate, "pthread_create");
    lookUp(next.free, "free");
    resolving = false;
}

bool ready() {
    if (!next.free)
        resolve();
    return next.free != nullptr;
}

// The state of one run, shared by the sweep's parent and the child it is running.
enum class Mode : int { Once, From };

struct SharedRecord {
    std::atomic<std::uint64_t> windowAllocations;
    std::atomic<bool> windowClosed;
};

std::atomic<bool> windowOpen{false};
std::atomic<std::uint64_t> counted{0};
std::uint64_t failAt = 0;
Mode mode = Mode::Once;
SharedRecord* shared = nullptr;
void* extensionHandle = nullptr;
bool sweepStarted = false;
bool windowOpened = false;
// With a log, a child writes where its first failed allocation was asked for.
bool showFailedAllocation = false;
// Where a child writes what the sweep itself has to say (where it failed an allocation, where
// it crashed), apart from its output, which is compared with the first run's.
int diagnostics = -1;

void writeBacktrace() {
    void* frames[64];
    const int count = ::backtrace(frames, 64);
    ::backtrace_symbols_fd(frames, count, diagnostics >= 0 ? diagnostics : STDERR_FILENO);
}

// Whether this thread runs the host's or the extension's code. A thread that a program starts
// runs the runtime's own set-up first (the address sanitizer's allocates through malloc and
// stops the process when that fails); its allocations count only once the program's own
// function is running.
thread_local bool runsProgramCode = false;

// Counts one allocation in the window and answers whether it is to fail.
bool failThisOne() {
    if (!windowOpen.load(std::memory_order_relaxed) || !runsProgramCode)
        return false;
    const std::uint64_t index = counted.fetch_add(1, std::memory_order_relaxed) + 1;
    if (failAt == 0)
        return false;
    const bool fail = mode == Mode::Once ? index == failAt : index >= failAt;
    if (fail && index == failAt && showFailedAllocation) {
        static const char heading[] = "this allocation fails:\n";
        [[maybe_unused]] auto written =
            ::write(diagnostics >= 0 ? diagnostics : STDERR_FILENO, heading, sizeof heading - 1);
        writeBacktrace();
    }
    return fail;
}

void* allocate(std::size_t size) {
    if (!ready())
        return bootstrapAllocate(size);
    return next.malloc(size);
}

void* allocateAligned(std::size_t alignment, std::size_t size) {
    if (!ready())
        return nullptr;
    void* pointer = nullptr;
    if (alignment < sizeof(void*))
        alignment = sizeof(void*);
    return next.posixMemalign(&pointer, alignment, size) == 0 ? pointer : nullptr;
}

// --- The sweep's parent ------------------------------------------------------------------

struct Outcome {
    enum class Kind { Unchanged, DidLess, Stopped, Failed };
    Kind kind{Kind::Failed};
    std::string description;
};

struct RunResult {
    int status{0};
    bool exited{false};
    bool timedOut{false};
    std::string output;
    // What the sweep noted in the child: where it failed an allocation, where it crashed.
    std::string diagnostics;
};

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string environmentText(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

// A child that crashes writes where, so that the report shows it; a handler already in place
// (the sanitizers') is left alone.
void writeBacktraceAndDie(int signal) {
    writeBacktrace();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void reportCrashes() {
    for (int signal : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL}) {
        struct sigaction current {};
        ::sigaction(signal, nullptr, &current);
        if (current.sa_handler == SIG_DFL)
            ::signal(signal, writeBacktraceAndDie);
    }
}

// Forks a child with the given failure. In the child it returns true; in the parent it waits
// for the child, catching its output, and fills `result`.
bool runChild(std::uint64_t failure, Mode childMode, double seconds, RunResult& result) {
    int pipes[2];
    if (::pipe2(pipes, O_CLOEXEC) != 0) {
        std::perror("allocation sweep: pipe");
        std::_Exit(3);
    }
    const int noted = ::memfd_create("allocation-sweep", MFD_CLOEXEC);
    shared->windowAllocations = 0;
    shared->windowClosed = false;
    // What the parent has buffered would otherwise be written again by the child as it ends.
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("allocation sweep: fork");
        std::_Exit(3);
    }
    if (child == 0) {
        ::dup2(pipes[1], STDOUT_FILENO);
        ::dup2(pipes[1], STDERR_FILENO);
        ::close(pipes[0]);
        ::close(pipes[1]);
        diagnostics = noted;
        reportCrashes();
        failAt = failure;
        mode = childMode;
        return true;
    }
    ::close(pipes[1]);
    result = RunResult{};
    const auto start = std::chrono::steady_clock::now();
    bool open = true;
    char buffer[4096];
    while (open) {
        const double left = seconds - secondsSince(start);
        if (left <= 0) {
            result.timedOut = true;
            break;
        }
        pollfd waiting{pipes[0], POLLIN, 0};
        const int ready = ::poll(&waiting, 1, static_cast<int>(left * 1000) + 1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue;
        const ssize_t read = ::read(pipes[0], buffer, sizeof buffer);
        if (read > 0)
            result.output.append(buffer, static_cast<std::size_t>(read));
        else if (read == 0 || errno != EINTR)
            open = false;
    }
    ::close(pipes[0]);
    // The output has ended; the child may still be finishing its exit.
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child)
            break;
        if (result.timedOut || secondsSince(start) > seconds) {
            result.timedOut = true;
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            break;
        }
        ::usleep(200);
    }
    result.exited = WIFEXITED(status);
    result.status = result.exited ? WEXITSTATUS(status) : WTERMSIG(status);
    if (noted >= 0) {
        ::lseek(noted, 0, SEEK_SET);
        for (ssize_t read; (read = ::read(noted, buffer, sizeof buffer)) > 0;)
            result.diagnostics.append(buffer, static_cast<std::size_t>(read));
        ::close(noted);
    }
    return false;
}

std::vector<int> stopStatuses() {
    std::vector<int> statuses;
    std::string text = environmentText("VELORIN_SWEEP_STOP_STATUSES", "");
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find(',', at);
        if (end == std::string::npos)
            end = text.size();
        statuses.push_back(std::atoi(text.substr(at, end - at).c_str()));
        at = end + 1;
    }
    return statuses;
}

// The start of a run's output, each line indented so that none reads as a report line.
std::string excerpt(const std::string& output, std::size_t limit = 1500) {
    std::string indented = "  ";
    for (char character : output.substr(0, limit)) {
        indented += character;
        if (character == '\n')
            indented += "  ";
    }
    return indented;
}

Outcome judge(const RunResult& run, const RunResult& baseline, const std::vector<int>& stops) {
    if (run.timedOut)
        return {Outcome::Kind::Failed,
                "still running after the time allowed; killed\n" + excerpt(run.output)};
    if (!run.exited)
        return {Outcome::Kind::Failed, "ended by signal " + std::to_string(run.status) + " (" +
                                           ::strsignal(run.status) + ")\n" + excerpt(run.output) +
                                           "\n" + excerpt(run.diagnostics, 4000)};
    if (run.status == baseline.status)
        return {run.output == baseline.output ? Outcome::Kind::Unchanged : Outcome::Kind::DidLess,
                {}};
    for (int stop : stops) {
        if (run.status == stop)
            return {Outcome::Kind::Stopped, {}};
    }
    return {Outcome::Kind::Failed,
            "ended with status " + std::to_string(run.status) + "\n" + excerpt(run.output)};
}

// Runs the sweep. Returns only in a child, which then goes on as the host; the parent reports
// and ends the process.
void sweep() {
    // VELORIN_SWEEP_ONLY=once:N (or from:N) runs that one run in this process, without forking
    // and without a report, so that it can be followed in a debugger.
    const std::string only = environmentText("VELORIN_SWEEP_ONLY", "");
    if (auto colon = only.find(':'); colon != std::string::npos) {
        mode = only.substr(0, colon) == "from" ? Mode::From : Mode::Once;
        failAt = std::strtoull(only.c_str() + colon + 1, nullptr, 10);
        return;
    }
    const std::string reportPath = environmentText("VELORIN_SWEEP_REPORT", "");
    const double seconds = std::atof(environmentText("VELORIN_SWEEP_SECONDS", "10").c_str());
    const std::vector<int> stops = stopStatuses();
    void* page = ::mmap(nullptr, sizeof(SharedRecord), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) {
        std::perror("allocation sweep: mmap");
        std::_Exit(3);
    }
    shared = new (page) SharedRecord{};
    std::fflush(nullptr);
    const auto start = std::chrono::steady_clock::now();

    RunResult baseline;
    if (runChild(0, Mode::Once, seconds, baseline))
        return;
    const std::uint64_t total = shared->windowAllocations;
    std::string report;
    std::size_t failures = 0;
    auto note = [&report](const std::string& line) { report += line + "\n"; };
    note("allocations " + std::to_string(total));
    note("baseline status " + std::to_string(baseline.status) +
         (baseline.exited ? " exited" : " signal") + (baseline.timedOut ? " timed-out" : ""));
    note("baseline output\n" + excerpt(baseline.output));
    // VELORIN_SWEEP_LOG names a file that gets every run's end and output, for finding out
    // what a run that did less did.
    FILE* log = nullptr;
    if (const char* logPath = std::getenv("VELORIN_SWEEP_LOG")) {
        log = std::fopen(logPath, "w");
        showFailedAllocation = true;
    }
    if (!baseline.exited || baseline.timedOut || !shared->windowClosed) {
        ++failures;
        note("failure baseline: the run without failures did not end normally\n" +
             excerpt(baseline.output));
    }
    std::uint64_t last = total + 2;
    // VELORIN_SWEEP_UP_TO=N stops each mode at N, for a quick look at the first runs.
    if (const char* upTo = std::getenv("VELORIN_SWEEP_UP_TO"))
        last = std::min<std::uint64_t>(last, std::strtoull(upTo, nullptr, 10));
    for (Mode sweepMode : {Mode::Once, Mode::From}) {
        const char* name = sweepMode == Mode::Once ? "once" : "from";
        std::size_t counts[4] = {0, 0, 0, 0};
        for (std::uint64_t failure = 1; failure <= last && total > 0; ++failure) {
            RunResult run;
            if (runChild(failure, sweepMode, seconds, run))
                return;
            Outcome outcome = judge(run, baseline, stops);
            ++counts[static_cast<int>(outcome.kind)];
            if (log)
                std::fprintf(log, "%s %llu: kind %d status %d%s\n%s\n%s\n", name,
                             static_cast<unsigned long long>(failure),
                             static_cast<int>(outcome.kind), run.status,
                             run.exited ? "" : " (signal)", excerpt(run.output, 20000).c_str(),
                             excerpt(run.diagnostics, 20000).c_str());
            if (outcome.kind == Outcome::Kind::Failed) {
                ++failures;
                note("failure " + std::string(name) + " " + std::to_string(failure) + ": " +
                     outcome.description);
            }
        }
        note(std::string(name) + " tried " + std::to_string(total > 0 ? last : 0) + " unchanged " +
             std::to_string(counts[0]) + " did-less " + std::to_string(counts[1]) + " stopped " +
             std::to_string(counts[2]) + " failed " + std::to_string(counts[3]));
    }
    if (log)
        std::fclose(log);
    char elapsed[64];
    std::snprintf(elapsed, sizeof elapsed, "seconds %.1f", secondsSince(start));
    note(elapsed);
    if (FILE* file = std::fopen(reportPath.c_str(), "w")) {
        std::fputs(report.c_str(), file);
        std::fclose(file);
    } else {
        std::fputs(report.c_str(), stderr);
    }
    std::_Exit(failures == 0 ? 0 : 1);
}

bool isExtensionLibrary(const char* file) {
    const std::string wanted = environmentText("VELORIN_SWEEP_LIBRARY", "libvelorin.so");
    std::string_view name = file;
    if (auto slash = name.rfind('/'); slash != std::string_view::npos)
        name = name.substr(slash + 1);
    return name.starts_with(wanted);
}

void closeWindow() {
    windowOpen = false;
    if (shared) {
        shared->windowAllocations = counted.load();
        shared->windowClosed = true;
    }
}

// Before the host's own code: the process becomes the sweep's parent, and only its children
// go on into the host.
__attribute__((constructor)) void startSweep() {
    runsProgramCode = true;
    if (!std::getenv("VELORIN_SWEEP_REPORT"))
        return;
    ready();
    sweepStarted = true;
    sweep();
}

} // namespace

extern "C" {

void* malloc(std::size_t size) {
    if (failThisOne()) {
        errno = ENOMEM;
        return nullptr;
    }
    return allocate(size);
}

void* calloc(std::size_t count, std::size_t size) {
    if (!ready()) {
        void* pointer = bootstrapAllocate(count * size);
        // The bootstrap block is zero until used.
        return pointer;
    }
    if (failThisOne()) {
        errno = ENOMEM;
        return nullptr;
    }
    return next.calloc(count, size);
}

void* realloc(void* pointer, std::size_t size) {
    if (pointer && fromBootstrap(pointer)) {
        std::size_t old = 0;
        std::memcpy(&old, static_cast<char*>(pointer) - alignof(std::max_align_t), sizeof old);
        void* moved = malloc(size);
        if (moved)
            std::memcpy(moved, pointer, old < size ? old : size);
        return moved;
    }
    if (!ready())
        return bootstrapAllocate(size);
    if (size > 0 && failThisOne()) {
        errno = ENOMEM;
        return nullptr;
    }
    return next.realloc(pointer, size);
}

void free(void* pointer) {
    if (!pointer || fromBootstrap(pointer))
        return;
    if (ready())
        next.free(pointer);
}

int posix_memalign(void** result, std::size_t alignment, std::size_t size) {
    if (!ready())
        return ENOMEM;
    if (failThisOne())
        return ENOMEM;
    return next.posixMemalign(result, alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
    if (!ready())
        return nullptr;
    if (failThisOne()) {
        errno = ENOMEM;
        return nullptr;
    }
    return next.alignedAlloc(alignment, size);
}

void* memalign(std::size_t alignment, std::size_t size) {
    if (!ready())
        return nullptr;
    if (failThisOne()) {
        errno = ENOMEM;
        return nullptr;
    }
    return next.memalign(alignment, size);
}

void* dlopen(const char* file, int flags) {
    if (!ready())
        return nullptr;
    // The window opens at the extension's first load; a later load of it (a host that loads
    // it again) is inside the window or after it.
    const bool extension = file && !(flags & RTLD_NOLOAD) && isExtensionLibrary(file);
    const bool opensWindow = extension && sweepStarted && !windowOpened;
    if (opensWindow) {
        windowOpened = true;
        counted = 0;
        windowOpen = true;
    }
    void* handle = next.dlopen(file, flags);
    if (opensWindow) {
        extensionHandle = handle;
        // An extension that did not load has nothing more to do: the window closes.
        if (!handle)
            closeWindow();
    }
    return handle;
}

int dlclose(void* handle) {
    if (!ready())
        return -1;
    const int result = next.dlclose(handle);
    if (extensionHandle && handle == extensionHandle && windowOpen)
        closeWindow();
    return result;
}

int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*start)(void*),
                   void* argument) {
    if (!ready())
        return EAGAIN;
    struct Start {
        void* (*function)(void*);
        void* argument;
    };
    // The thread's start is handed over in memory the program asks for, as the system's own
    // start does: it may fail like any other allocation.
    auto* handed = static_cast<Start*>(malloc(sizeof(Start)));
    if (!handed)
        return EAGAIN;
    *handed = Start{start, argument};
    auto trampoline = [](void* given) -> void* {
        Start begin = *static_cast<Start*>(given);
        free(given);
        runsProgramCode = true;
        return begin.function(begin.argument);
    };
    const int created = next.pthreadCreate(thread, attributes, trampoline, handed);
    if (created != 0)
        free(handed);
    return created;
}

} // extern "C"

// Every operator new counts and may fail; each takes its memory from the next malloc itself,
// so that one allocation is counted once, and gives it back with free.
namespace {

void* newBlock(std::size_t size, bool throwing, std::size_t alignment = 0) {
    if (size == 0)
        size = 1;
    for (;;) {
        if (failThisOne()) {
            if (throwing)
                throw std::bad_alloc();
            return nullptr;
        }
        void* block = alignment ? allocateAligned(alignment, size) : allocate(size);
        if (block)
            return block;
        std::new_handler handler = std::get_new_handler();
        if (!handler) {
            if (throwing)
                throw std::bad_alloc();
            return nullptr;
        }
        handler();
    }
}

} // namespace

void* operator new(std::size_t size) {
    return newBlock(size, true);
}
void* operator new[](std::size_t size) {
    return newBlock(size, true);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return newBlock(size, false);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return newBlock(size, false);
    } catch (...) {
        return nullptr;
    }
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return newBlock(size, true, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return newBlock(size, true, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    try {
        return newBlock(size, false, static_cast<std::size_t>(alignment));
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    try {
        return newBlock(size, false, static_cast<std::size_t>(alignment));
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* block) noexcept {
    free(block);
}
void operator delete[](void* block) noexcept {
    free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    free(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
    free(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
    free(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept {
    free(block);
}
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
    free(block);
}
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    free(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    free(block);
}
