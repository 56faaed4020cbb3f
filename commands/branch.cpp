// Branches on the machine's identity (9, 25), the Windows version (18) and the
// power-management model (30), and the branch step they share.
#include "commands/branch.h"

#include <windows.h>

#include "commands/core/idlist.h"
#include "commands/handlers.h"
#include "engine/engine.h"
#include "common/guards.h"

// ---- the branch step ----

std::string BranchTargetName(int field, bool substituteVariables)
{
    std::string name = CommandField(field, "", se::kSubstituteRoom);
    if (substituteVariables) GetVariable(name, se::kSubstituteRoom);
    return name;
}

bool BranchSectionExists(const std::string& name)
{
    return !name.empty() && name.size() <= kLongestNextSection &&
           ReadProfileSection(name.c_str(), g_engine.scriptPath).has_value();
}

void WriteNextSection(const std::string& name)
{
    WriteEngineKey("State", "NextSection", name);
    g_engine.nextSection = name;
}

void SetNextSection(const std::string& name)
{
    WriteLog("  Setting next section to: ", name);
    WriteNextSection(name);
}

void ShowSectionNotFoundBox()
{
    ShowEngineBox("An internal error has occured and progress has been aborted.\n\nPlease reinstall installation.",
                  "Norvane SW Installer", MB_SYSTEMMODAL | MB_ICONERROR);
}

void ReportSectionNotFound(const std::string& name)
{
    ShowSectionNotFoundBox();
    WriteLog("ERROR-=-", "Section [" + name + "] is not found!");
}

void BranchStep(int field, bool substituteVariables)
{
    const std::string name = BranchTargetName(field, substituteVariables);
    if (BranchSectionExists(name))
        SetNextSection(name);
    else
        ReportSectionNotFound(name);
}

// ---- the identification control ----

namespace {

constexpr char kControlFile[] = "NRVCI.OCX";

// The control's exports take no arguments and return a 32-bit result.
using ControlExport = LONG(WINAPI*)();

ControlExport FindExport(const se::Library& control, const char* name)
{
    return reinterpret_cast<ControlExport>(reinterpret_cast<void*>(GetProcAddress(control.get(), name)));
}

struct ControlQuestion {
    const char* exportName;     // the query export
    const char* missingPrefix;  // logged when the query export is missing
    const char* defaultText;    // logged with every failure
};

// The control's answer to one question, or `answer` unchanged when it cannot
// give one. The control is loaded for this question only and unloaded again,
// except when it lacks its access export: then it stays loaded, and every later
// question of the run finds it loaded and takes its default without a word.
LONG AskIdentificationControl(const ControlQuestion& question, LONG answer)
{
    if (GetModuleHandleA(kControlFile)) return answer;
    se::Library control(LoadLibraryA(kControlFile));
    if (!control) {
        WriteLog("Couldn't load DLL -- NRVCI.OCX", question.defaultText);
        return answer;
    }
    const ControlExport access = FindExport(control, "DllAccessControl");
    if (!access) {
        control.release();
        return answer;
    }
    if (access() != 0) {
        WriteLog("Couldn't initialize NRVCI.OCX", question.defaultText);
        return answer;
    }
    if (const ControlExport query = FindExport(control, question.exportName))
        answer = query();
    else
        WriteLog(question.missingPrefix, question.defaultText);
    if (const ControlExport release = FindExport(control, "DllReleaseControl"); release && release() != 0)
        WriteLog("", "Couldn't deinitialize NRVCI.OCX");
    return answer;
}

// [DATA] IsNorvane and Debug both set; Debug is read only when IsNorvane is.
bool DebugOverrideSet()
{
    return ProfileInt("DATA", "IsNorvane", 0, g_engine.scriptPath) != 0 &&
           ProfileInt("DATA", "Debug", 0, g_engine.scriptPath) != 0;
}

// The ID list section named by field 0 of command 25.
bool SystemIdInList(unsigned id)
{
    const auto lines = ReadProfileSection(g_engine.commandSectionName.c_str(), g_engine.scriptPath);
    if (!lines) {
        WriteLog("ERROR-=-", "Missing the Data section");
        return false;
    }
    return se::SystemIdListed(*lines, id);
}

}  // namespace

CommandResult CMD09_BranchOnIsNorvane()
{
    // GetIsNorvaneMachine answers 0 for one of the maker's machines.
    constexpr LONG kNotTheMakers = 1;
    const LONG answer = AskIdentificationControl(
        {"GetIsNorvaneMachine", "Couldn't load IsNorvane from NRVCI.OCX", "defaulting to -- This is not a Norvane."},
        kNotTheMakers);
    bool makers = answer == 0;
    if (DebugOverrideSet()) {
        WriteLog("**** DEBUG OVERRIDE *****", "");
        makers = true;
    }
    BranchStep(makers ? 0 : 1, false);
    return CommandResult::Ran;
}

CommandResult CMD25_BranchOnSystemID()
{
    const LONG fallback = ProfileInt("DATA", "SYSID", 0, g_engine.scriptPath);
    const LONG answer = AskIdentificationControl(
        {"GetMachineID", "Couldn't load GetMachineID from NRVCI.OCX", "defaulting to -- 0x0000"}, fallback);
    // Only the low 16 bits are the ID.
    const unsigned id = static_cast<unsigned>(answer) & 0xFFFFu;
    int field = 2;
    if (id == 0) {
        WriteLog("This is not a supported Norvane", " The ID read is " + se::FormatSystemId(id) + ".");
    } else if (SystemIdInList(id)) {
        WriteLog("", " This is a Norvane with ID  " + se::FormatSystemId(id));
        field = 1;
    } else {
        WriteLog("This is not a supported Norvane", " The ID " + se::FormatSystemId(id) + " was not found in list.");
    }
    if (DebugOverrideSet()) {
        WriteLog("**** DEBUG OVERRIDE *****", "");
        field = 1;
    }
    BranchStep(field, true);
    return CommandResult::Ran;
}

// ---- Windows version and power management ----

namespace {

// 1 to 5 for Windows 95, 98, NT 4.0, 2000 and XP; 0 for any other Windows.
int OsClass()
{
    if (IsWin95()) return 1;
    if (IsWin98()) return 2;
    if (IsWinNT4()) return 3;
    if (IsWin2000()) return 4;
    if (IsWinXP()) return 5;
    return 0;
}

// Only the key's existence counts: a key that cannot be opened counts as absent.
bool RegistryShowsAcpi()
{
    se::RegKey key;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, "ENUM\\ACPI", 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

}  // namespace

CommandResult CMD18_BranchOnOS()
{
    const int osClass = OsClass();
    const std::string name = BranchTargetName(osClass, false);
    if (BranchSectionExists(name)) {
        SetNextSection(name);
        return CommandResult::Ran;
    }
    // This command names the field in its entry, before the box.
    WriteLog("ERROR-=-", "Section number " + std::to_string(osClass) + " [" + name + "] is not found!");
    ShowSectionNotFoundBox();
    return CommandResult::Ran;
}

CommandResult CMD30_BranchOnPowerManagement()
{
    int field = 0;
    if (!IsWin98()) {
        WriteLog("", "...not running Win98");
    } else if (RegistryShowsAcpi()) {
        WriteLog("", " This OS is ACPI");
        field = 2;
    } else {
        WriteLog("", " This OS is APM");
        field = 1;
    }
    BranchStep(field, false);
    return CommandResult::Ran;
}
