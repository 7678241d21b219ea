// The options file's member names and words are spelt once, in sequences/SequenceOptions.h; the
// README's table of members and the options fuzzer's dictionary must name every one of them.
#include "sequences/SequenceOptions.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace velorin {
namespace {

std::string sourceFile(const std::string& relativePath) {
    std::ifstream file(std::string(VELORIN_TEST_DATA_DIR) + "/../" + relativePath);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<const char*> optionsWords() {
    return {centerWord, rightWord, bottomWord};
}

// The rows of the README's table of options.json members.
std::vector<std::string> memberTableRows() {
    std::istringstream readme(sourceFile("README.md"));
    std::vector<std::string> rows;
    std::string line;
    bool inTable = false;
    while (std::getline(readme, line)) {
        if (line.starts_with("| Member |"))
            inTable = true;
        else if (inTable && !line.starts_with("|"))
            break;
        else if (inTable && !line.starts_with("|---"))
            rows.push_back(line);
    }
    return rows;
}

TEST(OptionsSpelling, TheReadmeTableNamesEveryMemberAndWordAndNoOther) {
    std::set<std::string> named;
    std::string words;
    for (const std::string& row : memberTableRows()) {
        std::string firstColumn = row.substr(1, row.find('|', 1) - 1);
        for (std::size_t open = firstColumn.find('`'); open != std::string::npos;
             open = firstColumn.find('`', open + 1)) {
            std::size_t close = firstColumn.find('`', open + 1);
            named.insert(firstColumn.substr(open + 1, close - open - 1));
            open = close;
        }
        words += row;
    }
    EXPECT_EQ(named, std::set<std::string>(optionsMemberNames.begin(), optionsMemberNames.end()));
    for (const char* word : optionsWords())
        EXPECT_NE(words.find("`\"" + std::string(word) + "\"`"), std::string::npos) << word;
}

TEST(OptionsSpelling, TheFuzzDictionaryHoldsEveryMemberAndWord) {
    std::string dictionary = sourceFile("fuzz/dictionaries/options-placement.dict");
    ASSERT_FALSE(dictionary.empty());
    std::vector<const char*> spelt(optionsMemberNames.begin(), optionsMemberNames.end());
    for (const char* word : optionsWords())
        spelt.push_back(word);
    for (const char* name : spelt)
        EXPECT_NE(dictionary.find("\"\\\"" + std::string(name) + "\\\"\""), std::string::npos)
            << name;
}

} // namespace
} // namespace velorin
