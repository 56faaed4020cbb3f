#include <gtest/gtest.h>

#include "commands/core/regdata.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Conversion {
    int code;
    const char* text;
    std::uint32_t type;
    Bytes bytes;
    std::size_t textLength;
};

class EditData : public ::testing::TestWithParam<Conversion> {};

TEST_P(EditData, ConvertsAsTheScriptsExpect)
{
    const Conversion& c = GetParam();
    const se::RegValueData d = se::ConvertEditData(c.code, c.text);
    EXPECT_EQ(d.type, c.type);
    EXPECT_EQ(d.bytes, c.bytes);
    EXPECT_EQ(d.textLength, c.textLength);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, EditData,
    ::testing::Values(Conversion{1, "0A0B0C", se::kRegBinary, {0x0A, 0x0B, 0x0C}, 0},
                      Conversion{1, "abc", se::kRegBinary, {0xAB}, 0},  // odd last digit not stored
                      Conversion{1, "12G4", se::kRegBinary, {0x12, 0x04}, 0},
                      Conversion{1, "", se::kRegBinary, {}, 0},
                      Conversion{2, "0000FFFF", se::kRegDword, {0xFF, 0xFF, 0, 0}, 0},
                      Conversion{2, "ffff", se::kRegDword, {0xFF, 0xFF, 0, 0}, 0},
                      Conversion{2, "123456789A", se::kRegDword, {0x9A, 0x78, 0x56, 0x34}, 0},
                      Conversion{2, "ABC", se::kRegDword, {0xC0, 0xAB, 0, 0}, 0},  // implied final 0
                      Conversion{2, "123456789", se::kRegDword, {0x90, 0x78, 0x56, 0x34}, 0},
                      Conversion{2, "", se::kRegDword, {0, 0, 0, 0}, 0},
                      Conversion{3, "%SystemRoot%", se::kRegExpandSz, {'%', 'S', 'y', 's', 't', 'e', 'm', 'R', 'o', 'o', 't', '%', 0}, 12},
                      Conversion{4, "a,b", se::kRegMultiSz, {'a', ',', 'b', 0}, 3},
                      Conversion{0, "x", se::kRegSz, {'x', 0}, 1},
                      Conversion{-5, "", se::kRegSz, {0}, 0}));

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

TEST(EditLine, NamesTheFirstFieldAMissingCommaLoses)
{
    using M = se::MissingField;
    const std::pair<const char*, M> cases[] = {{"1", M::Root},           {"", M::Root},
                                               {"1,HKCU", M::Key},       {"1,HKCU,K", M::ValueName},
                                               {"1,HKCU,K,N", M::DataType}, {"1,HKCU,K,N,0", M::Data}};
    for (const auto& [line, missing] : cases) EXPECT_EQ(se::ParseRegEditLine(line).missing, missing) << line;
}

TEST(Numbers, ReadLikeTheCLibraryAndStayInRange)
{
    const std::pair<const char*, long long> cases[] = {{"  7x", 7}, {"-2", -2}, {"+3", 3}, {"x1", 0}, {"", 0},
                                                       {"99999999999999999999", 2147483647},
                                                       {"-99999999999999999999", -2147483648LL}};
    for (const auto& [text, number] : cases) EXPECT_EQ(se::LeadingInteger(text), number) << text;
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
