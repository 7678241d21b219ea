#include "tools/import/sources/lottie/LottieFormat.h"

#include "tools/import/sources/lottie/LottieSource.h"

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

} // namespace

const SourceFormat lottieFormat{"Lottie JSON", isLottie, openLottie};

} // namespace velorin::tools
