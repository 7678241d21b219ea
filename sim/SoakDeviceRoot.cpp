#include "sim/SoakDeviceRoot.h"

#include "platform/display/Image.h"
#include "sequences/SequenceDirectory.h"
#include "sim/TemporaryFolder.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace velorin::sim {

namespace {

namespace fs = std::filesystem;

bool isPng(const fs::path& file) {
    std::string extension = file.extension().string();
    std::transform(
        extension.begin(), extension.end(), extension.begin(),
        [](unsigned char character) { return static_cast<char>(std::tolower(character)); });
    return extension == ".png";
}

// The letters before the number in a frame's name: "charge" for "charge07.png".
std::string namePrefix(const std::string& frameName) {
    std::size_t end = 0;
    while (end < frameName.size() && !std::isdigit(static_cast<unsigned char>(frameName[end])) &&
           frameName[end] != '.')
        ++end;
    return frameName.substr(0, end);
}

} // namespace

Result<std::unique_ptr<SoakDeviceRoot>> SoakDeviceRoot::copy(const std::string& sourceRoot) {
    auto folder = makeTemporaryFolder("velorin-soak");
    if (!folder)
        return folder.fault();
    // Owned from here, so that a failed copy leaves nothing behind.
    std::unique_ptr<SoakDeviceRoot> root(new SoakDeviceRoot(std::move(folder).value()));
    std::error_code error;
    fs::copy(sourceRoot, root->m_path, fs::copy_options::recursive, error);
    if (error)
        return Fault(sourceRoot, "cannot copy the device root: " + error.message());
    // The folder that holds the sequences is made if the root has none, so that the soak can
    // add frames to a root that starts empty.
    fs::create_directories(fs::path(root->m_path) / sequenceRoot, error);
    return root;
}

SoakDeviceRoot::SoakDeviceRoot(std::string path) : m_path(std::move(path)) {
}

SoakDeviceRoot::~SoakDeviceRoot() {
    std::error_code error;
    fs::remove_all(m_path, error);
}

std::string SoakDeviceRoot::folderOf(const std::string& sequence) const {
    return (fs::path(m_path) / sequenceRoot / sequence).string();
}

std::vector<std::string> SoakDeviceRoot::sequenceNames() const {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fs::path(m_path) / sequenceRoot, error)) {
        if (entry.is_directory(error))
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> SoakDeviceRoot::framesIn(const std::string& sequence) const {
    std::vector<std::string> frames;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folderOf(sequence), error)) {
        if (entry.is_regular_file(error) && isPng(entry.path()))
            frames.push_back(entry.path().filename().string());
    }
    std::sort(frames.begin(), frames.end());
    return frames;
}

bool SoakDeviceRoot::addFrame(const std::string& sequence, std::uint32_t number,
                              std::uint32_t width, std::uint32_t height, std::uint32_t colour) {
    std::error_code error;
    if (!fs::is_directory(folderOf(sequence), error))
        return false;
    std::vector<std::string> frames = framesIn(sequence);
    if (frames.size() >= maximumFrames)
        return false;
    std::string prefix = frames.empty() ? "frame" : namePrefix(frames.front());
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02u", static_cast<unsigned>(number));
    fs::path file = fs::path(folderOf(sequence)) / (prefix + digits + ".png");
    std::vector<std::uint8_t> pixels(std::size_t{width} * height * 4);
    for (std::size_t offset = 0; offset < pixels.size(); offset += 4) {
        pixels[offset] = static_cast<std::uint8_t>(colour);
        pixels[offset + 1] = static_cast<std::uint8_t>(colour >> 8);
        pixels[offset + 2] = static_cast<std::uint8_t>(colour >> 16);
        pixels[offset + 3] = 255;
    }
    platform::Ref<platform::CGImage> image =
        platform::CGImage::create(width, height, std::move(pixels));
    // A number already taken replaces that frame, as copying a file over another does.
    return image && platform::writePngFile(*image, file.c_str());
}

bool SoakDeviceRoot::removeFrame(const std::string& sequence, std::uint32_t pick) {
    std::vector<std::string> frames = framesIn(sequence);
    if (frames.empty())
        return false;
    std::error_code error;
    return fs::remove(fs::path(folderOf(sequence)) / frames[pick % frames.size()], error);
}

bool SoakDeviceRoot::swapFolders(const std::string& first, const std::string& second) {
    std::error_code error;
    if (first == second || !fs::is_directory(folderOf(first), error) ||
        !fs::is_directory(folderOf(second), error))
        return false;
    fs::path parked = fs::path(folderOf(first) + ".swapping");
    fs::rename(folderOf(first), parked, error);
    if (error)
        return false;
    fs::rename(folderOf(second), folderOf(first), error);
    if (error) {
        fs::rename(parked, folderOf(first), error);
        return false;
    }
    fs::rename(parked, folderOf(second), error);
    return !error;
}

} // namespace velorin::sim
