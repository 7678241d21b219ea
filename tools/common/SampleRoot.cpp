#include "tools/common/SampleRoot.h"

#include "common/ProgramLocation.h"
#include "common/SystemCalls.h"
#include "common/WholeOutput.h"
#include "tools/common/SampleRootManifest.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <unistd.h>
#include <vector>

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

// Where a sample root may be, in the order bundledSampleRoot() tries them.
std::vector<std::string> sampleRootPlaces() {
    if (std::string chosen = environmentValue("VELORIN_SAMPLE_ROOT"); !chosen.empty())
        return {chosen};
    // An installed program uses the root installed beside it first, whatever the prefix; a
    // program in the build tree has none there and uses the tree's.
    std::vector<std::string> places;
    if (auto besideProgram = common::besideRunningProgram(VELORIN_SAMPLE_ROOT_FROM_PROGRAM))
        places.push_back(besideProgram->string());
    places.push_back(VELORIN_BUILD_SAMPLE_ROOT);
    places.push_back(VELORIN_INSTALLED_SAMPLE_ROOT);
    return places;
}

// A path as the file system resolves it, links followed as far as they exist, with no trailing
// separator, so that two names of one folder compare equal.
fs::path resolved(const fs::path& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    fs::path canonical = fs::weakly_canonical(absolute, error);
    fs::path result = error ? absolute.lexically_normal() : canonical.lexically_normal();
    if (!result.has_filename() && result.has_relative_path())
        result = result.parent_path();
    return result;
}

bool holds(const fs::path& outer, const fs::path& inner) {
    auto [outerPart, innerPart] =
        std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
    return outerPart == outer.end();
}

// A fault when `root` is a sample root, lies inside one or holds one; `consequence` ends the
// message, saying what is refused and how to choose another root.
common::Result<void> refuseSampleRoot(const std::string& root, const std::string& consequence) {
    fs::path candidate = resolved(root);
    for (const std::string& place : sampleRootPlaces()) {
        if (!isFolder(place))
            continue;
        fs::path sample = resolved(place);
        std::string how;
        if (sample == candidate)
            how = "is velorin-sim's sample root";
        else if (holds(sample, candidate))
            how = "lies inside velorin-sim's sample root " + sample.string();
        else if (holds(candidate, sample))
            how = "holds velorin-sim's sample root " + sample.string();
        else
            continue;
        return common::Fault(root, how + ", which is never written, so " + consequence);
    }
    return {};
}

// The prefix of an install whose sample root is at `sample`, when the path ends as an install
// lays it out; empty otherwise.
std::string installPrefixOf(const fs::path& sample) {
    fs::path under = VELORIN_SAMPLE_ROOT_UNDER_PREFIX;
    if (under.is_absolute())
        return {};
    std::vector<fs::path> parts(sample.begin(), sample.end());
    std::vector<fs::path> tail(under.begin(), under.end());
    if (parts.size() <= tail.size() ||
        !std::equal(tail.begin(), tail.end(), parts.end() - static_cast<long>(tail.size())))
        return {};
    fs::path prefix;
    for (auto part = parts.begin(); part != parts.end() - static_cast<long>(tail.size()); ++part)
        prefix /= *part;
    return prefix.string();
}

// What to do about a sample root that is not whole, by where it is.
std::string sampleRootRemedy(const std::string& sample) {
    if (!environmentValue("VELORIN_SAMPLE_ROOT").empty())
        return "point VELORIN_SAMPLE_ROOT at a whole sample root, or unset it";
    const std::string build = VELORIN_BUILD_TREE;
    if (resolved(sample) == resolved(VELORIN_BUILD_SAMPLE_ROOT))
        return "finish it with `cmake --build " + build + " --target velorin_sample_root`";
    std::string prefix = installPrefixOf(resolved(sample));
    return "build and install velorin again: `cmake --build " + build +
           "`, then `cmake --install " + build + " --prefix " +
           (prefix.empty() ? std::string("PREFIX") : prefix) + "`";
}

struct WholeSampleRoot {
    std::string folder;
    std::vector<SampleRootFile> files;
};

// The sample root and its files when it is whole; otherwise a fault that says why the user's
// root was not made and how to mend the sample root.
common::Result<WholeSampleRoot> wholeSampleRoot() {
    std::string sample = bundledSampleRoot();
    auto files = readWholeSampleRoot(sample);
    if (!files)
        return common::Fault(sample, "is not a whole sample root (" + files.fault().message +
                                         "), so your device root was not made; " +
                                         sampleRootRemedy(sample));
    return WholeSampleRoot{sample, std::move(files.value())};
}

// Copies the listed files of the sample root into a fresh folder beside `root` and renames it
// into place. When another command made the root meanwhile, its root stands and the copy is
// removed.
common::Result<void> makeRoot(const fs::path& root, const WholeSampleRoot& sample) {
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
    for (const SampleRootFile& file : sample.files) {
        fs::path source = fs::path(sample.folder) / file.path;
        fs::path target = staging.pathOf(file.path);
        fs::create_directories(target.parent_path(), error);
        if (!error)
            fs::copy_file(source, target, error);
        if (error)
            return common::Fault(source.string(), "cannot be copied to make your device root: " +
                                                      common::describeSystemError(error));
        // A file that changed since the sample root was found whole is not copied half.
        if (fs::file_size(target, error) != file.size)
            return common::Fault(source.string(),
                                 "changed while your device root was made from it");
    }
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
    std::vector<std::string> places = sampleRootPlaces();
    for (const std::string& place : places) {
        if (isFolder(place))
            return place;
    }
    return places.back();
}

common::Result<std::string> userDeviceRootPath() {
    std::string path;
    if (std::string chosen = environmentValue("VELORIN_ROOT"); !chosen.empty()) {
        path = fs::absolute(chosen).lexically_normal().string();
    } else {
        fs::path dataHome = environmentValue("XDG_DATA_HOME");
        if (dataHome.empty() || !dataHome.is_absolute()) {
            std::string home = environmentValue("HOME");
            if (home.empty())
                return common::Fault(
                    "no home folder (HOME is not set) to keep your device root in; "
                    "set VELORIN_ROOT or give --root");
            dataHome = fs::path(home) / ".local/share";
        }
        path = (dataHome / "velorin" / "root").string();
    }
    TRY(refuseSampleRoot(path, "it cannot be your device root; set VELORIN_ROOT to a folder of "
                               "your own"));
    return path;
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
    auto sample = TRY(wholeSampleRoot());
    TRY(makeRoot(path.value(), sample));
    return path;
}

common::Result<RootReset> resetUserDeviceRoot() {
    auto path = TRY(userDeviceRootPath());
    // The old root stays where it is unless a fresh one can be made.
    auto sample = TRY(wholeSampleRoot());
    RootReset reset{path, {}};
    std::error_code error;
    if (fs::exists(fs::symlink_status(path, error))) {
        fs::path aside = asideName(path);
        TRY(common::renamePath(path, aside, common::RenameMode::Replace)
                .withContext(path, "cannot be moved aside"));
        reset.movedAsideTo = aside.string();
    }
    TRY(makeRoot(path, sample));
    return reset;
}

common::Result<std::string> chooseDeviceRoot(const std::string& givenRoot, RootAccess access) {
    if (givenRoot.empty())
        return userDeviceRoot();
    if (!isFolder(givenRoot))
        return common::Fault(givenRoot, "no such device root (expected a folder)");
    if (access == RootAccess::Write) {
        TRY(refuseSampleRoot(givenRoot, "no command writes to it; give a root of your own, or "
                                        "leave out --root to use yours"));
    }
    return givenRoot;
}

} // namespace velorin::tools
