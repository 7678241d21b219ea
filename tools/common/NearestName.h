// The known name nearest to a word in spelling, for messages that guess what a user meant: a
// misspelt command, a misspelt member of an options file.
//
// Distance counts the single-character insertions, removals, replacements and swaps of two
// neighbours that turn one word into the other.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velorin::tools {

std::size_t spellingDistance(std::string_view from, std::string_view to);

// The name among `names` nearest to `word`, when it is at most `mostEdits` edits away; the
// first of equally near names.
std::optional<std::string> nearestName(std::string_view word, const std::vector<std::string>& names,
                                       std::size_t mostEdits);

} // namespace velorin::tools
