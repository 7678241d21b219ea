// The block structure of a GIF file, walked in order without decoding any pixels.
//
// A GIF is a header and logical screen (with an optional global colour table), then
// extensions and images in any order, then a trailer. This reader gives each image with what
// the graphic control extension before it says (delay, disposal, transparent colour) and where
// its compressed pixel data lies, so that the pixels can be decoded later, one image at a
// time, and how often the file says it plays: its looping extension ("NETSCAPE2.0" or
// "ANIMEXTS1.0"), which counts only before the first image. It reads every block's length and
// skips its contents, so it finds exactly where a file that is cut short ends and which image
// was whole last.
//
// giflib reads this structure too, but keeps a record of every image it passes, which grows
// without bound on a long file, and after a fault inside an image it cannot say where the next
// block begins. So the walk is done here and giflib is given one image at a time (GifPictureDecoder).
#pragma once

#include "common/Result.h"
#include "tools/import/RunPlan.h"
#include "tools/import/sources/FrameCompositing.h"
#include "tools/import/sources/SourceFile.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace velorin::tools {

struct GifScreen {
    std::uint32_t width{0};
    std::uint32_t height{0};
    // RGB triples; empty when the file has no global colour table.
    std::vector<std::uint8_t> globalPalette;
};

struct GifImage {
    FrameArea area;
    bool interlaced{false};
    // RGB triples, when the image has its own colour table.
    std::optional<std::vector<std::uint8_t>> localPalette;
    // From the graphic control extension before the image, if any.
    std::optional<std::uint8_t> transparentIndex;
    std::uint8_t disposal{0};
    std::uint16_t delayHundredths{0};
    // The compressed data: the LZW code size byte, the sub-blocks and their terminator.
    std::uint64_t dataOffset{0};
    std::uint64_t dataLength{0};
};

// How a walk through the blocks ended.
struct GifEnding {
    enum class Kind {
        // At the trailer, as a whole file ends.
        Trailer,
        // The file ends before its trailer.
        CutShort,
        // A block that is not part of a GIF stands where the next block should.
        StrayData,
        // The system could not read the file.
        ReadFault,
    };
    Kind kind{Kind::Trailer};
    // For a file cut short inside an image (or the extensions before it): that image's delay,
    // when its graphic control extension was whole.
    bool insideImage{false};
    std::optional<std::uint16_t> lostDelayHundredths;
};

class GifBlockReader {
public:
    explicit GifBlockReader(const SourceFile& file);

    // Reads the header, the logical screen and the global colour table.
    common::Result<GifScreen> readScreen();
    // The next image, or none when the walk has ended; `ending()` then says how.
    std::optional<GifImage> nextImage();
    const GifEnding& ending() const { return m_ending; }
    // Without a looping extension a GIF plays once; a loop count N repeats it N more times, 0
    // forever.
    PlayCount plays() const { return m_plays; }

private:
    std::optional<GifImage> stop(GifEnding::Kind kind);
    bool skipSubBlocks();
    bool readApplication();

    const SourceFile& m_file;
    SequentialReader m_reader;
    GifEnding m_ending;
    bool m_ended{false};
    // What the last graphic control extension said, until the image it belongs to.
    bool m_insideImage{false};
    std::optional<std::uint16_t> m_pendingDelay;
    bool m_imageSeen{false};
    PlayCount m_plays{1};
};

} // namespace velorin::tools
