// NRVINI.dll as its callers see it: loaded with LoadLibrary, every export found
// by its undecorated name and called with the system's calling convention.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "harness.h"
#include "nrvini/nrvini.h"

namespace {

using namespace std::string_literals;

struct Library {
    Library() : module(LoadLibraryA((test::ModuleDirectory() + "\\NRVINI.dll").c_str())) {}
    ~Library()
    {
        if (module != nullptr) FreeLibrary(module);
    }
    template <class Fn>
    Fn Find(const char* name) const
    {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
    HMODULE module;
};

// On i386 a callee that does not pop its arguments (or pops too many) leaves
// the stack pointer moved; elsewhere there is a single calling convention.
template <class Fn, class... Args>
auto Call(Fn fn, Args... args)
{
#if defined(__i386__)
    std::uintptr_t before = 0, after = 0;
    asm volatile("movl %%esp, %0" : "=r"(before) : : "memory");
    if constexpr (std::is_void_v<decltype(fn(args...))>) {
        fn(args...);
        asm volatile("movl %%esp, %0" : "=r"(after) : : "memory");
        EXPECT_EQ(before, after) << "stack pointer moved by the call";
    } else {
        auto result = fn(args...);
        asm volatile("movl %%esp, %0" : "=r"(after) : : "memory");
        EXPECT_EQ(before, after) << "stack pointer moved by the call";
        return result;
    }
#else
    return fn(args...);
#endif
}

class NrviniDll : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(lib.module, nullptr) << "NRVINI.dll not found beside the test program";
        ASSERT_NE(getString, nullptr);
        ASSERT_NE(getInt, nullptr);
        ASSERT_NE(getSection, nullptr);
        ASSERT_NE(getNames, nullptr);
        ASSERT_NE(writeString, nullptr);
        ASSERT_NE(writeSection, nullptr);
        ASSERT_NE(setLast, nullptr);
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        dir = std::string(temp) + "nrvini_dll_test";
        test::RemoveTree(dir);
        CreateDirectoryA(dir.c_str(), nullptr);
    }
    void TearDown() override
    {
        Call(setLast, "");
        test::RemoveTree(dir);
    }
    std::string Path(const char* name) const { return dir + "\\" + name; }

    // Files in the test directory, to see that no temporary file stays behind.
    int FileCount() const
    {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &data);
        int count = 0;
        if (find == INVALID_HANDLE_VALUE) return 0;
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
        } while (FindNextFileA(find, &data));
        FindClose(find);
        return count;
    }

    Library lib;
    NrvGetPrivateProfileStringFn getString = lib.Find<NrvGetPrivateProfileStringFn>("NrvGetPrivateProfileString");
    NrvGetPrivateProfileIntFn getInt = lib.Find<NrvGetPrivateProfileIntFn>("NrvGetPrivateProfileInt");
    NrvGetPrivateProfileSectionFn getSection = lib.Find<NrvGetPrivateProfileSectionFn>("NrvGetPrivateProfileSection");
    NrvGetPrivateProfileSectionNamesFn getNames =
        lib.Find<NrvGetPrivateProfileSectionNamesFn>("NrvGetPrivateProfileSectionNames");
    NrvWritePrivateProfileStringFn writeString = lib.Find<NrvWritePrivateProfileStringFn>("NrvWritePrivateProfileString");
    NrvWritePrivateProfileSectionFn writeSection =
        lib.Find<NrvWritePrivateProfileSectionFn>("NrvWritePrivateProfileSection");
    NrvIniSetLastSectionFn setLast = lib.Find<NrvIniSetLastSectionFn>("NrvIniSetLastSection");
    std::string dir;
};

TEST_F(NrviniDll, EntryPointIsExportedAndReturnsTrue)
{
    using DllMainFn = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);
    const auto entry = lib.Find<DllMainFn>("DllMain");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(Call(entry, static_cast<HINSTANCE>(lib.module), static_cast<DWORD>(DLL_THREAD_ATTACH), nullptr), TRUE);
}

TEST_F(NrviniDll, ReadsWithSentinelBuffers)
{
    const std::string path = Path("r.ini");
    ASSERT_TRUE(test::WriteFileText(path, "[A]\r\nx=1\r\ny = \"abc\"\r\nlong=abcdefghij\r\n[B]\r\nn=-7\r\nbad=12abc\r\n"));
    const struct {
        const char *section, *key;
        unsigned size, result;
        std::string written;
    } cases[] = {
        {"a", "Y", 20, 3, "abc\0"s},       {"A", "long", 4, 3, "abc\0"s}, {"A", "zz", 20, 4, "dflt\0"s},
        {nullptr, "x", 20, 5, "A\0B\0\0"s}, {"A", nullptr, 20, 9, "x\0y\0long\0\0"s},
    };
    for (const auto& c : cases) {
        std::string buffer(c.size + 8, '\x7f');
        EXPECT_EQ(Call(getString, c.section, c.key, "dflt", buffer.data(), static_cast<uint32_t>(c.size), path.c_str()),
                  c.result);
        EXPECT_EQ(buffer, c.written + std::string(c.size + 8 - c.written.size(), '\x7f'));
    }
    EXPECT_EQ(static_cast<int32_t>(Call(getInt, "B", "n", 5, path.c_str())), -7);
    EXPECT_EQ(Call(getInt, "B", "bad", 5, path.c_str()), 5u);

    std::string section(12, '\x7f');
    EXPECT_EQ(Call(getSection, "A", section.data(), 12u, path.c_str()), 10u);  // cut: size - 2
    EXPECT_EQ(section, "x=1\0y=\"abc\0\0"s);  // quotes kept in section lines
    std::string names(8, '\x7f');
    EXPECT_EQ(Call(getNames, names.data(), 8u, Path("missing.ini").c_str()), 0u);
    EXPECT_EQ(names, std::string(8, '\x7f'));
}

TEST_F(NrviniDll, WritesReplaceTheFileInOneStep)
{
    const std::string path = Path("w.ini");
    EXPECT_EQ(Call(writeString, "S", "k", "v", path.c_str()), 0);  // created
    EXPECT_EQ(Call(writeString, "S", "k", "w", path.c_str()), 1);  // replaced through MoveFileEx
    EXPECT_EQ(Call(writeString, "T", "a", "1", path.c_str()), 1);
    Call(setLast, "T");
    EXPECT_EQ(Call(writeSection, "N", "x=1\0;c\0", path.c_str()), 1);
    EXPECT_EQ(test::ReadFileText(path), "[S]\r\nk=w\r\n\r\n[N]\r\nx=1\r\n;c\r\n\r\n[T]\r\na=1\r\n");
    EXPECT_EQ(Call(writeString, "S", nullptr, nullptr, path.c_str()), 1);
    EXPECT_EQ(test::ReadFileText(path), "[N]\r\nx=1\r\n;c\r\n\r\n[T]\r\na=1\r\n");
    EXPECT_EQ(FileCount(), 1);
}

TEST_F(NrviniDll, DosFilesMatchKeysByWholeWords)
{
    const std::string sys = Path("CONFIG.SYS"), bat = Path("RUN.BAT");
    ASSERT_TRUE(test::WriteFileText(sys, "[menu]\r\nrem x=1\r\nDEVICEHIGH /L:1=A.SYS\r\n"));
    ASSERT_TRUE(test::WriteFileText(bat, ":go\r\nSET PATH=C:\\DOS\r\n::x\r\nk=1\r\n"));
    char value[32];
    EXPECT_EQ(Call(getString, "menu", "devicehigh", "", value, 32u, sys.c_str()), 5u);
    EXPECT_STREQ(value, "A.SYS");
    EXPECT_EQ(Call(getString, "menu", "x", "none", value, 32u, sys.c_str()), 4u);
    EXPECT_EQ(Call(getString, "go", "path", "", value, 32u, bat.c_str()), 6u);
    EXPECT_EQ(Call(getString, "go", "k", "none", value, 32u, bat.c_str()), 4u);
}

// Files are read as text mode reads them (a Ctrl-Z ends the text, a lone CR
// is an ordinary character), and a write leaves every line it does not edit
// byte for byte or fails and leaves the file alone.
TEST_F(NrviniDll, WritesKeepTheLinesTheyDoNotEdit)
{
    const struct {
        const char* name;
        std::string before;
        const char *section, *key, *value;
        int32_t result;
        std::string after;
    } cases[] = {
        {"CONFIG.SYS", "[common]\r\nDEVICE=HIMEM.SYS\r\n\x1a", "common", "FILES", "40", 1,
         "[common]\r\nDEVICE=HIMEM.SYS\r\nFILES=40\r\n"},
        {"cr.ini", "[A]\r\nx=1\ry=2\r\n", "A", "y", "3", 1, "[A]\r\nx=1\ry=2\r\ny=3\r\n"},
        {"long.ini", "[A]\r\nlong=" + std::string(507, 'l') + "[Evil]\r\n\r\n[B]\r\nb=1\r\n", "B", "c", "1", 0, ""},
        {"utf16.ini", "\xff\xfe[\0A\0]\0\r\0\n\0y\0=\0\x32\0\r\0\n\0"s, "A", "y", "2", 0, ""},
        {"tail.ini", "[A]\r\nx=1\r\n\x1a[B]\r\n", "A", "x", "2", 0, ""},
    };
    for (const auto& c : cases) {
        const std::string path = Path(c.name);
        ASSERT_TRUE(test::WriteFileText(path, c.before));
        EXPECT_EQ(Call(writeString, c.section, c.key, c.value, path.c_str()), c.result) << c.name;
        EXPECT_EQ(test::ReadFileText(path), c.result == 1 ? c.after : c.before) << c.name;
    }
    char value[16];
    EXPECT_EQ(Call(getString, "A", "x", "", value, 16u, Path("cr.ini").c_str()), 5u);
    EXPECT_STREQ(value, "1\ry=2");
}

// A file that cannot be read (another program holds it without sharing) is not
// replaced; a replacement the system refuses (the file is open without delete
// sharing) leaves the old file and no temporary file.
TEST_F(NrviniDll, FailuresLeaveTheFileAsItWas)
{
    const std::string path = Path("held.ini");
    const std::string stored = "[A]\r\nk=1\r\n";
    ASSERT_TRUE(test::WriteFileText(path, stored));
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Call(writeString, "A", "k", "2", path.c_str()), 0);
    EXPECT_EQ(Call(writeSection, "A", "k=2\0", path.c_str()), 0);
    CloseHandle(held);
    EXPECT_EQ(test::ReadFileText(path), stored);

    held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Call(writeString, "A", "k", "3", path.c_str()), 0);
    CloseHandle(held);
    EXPECT_EQ(test::ReadFileText(path), stored);
    EXPECT_EQ(FileCount(), 1);
}

}  // namespace
