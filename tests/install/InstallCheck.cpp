// Uses the installed headers and libraries the way an embedding program would: the exported C
// functions and AnimatedImageView. Exits 0 when everything answers as documented.
#include "animation/AnimatedImageView.h"

#include <cstdio>
#include <string>
#include <vector>
#include <velorin/Velorin.h>

int main() {
    size_t length = 1;
    unsigned char* bytes = getBatteryAnimationData("no/such/sequence/", &length);
    if (bytes != nullptr) {
        std::fprintf(stderr, "options read from a folder that does not exist\n");
        return 1;
    }

    auto view = velorin::AnimatedImageView::initWithFrame(platform::CGRect{0, 0, 150, 150});
    view->setAnimationDuration(2.0);
    std::vector<std::string> order =
        view->sortArrayByNumbersInString({"spin0012.png", "spin0002.png", "spin0001.png"});
    if (order != std::vector<std::string>{"spin0001.png", "spin0002.png", "spin0012.png"}) {
        std::fprintf(stderr, "frames out of order\n");
        return 1;
    }
    std::printf("installed Velorin works\n");
    return 0;
}
