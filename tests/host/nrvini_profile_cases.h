#pragma once
// The profile functions' case tables (tests/cases/nrvini.txt), run on the host
// against the functions themselves and under Wine through NRVINI.dll.
#include <map>

#include "case_table.h"
#include "nrvini/nrvini.h"
#include "nrvini_test_files.h"

namespace nrvini_test {

// The profile functions, as linked or as exported by NRVINI.dll.
struct ProfileApi {
    NrvGetPrivateProfileStringFn getString = NrvGetPrivateProfileString;
    NrvGetPrivateProfileIntFn getInt = NrvGetPrivateProfileInt;
    NrvGetPrivateProfileSectionFn getSection = NrvGetPrivateProfileSection;
    NrvGetPrivateProfileSectionNamesFn getNames = NrvGetPrivateProfileSectionNames;
    NrvWritePrivateProfileStringFn writeString = NrvWritePrivateProfileString;
    NrvWritePrivateProfileSectionFn writeSection = NrvWritePrivateProfileSection;
    NrvIniSetLastSectionFn setLast = NrvIniSetLastSection;
};

// A file's bytes: "@name" is a file of the [files] table; \N is no file.
inline std::optional<std::string> Expected(const cases::Field& bytes)
{
    static std::map<std::string, std::string> files;
    if (files.empty())
        for (const cases::Row& r : cases::Rows("nrvini.txt", "files")) files["@" + r[0].text] = r[1].text;
    if (bytes.null) return std::nullopt;
    return files.count(bytes.text) ? files.at(bytes.text) : bytes.text;
}

// Each case on a file of its own in a fresh directory. Reads run with the
// marker "Last" set and store into a sentinel-filled buffer; writes may leave
// the file and nothing else. Every call goes through call(function, args...).
inline auto Direct = [](auto fn, auto... args) { return fn(args...); };
template <class Invoke = decltype(Direct)>
void CheckProfileTables(const ProfileApi& api, Invoke call = Direct)
{
    for (const std::string table : {"read", "write"})
        for (const cases::Row& c : cases::Rows("nrvini.txt", table)) {
            SCOPED_TRACE(c[0].text);
            ScratchDir dir;
            const std::string path = dir.Path(c[1]);
            fs::create_directories(fs::path(path).parent_path());
            if (const auto file = Expected(c[2])) WriteBytes(path, *file);
            const char *section = c[4].c_str(), *key = c[5].c_str();
            if (table == "read") {
                const auto size = static_cast<uint32_t>(c[7].number());
                std::string buffer(size + 16, '\x7f');
                call(api.setLast, "Last");
                const uint32_t result = c[3].text == "S" ? call(api.getString, section, key, c[6].c_str(), buffer.data(), size, path.c_str())
                                        : c[3].text == "C" ? call(api.getSection, section, buffer.data(), size, path.c_str())
                                        : c[3].text == "I" ? call(api.getInt, section, key, c[6].number(), path.c_str())
                                                           : call(api.getNames, buffer.data(), size, path.c_str());
                EXPECT_EQ(result, static_cast<uint32_t>(c[8].number()));
                EXPECT_EQ(buffer, c[9].text + std::string(size + 16 - c[9].text.size(), '\x7f'));
            } else {
                call(api.setLast, c[7].c_str());
                const int result = c[3].text == "S" ? call(api.writeString, section, key, c[6].c_str(), path.c_str())
                                                    : call(api.writeSection, section, c[6].c_str(), path.c_str());
                EXPECT_EQ(result, c[8].number());
                const std::optional<std::string> after = Expected(c[9]);
                EXPECT_EQ(ReadBytes(path), after);
                EXPECT_EQ(dir.Names().size(), after ? 1u : 0u) << "a temporary file was left behind";
            }
            call(api.setLast, "");
        }
    // A second write to the file the first one created replaces it.
    ScratchDir dir;
    EXPECT_EQ(call(api.writeString, "S", "k", "v", dir.Path("new.ini").c_str()), 0);
    EXPECT_EQ(call(api.writeString, "S", "k", "w", dir.Path("new.ini").c_str()), 1);
    EXPECT_EQ(ReadBytes(dir.Path("new.ini")), "[S]\r\nk=w\r\n");
}

}  // namespace nrvini_test
