// Flow control: commands that steer the loop instead of changing the machine.
// They count runs, move the next command back or forward, reset or end the
// run, delete the working copy, and write a text of the script to the log.
#include <windows.h>

#include <algorithm>
#include <climits>

#include "commands/branch.h"
#include "commands/files.h"
#include "commands/handlers.h"
#include "engine/core/rooms.h"
#include "engine/engine.h"
#include "engine/syscalls.h"

namespace {

// Types 5, 6 and 7 find "DATA" as their command section name: their keys live
// in the data section, whatever the script wrote after the type.
int DataValue(const char* key) { return ProfileInt(g_engine.commandSectionName.c_str(), key, 0, g_engine.scriptPath); }

// The loop advances from the index set here, so the command after the advance
// is the one the move names. Only the advance writes it into the working
// copy: a restart before that runs this command again, never the command it
// moves to.
void MoveCurrentCommand(int index) { g_engine.currentCommandIndex = index; }

// Counts and command numbers are worked out in 64 bits and held within
// [INT_MIN, INT_MAX - 1], so the loop's advance after a move never passes
// INT_MAX, and a number far below 0 stays below 0 after it: the list ends
// there and never comes round to a positive number or to command 0.
int HeldNumber(long long value) { return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX - 1LL)); }

void LogCommandIndex(int type)
{
    const std::string text = "CMD" + std::to_string(g_engine.currentCommandIndex) + "=" + std::to_string(type);
    WriteLog(text, text);
}

}  // namespace

CommandResult CMD05_IncRunningCounter()
{
    const int count = HeldNumber(DataValue("RunCount") + 1LL);
    return WriteScriptKey(g_engine.commandSectionName, "RunCount", std::to_string(count)) ? CommandResult::Ran : CommandResult::Failed;
}

CommandResult CMD06_DecCmdIndex()
{
    // With n = 1 the command just before this one runs next; an index below 0
    // names no command and ends the list.
    const int n = DataValue("DecCommand");
    if (n > 0) MoveCurrentCommand(HeldNumber(static_cast<long long>(g_engine.currentCommandIndex) - n - 1));
    LogCommandIndex(6);
    return CommandResult::Ran;
}

CommandResult CMD07_IncCmdIndex()
{
    // n commands are skipped; past the last one the list ends.
    const int n = DataValue("IncCommand");
    if (n > 0) MoveCurrentCommand(HeldNumber(static_cast<long long>(g_engine.currentCommandIndex) + n));
    LogCommandIndex(7);
    return CommandResult::Ran;
}

CommandResult CMD08_ResetCmdIndex()
{
    // Without [Commands] and [State] the next start compiles [CommandsList]
    // afresh and begins at its first command. The loop stops without the
    // advance, so nothing writes CurrentCmd back.
    DeleteEngineSection("Commands");
    DeleteEngineSection("State");
    g_engine.currentCommandIndex = -1;
    g_engine.currentSection = "CommandsList";
    return CommandResult::StopsRun;
}

CommandResult CMD10_Exit()
{
    // The loop advances past this command, so a resumed start goes on after it.
    return CommandResult::StopsRun;
}

CommandResult CMD19_JumpToNextSection()
{
    // The log shows the name as written, the variables not yet replaced.
    WriteLog("  Setting next section to: ", g_engine.commandSectionName);
    g_engine.commandSectionName = BranchTargetName(0, true);
    // Nothing jumps: the named list is compiled when the running one ends.
    if (BranchSectionExists(g_engine.commandSectionName))
        WriteNextSection(g_engine.commandSectionName);
    else
        ReportSectionNotFound(g_engine.commandSectionName);
    return CommandResult::Ran;
}

CommandResult CMD20_ExitRebootSystem()
{
    if (g_engine.rebootSuppressed) {
        WriteLog("Not setting to reboot system since SuppressReboot is set", "");
        g_engine.rebootRequested = false;
    } else {
        WriteLog("Setting to reboot system...", "");
        g_engine.rebootRequested = true;
    }
    return CommandResult::StopsRun;
}

CommandResult CMD29_ExitAndDeleteINIFile()
{
    // Read before the deletions: the working copy that holds it may be among
    // the deleted paths.
    const bool restart = se::EqualsNoCase(CommandField(2, "FALSE", se::kRestartFieldRoom), "TRUE");
    WriteLog("", "attempting to delete files....");
    const std::string& section = g_engine.commandSectionName;
    DeleteFilesOrDirectories(section, section.empty() ? CommandField(1, "", se::kFieldRoom) : std::string(),
                             WorkingCopyGuard::Allow);

    if (restart) {
        if (g_engine.rebootSuppressed) {
            WriteLog("", "Not setting to reboot system since SuppressReboot is set");
            g_engine.rebootRequested = false;
        } else {
            g_engine.rebootRequested = true;
            WriteLog("", "will issue a system reboot.");
        }
    } else {
        WriteLog("", "will NOT issue a system reboot.");
    }
    WriteLog("will delete :", g_engine.scriptPath);
    // The protection goes first: a copy whose protection was half removed is
    // still there and runs this command again, while protection left beside a
    // deleted copy would bring the copy back at the next start.
    RemoveResumeProtection();
    sys::DeleteFileA(g_engine.scriptPath.c_str());
    return CommandResult::StopsRun;
}

CommandResult CMD32_LogMsg()
{
    // Field 0 as compiled, without substitution: it can hold no comma and no
    // semicolon.
    WriteLog("", g_engine.commandSectionName);
    return CommandResult::Ran;
}

CommandResult CMD_NotSupported()
{
    WriteLog("", " Not Supported yet.");
    return CommandResult::Ran;
}
