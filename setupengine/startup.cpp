#include <windows.h>

#include "engine/engine.h"
#include "setupengine/run.h"
#include "engine/syscalls.h"
#include "common/guards.h"
#include "engine/core/listline.h"

void SplitPath(const std::string& path, std::string& directory, std::string& fileName)
{
    se::SplitResult parts = se::SplitPathText(path);
    directory = std::move(parts.directory);
    fileName = std::move(parts.fileName);
}

namespace {

// Finds the script named on the command line, or the program's own .INI.
// Logging is still off here, so the two failure lines never reach a log.
std::optional<std::string> LocateScript(const std::string& commandLine)
{
    const std::string name = se::ScriptNameFromCommandLine(commandLine);
    if (name.empty()) {
        std::string base = g_engine.programFileName;
        if (const std::size_t point = base.rfind('.'); point != std::string::npos) base.resize(point);
        std::string path = g_engine.programDirectory + "\\" + base + ".INI";
        if (FileOrDirectoryExists(path)) return path;
        WriteLog("ERROR-=-no INI file found to process with ", commandLine);
        return std::nullopt;
    }
    // Relative names are taken from the program directory, never from the
    // current directory.
    std::string path = se::ContainsText(name, ":\\") ? name : g_engine.programDirectory + "\\" + name;
    if (FileOrDirectoryExists(path)) return path;
    WriteLog("ERROR-=-", "Cannot find INI file to initialize.");
    return std::nullopt;
}

void ReadLogSettings(const std::string& script)
{
    g_engine.logFilePath = kDefaultLogFile;
    if (ProfileInt("Data", "Logging", 0, script) != 0) g_engine.loggingOn = true;
    std::string logFile = ProfileString("Data", "LogFile", "", MAX_PATH, script);
    if (!logFile.empty()) g_engine.logFilePath = logFile;
}

bool DecideCleanStart(const se::Options& options, const std::string& script)
{
    if (options.resume) {
        WriteLog("InitINIFile()", "-resume given...will force a resume.");
        return false;
    }
    if (ProfileInt("Data", "ForceCleanStart", 1, script) != 0) {
        WriteLog("InitINIFile()", "system will be forcing a clean start.");
        WriteLog("InitINIFile()", "To force a resume add [DATA]:ForceCleanStart=0 or use -resume in command line.");
        return true;
    }
    WriteLog("InitINIFile()", "system will resume and not force a clean start.");
    return false;
}

bool SameDirectory(std::string a, std::string b)
{
    while (!a.empty() && a.back() == '\\') a.pop_back();
    while (!b.empty() && b.back() == '\\') b.pop_back();
    return se::EqualsNoCase(a, b);
}

// Whether two paths name the same file, as the system compares them: full
// paths without regard to case, and the short forms where both files exist.
bool SamePath(const std::string& a, const std::string& b)
{
    const auto full = [](const std::string& path) {
        char buffer[MAX_PATH] = {};
        char* filePart = nullptr;
        const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, &filePart);
        return length > 0 && length < MAX_PATH ? std::string(buffer, length) : path;
    };
    if (se::EqualsNoCase(full(a), full(b))) return true;
    char shortA[MAX_PATH] = {}, shortB[MAX_PATH] = {};
    const DWORD lengthA = GetShortPathNameA(a.c_str(), shortA, MAX_PATH);
    const DWORD lengthB = GetShortPathNameA(b.c_str(), shortB, MAX_PATH);
    return lengthA > 0 && lengthA < MAX_PATH && lengthB > 0 && lengthB < MAX_PATH && se::EqualsNoCase(shortA, shortB);
}

constexpr const char* kFallbackDirectory = "c:\\temp\\";

// The directory of the working copy, with a trailing backslash: the system's
// temporary directory, or c:\temp\ when that is the program directory (the
// copy would then replace the script itself), when the system has none that
// fits, or when the script itself lies in the temporary directory.
std::string WorkingDirectory(const std::string& scriptPath, const std::string& scriptFileName)
{
    char buffer[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, buffer);
    std::string temp;
    if (length > MAX_PATH - 1)
        WriteLog("ERROR-=-", "Need to remalloc for temp path...");
    else
        temp.assign(buffer, length);
    if (temp.empty() || SameDirectory(temp, g_engine.programDirectory) || SamePath(temp + scriptFileName, scriptPath)) {
        sys::CreateDirectoryA(kFallbackDirectory, nullptr);
        return kFallbackDirectory;
    }
    return temp;
}

// The options are written into the working copy, so a resumed run keeps the
// options of the start that made it.
void WriteOptions(const std::string& file)
{
    if (g_engine.rebootSuppressed) WriteProfileString("DATA", "SuppressReboot", "1", file);
    if (g_engine.silent) WriteProfileString("DATA", "SilentMode", "1", file);
    FlushProfile(file);
}

bool ReportCopyFailure(const std::string& script, const std::string& copy, const std::string& partial)
{
    std::string text;
    const DWORD code = GetLastErrorText(text);
    sys::DeleteFileA(partial.c_str());
    WriteLog("InitINIandLogFiles() -  Error=" + std::to_string(code) + ", " + text,
             "ERROR-=-function CopyFile() failed on src=" + script + ", dst=" + copy);
    return false;
}

// The fresh copy is made complete beside the working copy (the script, then
// the options), protected, and only then put in its place in one step: a
// start cut anywhere on the way leaves either the earlier working copy with
// its protection, or a record whose copy is the fresh one, which the next
// start puts in place. The earlier protection stays until the new record
// outdates it.
bool MakeWorkingCopy(const std::string& script, const std::string& copy)
{
    const std::string partial = copy + ".new";
    // The system does not copy over a read-only file.
    sys::SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
    sys::SetFileAttributesA(partial.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!sys::CopyFileA(script.c_str(), partial.c_str(), FALSE)) return ReportCopyFailure(script, copy, partial);
    // The copy takes over the script's attributes, read-only included.
    sys::SetFileAttributesA(partial.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteOptions(partial);
    LoadNewestRecord();
    if (!ProtectNewWorkingCopy(partial) || !ReplaceWithFile(partial, copy))
        return ReportCopyFailure(script, copy, partial);
    WriteLog("InitINIFile()", script + " has been copied to " + copy);
    return true;
}

}  // namespace

bool InitINIFile(const std::string& commandLine)
{
    const std::optional<std::string> script = LocateScript(commandLine);
    if (!script) return false;

    ReadLogSettings(*script);
    WriteLog("", "");
    WriteLog("*** Starting " + g_engine.programDirectory + "\\" + g_engine.programFileName +
                 " Version: " + kVersionText + " ***",
             "");

    const se::Options options = se::FindOptions(commandLine);
    if (options.noReboot) {
        g_engine.rebootSuppressed = true;
        WriteLog("InitINIFile()", "-noreboot given...will suppress reboots");
    }
    if (options.silent) {
        g_engine.silent = true;
        WriteLog("InitINIFile()", "-silent given...will run silent");
    }
    const bool cleanStart = DecideCleanStart(options, *script);

    std::string scriptDirectory, scriptFileName;
    SplitPath(*script, scriptDirectory, scriptFileName);
    const std::string copy = WorkingDirectory(*script, scriptFileName) + scriptFileName;
    // A script that lies in c:\temp\ while that is the working directory would
    // be its own working copy, which the run writes into: it is refused.
    if (SamePath(copy, *script)) {
        WriteLog("ERROR-=-", "The INI file cannot be its own working copy: " + copy);
        return false;
    }
    g_engine.scriptPath = copy;
    // A kept copy that a cut write damaged, or that a cut replacement left
    // missing, is put right before anything decides whether one exists.
    if (!cleanStart && !RecoverWorkingCopy()) return false;
    if (cleanStart || !FileOrDirectoryExists(copy)) {
        if (!MakeWorkingCopy(*script, copy)) return false;
    } else {
        // Protected before the first write, so a write cut short can be undone
        // even when the run that made this copy has finished and left no
        // protection behind.
        ProtectWorkingCopy();
        sys::SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
        WriteOptions(copy);
        ProtectWorkingCopy();
    }

    WriteLog("InitINIFile()", "The INI file in use is " + copy);
    if (ProfileInt("Data", "SuppressReboot", 0, copy) != 0) g_engine.rebootSuppressed = true;
    if (ProfileInt("Data", "SilentMode", 0, copy) != 0) g_engine.silent = true;
    return true;
}

namespace {

struct PrivilegeName {
    const char* system;
    const char* logged;
};

// The token stays open for the rest of the run.
se::KernelHandle g_processToken;

}  // namespace

void EnablePrivileges()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version) || version.dwPlatformId != VER_PLATFORM_WIN32_NT) return;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, g_processToken.put())) return;

    static constexpr PrivilegeName kPrivileges[] = {
        {"SeShutdownPrivilege", "SE_SHUTDOWN_NAME"},
        {"SeRestorePrivilege", "SE_RESTORE_NAME"},
        {"SeBackupPrivilege", "SE_BACKUP_NAME"},
    };
    for (const PrivilegeName& p : kPrivileges) {
        TOKEN_PRIVILEGES privileges = {};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        LookupPrivilegeValueA(nullptr, p.system, &privileges.Privileges[0].Luid);
        WriteLog("NOTICE: adjusting token privilege for :", p.logged);
        // A privilege the account does not hold is not an error: the call
        // succeeds without granting it.
        if (!AdjustTokenPrivileges(g_processToken.get(), FALSE, &privileges, 0, nullptr, nullptr)) {
            std::string text;
            GetLastErrorText(text);
            WriteLog("ERROR: adjusting token privilege ->", text);
        }
    }
}

bool FormLanguageDataSection()
{
    std::string code = ProfileString("Description", "NorvaneLanguage", "XX", 512, kLanguageFile);
    if (code.empty()) return false;
    g_engine.languageDataSection = "Data." + se::StrippedOfComment(code);
    return true;
}
