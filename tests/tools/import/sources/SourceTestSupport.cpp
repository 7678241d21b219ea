#include "tests/tools/import/sources/SourceTestSupport.h"

#include "tools/import/sources/apng/AnimatedPngSource.h"
#include "tools/import/sources/gif/GifSource.h"

namespace velorin::testing {

common::Result<std::unique_ptr<tools::MediaSource>> openWith(Reader reader,
                                                             const std::filesystem::path& path) {
    if (reader == Reader::Gif)
        return tools::openGifSource(path.string(), {});
    return tools::openAnimatedPngSource(path.string(), {});
}

DecodedSource readWhole(Reader reader, const std::filesystem::path& path) {
    return decodeOpened(openWith(reader, path));
}

std::string readingFault(Reader reader, const std::filesystem::path& path) {
    return readingFaultOf(openWith(reader, path));
}

void expectColor(Color actual, Color expected, int tolerance) {
    EXPECT_NEAR(actual.red, expected.red, tolerance);
    EXPECT_NEAR(actual.green, expected.green, tolerance);
    EXPECT_NEAR(actual.blue, expected.blue, tolerance);
    EXPECT_NEAR(actual.alpha, expected.alpha, tolerance);
}

} // namespace velorin::testing
