#include "tools/common/NearestName.h"

#include <algorithm>

namespace velorin::tools {

std::size_t spellingDistance(std::string_view from, std::string_view to) {
    // Three rows of the table: two back for a swap of neighbours.
    std::vector<std::size_t> beforePrevious(to.size() + 1);
    std::vector<std::size_t> previous(to.size() + 1);
    std::vector<std::size_t> current(to.size() + 1);
    for (std::size_t column = 0; column <= to.size(); ++column)
        previous[column] = column;
    for (std::size_t row = 1; row <= from.size(); ++row) {
        current[0] = row;
        for (std::size_t column = 1; column <= to.size(); ++column) {
            std::size_t substitution =
                previous[column - 1] + (from[row - 1] == to[column - 1] ? 0 : 1);
            current[column] =
                std::min({previous[column] + 1, current[column - 1] + 1, substitution});
            if (row > 1 && column > 1 && from[row - 1] == to[column - 2] &&
                from[row - 2] == to[column - 1])
                current[column] = std::min(current[column], beforePrevious[column - 2] + 1);
        }
        std::swap(beforePrevious, previous);
        std::swap(previous, current);
    }
    return previous[to.size()];
}

std::optional<std::string> nearestName(std::string_view word, const std::vector<std::string>& names,
                                       std::size_t mostEdits) {
    std::optional<std::string> nearest;
    std::size_t nearestDistance = mostEdits + 1;
    for (const std::string& name : names) {
        std::size_t distance = spellingDistance(word, name);
        if (distance < nearestDistance) {
            nearestDistance = distance;
            nearest = name;
        }
    }
    return nearest;
}

std::optional<std::string> likelyMeant(std::string_view word,
                                       const std::vector<std::string>& names) {
    if (word.empty())
        return std::nullopt;
    for (const std::string& name : names) {
        if (name.starts_with(word) && name != word)
            return name;
    }
    return nearestName(word, names, word.size() <= 3 ? 1 : 2);
}

std::string didYouMean(std::string_view word, const std::vector<std::string>& names) {
    auto meant = likelyMeant(word, names);
    return meant ? "; did you mean `" + *meant + "`?" : std::string();
}

} // namespace velorin::tools
