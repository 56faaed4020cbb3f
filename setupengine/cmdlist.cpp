#include <windows.h>

#include "engine/engine.h"
#include "setupengine/run.h"
#include "engine/syscalls.h"
#include "engine/core/listline.h"

namespace {

// Default of the [State] reads: stands for a key that is not there at all.
constexpr char kMissingKey[] = "~x!x@x";
// Default of [Commands] CMD0: no command list has been compiled yet.
constexpr char kNotCompiled[] = "XX";
bool WriteState(const std::string& current)
{
    const bool wroteCurrent = WriteProfileString("State", "CurrentSection", current.c_str(), g_engine.scriptPath);
    return WriteProfileString("State", "NextSection", "", g_engine.scriptPath) && wroteCurrent;
}

// Every profile write makes the system rewrite the whole file, so a list is
// handed over in one section write: the keys of [Commands] merged in memory
// come out as the separate writes of each key would leave them. That needs
// [Commands] as it stands, whole: a read that failed (the section is there
// but gave no lines) would leave only the new keys, and CurrentCmd and the
// earlier lists would be gone. Then, as on Windows 95 and 98, which hand out
// at most 32 KB of a section, too little to take the [Commands] of a long list
// back whole, each key is written by itself.
bool WriteCompiledKeys(const std::vector<se::ProfileKey>& keys)
{
    const std::string& file = g_engine.scriptPath;
    if (!IsWin95() && !IsWin98()) {
        std::optional<std::vector<std::string>> lines = ReadProfileSection("Commands", file);
        if (!lines && se::SectionKnownAbsent(ReadSectionNames(file), "Commands")) lines.emplace();
        if (lines) {
            const std::string list = se::SectionListText(se::MergeSectionKeys(std::move(*lines), keys));
            if (sys::WritePrivateProfileSectionA("Commands", list.c_str(), file.c_str())) return true;
        }
    }
    bool written = true;
    for (const se::ProfileKey& key : keys) written = WriteProfileString("Commands", key.name, key.value, file) && written;
    return written;
}

ListResult WriteFailed()
{
    WriteLog("ERROR-=-", " cannot write the command list into " + g_engine.scriptPath + LastErrorTail());
    return ListResult::WriteFailed;
}

}  // namespace

ListResult InitCommandSection(bool atStartUp)
{
    const std::string& file = g_engine.scriptPath;
    const std::string cmd0 = ProfileString("Commands", "CMD0", kNotCompiled, MAX_PATH, file);
    const std::string current = StateValue("CurrentSection", kMissingKey);
    const std::string next = StateValue("NextSection", kMissingKey);

    std::optional<std::vector<std::string>> lines;
    if (se::EqualsNoCase(current, kMissingKey)) {
        // No list has been started in this working copy.
        g_engine.currentSection = "CommandsList";
        if (!WriteState("CommandsList")) return WriteFailed();
        lines = ReadProfileSection("CommandsList", file);
        WriteLog("InitCommandSection()", " starting from [CommandsList]");
    } else if (se::EqualsNoCase(next, current) || se::EqualsNoCase(cmd0, kNotCompiled) || next.empty() ||
               atStartUp) {
        // A resumed run keeps its compiled list. A section change that was
        // requested before the run stopped takes effect when that list ends,
        // as it would have without the stop.
        WriteLog("InitCommandSection()", " continuing with [" + current + "]");
        return ListResult::Kept;
    } else {
        lines = ReadProfileSection(next.c_str(), file);
        if (!WriteState(next)) return WriteFailed();
        WriteLog("InitCommandSection()", " starting from [" + next + "]");
    }

    g_engine.currentSection = StateValue("CurrentSection", "");
    WriteLog("**", "  Starting section >" + g_engine.currentSection + "<");
    if (!lines) {
        WriteLog("ERROR-=-", " section [" + g_engine.currentSection + "] is empty..cannot initialize");
        return ListResult::Failed;
    }

    int n = g_engine.currentCommandIndex;
    std::vector<se::ProfileKey> keys;
    for (const std::string& text : *lines) {
        const std::optional<se::CompiledLine> line = se::CompileListLine(text);
        if (line) se::AppendCompiledKeys(n++, *line, keys);
    }
    if (!WriteCompiledKeys(keys)) return WriteFailed();
    FlushProfile(file);
    WriteLog("InitCommandSection()", " initializtion complete.");
    return ListResult::Compiled;
}
