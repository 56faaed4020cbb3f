// The command table against the two places that must follow it: the
// checker's rules and the script reference. A type added to the table
// without a rule or a reference section fails here.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "checker/checker.h"
#include "commands/core/command_types.h"

namespace {

// The numbers a heading ("### 3, 4, 12: ...", "### 9 — ...") or the first
// cell of a table row ("| 22, 23, 24 |") names.
std::set<int> DocumentedTypes(const std::string& path)
{
    std::ifstream in(path);
    std::set<int> types;
    const std::regex item(R"(^(### |\| )((\d+, )*\d+)( |:))");
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (!std::regex_search(line, m, item)) continue;
        std::istringstream numbers(m[2].str());
        for (std::string n; std::getline(numbers, n, ',');) types.insert(std::stoi(n));
    }
    return types;
}

TEST(CommandTable, EveryTypeHasACheckerRuleAndAReferenceSection)
{
    const std::set<int> documented = DocumentedTypes(SE_SOURCE_DIR "/docs/script-reference.md");
    for (const se::CommandType& row : se::CommandTypes()) {
        EXPECT_TRUE(row.Has(se::kNotSupported) || se::RuleFor(row.number)) << "no checker rule for " << row.number;
        EXPECT_TRUE(documented.count(row.number)) << "no script reference section for " << row.number;
    }
    EXPECT_EQ(se::FindCommandType(0), nullptr);
    EXPECT_EQ(se::FindCommandType(36), nullptr);
}

}  // namespace
