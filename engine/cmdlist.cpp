#include <windows.h>

#include "engine/engine.h"
#include "engine/listline.h"

namespace {

// Default of the [State] reads: stands for a key that is not there at all.
constexpr char kMissingKey[] = "~x!x@x";
// Default of [Commands] CMD0: no command list has been compiled yet.
constexpr char kNotCompiled[] = "XX";
void WriteState(const std::string& current)
{
    WriteProfileString("State", "CurrentSection", current.c_str(), g_engine.scriptPath);
    WriteProfileString("State", "NextSection", "", g_engine.scriptPath);
}

void WriteCompiledLine(int n, const se::CompiledLine& line)
{
    const std::string& file = g_engine.scriptPath;
    const std::string number = std::to_string(n);
    WriteProfileString("Commands", "Cmd" + number, line.type, file);
    WriteProfileString("Commands", "FullCmdSection" + number, line.full, file);
    for (std::size_t m = 0; line.hasFields && m < line.fields.size(); ++m)
        WriteProfileString("Commands", "CmdSection" + number + "." + std::to_string(m), line.fields[m], file);
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
        WriteState("CommandsList");
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
        WriteState(next);
        WriteLog("InitCommandSection()", " starting from [" + next + "]");
    }

    g_engine.currentSection = StateValue("CurrentSection", "");
    WriteLog("**", "  Starting section >" + g_engine.currentSection + "<");
    if (!lines) {
        WriteLog("ERROR-=-", " section [" + g_engine.currentSection + "] is empty..cannot initialize");
        return ListResult::Failed;
    }

    int n = g_engine.currentCommandIndex;
    for (const std::string& text : *lines) {
        const std::optional<se::CompiledLine> line = se::CompileListLine(text);
        if (!line) continue;
        WriteCompiledLine(n++, *line);
    }
    FlushProfile(file);
    WriteLog("InitCommandSection()", " initializtion complete.");
    return ListResult::Compiled;
}
