// The kinds of --data are listed in one table; the completions, the manual
// page and the CMake helper name them too, and must name exactly these.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "core/data_kind.h"
#include "test_files.h"

namespace {

std::string SourceFile(const std::string& path) {
    return test::ReadFile(std::string(HEXCRATE_SOURCE_DIR) + "/" + path);
}

std::set<std::string> TableKinds() {
    std::set<std::string> names;
    for (const core::DataKindInfo& kind : core::DataKinds()) names.emplace(kind.name);
    return names;
}

// The words that `pattern`'s first group holds in `text`, split at `separators`.
std::set<std::string> Listed(const std::string& text, const std::string& pattern, char separator) {
    std::smatch match;
    if (!std::regex_search(text, match, std::regex(pattern))) return {};
    std::set<std::string> words;
    std::istringstream list(match[1].str());
    for (std::string word; std::getline(list, word, separator);)
        if (!word.empty()) words.insert(word);
    return words;
}

TEST(DataKinds, CompletionsManualAndCMakeHelperNameTheTablesKinds) {
    const std::set<std::string> kinds = TableKinds();
    EXPECT_EQ(Listed(SourceFile("res/completion/hexcrate-convert.bash"),
                     R"(compgen -P "\$keep" -W '([a-z ]+)')", ' '),
              kinds);
    EXPECT_EQ(Listed(SourceFile("res/completion/_hexcrate-convert"), R"(:kind:\(([a-z ]+)\))", ' '),
              kinds);

    // The helper also takes `auto`, which picks one of them.
    std::set<std::string> helper = Listed(SourceFile("cmake/HexcrateConfig.cmake.in"),
                                          R"(arg_DATA MATCHES "\^\(([a-z|]+)\)\$")", '|');
    helper.erase("auto");
    EXPECT_EQ(helper, kinds);

    // Each kind is described under --data in the manual page.
    const std::string manual = SourceFile("res/man/hexcrate-convert.1.in");
    const std::size_t start = manual.find(".BI \\-\\-data= KIND");
    ASSERT_NE(start, std::string::npos);
    const std::string section = manual.substr(start, manual.find("\n.TP", start) - start);
    for (const std::string& kind : kinds)
        EXPECT_NE(section.find("\n.B " + kind + "\n"), std::string::npos) << kind;
}

}  // namespace
