// Starting a program (11), pausing (13) and message boxes that may choose the
// next section (17).
#include "commands/program.h"

#include <windows.h>

#include <memory>
#include <new>
#include <optional>

#include "commands/branch.h"
#include "commands/core/program_text.h"
#include "commands/handlers.h"
#include "engine/core/rooms.h"
#include "engine/engine.h"
#include "engine/core/listline.h"
#include "common/guards.h"

// ---- command 11 ----

namespace {

struct ProgramStart {
    std::string commandLine;
    std::string waitFlag;
};

// From the parameter section named by field 0, or from fields 1 and 2 when
// field 0 is empty. The section's command line is substituted twice, so a
// variable may hold further variables. A command line too long after
// substitution is refused whole (nothing when it is): cut short it would
// start another program or hand it other arguments.
std::optional<ProgramStart> ReadProgramStart()
{
    ProgramStart start;
    const std::string& section = g_engine.commandSectionName;
    if (!section.empty()) {
        start.commandLine = ProfileString(section.c_str(), "Program", "", se::kSubstituteRoom, g_engine.scriptPath);
        start.waitFlag = ProfileString(section.c_str(), "WaitToExit", "FALSE", se::kWaitFlagRoom, g_engine.scriptPath);
        GetVariable(start.commandLine, se::kSubstituteRoom);
    } else {
        start.commandLine = CommandField(1, "", se::kSubstituteRoom);
        start.waitFlag = CommandField(2, "", se::kWaitFlagRoom);
    }
    if (!SubstituteWithin(start.commandLine, se::kLongestCommandLine, "command line")) return std::nullopt;
    return start;
}

bool IsFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The profile read takes the quotes off a value that is all one quoted path,
// and the system would then start the first program that a text before a
// blank names: C:\work\dir.exe for C:\work\dir with blank\prog.exe. The
// longest text that names an existing program is meant; it goes to the
// system in quotes. Without one the line goes as it is.
std::string ProgramCommandLine(const std::string& commandLine)
{
    for (const se::ProgramCandidate& program : se::ProgramCandidates(commandLine))
        if (IsFile(program.file)) return se::QuoteProgram(commandLine, program);
    return commandLine;
}

std::string CurrentDirectory()
{
    char buffer[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, buffer);
    return length < MAX_PATH ? std::string(buffer, length) : std::string();
}

// Both handles CreateProcess returns are owned here and closed on every path.
bool StartProgram(std::string commandLine, const std::string& directory, se::KernelHandle& process)
{
    SECURITY_ATTRIBUTES processAttributes = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    SECURITY_ATTRIBUTES threadAttributes = processAttributes;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USEPOSITION;  // first window at (0, 0)
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(nullptr, commandLine.data(), &processAttributes, &threadAttributes, FALSE,
                        NORMAL_PRIORITY_CLASS, nullptr, directory.c_str(), &startup, &started))
        return false;
    se::KernelHandle thread(started.hThread);
    process = se::KernelHandle(started.hProcess);
    return true;
}

// No upper bound: a program that never ends holds the run here.
void WaitUntilEnded(const se::KernelHandle& process)
{
    while (WaitForSingleObject(process.get(), 50) == WAIT_TIMEOUT) {
    }
    Sleep(1000);
}

}  // namespace

CommandResult CMD11_SpawnProgram()
{
    const std::optional<ProgramStart> start = ReadProgramStart();
    if (!start) return CommandResult::Ran;
    // The log shows the command line as substituted, without the quotes added here.
    const std::string commandLine = ProgramCommandLine(start->commandLine);
    const std::string directory = se::ProgramWorkingDirectory(commandLine).value_or(CurrentDirectory());
    WriteLog("...Spawning ", "<" + start->commandLine + ">");
    WriteLog("...Setting CWD to ", "<" + directory + ">");
    WriteLog("...WaitToFinish:", start->waitFlag);

    se::KernelHandle process;
    if (!StartProgram(commandLine, directory, process)) {
        std::string text;
        const DWORD code = GetLastErrorText(text);
        WriteLog("FAIL - Failure with CreateProcess( )", std::to_string(code) + " - " + text);
    } else if (se::EqualsNoCase(start->waitFlag, "TRUE")) {
        WriteLog("...waiting.....", "");
        WaitUntilEnded(process);
    } else {
        WriteLog("...not waiting", "");
    }
    WriteLog("...Spawn Complete", "");
    return CommandResult::Ran;
}

// ---- command 13 ----

CommandResult CMD13_Sleep()
{
    const std::string& pause = g_engine.commandSectionName;
    if (pause.empty()) {
        WriteLog("..time not defined to sleep", "");
        return CommandResult::Ran;
    }
    WriteLog("..sleeping ", pause);
    // A negative pause would be an almost endless one to Sleep: it pauses 0 ms.
    const int milliseconds = se::PauseMilliseconds(pause);
    if (milliseconds > 0) Sleep(static_cast<DWORD>(milliseconds));
    return CommandResult::Ran;
}

// ---- command 17 ----

unsigned GetProfileSectionSize(const char* section, const std::string& file)
{
    constexpr unsigned kLargestSize = 32768;
    unsigned size = 260;
    for (;;) {
        std::unique_ptr<char[]> buffer(new (std::nothrow) char[size]);
        if (!buffer) {
            WriteLog("GetProfileSectionSize()", "malloc returned a NULL pointer");
            return 0;
        }
        const DWORD length = GetPrivateProfileSectionA(section, buffer.get(), size, file.c_str());
        // The system reports the size less 2 when the section did not fit.
        if (length < size - 2) return length;
        if (size * 2 > kLargestSize) {
            WriteLog("WARINING", "-=-Section Size is to large for Win9X");
            return size;
        }
        size *= 2;
    }
}

namespace {

// The Message1, Message2, ... lines of a box text, within a buffer of
// `bufferSize` bytes. The measurement stops growing at 16640 bytes while a
// message section may be larger: the text is then cut at the buffer's end and
// the box shows what fits.
std::string AssembleMessageText(const std::string& section, std::size_t bufferSize)
{
    std::string text;
    for (int n = 1; text.size() + 1 < bufferSize; ++n) {
        const std::string key = "Message" + std::to_string(n);
        const std::string value =
            ProfileString(section.c_str(), key.c_str(), "NO TEXT", se::kMessageLineRoom, g_engine.scriptPath);
        if (!se::AppendMessageLine(text, value)) break;
    }
    return se::FitBuffer(text, bufferSize);
}

struct BoxStyle {
    int style;
    UINT flags;
};

UINT BoxFlags(int style)
{
    static constexpr BoxStyle kStyles[] = {
        {2, MB_OKCANCEL}, {3, MB_YESNO}, {4, MB_YESNOCANCEL}, {5, MB_ICONEXCLAMATION}, {6, MB_ICONERROR}};
    for (const BoxStyle& s : kStyles)
        if (s.style == style) return MB_SYSTEMMODAL | s.flags;
    return MB_SYSTEMMODAL;  // OK button, no icon
}

bool StyleBranches(int style) { return style >= 2 && style <= 4; }

// Field 2 for OK or Yes; field 3 for No, and for anything else where the box
// has no third choice; field 4 for any other answer to a Yes/No/Cancel box.
int FieldForAnswer(int style, int answer)
{
    if (answer == (style == 2 ? IDOK : IDYES)) return 2;
    if (style != 4 || answer == IDNO) return 3;
    return 4;
}

}  // namespace

CommandResult CMD17_DisplayMessageBox()
{
    // The command's own name buffer: the run's language data section is not touched.
    const std::string section = g_engine.commandSectionName + ".US";
    const std::string caption = ProfileString(section.c_str(), "Title", "Norvane Setup", se::kMessageLineRoom, g_engine.scriptPath);
    const unsigned size = GetProfileSectionSize(section.c_str(), g_engine.scriptPath);
    if (!ReadProfileSection(section.c_str(), g_engine.scriptPath)) {
        WriteLog("ERROR-=-", "Missing the Message Section [" + section + "]");
        return CommandResult::Ran;
    }
    const std::string text = AssembleMessageText(section, size);
    const std::string styleKey = se::FieldKey(g_engine.currentCommandIndex, 1);
    const int style = ProfileInt("Commands", styleKey.c_str(), 1, g_engine.scriptPath);

    // While silent no box is shown, and a question box acts as if OK or Yes
    // had been chosen.
    int field = 2;
    if (!g_engine.silent) field = FieldForAnswer(style, ShowEngineBox(text, caption, BoxFlags(style)));
    if (!StyleBranches(style)) return CommandResult::Ran;
    // No existence test here: an empty or unknown name is written as it is.
    // A name too long to be read back whole would start another section.
    const std::string name = CommandField(field, "", se::kSubstituteRoom);
    if (name.size() > kLongestNextSection)
        ReportSectionNotFound(name);
    else
        SetNextSection(name);
    return CommandResult::Ran;
}
