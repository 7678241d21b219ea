// Holds the preference store's own property-list reader to libplist. For arbitrary bytes, both
// must refuse the list for the same reason, or give the same value under each of the
// extension's keys and a few short ones that mutated lists reach more easily; any difference
// stops the program. The reader exists because libplist does not survive a failed allocation
// inside the host; it must not read a list any differently from the tools, which use libplist.
#include "platform/PropertyListValues.h"
#include "tests/support/PropertyListReference.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> bytes(data, size);
    if (!velorin::testing::sameReading(platform::readPropertyListValues(bytes, velorin::testing::comparedKeys),
                                       velorin::testing::referenceReading(bytes, velorin::testing::comparedKeys)))
        std::abort();
    return 0;
}
