// Registry data and edit lines; the tables are in tests/cases/engine.txt.
#include <gtest/gtest.h>

#include <map>

#include "case_table.h"
#include "commands/core/regdata.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Hex(const Bytes& bytes)
{
    std::string text;
    for (const std::uint8_t b : bytes) text += "0123456789ABCDEF"[b >> 4] + std::string(1, "0123456789ABCDEF"[b & 15]);
    return text;
}

TEST(RegData, EditDataConvertsAsTheScriptsExpect)
{
    const std::map<std::string, std::uint32_t> types = {{"REG_SZ", se::kRegSz}, {"REG_EXPAND_SZ", se::kRegExpandSz},
        {"REG_BINARY", se::kRegBinary}, {"REG_DWORD", se::kRegDword}, {"REG_MULTI_SZ", se::kRegMultiSz}};
    for (const cases::Row& c : cases::Rows("engine.txt", "editdata")) {
        const se::RegValueData d = se::ConvertEditData(c[0].number(), c[1].text);
        EXPECT_EQ(d.type, types.at(c[2])) << c[0].text << "," << c[1].text;
        EXPECT_EQ(Hex(d.bytes), c[3].text) << c[0].text << "," << c[1].text;
        EXPECT_EQ(d.textLength, static_cast<std::size_t>(c[4].number())) << c[0].text << "," << c[1].text;
    }
}

// Single values, edit lines split into six fields (the data keeps its commas)
// or naming the first field a missing comma loses, leading numbers kept in
// range, root names (2: HKEY_CURRENT_USER, 6: HKEY_DYN_DATA) and log texts.
TEST(RegData, EditLinesSingleValuesRootNamesAndLogTexts)
{
    static const char* const missing[] = {"None", "Root", "Key", "ValueName", "DataType", "Data"};
    const auto root = [](std::optional<se::RootKey> key) { return key ? std::to_string(static_cast<int>(*key)) : "none"; };
    cases::CheckCalls("engine.txt", "regcalls",
        {{"single", [](const cases::Row& r) {
              const se::RegValueData d = se::SingleValueData(r[1].number(), r[2]);
              return std::to_string(d.type) + " " + Hex(d.bytes);
          }},
         {"long", [&](const cases::Row& r) { return root(se::LongRootName(r[1])); }},
         {"short", [&](const cases::Row& r) { return root(se::ShortRootName(r[1])); }},
         {"size", [](const cases::Row& r) { return se::DataSizeMessage(se::ConvertEditData(r[1].number(), r[2])); }},
         {"describe", [](const cases::Row& r) { return se::ValueDescription(r[1], r[2], r[3], r[4]); }},
         {"editline", [](const cases::Row& r) {
              const auto f = se::ParseRegEditLine(r[1]).fields;
              return f.action + "," + f.root + "," + f.key + "," + f.valueName + "," + f.dataType + "," + f.data;
          }},
         {"missing", [](const cases::Row& r) { return missing[static_cast<int>(se::ParseRegEditLine(r[1]).missing)]; }},
         {"leading", [](const cases::Row& r) { return std::to_string(se::LeadingInteger(r[1])); }},
         {"describedsize", [](const cases::Row& r) { return std::to_string(se::ValueDescription("H", r[1], "V", "D").size()); }}});
}

}  // namespace
