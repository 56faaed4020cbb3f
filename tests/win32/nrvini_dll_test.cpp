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
        ASSERT_TRUE(getString && getInt && getSection && getNames && writeString && writeSection && setLast);
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

namespace {

// The debug session, CD-ROM search and COM registration, each test with the
// library freshly loaded, so that its process-wide state starts anew. The
// drives come from the CTest fixture nrvini_drives (tests/win32/wine_drives.sh):
// B: and Q: are floppy drives, R: a CD-ROM drive, each a folder. Wine plays
// the NT family of Windows here, where the diskette device cannot be opened
// and every probe finds a disk.
class NrviniServices : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(lib.module, nullptr);
        ASSERT_TRUE(init && mode && available && getString && getInt && setString && setInt && findCdrom && registerServer);
    }
    static bool DriveIs(const char* root, UINT type) { return GetDriveTypeA(root) == type; }

    Library lib;
    InitDebugSessionFn init = lib.Find<InitDebugSessionFn>("InitDebugSession");
    DebugModeFn mode = lib.Find<DebugModeFn>("DebugMode");
    DebugDisketteAvailableFn available = lib.Find<DebugDisketteAvailableFn>("DebugDisketteAvailable");
    GetDebugINIStringFn getString = lib.Find<GetDebugINIStringFn>("GetDebugINIString");
    GetDebugINIIntFn getInt = lib.Find<GetDebugINIIntFn>("GetDebugINIInt");
    SetDebugINIStringFn setString = lib.Find<SetDebugINIStringFn>("SetDebugINIString");
    SetDebugINIIntFn setInt = lib.Find<SetDebugINIIntFn>("SetDebugINIInt");
    FindCDROMFn findCdrom = lib.Find<FindCDROMFn>("FindCDROM");
    RegisterServerFn registerServer = lib.Find<RegisterServerFn>("RegisterServer");
};

const char kDebugIni[] = "B:\\NRVDEBUG.INI";
const char kNoDrives[] = "the drives are not set up: run through CTest (fixture nrvini_drives)";

TEST_F(NrviniServices, DebugSessionFromTheDiskette)
{
    if (!DriveIs("B:\\", DRIVE_REMOVABLE) || !DriveIs("Q:\\", DRIVE_REMOVABLE)) GTEST_SKIP() << kNoDrives;
    // The probe asks the drive once; later calls give the same answer.
    EXPECT_EQ(Call(available, static_cast<uint8_t>('D')), 'D');
    EXPECT_EQ(Call(available, static_cast<uint8_t>(2)), 'D');

    // No session yet: nothing is read or written.
    const std::string stored = "[S]\r\nk=stored\r\n";
    ASSERT_TRUE(test::WriteFileText(kDebugIni, stored));
    std::string buffer(16, '\x7f');
    uint16_t number = 77;
    EXPECT_EQ(Call(getString, "S", "k", buffer.data(), static_cast<uint16_t>(8), "d"), 0);
    EXPECT_EQ(buffer, std::string(16, '\x7f'));
    EXPECT_EQ(Call(getInt, "S", "k", &number, static_cast<uint16_t>(5)), 0);
    EXPECT_EQ(number, 77);
    EXPECT_EQ(Call(setString, "S", "k", "new"), 0);
    EXPECT_EQ(Call(setInt, "S", "n", static_cast<uint16_t>(1)), 0);
    EXPECT_EQ(test::ReadFileText(kDebugIni), stored);

    // The switch: off in any case, no key, no file give no session. Q: holds a
    // switch that is on, but B: counts as holding a disk, so Q: is not asked.
    ASSERT_TRUE(test::WriteFileText("Q:\\NRVDEBUG.INI", "[DEBUG]\r\nDebug=1\r\n"));
    const struct {
        const char* file;  // null: no file
        int32_t session;
    } switches[] = {{"[DEBUG]\r\nDebug=off\r\n", 0}, {"[DEBUG]\r\nOther=1\r\n", 0}, {nullptr, 0}, {"[DEBUG]\r\nDebug=1\r\n", 1}};
    for (const auto& s : switches) {
        DeleteFileA(kDebugIni);
        if (s.file != nullptr) {
            ASSERT_TRUE(test::WriteFileText(kDebugIni, s.file));
        }
        EXPECT_EQ(Call(init, static_cast<uint8_t>('Q'), 1), s.session) << (s.file ? s.file : "no file");
        EXPECT_EQ(Call(mode), s.session);
    }
    DeleteFileA("Q:\\NRVDEBUG.INI");
    EXPECT_EQ(Call(init, static_cast<uint8_t>(0), 1), 1);  // a running session stays

    // With the session every function reads and writes B:\NRVDEBUG.INI.
    EXPECT_NE(Call(setString, "S", "long", "0123456789ABCDEF"), 0);
    EXPECT_NE(Call(setString, "S", "huge", std::string(1500, 'h').c_str()), 0);
    EXPECT_NE(Call(setInt, "S", "max", static_cast<uint16_t>(65535)), 0);
    const struct {
        const char* key;
        uint16_t size;
        std::string fallback;
        int32_t result;
        std::string written;  // then the sentinel up to 1100 bytes
    } reads[] = {
        {"long", 8, "d", 1, "01234567\0"s},
        {"huge", 0, "d", 1, std::string(1023, 'h') + '\0'},
        {"none", 8, std::string(2000, 'f'), 1, "ffffffff\0"s},
        {"none", 8, "", 0, "\0"s},
        {"max", 5, "", 1, "65535\0"s},
    };
    for (const auto& r : reads) {
        std::string out(1100, '\x7f');
        EXPECT_EQ(Call(getString, "S", r.key, out.data(), r.size, r.fallback.c_str()), r.result) << r.key;
        EXPECT_EQ(out, r.written + std::string(1100 - r.written.size(), '\x7f')) << r.key;
    }
    const struct {
        const char* text;  // null: the key is missing
        uint16_t value;
    } numbers[] = {{"-1", 65535}, {"70000", 4464}, {"12abc", 12}, {nullptr, 9}};
    for (const auto& n : numbers) {
        Call(setString, "N", "v", n.text);
        number = 0;
        EXPECT_EQ(Call(getInt, "N", "v", &number, static_cast<uint16_t>(9)), 1);
        EXPECT_EQ(number, n.value) << (n.text ? n.text : "missing");
    }
    char value[8] = {};
    EXPECT_EQ(GetPrivateProfileStringA("S", "max", "", value, sizeof value, kDebugIni), 5u);
    EXPECT_STREQ(value, "65535");
    DeleteFileA(kDebugIni);
}

// R: is the only CD-ROM drive.
TEST_F(NrviniServices, FindsTheCdromFromTheStartLetter)
{
    if (!DriveIs("R:\\", DRIVE_CDROM)) GTEST_SKIP() << kNoDrives;
    const struct {
        uint8_t start, found;
    } cases[] = {{'A', 'R'}, {'R', 'R'}, {'S', 0}, {'a', 'r'}, {'r', 'r'}, {'s', 0}, {'@', 0}, {'[', 0}, {'{', 0}};
    for (const auto& c : cases) EXPECT_EQ(Call(findCdrom, c.start), c.found) << c.start;
}

TEST_F(NrviniServices, RegistersAndUnregistersComServers)
{
    const std::string server = test::ModuleDirectory() + "\\nrvini_com_server.dll";
    const std::string plain = test::ModuleDirectory() + "\\nrvini_no_server.dll";
    const char* key = "Software\\NrviniTest\\ComServer";
    const auto keyExists = [&] {
        HKEY h = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
        RegCloseKey(h);
        return true;
    };
    RegDeleteKeyA(HKEY_CURRENT_USER, key);
    EXPECT_EQ(Call(registerServer, server.c_str(), 1), S_OK);
    EXPECT_TRUE(keyExists());
    EXPECT_EQ(GetModuleHandleA(server.c_str()), nullptr) << "the server stayed loaded";
    EXPECT_EQ(Call(registerServer, server.c_str(), 0), S_OK);
    EXPECT_FALSE(keyExists());
    for (const int32_t doRegister : {1, 0}) {
        EXPECT_EQ(static_cast<uint32_t>(Call(registerServer, plain.c_str(), doRegister)), 0x80004005u);
        EXPECT_EQ(GetModuleHandleA(plain.c_str()), nullptr) << "the library stayed loaded";
    }
    const std::string missing = test::ModuleDirectory() + "\\no_such_server.dll";
    EXPECT_EQ(static_cast<uint32_t>(Call(registerServer, missing.c_str(), 1)), 0x8007007Eu);
}

}  // namespace
