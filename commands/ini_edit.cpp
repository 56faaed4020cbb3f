// Commands that edit the working copy while the script runs: keys of any
// section (26), script variables (27), and the whole text of another file
// appended to it (28). Later commands, and a run resumed after a restart, see
// the change.
#include <windows.h>

#include "commands/core/inilines.h"
#include "commands/handlers.h"
#include "engine/core/rooms.h"
#include "engine/engine.h"
#include "engine/syscalls.h"
#include "common/guards.h"

namespace {

constexpr char kUnchanged[] = ", the INI file in use is left unchanged";

// An inline field, read with room so that one too long is seen whole.
std::string InlineField(int field) { return CommandField(field, "", se::kSubstituteRoom); }

// The texts of one write, substituted in order; false after the refusal entry
// of the first that is too long, and nothing is to be written.
bool SubstituteAll(std::initializer_list<std::pair<std::string*, const char*>> texts)
{
    for (const auto& [text, what] : texts)
        if (!SubstituteWithin(*text, se::kLongestIniText, what)) return false;
    return true;
}

void LogWriting(const std::string& section, const std::string& key, const std::string& value)
{
    WriteLog("Writing: ", "[" + section + "]:" + key + "=" + value);
}

// False, after the error entry, when the parameter section gives no lines.
std::optional<std::vector<std::string>> ParameterLines()
{
    auto lines = ReadProfileSection(g_engine.commandSectionName.c_str(), g_engine.scriptPath);
    if (!lines) WriteLog("ERROR-=-", "Missing the Data section or an extra comma.");
    return lines;
}

// One warning entry for a malformed line; true when the line is to be written.
bool AcceptLine(const se::IniEditLine& line)
{
    switch (line.fault) {
    case se::IniLineFault::None: return true;
    case se::IniLineFault::Comment: return false;
    case se::IniLineFault::MissingComma: WriteLog("WARNINIG-=-", "Missing comma >" + line.shown + "<"); return false;
    case se::IniLineFault::NoSection:
        WriteLog("WARNINIG-=-", "Invalid Parameters : no section >" + line.shown + "<");
        return false;
    case se::IniLineFault::NoKey:
        WriteLog("WARNINIG-=-", "Invalid Parameters : no Key >" + line.shown + "<");
        return false;
    }
    return false;
}

}  // namespace

CommandResult CMD26_SetValue()
{
    if (g_engine.commandSectionName.empty()) {
        std::string section = InlineField(1), key = InlineField(2), value = InlineField(3);
        if (!SubstituteAll({{&section, "section"}, {&key, "key"}, {&value, "value"}})) return CommandResult::Failed;
        LogWriting(section, key, value);
        return WriteScriptKey(section, key, value) ? CommandResult::Ran : CommandResult::Failed;
    }
    const auto lines = ParameterLines();
    if (!lines) return CommandResult::Failed;
    for (const std::string& text : *lines) {
        se::IniEditLine line = se::SplitSetValueLine(text);
        if (!AcceptLine(line)) continue;
        std::vector<std::string>& f = line.fields;
        if (SubstituteAll({{&f[0], "section"}, {&f[1], "key"}, {&f[2], "value"}})) WriteScriptKey(f[0], f[1], f[2]);
    }
    return CommandResult::Ran;
}

CommandResult CMD27_SetVariable()
{
    if (g_engine.commandSectionName.empty()) {
        // The key name is used as written; only the value is substituted.
        const std::string key = InlineField(1);
        std::string value = InlineField(2);
        if (!FitsWithin(key, se::kLongestIniText, "key") || !SubstituteAll({{&value, "value"}})) return CommandResult::Failed;
        LogWriting("Variables", key, value);
        return WriteScriptKey("Variables", key, value) ? CommandResult::Ran : CommandResult::Failed;
    }
    const auto lines = ParameterLines();
    if (!lines) return CommandResult::Failed;
    for (const std::string& text : *lines) {
        se::IniEditLine line = se::SplitSetVariableLine(text);
        if (!AcceptLine(line)) continue;
        std::vector<std::string>& f = line.fields;
        if (SubstituteAll({{&f[0], "key"}, {&f[1], "value"}})) WriteScriptKey("Variables", f[0], f[1]);
    }
    return CommandResult::Ran;
}

// ---- command 28 ----

namespace {

// "TMP" and the five lowest decimal digits of the process id, next to the
// working copy.
std::string TemporaryPathBeside(const std::string& workingCopy)
{
    std::string digits = std::to_string(GetCurrentProcessId() % 100000);
    digits.insert(0, 5 - digits.size(), '0');
    const std::size_t slash = workingCopy.rfind('\\');
    return (slash == std::string::npos ? std::string() : workingCopy.substr(0, slash)) + "\\TMP" + digits + ".INI";
}

// Copies everything from one open file to the other in blocks of 128 bytes.
// False when a read or a write fails or a write comes up short: the copy is
// then incomplete and must not replace anything.
bool CopyFileBytes(HANDLE from, HANDLE to)
{
    char block[128];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(from, block, sizeof block, &read, nullptr)) return false;
        if (read == 0) return true;
        DWORD written = 0;
        if (!sys::WriteFile(to, block, read, &written, nullptr) || written != read) return false;
    }
}

se::FileHandle OpenForReading(const std::string& path)
{
    return se::FileHandle(
        sys::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The working copy holds the compiled list and the resume point: every failure
// before the replacement leaves it untouched, and an incomplete temporary file
// is removed.
CommandResult AppendFailed(const std::string& message, const std::string& incompleteFile = "")
{
    if (!incompleteFile.empty()) sys::DeleteFileA(incompleteFile.c_str());
    WriteLog("ERROR-=-", message);
    return CommandResult::Failed;
}

}  // namespace

CommandResult CMD28_AppendINIFile()
{
    const std::string& workingCopy = g_engine.scriptPath;
    // The path is read again with room: the loop's copy of field 0 may be cut.
    std::string appendPath = InlineField(0);
    if (!SubstituteWithin(appendPath, se::kLongestAppendPath, "path")) return CommandResult::Failed;
    const std::string temporary = TemporaryPathBeside(workingCopy);
    WriteLog(" creating temp file: ", temporary);

    // Whatever the system still caches of the working copy goes to disk first.
    FlushProfile(workingCopy);
    FlushProfile(workingCopy);
    Sleep(500);

    se::FileHandle source = OpenForReading(workingCopy);
    if (!source) return AppendFailed(" cannot read " + workingCopy + kUnchanged + LastErrorTail());
    se::FileHandle target(sys::CreateFileA(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target) return AppendFailed(" cannot create " + temporary + kUnchanged + LastErrorTail());
    if (!CopyFileBytes(source.get(), target.get())) {
        const std::string message = " cannot copy " + workingCopy + " to " + temporary + kUnchanged + LastErrorTail();
        target.reset();
        return AppendFailed(message, temporary);
    }
    source.reset();
    WriteLog(" coping contents of ", workingCopy);

    se::FileHandle appended = OpenForReading(appendPath);
    if (!appended) {
        // The temporary file stays; the working copy is as it was.
        target.reset();
        WriteLog("Error-=-", " cound not open second file...");
        return CommandResult::Failed;
    }
    WriteLog(" coping contents of ", appendPath);
    // Nothing goes between the two texts: a last line without a line break
    // continues with the appended file's first line.
    if (!CopyFileBytes(appended.get(), target.get())) {
        const std::string message = " cannot copy " + appendPath + " to " + temporary + kUnchanged + LastErrorTail();
        target.reset();
        return AppendFailed(message, temporary);
    }
    appended.reset();
    target.reset();

    // Only a complete file replaces the working copy, and in one step.
    if (!ReplaceWithFile(temporary, workingCopy))
        return AppendFailed(" cannot replace " + workingCopy + " by " + temporary + kUnchanged + LastErrorTail(),
                            temporary);
    WriteLog(" ", "renaming " + temporary + " to " + workingCopy);
    // The system rewrites the whole file in its own form at its next profile
    // write. That write is made here, of a value the copy holds anyway, so the
    // protection taken after this command holds the text every later write
    // leaves, not the bytes as appended.
    WriteProfileString("State", "CurrentSection", StateValue("CurrentSection", "").c_str(), workingCopy);
    return CommandResult::Ran;
}
