#include "tools/common/SampleRoot.h"

#include "common/ProgramLocation.h"
#include "common/SystemCalls.h"
#include "common/WholeOutput.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;

bool isFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Copies the sample root into a fresh folder beside `root` and renames it into place. When
// another command made the root meanwhile, its root stands and the copy is removed.
common::Result<void> makeRoot(const fs::path& root) {
    std::error_code error;
    fs::create_directories(root.parent_path(), error);
    if (error)
        return common::Fault(root.parent_path().string(),
                             "cannot be made: " + common::describeSystemError(error));
    // A copy left by a command killed while making the root goes first.
    const std::string stem = root.filename().string() + ".making";
    common::removeAbandonedStagingFolders(root.parent_path(), "." + stem);
    auto staging = TRY(common::StagingFolder::make(root.parent_path(), stem)
                           .withContext(root.parent_path().string(), "cannot be written"));
    std::string sample = bundledSampleRoot();
    fs::copy(sample, staging.path(), fs::copy_options::recursive | fs::copy_options::copy_symlinks,
             error);
    if (error)
        return common::Fault(sample, "cannot be copied to make your device root: " +
                                         common::describeSystemError(error));
    staging.givePlainPermissions();
    auto moved = common::renamePath(staging.path(), root, common::RenameMode::Replace);
    if (!moved) {
        int cause = moved.fault().systemError;
        if ((cause == EEXIST || cause == ENOTEMPTY) && isFolder(root.string()))
            return {};
        return std::move(moved).withContext(root.string(), "cannot be made");
    }
    staging.moved();
    std::fprintf(stderr, "velorin-sim: made your device root at %s, a copy of the sample root\n",
                 root.c_str());
    return {};
}

// A name beside `root` for moving it aside: "root.old-20261207-141500", with a number added
// when that is taken.
fs::path asideName(const fs::path& root) {
    std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    fs::path aside = root.string() + ".old-" + stamp;
    std::error_code error;
    for (int number = 2; fs::exists(fs::symlink_status(aside, error)); ++number)
        aside = root.string() + ".old-" + stamp + "-" + std::to_string(number);
    return aside;
}

} // namespace

std::string bundledSampleRoot() {
    if (const char* fromEnvironment = std::getenv("VELORIN_SAMPLE_ROOT"))
        return fromEnvironment;
    // An installed program uses the root installed beside it first, whatever the prefix; a
    // program in the build tree has none there and uses the tree's.
    auto besideProgram = common::besideRunningProgram(VELORIN_SAMPLE_ROOT_FROM_PROGRAM);
    for (const std::string& candidate :
         {besideProgram ? besideProgram->string() : std::string(),
          std::string(VELORIN_BUILD_SAMPLE_ROOT), std::string(VELORIN_INSTALLED_SAMPLE_ROOT),
          std::string(VELORIN_SOURCE_SAMPLE_ROOT)}) {
        if (!candidate.empty() && isFolder(candidate))
            return candidate;
    }
    return VELORIN_INSTALLED_SAMPLE_ROOT;
}

common::Result<std::string> userDeviceRootPath() {
    if (std::string chosen = environmentValue("VELORIN_ROOT"); !chosen.empty())
        return fs::absolute(chosen).lexically_normal().string();
    fs::path dataHome = environmentValue("XDG_DATA_HOME");
    if (dataHome.empty() || !dataHome.is_absolute()) {
        std::string home = environmentValue("HOME");
        if (home.empty())
            return common::Fault("no home folder (HOME is not set) to keep your device root in; "
                                 "set VELORIN_ROOT or give --root");
        dataHome = fs::path(home) / ".local/share";
    }
    return (dataHome / "velorin" / "root").string();
}

common::Result<std::string> userDeviceRoot() {
    auto path = userDeviceRootPath();
    if (!path)
        return path;
    if (isFolder(path.value()))
        return path;
    std::error_code error;
    if (fs::exists(fs::symlink_status(path.value(), error)))
        return common::Fault(path.value(), "is not a folder, so it cannot be your device root");
    TRY(makeRoot(path.value()));
    return path;
}

common::Result<RootReset> resetUserDeviceRoot() {
    auto path = TRY(userDeviceRootPath());
    RootReset reset{path, {}};
    std::error_code error;
    if (fs::exists(fs::symlink_status(path, error))) {
        fs::path aside = asideName(path);
        TRY(common::renamePath(path, aside, common::RenameMode::Replace)
                .withContext(path, "cannot be moved aside"));
        reset.movedAsideTo = aside.string();
    }
    TRY(makeRoot(path));
    return reset;
}

common::Result<std::string> chooseDeviceRoot(const std::string& givenRoot) {
    if (givenRoot.empty())
        return userDeviceRoot();
    if (!isFolder(givenRoot))
        return common::Fault(givenRoot, "no such device root (expected a folder)");
    return givenRoot;
}

} // namespace velorin::tools
