// The order people expect file names in: "frame2" before "frame10".
//
// Runs of digits compare by their value (leading zeros aside), everything else letter by
// letter without regard to case (ASCII). Names that still tie are ordered by fewer leading
// zeros and then by their exact bytes, so the order is total and the same on every listing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velorin::tools {

bool naturalLess(std::string_view a, std::string_view b);

// The names in natural order.
void sortNaturally(std::vector<std::string>& names);

} // namespace velorin::tools
