// The known name nearest to a word in spelling, for messages that guess what a user meant: a
// misspelt command, sub-command, option, option word, preference key or member of an options
// file.
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

// The name a user most likely meant by `word`: one that `word` begins, or the nearest at most
// two edits away (one for a word of three letters or fewer, where two edits reach almost any
// short name); none when no name is that near.
std::optional<std::string> likelyMeant(std::string_view word,
                                       const std::vector<std::string>& names);

// "; did you mean `NAME`?" for the name `word` most likely meant, or an empty text; the guess
// every message about a mistyped word ends with.
std::string didYouMean(std::string_view word, const std::vector<std::string>& names);

} // namespace velorin::tools
