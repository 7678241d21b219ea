#include "bench/comparison/ToolComparisons.h"

#include "bench/comparison/BarePngWriting.h"
#include "bench/comparison/Measurement.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <png.h>
#include <stdexcept>
#include <tuple>
#include <unistd.h>

namespace velorin::bench {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t checkNames = 100'000;

void makeEmptyFiles(const fs::path& folder, const std::vector<std::string>& names) {
    if (fs::exists(folder / ".complete"))
        return;
    fs::create_directories(folder);
    for (const auto& name : names) {
        int file = ::open((folder / name).c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        if (file < 0)
            throw std::runtime_error("cannot make " + (folder / name).string());
        ::close(file);
    }
    std::ofstream(folder / ".complete") << "made\n";
}

Timing timed(const std::vector<std::string>& arguments, int expectedStatus) {
    auto run = runProcess(arguments);
    if (run.status != expectedStatus)
        throw std::runtime_error(arguments.front() + " " + arguments[1] + " exited with " +
                                 std::to_string(run.status));
    return {run.seconds, run.processorSeconds};
}

struct Picture {
    png_uint_32 width{0};
    png_uint_32 height{0};
    std::unique_ptr<std::uint8_t[]> rgba;
};

Picture readPicture(const fs::path& path) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    Picture picture;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        throw std::runtime_error("cannot read " + path.string());
    image.format = PNG_FORMAT_RGBA;
    picture.width = image.width;
    picture.height = image.height;
    picture.rgba.reset(new std::uint8_t[PNG_IMAGE_SIZE(image)]);
    if (!png_image_finish_read(&image, nullptr, picture.rgba.get(), 0, nullptr))
        throw std::runtime_error("cannot decode " + path.string());
    return picture;
}

// Two programs timed whole in interleaved rounds, each expected to succeed.
std::pair<ProgramFigures, ProgramFigures> compareProgramsWhole(
    const std::vector<std::string>& first, const std::vector<std::string>& second, int rounds) {
    ProgramFigures figures[2];
    InterleavedTimes times;
    for (int index = 0; index < 2; ++index) {
        const auto& arguments = index == 0 ? first : second;
        times.add(std::to_string(index), [&arguments, &figures, index] {
            auto outcome = runProcess(arguments);
            if (outcome.status != 0)
                throw std::runtime_error(arguments.front() + " " + arguments[1] +
                                         " exited with " + std::to_string(outcome.status));
            figures[index].peakResidentBytes =
                std::max(figures[index].peakResidentBytes, outcome.peakResidentBytes);
            return Timing{outcome.seconds, outcome.processorSeconds};
        });
    }
    times.run(rounds);
    for (int index = 0; index < 2; ++index) {
        figures[index].seconds = times.median(std::to_string(index));
        figures[index].processorSeconds = times.processorMedian(std::to_string(index));
    }
    return {figures[0], figures[1]};
}

} // namespace

CheckFigures compareCheck(const fs::path& scratch, const Programs& programs, int rounds) {
    std::vector<std::string> distinct;
    std::vector<std::string> equal;
    for (std::size_t index = 0; index < checkNames; ++index) {
        char name[32];
        std::snprintf(name, sizeof name, "frames%06zu.png", index + 1);
        distinct.emplace_back(name);
        equal.push_back("a1" + (index == 0 ? std::string() : std::to_string(index - 1)) + ".png");
    }
    fs::path distinctFolder = scratch / "check-distinct-keys";
    fs::path equalFolder = scratch / "check-equal-keys";
    makeEmptyFiles(distinctFolder, distinct);
    makeEmptyFiles(equalFolder, equal);
    InterleavedTimes times;
    // Empty files do not decode, so the check finds problems and exits with 1.
    times.add("distinct", [&] { return timed({programs.velorinSim, "check", distinctFolder}, 1); });
    times.add("equal", [&] { return timed({programs.velorinSim, "check", equalFolder}, 1); });
    times.run(rounds);
    return {checkNames, times.median("distinct"), times.median("equal")};
}

ListFigures compareList(const fs::path& scratch, const Programs& programs, int rounds) {
    constexpr int listedFrames = 10'000;
    fs::path root = scratch / "list-root";
    fs::path folder = root / "var/jb/vod/Library/Velorin/chargingSequences/long";
    if (!fs::exists(folder / ".complete")) {
        fs::create_directories(folder);
        const std::uint32_t side = 120;
        std::vector<std::uint8_t> pixels(std::size_t{side} * side * 4);
        for (std::size_t index = 0; index < pixels.size(); ++index)
            pixels[index] = static_cast<std::uint8_t>(index * 7 % 251);
        fs::path first = folder / "long00001.png";
        writeBarePng(first, pixels.data(), side, side, BarePngWriting{});
        for (int index = 1; index < listedFrames; ++index) {
            char name[32];
            std::snprintf(name, sizeof name, "long%05d.png", index + 1);
            fs::copy_file(first, folder / name, fs::copy_options::overwrite_existing);
        }
        std::ofstream(folder / ".complete") << "made\n";
    }
    std::string bareHeaders =
        (fs::path(programs.bareDecode).parent_path() / "velorin_bare_headers").string();
    InterleavedTimes times;
    times.add("list", [&] { return timed({programs.velorinSim, "list", "--root", root}, 0); });
    times.add("bare", [&] { return timed({bareHeaders, folder.string()}, 0); });
    times.run(rounds);
    return {listedFrames, times.median("list"), times.median("bare"),
            times.processorMedian("list"), times.processorMedian("bare")};
}

PreviewFigures comparePreview(const fs::path& scratch, const Programs& programs, int rounds) {
    fs::path out = scratch / "preview";
    fs::path rewritten = scratch / "preview-libpng";
    fs::create_directories(rewritten);
    PreviewFigures figures;
    figures.frames = 240;
    figures.shownSeconds = 8;
    // The bundled sample root, named so that no device root of the user's is made or read.
    std::vector<std::string> preview{programs.velorinSim, "preview", "--root",
                                     programs.sampleRoot, "--out",   out.string()};
    // A first run gives the frames that libpng writes again.
    timed(preview, 0);
    std::vector<Picture> pictures;
    for (int index = 1; index <= figures.frames; ++index) {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%04d.png", index);
        figures.frameBytes += fs::file_size(out / "frames" / name);
        pictures.push_back(readPicture(out / "frames" / name));
    }
    fs::path loopingRoot = scratch / "looping-root";
    if (!fs::exists(loopingRoot)) {
        fs::copy(programs.sampleRoot, loopingRoot, fs::copy_options::recursive);
        timed({programs.velorinSim, "prefs", "set", "loopbatteryanimation", "true", "--root",
               loopingRoot.string()},
              0);
    }
    std::vector<std::string> loopingPreview{
        programs.velorinSim,  "preview", "--root",
        loopingRoot.string(), "--out",   (scratch / "preview-looping").string()};
    InterleavedTimes times;
    times.add("preview", [&] { return timed(preview, 0); });
    times.add("looping", [&] { return timed(loopingPreview, 0); });
    times.add("libpng", [&] {
        Stopwatch stopwatch;
        for (std::size_t index = 0; index < pictures.size(); ++index)
            // As the preview writes its frames: RGB from RGBA rows, level 1, the "up" filter.
            writeBarePng(rewritten / ("frame-" + std::to_string(index + 1) + ".png"),
                         pictures[index].rgba.get(), pictures[index].width, pictures[index].height,
                         {StoredChannels::RgbWithoutAlpha, 1, PNG_FILTER_UP});
        return stopwatch.elapsed();
    });
    times.run(rounds);
    figures.preview = times.median("preview");
    figures.loopingPreview = times.median("looping");
    figures.libpngWriting = times.median("libpng");
    return figures;
}

RunFigures compareRun(const fs::path& scratch, const fs::path& root, const SequenceShape& shape,
                      const Programs& programs, int rounds) {
    fs::path scenario = scratch / ("one-showing-" + shape.name() + ".scenario");
    std::ofstream(scenario) << "pref enablebatteryanimation true\n"
                            << "pref batteryanimation \"" << shape.name() << "\"\n"
                            << "at 0 launch\nat 0.5 lock\nat 1 plug\nat 1.5 end\n";
    std::vector<std::string> run{programs.velorinSim, "run", scenario.string(), "--root",
                                 root.string()};
    std::vector<std::string> bare{programs.bareDecode, (root / sequenceDevicePath(shape)).string()};
    auto [velorin, bareDecode] = compareProgramsWhole(run, bare, rounds);
    return {velorin, bareDecode};
}

std::optional<fs::path> makeClip(const fs::path& scratch, const ImportClip& clip) {
    fs::path path = scratch / "import" / (clip.name + ".mp4");
    if (fs::exists(path))
        return path;
    fs::create_directories(path.parent_path());
    fs::path partial = path;
    partial += ".partial.mp4";
    std::string size = std::to_string(clip.width) + "x" + std::to_string(clip.height);
    auto made = runProcess({"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                            "testsrc2=size=" + size + ":rate=30", "-t",
                            std::to_string(clip.seconds), "-c:v", "libx264", "-preset",
                            "ultrafast", "-pix_fmt", "yuv420p", partial.string()});
    if (made.status != 0)
        return std::nullopt;
    fs::rename(partial, path);
    return path;
}

ImportFigures compareImport(const fs::path& scratch, const fs::path& clip,
                            const Programs& programs, int rounds) {
    fs::path out = scratch / "import" / "out";
    fs::path ffmpegOut = scratch / "import" / "ffmpeg-frames";
    fs::create_directories(out);
    std::string name = clip.stem().string();
    std::vector<std::string> import{programs.velorinSim, "import", clip.string(), name,
                                    "--out", out.string(), "--replace"};
    // A first run gives the size of the frames, which FFmpeg is then asked for.
    timed(import, 0);
    ImportFigures figures;
    for (const auto& entry : fs::directory_iterator(out / name)) {
        if (entry.path().extension() == ".png")
            ++figures.frames;
    }
    Picture first = readPicture(out / name / "frame0001.png");
    figures.frameWidth = first.width;
    figures.frameHeight = first.height;
    fs::remove_all(ffmpegOut);
    fs::create_directories(ffmpegOut);
    std::vector<std::string> ffmpeg{
        "ffmpeg", "-nostdin", "-v", "error", "-y", "-i", clip.string(), "-vf",
        "scale=" + std::to_string(first.width) + ":" + std::to_string(first.height),
        (ffmpegOut / "frame%04d.png").string()};
    std::tie(figures.import, figures.ffmpeg) = compareProgramsWhole(import, ffmpeg, rounds);
    return figures;
}

std::size_t importPeakResidentBytes(const fs::path& scratch, const fs::path& clip,
                                    const Programs& programs) {
    fs::path out = scratch / "import" / "out";
    fs::create_directories(out);
    auto outcome = runProcess({programs.velorinSim, "import", clip.string(), clip.stem().string(),
                               "--out", out.string(), "--replace"});
    if (outcome.status != 0)
        throw std::runtime_error("velorin-sim import " + clip.string() + " failed");
    return outcome.peakResidentBytes;
}

} // namespace velorin::bench
