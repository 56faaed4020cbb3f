#pragma once
// The profile functions' case tables (tests/cases/nrvini.txt), run on the host
// against the functions themselves and under Wine through NRVINI.dll.
#include <map>

#include "case_table.h"
#include "nrvini/nrvini.h"
#include "nrvini_test_files.h"

namespace nrvini_test {

struct ProfileApi {
    NrvGetPrivateProfileStringFn getString;
    NrvGetPrivateProfileIntFn getInt;
    NrvGetPrivateProfileSectionFn getSection;
    NrvGetPrivateProfileSectionNamesFn getNames;
    NrvWritePrivateProfileStringFn writeString;
    NrvWritePrivateProfileSectionFn writeSection;
    NrvIniSetLastSectionFn setLast;
};

// A file's bytes: "@name" is a file of the [files] table; \N is no file.
inline std::optional<std::string> Expected(const cases::Field& bytes)
{
    static const std::map<std::string, std::string> files = [] {
        std::map<std::string, std::string> named;
        for (const cases::Row& r : cases::Rows("nrvini.txt", "files")) named["@" + r[0].text] = r[1].text;
        return named;
    }();
    if (bytes.null) return std::nullopt;
    return files.count(bytes.text) ? files.at(bytes.text) : bytes.text;
}

inline void PlaceFile(const std::string& path, const cases::Field& bytes)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    if (const auto file = Expected(bytes)) WriteBytes(path, *file);
}

inline void CheckProfileTables(const ProfileApi& api)
{
    const char kFill = '\x7f';
    for (const cases::Row& c : cases::Rows("nrvini.txt", "read")) {
        SCOPED_TRACE(c[0].text);
        ScratchDir dir;
        const std::string path = dir.Path(c[1]);
        PlaceFile(path, c[2]);
        const auto size = static_cast<uint32_t>(c[7].number());
        std::string buffer(size + 16, kFill);
        api.setLast("Last");
        const char* section = c[4].c_str();
        const uint32_t result = c[3].text == "S" ? api.getString(section, c[5].c_str(), c[6].c_str(), buffer.data(), size, path.c_str())
                                : c[3].text == "C" ? api.getSection(section, buffer.data(), size, path.c_str())
                                : c[3].text == "I" ? api.getInt(section, c[5].c_str(), c[6].number(), path.c_str())
                                                   : api.getNames(buffer.data(), size, path.c_str());
        api.setLast("");
        EXPECT_EQ(result, static_cast<uint32_t>(c[8].number()));
        EXPECT_EQ(buffer, c[9].text + std::string(size + 16 - c[9].text.size(), kFill));
    }
    for (const cases::Row& c : cases::Rows("nrvini.txt", "write")) {
        SCOPED_TRACE(c[0].text);
        ScratchDir dir;
        const std::string path = dir.Path(c[1]);
        PlaceFile(path, c[2]);
        api.setLast(c[7].c_str());
        const int result = c[3].text == "S" ? api.writeString(c[4].c_str(), c[5].c_str(), c[6].c_str(), path.c_str())
                                            : api.writeSection(c[4].c_str(), c[6].c_str(), path.c_str());
        api.setLast("");
        EXPECT_EQ(result, c[8].number());
        const std::optional<std::string> after = Expected(c[9]);
        EXPECT_EQ(ReadBytes(path), after);
        EXPECT_EQ(dir.Names().size(), after ? 1u : 0u) << "a temporary file was left behind";
    }
    // A second write to the file the first one created replaces it.
    ScratchDir dir;
    EXPECT_EQ(api.writeString("S", "k", "v", dir.Path("new.ini").c_str()), 0);
    EXPECT_EQ(api.writeString("S", "k", "w", dir.Path("new.ini").c_str()), 1);
    EXPECT_EQ(ReadBytes(dir.Path("new.ini")), "[S]\r\nk=w\r\n");
}

}  // namespace nrvini_test
