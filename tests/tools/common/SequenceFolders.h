// Sequence folders laid out for the tools' tests: frames of a size by name, files of given
// bytes, and the options files kept in data/ beside the tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velorin::testing {

// Writes a solid PNG frame of `width` × `height` pixels under each name in `folder`, making
// the folder when needed.
void writeFrames(const std::filesystem::path& folder, const std::vector<std::string>& names,
                 std::uint32_t width = 450, std::uint32_t height = 450);

// "PREFIX1.png" … "PREFIXlast.png", from `first`.
std::vector<std::string> numberedFrameNames(std::string_view prefix, int first, int last);

void writeBytes(const std::filesystem::path& path, std::string_view bytes);

// A file kept beside the tests, by its path under tests/ ("tools/check/data/…").
std::string testData(const std::string& relativePath);

} // namespace velorin::testing
