// velorin-sim root: where your device root is, and a fresh one when you want to start over.
//
//   root            prints the root every command uses without --root (making it if needed)
//   root --reset    moves the old root aside, says where, and makes a fresh copy of the sample
//
// Nothing of a user's root is ever deleted: installed sequences and preferences stay in the
// folder it was moved to.
#include "tools/common/Commands.h"
#include "tools/common/FaultReport.h"
#include "tools/common/SampleRoot.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

namespace velorin::tools {

namespace {

int runRoot(bool reset) {
    if (!reset) {
        auto root = userDeviceRoot();
        if (!root)
            return report(root.fault());
        std::printf("%s\n", root.value().c_str());
        return 0;
    }
    auto done = resetUserDeviceRoot();
    if (!done)
        return report(done.fault());
    if (!done.value().movedAsideTo.empty())
        std::fprintf(stderr, "velorin-sim: your previous device root is now %s\n",
                     done.value().movedAsideTo.c_str());
    std::printf("%s\n", done.value().root.c_str());
    return 0;
}

} // namespace

CommandRun addRootOptions(CLI::App& command) {
    auto reset = std::make_shared<bool>(false);
    command.add_flag("--reset", *reset,
                     "Move the current root aside (nothing is deleted) and make a fresh one");
    return [reset] { return runRoot(*reset); };
}

} // namespace velorin::tools
