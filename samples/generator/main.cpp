// velorin-generate-samples: draws the bundled charging sequences into a folder.
//
// Usage: velorin-generate-samples SEQUENCES_FOLDER
// Each sequence gets a folder of its own name, emptied first so that frames left from an
// earlier build with other names cannot mix into the sequence.
#include "samples/generator/SampleSequences.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

namespace fs = std::filesystem;
using velorin::samples::SampleSequence;

bool fail(const fs::path& file, const std::string& message) {
    std::fprintf(stderr, "velorin-generate-samples: %s: %s\n", file.c_str(), message.c_str());
    return false;
}

bool writeSequence(const SampleSequence& sequence, const fs::path& sequencesFolder) {
    fs::path folder = sequencesFolder / sequence.name;
    std::error_code error;
    fs::remove_all(folder, error);
    if (error || !fs::create_directories(folder, error))
        return fail(folder, error ? error.message() : "cannot make the folder");
    for (int number = 1; number <= sequence.frameCount; ++number) {
        fs::path file = folder / velorin::samples::frameName(sequence, number);
        auto image = velorin::samples::drawFrame(sequence, number);
        if (!image || !platform::writePngFile(*image, file.c_str()))
            return fail(file, "cannot write the frame");
    }
    fs::path optionsFile = folder / "options.json";
    std::ofstream options(optionsFile, std::ios::binary);
    options << sequence.options;
    options.close();
    if (!options)
        return fail(optionsFile, "cannot write the options");
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: velorin-generate-samples SEQUENCES_FOLDER\n");
        return 2;
    }
    for (const SampleSequence& sequence : velorin::samples::sampleSequences()) {
        if (!writeSequence(sequence, argv[1]))
            return 1;
    }
    return 0;
}
