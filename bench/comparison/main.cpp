// velorin_compare: the project's speed and memory against bare libpng and zlib, measured side
// by side on this machine and printed as ratios (run by scripts/bench.sh).
//   velorin_compare SCRATCH VELORIN_SIM BARE_DECODE SAMPLE_ROOT [--quick] [--loading] [--import]
//     (--loading: the loading comparisons alone, none of velorin-sim's; --import: the import
//     comparisons alone)
//   velorin_compare --one-showing ROOT FRAMES SIDE     (used by itself: one showing's memory)
//   velorin_compare --measure PROGRAM ARGUMENTS...     (used by itself: a program timed whole)
// SCRATCH receives the generated sequences and every output; nothing in it is committed.
#include "animation/FrameDecoding.h"
#include "bench/comparison/GeneratedSequences.h"
#include "bench/comparison/LoadingComparison.h"
#include "bench/comparison/Measurement.h"
#include "bench/comparison/ToolComparisons.h"
#include "platform/DeviceFileSystem.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <exception>
#include <fstream>
#include <string>
#include <tuple>
#include <unistd.h>

namespace velorin::bench {
namespace {

namespace fs = std::filesystem;

constexpr double mebibyte = 1024.0 * 1024.0;

// The processor's name, family and model, as /proc/cpuinfo gives them for the first one.
std::string processorModel() {
    std::ifstream file("/proc/cpuinfo");
    std::string line;
    std::string name = "unknown";
    std::string family;
    std::string model;
    while (std::getline(file, line) && !line.empty()) {
        auto colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        auto value = line.substr(std::min(line.size(), colon + 2));
        if (line.rfind("model name", 0) == 0)
            name = value;
        else if (line.rfind("cpu family", 0) == 0)
            family = value;
        else if (line.rfind("model\t", 0) == 0)
            model = value;
    }
    return name + " (family " + family + ", model " + model + ")";
}

std::string today() {
    std::time_t now = std::time(nullptr);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
    return text;
}

// The resident growth of one showing, measured in a fresh process of this program.
std::size_t residentGrowthInChild(const fs::path& root, const SequenceShape& shape) {
    std::string command = fs::read_symlink("/proc/self/exe").string() + " --one-showing '" +
                          root.string() + "' " + std::to_string(shape.frameCount) + " " +
                          std::to_string(shape.side);
    std::FILE* child = ::popen(command.c_str(), "r");
    unsigned long long bytes = 0;
    if (child) {
        if (std::fscanf(child, "%llu", &bytes) != 1)
            bytes = 0;
        ::pclose(child);
    }
    return bytes;
}

void printLoading(const SequenceShape& shape, const LoadingFigures& figures,
                  std::size_t residentGrowth) {
    const VariantFigures& one = figures.libpngOneThread;
    const VariantFigures& same = figures.libpngSameThreads;
    auto row = [&](const std::string& what, const VariantFigures& variant) {
        std::printf("| %s | %.1f ms | %.1f ms | %.3fx | %.3fx | %.3fx |\n", what.c_str(),
                    variant.seconds * 1000, variant.processorSeconds * 1000,
                    variant.seconds / one.seconds,
                    variant.processorSeconds / one.processorSeconds,
                    variant.seconds / same.seconds);
    };
    std::string threads = std::to_string(figures.threads) + " threads";
    std::printf("\n### Loading %d frames of %u² (one showing; %zu threads)\n\n", shape.frameCount,
                shape.side, figures.threads);
    std::printf("| | median wall | median processor | wall to libpng, 1 thread | processor to "
                "libpng, 1 thread | wall to libpng, %s |\n",
                threads.c_str());
    std::printf("|---|---|---|---|---|---|\n");
    row("the project (`startAnimating`), " + threads, figures.project);
    row("the project, held to 1 processor (1 thread)", figures.projectOneThread);
    row("the project through libpng alone (fast path off), 1 thread",
        figures.projectLibpngOneThread);
    row("libpng simplified API, 1 thread", one);
    row("libpng simplified API, " + threads, same);
    row("zlib inflate alone, 1 thread", figures.zlibOneThread);
    row("zlib inflate alone, " + threads, figures.zlibSameThreads);
    // On a machine whose other processors are busy, threads cannot help, and the ratios to
    // one thread say more about the machine than about the code.
    bool busy = one.seconds / same.seconds < 0.75 * static_cast<double>(figures.threads);
    std::printf("\nlibpng ran %.2fx as fast on %zu threads as on one%s.\n",
                one.seconds / same.seconds, figures.threads,
                busy ? " (the other processors were busy: the wall-time ratios between thread "
                       "counts are not telling; the processor-time ratios still are)"
                     : "");
    double decoded = static_cast<double>(shape.decodedBytes());
    double overFrames = (static_cast<double>(residentGrowth) - decoded) / mebibyte;
    std::printf("Frames kept: %zu of %d. Peak decoded bytes: %.1f MiB against %.1f MiB of "
                "frames (%.3fx). Peak resident growth of one showing in a fresh process: %.1f "
                "MiB, %.1f MiB over the frames.\n",
                figures.framesKept, shape.frameCount, figures.peakDecodedBytes / mebibyte,
                decoded / mebibyte, figures.peakDecodedBytes / decoded, residentGrowth / mebibyte,
                overFrames);
    double processorRatio =
        figures.projectOneThread.processorSeconds / one.processorSeconds;
    double wallRatio = figures.project.seconds / one.seconds;
    auto verdict = [](bool met) { return met ? "met" : "NOT met"; };
    std::printf("Targets: processor time on 1 thread %.3fx of libpng's (at most 0.35x: %s); "
                "wall time on %s %.3fx of libpng's on 1 (at most 0.22x with free processors: "
                "%s%s); resident growth over the frames %.1f MiB (at most 8: %s).\n",
                processorRatio, verdict(processorRatio <= 0.35), threads.c_str(), wallRatio,
                verdict(wallRatio <= 0.22), busy ? ", but the processors were busy" : "",
                overFrames, verdict(overFrames <= 8));
}

void printImport(const fs::path& scratch, const Programs& programs, bool quick) {
    const std::vector<std::pair<ImportClip, double>> clips{{{"uhd-4s", 3840, 2160, 4}, 1.5},
                                                           {{"hd-4s", 1920, 1080, 4}, 1.2}};
    std::printf("\n### `velorin-sim import` of 4 s of H.264 against `ffmpeg -i CLIP -vf "
                "scale=W:H frame%%04d.png` writing frames of the same size\n\n");
    std::printf("| clip | frames | median wall, import / ffmpeg | median processor, import / "
                "ffmpeg | wall ratio | processor ratio | target |\n|---|---|---|---|---|---|---|\n");
    for (const auto& [clip, target] : clips) {
        auto path = makeClip(scratch, clip);
        if (!path) {
            std::printf("| %ux%u | not measured: the `ffmpeg` program is missing "
                        "(scripts/install-dependencies.sh installs it) | | | | | |\n",
                        clip.width, clip.height);
            return;
        }
        auto figures = compareImport(scratch, *path, programs, quick ? 1 : 3);
        double wall = figures.import.seconds / figures.ffmpeg.seconds;
        double processor = figures.import.processorSeconds / figures.ffmpeg.processorSeconds;
        std::printf("| %ux%u to %ux%u | %d | %.2f s / %.2f s | %.2f s / %.2f s | %.2fx | %.2fx | "
                    "at most %.1fx: %s |\n",
                    clip.width, clip.height, figures.frameWidth, figures.frameHeight,
                    figures.frames, figures.import.seconds, figures.ffmpeg.seconds,
                    figures.import.processorSeconds, figures.ffmpeg.processorSeconds, wall,
                    processor, target,
                    wall <= target ? "met" : (processor <= target ? "met in processor time" : "NOT met"));
        std::fflush(stdout);
    }
    std::printf("\nPeak resident memory of `velorin-sim import` with its defaults (a longer "
                "source is cut to one showing's four seconds, and read to its end for its "
                "timing):\n\n| clip | 4 s | 60 s |\n|---|---|---|\n");
    for (const auto& [width, height, name] :
         {std::tuple{3840u, 2160u, "uhd"}, std::tuple{1920u, 1080u, "hd"}}) {
        auto shortClip = makeClip(scratch, {std::string(name) + "-4s", width, height, 4});
        auto longClip = makeClip(scratch, {std::string(name) + "-60s", width, height, 60});
        if (!shortClip || !longClip)
            return;
        std::printf("| %ux%u | %.1f MiB | %.1f MiB |\n", width, height,
                    importPeakResidentBytes(scratch, *shortClip, programs) / mebibyte,
                    importPeakResidentBytes(scratch, *longClip, programs) / mebibyte);
        std::fflush(stdout);
    }
}

void printList(const ListFigures& list) {
    std::printf("\n### `velorin-sim list` of a root whose one sequence has %zu frames, against a "
                "bare one-thread read of the frames' headers\n\n",
                list.frames);
    std::printf("| | median wall | median processor |\n|---|---|---|\n");
    std::printf("| `velorin-sim list` | %.1f ms | %.1f ms |\n", list.list * 1000,
                list.listProcessor * 1000);
    std::printf("| bare header read, 1 thread | %.1f ms | %.1f ms |\n", list.bareHeaders * 1000,
                list.bareHeadersProcessor * 1000);
    std::printf("\nRatio: %.2fx in processor time, %.2fx in wall time (target: at most 2x)\n",
                list.listProcessor / list.bareHeadersProcessor, list.list / list.bareHeaders);
    std::fflush(stdout);
}

int compare(const fs::path& scratch, const Programs& programs, bool quick, bool loadingOnly,
            bool listOnly) {
    auto start = Clock::now();
    std::printf("## velorin_compare, %s\n\n", today().c_str());
    std::printf("Machine: %s, %zu processors for this process; load average at the start %s\n",
                processorModel().c_str(), processorCount(), loadAverages().c_str());
    if (loadNow() > 1.0)
        std::printf("(the machine is busy: the medians are less certain; run again when idle)\n");
    if (listOnly) {
        printList(compareList(scratch, programs, quick ? 3 : 9));
        return 0;
    }
    fs::path root = scratch / "root";
    const std::vector<std::pair<SequenceShape, int>> sequences{
        {{60, 300}, quick ? 5 : 21}, {{120, 600}, quick ? 3 : 9}, {{60, 1200}, quick ? 3 : 5}};
    auto drawing = Clock::now();
    std::vector<std::vector<fs::path>> files;
    for (const auto& [shape, rounds] : sequences)
        files.push_back(makeSequence(root, shape));
    std::printf("Sequences ready in %.1f s (drawn once, then kept in %s)\n", secondsSince(drawing),
                scratch.c_str());
    for (std::size_t index = 0; index < sequences.size(); ++index) {
        const auto& [shape, rounds] = sequences[index];
        std::uintmax_t stored = 0;
        for (const auto& file : files[index])
            stored += fs::file_size(file);
        std::printf("Sequence %s: files %.1f%% of the decoded size\n", shape.name().c_str(),
                    100.0 * static_cast<double>(stored) /
                        static_cast<double>(shape.decodedBytes()));
    }

    platform::setDeviceRoot(root.string());
    for (std::size_t index = 0; index < sequences.size(); ++index) {
        const auto& [shape, rounds] = sequences[index];
        auto figures = compareLoading(shape, files[index], rounds);
        printLoading(shape, figures, residentGrowthInChild(root, shape));
        std::fflush(stdout);
    }

    if (loadingOnly)
        return 0;
    const SequenceShape runShape{120, 600};
    auto run = compareRun(scratch, root, runShape, programs, quick ? 3 : 9);
    std::printf("\n### A whole `velorin-sim run` of one showing of %s, against a bare one-thread "
                "libpng program decoding the same files\n\n",
                runShape.name().c_str());
    std::printf("| | median wall | median processor | peak resident |\n|---|---|---|---|\n");
    std::printf("| `velorin-sim run` (launch, lock, plug, end at 1.5 s) | %.1f ms | %.1f ms | "
                "%.1f MiB |\n",
                run.run.seconds * 1000, run.run.processorSeconds * 1000,
                run.run.peakResidentBytes / mebibyte);
    std::printf("| bare libpng, 1 thread | %.1f ms | %.1f ms | %.1f MiB |\n",
                run.bareDecode.seconds * 1000, run.bareDecode.processorSeconds * 1000,
                run.bareDecode.peakResidentBytes / mebibyte);
    std::printf("\nRatio: %.3fx in wall time (target: at most 0.40x), %.3fx in processor time\n",
                run.run.seconds / run.bareDecode.seconds,
                run.run.processorSeconds / run.bareDecode.processorSeconds);
    std::fflush(stdout);

    auto check = compareCheck(scratch, programs, quick ? 3 : 7);
    std::printf("\n### `velorin-sim check` on %zu names (empty files)\n\n", check.names);
    std::printf("| | median |\n|---|---|\n");
    std::printf("| distinct keys (`frames000001.png`...) | %.1f ms |\n", check.distinctKeys * 1000);
    std::printf("| equal keys (`a1.png`, `a10.png`...) | %.1f ms |\n", check.equalKeys * 1000);
    std::printf("\nEqual against distinct: %.2fx (target: at most 1.5x)\n",
                check.equalKeys / check.distinctKeys);
    std::fflush(stdout);

    auto list = compareList(scratch, programs, quick ? 3 : 9);
    printList(list);

    auto preview = comparePreview(scratch, programs, quick ? 2 : 5);
    std::printf("\n### `velorin-sim preview` with its defaults (%d frames, %.0f s shown)\n\n",
                preview.frames, preview.shownSeconds);
    std::printf("| | median |\n|---|---|\n");
    std::printf("| the preview, whole | %.2f s (%.1f frames a second; %.2fx the %.0f s it shows) "
                "|\n",
                preview.preview, preview.frames / preview.preview,
                preview.preview / preview.shownSeconds, preview.shownSeconds);
    std::printf("| the preview with looping on (few frames repeat the one before) | %.2f s "
                "(%.2fx the %.0f s it shows) |\n",
                preview.loopingPreview, preview.loopingPreview / preview.shownSeconds,
                preview.shownSeconds);
    std::printf("| libpng writing the default preview's frames (level 1, up filter), 1 thread | "
                "%.2f s |\n",
                preview.libpngWriting);
    std::printf("\nPreview against libpng writing its frames alone: %.2fx (the preview copies "
                "the file of a frame that repeats the one before instead of encoding it). Frame "
                "files: %.1f MB.\n",
                preview.preview / preview.libpngWriting, preview.frameBytes / 1e6);

    printImport(scratch, programs, quick);

    std::printf("\nLoad average at the end %s. The whole benchmark took %.0f s.\n",
                loadAverages().c_str(), secondsSince(start));
    return 0;
}

} // namespace
} // namespace velorin::bench

int main(int argc, char** argv) {
    using namespace velorin::bench;
    try {
        std::string first = argc > 1 ? argv[1] : "";
        setSelfPath(std::filesystem::read_symlink("/proc/self/exe").string());
        if (first == "--measure" && argc > 2)
            return measureProcess(std::vector<std::string>(argv + 2, argv + argc));
        if (first == "--one-showing" && argc == 5) {
            SequenceShape shape{std::stoi(argv[3]),
                                static_cast<std::uint32_t>(std::stoul(argv[4]))};
            std::printf("%zu\n", residentGrowthOfOneShowing(argv[2], shape));
            return 0;
        }
        bool quick = false;
        bool loadingOnly = false;
        bool importOnly = false;
        bool listOnly = false;
        for (int index = 5; index < argc; ++index) {
            std::string flag = argv[index];
            quick = quick || flag == "--quick";
            loadingOnly = loadingOnly || flag == "--loading";
            importOnly = importOnly || flag == "--import";
            listOnly = listOnly || flag == "--list";
            if (flag != "--quick" && flag != "--loading" && flag != "--import" && flag != "--list")
                argc = 0;
        }
        if (argc < 5) {
            std::fprintf(stderr,
                         "usage: velorin_compare SCRATCH VELORIN_SIM BARE_DECODE SAMPLE_ROOT "
                         "[--quick] [--loading] [--import] [--list]\n");
            return 2;
        }
        std::filesystem::create_directories(argv[1]);
        if (importOnly) {
            std::printf("Machine: %s, %zu processors for this process; load average at the start "
                        "%s\n",
                        processorModel().c_str(), velorin::processorCount(), loadAverages().c_str());
            printImport(std::filesystem::absolute(argv[1]), Programs{argv[2], argv[3], argv[4]},
                        quick);
            std::printf("\nLoad average at the end %s.\n", loadAverages().c_str());
            return 0;
        }
        return compare(std::filesystem::absolute(argv[1]), Programs{argv[2], argv[3], argv[4]},
                       quick, loadingOnly, listOnly);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "velorin_compare: %s\n", error.what());
        return 1;
    }
}
