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

TEST(EditData, ConvertsAsTheScriptsExpect)
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

TEST(SingleValueData, StoresTheCharactersForEveryCode)
{
    EXPECT_EQ(se::SingleValueData(2, "1234").bytes, (Bytes{'1', '2', '3', '4'}));
    EXPECT_EQ(se::SingleValueData(2, "12").type, se::kRegDword);
    EXPECT_EQ(se::SingleValueData(1, "AB").bytes, (Bytes{'A', 'B'}));
    EXPECT_EQ(se::SingleValueData(4, "one").bytes, (Bytes{'o', 'n', 'e', 0}));
    EXPECT_EQ(se::SingleValueData(3, "").type, se::kRegExpandSz);
    EXPECT_EQ(se::SingleValueData(0, "").bytes, (Bytes{0}));
}

TEST(EditLine, SplitsSixFieldsAndKeepsCommasInTheData)
{
    const auto p = se::ParseRegEditLine(" 1 , HKCU ,\tSoftware\\T , Name , 2 , a,b,c ");
    ASSERT_EQ(p.missing, se::MissingField::None);
    EXPECT_EQ(p.fields.action, " 1 ");
    EXPECT_EQ(p.fields.root, "HKCU");
    EXPECT_EQ(p.fields.key, "Software\\T");
    EXPECT_EQ(p.fields.valueName, "Name");
    EXPECT_EQ(p.fields.dataType, "2");
    EXPECT_EQ(p.fields.data, "a,b,c");
    EXPECT_EQ(se::ParseRegEditLine("1,,,,,").fields.data, "");
}

TEST(EditLine, NamesTheFirstFieldAMissingCommaLosesAndNumbersStayInRange)
{
    const char* const names[] = {"None", "Root", "Key", "ValueName", "DataType", "Data"};
    for (const cases::Row& c : cases::Rows("engine.txt", "regmissing"))
        EXPECT_EQ(names[static_cast<int>(se::ParseRegEditLine(c[0]).missing)], c[1].text) << c[0].text;
    for (const cases::Row& c : cases::Rows("engine.txt", "leadinginteger"))
        EXPECT_EQ(se::LeadingInteger(c[0]), std::stoll(c[1].text)) << c[0].text;
}

TEST(RootNames, LongAndShortFormsBelongToTheirCommands)
{
    EXPECT_EQ(se::LongRootName("hkey_current_user"), se::RootKey::CurrentUser);
    EXPECT_EQ(se::LongRootName("HKCU"), std::nullopt);
    EXPECT_EQ(se::ShortRootName("hkcu"), se::RootKey::CurrentUser);
    EXPECT_EQ(se::ShortRootName("HKDD"), se::RootKey::DynData);
    EXPECT_EQ(se::ShortRootName("HKXX"), std::nullopt);
    EXPECT_EQ(se::ShortRootName("HKEY_LOCAL_MACHINE"), std::nullopt);
}

TEST(LogTexts, SizeLineStopsAtTheFirstZeroAndDescriptionFitsItsBuffer)
{
    EXPECT_EQ(se::DataSizeMessage(se::ConvertEditData(2, "0000FFFF")), "iSize = 4  \xFF\xFF strlen=0");
    EXPECT_EQ(se::DataSizeMessage(se::ConvertEditData(1, "410A42")), "iSize = 3  A B strlen=0");
    EXPECT_EQ(se::DataSizeMessage(se::ConvertEditData(0, "ab")), "iSize = 3  ab strlen=2");
    EXPECT_EQ(se::ValueDescription("H", "K", "V", "D"), "H\\K\\V:<D>");
    EXPECT_EQ(se::ValueDescription("H", std::string(600, 'k'), "V", "D").size(), 511u);
}

}  // namespace
