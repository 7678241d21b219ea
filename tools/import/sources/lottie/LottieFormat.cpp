#include "tools/import/sources/lottie/LottieFormat.h"

#include "tools/import/sources/lottie/LottieSource.h"

#include <array>

namespace velorin::tools {

namespace {

bool isLottie(const SourceHead& head) {
    return !head.isFolder() && guessLottie(head.path(), head.bytes()) != LottieGuess::NotLottie;
}

common::Result<std::unique_ptr<MediaSource>> openLottie(const SourceHead& head,
                                                        const SourceOpening&) {
    if (guessLottie(head.path(), head.bytes()) == LottieGuess::LottieArchive)
        return lottieArchiveFault(head.path());
    return openLottieSource(*head.file());
}

constexpr std::array<SourceName, 1> lottieNames{{{"lottie", "", "Lottie animation"}}};

} // namespace

const SourceFormat lottieFormat{"Lottie JSON", isLottie, openLottie, lottieNames};

} // namespace velorin::tools
