#include <windows.h>

#include <climits>

#include "commands/core/command_types.h"
#include "engine/core/listline.h"
#include "commands/handlers.h"
#include "driver/driver.h"
#include "engine/engine.h"
#include "engine/core/logline.h"
#include "setupengine/run.h"

namespace {

constexpr char kBoxTitleFormat[] = "Norvane Setup Utility - ";
constexpr UINT kErrorBoxStyle = MB_SYSTEMMODAL | MB_ICONERROR;

constexpr char kUsageText[] =
    "Usage:  <module.exe> <INI_FILE> -silent -noreboot -resume\n\n"
    "INI_FILE is either full path or just name if in same dir as EXE.\n"
    "-silent will  suppress all GUI prompts\n"
    "-noreboot will suppress reboots\n"
    "-resume will force a resume of the INI file processing\n\n";

// No number follows INT_MAX: the one after it is INT_MIN, which names no
// command, so the list ends there instead of running its last command again
// and again. Every other number is followed by the next one up.
int NextCommandNumber(int n) { return n == INT_MAX ? INT_MIN : n + 1; }

// The working copy names the next command before that command starts. A
// working copy that cannot be told the next command would run this one again
// after a restart, or, if the run went on, any number of them: the run stops
// here instead, and a later start resumes from what the disk holds.
bool Advance(int from)
{
    g_engine.currentCommandIndex = NextCommandNumber(g_engine.currentCommandIndex);
    if (AdvanceTo(from, g_engine.currentCommandIndex)) return true;
    WriteLog("ERROR-=-", " cannot write the next command " + std::to_string(g_engine.currentCommandIndex) +
                             " into " + g_engine.scriptPath + LastErrorTail() + "; the run stops here");
    return false;
}

void LogCommandLine(int n, int type)
{
    const std::string full =
        ProfileString("Commands", se::FullLineKey(n).c_str(), "", se::kFullLineRoom, g_engine.scriptPath);
    // A type outside the table has no name; the line shows an empty one.
    const se::CommandType* row = se::FindCommandType(type);
    WriteLog(se::FormatCommandPrefix(n, row ? row->logName : std::string_view(), type, full), "");
}

// End of the running list: chains to the next section when one is named and
// compiled now; false ends the run.
bool ChainToNextSection()
{
    g_engine.currentSection = StateValue("CurrentSection", "");
    g_engine.nextSection = StateValue("NextSection", "");
    const ListResult list = g_engine.nextSection.empty() ||
                                    se::EqualsNoCase(g_engine.nextSection, g_engine.currentSection)
                                ? ListResult::Failed
                                : InitCommandSection(false);
    // A list half written stops the run with the protection in place: the
    // next start puts the copy back as it was before and compiles again.
    if (list == ListResult::WriteFailed) return false;
    const bool chained = list == ListResult::Compiled;
    // A pass that compiled nothing would meet the same empty slot forever.
    // A finished run needs no resume point; a later start that resumes this
    // copy protects it again before it writes anything into it.
    if (chained) {
        ProtectWorkingCopy();
    } else {
        RemoveResumeProtection();
        WriteLog("No More commands", "");
    }
    return chained;
}

// One pass per command; false when the loop is to end.
bool RunOneCommand()
{
    const int n = g_engine.currentCommandIndex;
    g_engine.currentCommandType = ProfileInt("Commands", se::TypeKey(n).c_str(), 0, g_engine.scriptPath);
    g_engine.commandSectionName =
        ProfileString("Commands", se::FieldKey(n, 0).c_str(), "", se::kCommandSectionRoom, g_engine.scriptPath);
    const int type = g_engine.currentCommandType;
    if (type != 0) LogCommandLine(n, type);

    if (type == 0) return ChainToNextSection();
    const se::CommandType* row = se::FindCommandType(type);
    if (!row) {
        WriteLog("NOTICE: ", "CMD >" + std::to_string(type) + "< not defined");
        return Advance(n);
    }
    // These types read their keys from the data section whatever the script
    // wrote after the type.
    if (row->Has(se::kReadsData)) g_engine.commandSectionName = "DATA";

    g_engine.workingCopyChanged = false;
    const CommandResult result = HandlerFor(type)();
    // A key of the engine's own that could not be written: the copy is left
    // to its protection, which the next start runs this command again from.
    if (g_engine.stopBeforeAdvance) return false;
    const bool stop = row->Has(se::kStopsTheLoop) && result == CommandResult::StopsRun;
    if (row->Has(se::kSkipsTheAdvance)) {
        // 8 leaves the copy without its list, protected as it is; 29 has
        // removed the copy and its protection, and with it the mark.
        if (g_engine.workingCopyChanged) ProtectWorkingCopy();
        return !stop;
    }
    // What the command changed in the working copy is safe, together with the
    // number of the command after it (6 and 7 have moved the index), before
    // the advance writes that number into the copy.
    if (g_engine.workingCopyChanged) ProtectWorkingCopy(NextCommandNumber(g_engine.currentCommandIndex));
    return Advance(n) && !stop;
}

void EndOfRun()
{
    g_engine.driver.DeleteDriver();
    if (g_engine.rebootRequested) {
        WriteLog("DONE", " Shutting down system.");
        ExitWindowsEx(EWX_REBOOT, 0);
    } else {
        WriteLog("DONE", "!");
    }
}

std::string ProgramPath()
{
    char buffer[512] = {};
    const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    return std::string(buffer, length < sizeof buffer ? length : 0);
}

}  // namespace

int RunEngine(const std::string& commandLine)
{
    SplitPath(ProgramPath(), g_engine.programDirectory, g_engine.programFileName);
    const std::string boxTitle = kBoxTitleFormat + g_engine.programFileName;

    if (!InitINIFile(commandLine)) {
        WriteLog("ERROR - ", "cannot initialize");
        ShowEngineBox(kUsageText, boxTitle, kErrorBoxStyle);
        return 0;
    }
    const ListResult list = InitCommandSection(true);
    if (list == ListResult::Compiled) ProtectWorkingCopy();
    if (list == ListResult::Failed || list == ListResult::WriteFailed) {
        WriteLog("ERROR - ", "Cannot initialize commands section");
        ShowEngineBox("Cannot initialize commands section...check log file...", boxTitle, kErrorBoxStyle);
        return 0;
    }
    EnablePrivileges();
    // Nothing in the run depends on the driver file being in place.
    ChooseDriverBackEnd(g_engine.driver);
    g_engine.driver.LoadDriver();
    if (!FormLanguageDataSection()) {
        // No command runs and no "DONE" line is written; the driver file does
        // not stay behind.
        WriteLog("ERROR - ", "Cannont find CIA.INI");
        g_engine.driver.DeleteDriver();
        return 0;
    }
    g_engine.currentCommandIndex = ProfileInt("Commands", "CurrentCmd", 0, g_engine.scriptPath);

    while (RunOneCommand()) {
    }
    EndOfRun();
    return 0;
}
