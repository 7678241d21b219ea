// Shared helpers of the animated-image readers' tests: writing a made file into a scratch
// folder and reading it back whole, or the fault that opening or decoding it gives.
#pragma once

#include "tests/tools/import/ImportTestSupport.h"
#include "tests/tools/import/sources/AnimationFiles.h"

#include <gtest/gtest.h>

namespace velorin::testing {

enum class Reader { Gif, AnimatedPng };

// Opens the file with the reader itself, as import opens a file that begins as that reader's
// format does.
common::Result<std::unique_ptr<tools::MediaSource>> openWith(Reader reader,
                                                             const std::filesystem::path& path);
// Opens and decodes every frame; a test failure, and an empty result, when it cannot.
DecodedSource readWhole(Reader reader, const std::filesystem::path& path);
// The fault opening or decoding the file gives; empty when it reads whole.
std::string readingFault(Reader reader, const std::filesystem::path& path);

// Expects `actual` within `tolerance` of `expected` in every channel.
void expectColor(Color actual, Color expected, int tolerance = 0);

inline constexpr Color red{255, 0, 0, 255};
inline constexpr Color green{0, 255, 0, 255};
inline constexpr Color blue{0, 0, 255, 255};
inline constexpr Color white{255, 255, 255, 255};
inline constexpr Color black{0, 0, 0, 255};

} // namespace velorin::testing
