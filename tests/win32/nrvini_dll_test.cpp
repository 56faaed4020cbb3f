// NRVINI.dll as its callers see it: loaded with LoadLibrary afresh for every
// test (so that its process-wide state starts anew), every export found by its
// undecorated name and called with the system's calling convention.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "harness.h"
#include "nrvini/file_io.h"
#include "tests/host/nrvini_profile_cases.h"

namespace {

// On i386 a callee that does not pop its arguments (or pops too many) leaves
// the stack pointer moved; elsewhere there is a single calling convention.
#if defined(__i386__)
#define STACK_POINTER(sp) asm volatile("movl %%esp, %0" : "=r"(sp) : : "memory")
#else
#define STACK_POINTER(sp) (sp = 0)
#endif
template <class Fn, class... Args>
auto Call(Fn fn, Args... args)
{
    using Result = decltype(fn(args...));
    std::conditional_t<std::is_void_v<Result>, int, Result> result{};
    std::uintptr_t before = 0, after = 0;
    STACK_POINTER(before);
    if constexpr (std::is_void_v<Result>) fn(args...); else result = fn(args...);
    STACK_POINTER(after);
    EXPECT_EQ(before, after) << "stack pointer moved by the call";
    if constexpr (!std::is_void_v<Result>) return result;
}

#define FIND(name) Find<name##Fn>(#name)
class NrviniDll : public ::testing::Test {
protected:
    template <class Fn>
    Fn Find(const char* name)
    {
        const auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
        missing += fn == nullptr ? std::string(" ") + name : "";
        return fn;
    }
    void SetUp() override
    {
        ASSERT_NE(module, nullptr) << "NRVINI.dll not found beside the test program";
        ASSERT_EQ(missing, "") << "exports not found";
    }
    ~NrviniDll() override { if (module != nullptr) FreeLibrary(module); }

    HMODULE module = LoadLibraryA((test::ModuleDirectory() + "\\NRVINI.dll").c_str());
    std::string missing;
    nrvini_test::ProfileApi api{FIND(NrvGetPrivateProfileString), FIND(NrvGetPrivateProfileInt), FIND(NrvGetPrivateProfileSection),
                                FIND(NrvGetPrivateProfileSectionNames), FIND(NrvWritePrivateProfileString),
                                FIND(NrvWritePrivateProfileSection), FIND(NrvIniSetLastSection)};
    InitDebugSessionFn init = FIND(InitDebugSession);
    DebugModeFn mode = FIND(DebugMode);
    DebugDisketteAvailableFn available = FIND(DebugDisketteAvailable);
    GetDebugINIStringFn getString = FIND(GetDebugINIString);
    GetDebugINIIntFn getInt = FIND(GetDebugINIInt);
    SetDebugINIStringFn setString = FIND(SetDebugINIString);
    SetDebugINIIntFn setInt = FIND(SetDebugINIInt);
    FindCDROMFn findCdrom = FIND(FindCDROM);
    RegisterServerFn registerServer = FIND(RegisterServer);
    nrvini_test::ScratchDir dir;
};

// The profile case tables through the library, every call with the stack
// pointer watched, its writes replacing files the system's way.
TEST_F(NrviniDll, ExportsKeepTheStackAndPassTheCaseTables)
{
    using DllMainFn = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);
    const auto entry = Find<DllMainFn>("DllMain");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(Call(entry, static_cast<HINSTANCE>(module), static_cast<DWORD>(DLL_THREAD_ATTACH), nullptr), TRUE);
    nrvini_test::CheckProfileTables(api, [](auto... args) { return Call(args...); });
}

// A file another program holds without read sharing cannot be read and is not
// written, though it could be. One held without delete sharing, one with a
// second name (a hard link) and a hidden system file are written and stay what
// they were; a read-only file is written where the system's own profile write
// writes it (Windows refuses it; Wine run by root does not) and stays
// read-only. The temporary file of a killed save goes, and no save leaves one.
TEST_F(NrviniDll, SavesKeepTheFileWhatItWas)
{
    const std::string path = dir.Path("held.ini"), other = dir.Path("other.ini");
    const auto text = [](const std::string& value) { return "[A]\r\nk=" + value + "\r\n"; };
    const auto write = [&](const char* value, const std::string& file) {
        EXPECT_EQ(api.writeString("A", "k", value, path.c_str()), 1) << value;
        EXPECT_EQ(test::ReadFileText(file), text(value));
    };
    ASSERT_TRUE(test::WriteFileText(path, text("1")));
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(api.writeSection("A", "k=2\0", path.c_str()), 0);
    CloseHandle(held);
    EXPECT_EQ(test::ReadFileText(path), text("1"));
    held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    write("3", path);
    CloseHandle(held);
    ASSERT_TRUE(CreateHardLinkA(other.c_str(), path.c_str(), nullptr));
    write("4", other);
    DeleteFileA(other.c_str());

    constexpr DWORD kHiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), kHiddenSystem));
    const std::string leftover = nrvini::TemporaryNameBeside(path);
    ASSERT_TRUE(test::WriteFileText(leftover, "[A]\r\nk=half"));
    write("5", path);
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & kHiddenSystem, kHiddenSystem);

    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    const bool systemWrites = WritePrivateProfileStringA("A", "k", "6", path.c_str()) != 0;
    EXPECT_EQ(api.writeString("A", "k", "7", path.c_str()) != 0, systemWrites);
    const std::string last = text(systemWrites ? "7" : "5");
    EXPECT_EQ(test::ReadFileText(path), last);
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, DWORD{FILE_ATTRIBUTE_READONLY});
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);

    // A save on 95/98 cut between setting the file aside and moving the new
    // one in leaves only the aside file: the next call finds the file again.
    ASSERT_TRUE(MoveFileA(path.c_str(), (leftover + ".old").c_str()));
    char buffer[16] = {};
    EXPECT_EQ(Call(api.getString, "A", "k", "", buffer, 16u, path.c_str()), 1u);
    EXPECT_EQ(test::ReadFileText(path), last);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"held.ini"});
}

// The debug session, CD-ROM search and COM registration. The drives come from
// the CTest fixture nrvini_drives (tests/win32/wine_drives.sh): B: and Q: are
// floppy drives, R: a CD-ROM drive, each a folder. Wine plays the NT family of
// Windows here, where the diskette device cannot be opened and every probe
// finds a disk.
const char kDebugIni[] = "B:\\NRVDEBUG.INI";
const char kNoDrives[] = "the drives are not set up: run through CTest (fixture nrvini_drives)";

TEST_F(NrviniDll, DebugSessionFromTheDiskette)
{
    if (GetDriveTypeA("B:\\") != DRIVE_REMOVABLE) GTEST_SKIP() << kNoDrives;
    // The probe asks the drive once; later calls give the same answer.
    EXPECT_EQ(Call(available, static_cast<uint8_t>('D')), 'D');
    EXPECT_EQ(Call(available, static_cast<uint8_t>(2)), 'D');

    // The switch: off in any case, no key, no file give no session, and then
    // nothing is read or written. B: counts as holding a disk, so Q: is not
    // asked (the host's session table). A running session stays.
    uint16_t number = 77;
    for (const cases::Row& s : cases::Rows("nrvini.txt", "debugswitch")) {
        SCOPED_TRACE(s[0].text);
        DeleteFileA(kDebugIni);
        EXPECT_TRUE(s[0].null || test::WriteFileText(kDebugIni, s[0]));
        EXPECT_EQ(Call(init, static_cast<uint8_t>('Q'), 1), s[1].number());
        EXPECT_EQ(Call(mode), s[1].number());
        if (s[1].number() != 0) continue;
        std::string buffer(16, '\x7f');
        EXPECT_EQ(Call(getString, "DEBUG", "Debug", buffer.data(), static_cast<uint16_t>(8), "d"), 0);
        EXPECT_EQ(buffer, std::string(16, '\x7f'));
        EXPECT_EQ(Call(getInt, "DEBUG", "Other", &number, static_cast<uint16_t>(5)), 0);
        EXPECT_EQ(number, 77);
        EXPECT_EQ(Call(setString, "DEBUG", "Debug", "1"), 0);
        EXPECT_EQ(Call(setInt, "S", "n", static_cast<uint16_t>(1)), 0);
        EXPECT_EQ(test::PathExists(kDebugIni) ? std::optional(test::ReadFileText(kDebugIni)) : std::nullopt, nrvini_test::Expected(s[0]));
    }
    EXPECT_EQ(Call(init, static_cast<uint8_t>(0), 1), 1);

    // With the session every function reads and writes B:\NRVDEBUG.INI.
    EXPECT_NE(Call(setString, "S", "long", "0123456789ABCDEF"), 0);
    EXPECT_NE(Call(setString, "S", "huge", std::string(1500, 'h').c_str()), 0);
    EXPECT_NE(Call(setInt, "S", "max", static_cast<uint16_t>(65535)), 0);
    for (const cases::Row& r : cases::Rows("nrvini.txt", "debugread")) {
        std::string out(1100, '\x7f');
        const auto size = static_cast<uint16_t>(r[1].number());
        EXPECT_EQ(Call(getString, "S", r[0].c_str(), out.data(), size, r[2].c_str()), r[3].number()) << r[0].text;
        EXPECT_EQ(out, r[4].text + std::string(1100 - r[4].text.size(), '\x7f')) << r[0].text;
    }
    // Numbers keep their low 16 bits (the rules are a host table); a missing
    // key gives the default.
    Call(setString, "N", "v", "70000");
    EXPECT_EQ(Call(getInt, "N", "v", &number, static_cast<uint16_t>(9)), 1);
    EXPECT_EQ(number, 4464);
    EXPECT_EQ(Call(getInt, "N", "none", &number, static_cast<uint16_t>(9)), 1);
    EXPECT_EQ(number, 9);
    DeleteFileA(kDebugIni);
}

// R: is the only CD-ROM drive.
TEST_F(NrviniDll, FindsTheCdromFromTheStartLetter)
{
    if (GetDriveTypeA("R:\\") != DRIVE_CDROM) GTEST_SKIP() << kNoDrives;
    for (const cases::Row& c : cases::Rows("nrvini.txt", "cdrom"))
        EXPECT_EQ(Call(findCdrom, static_cast<uint8_t>(c[0].text[0])), c[1].text == "0" ? 0 : c[1].text[0]) << c[0].text;
}

// Each library of the [comserver] table lies beside the test program; the
// stand-in server writes the value Registered into its key.
TEST_F(NrviniDll, RegistersAndUnregistersComServers)
{
    const char* key = "Software\\NrviniTest\\ComServer";
    RegDeleteKeyA(HKEY_CURRENT_USER, key);
    for (const cases::Row& r : cases::Rows("nrvini.txt", "comserver")) {
        SCOPED_TRACE(r[0].text + " " + r[1].text);
        const std::string library = test::ModuleDirectory() + "\\" + r[0].text;
        EXPECT_EQ(static_cast<uint32_t>(Call(registerServer, library.c_str(), r[1].number())), std::stoul(r[2].text, nullptr, 0));
        EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, key, "Registered", RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS, r[3].text == "1");
        EXPECT_EQ(GetModuleHandleA(library.c_str()), nullptr) << "the library stayed loaded";
    }
}

}  // namespace
