#pragma once
// Runs setupengine.exe under Wine in a sandbox of its own and reads what it
// left: the install log, the working copy, the exit code.
#include <windows.h>

#include <string>
#include <vector>

namespace test {

std::string ModuleDirectory();  // where the test program and setupengine.exe lie
std::string ReadFileText(const std::string& path);
bool WriteFileText(const std::string& path, const std::string& text);
bool PathExists(const std::string& path);
// The names in a directory: its subdirectories or its files, sorted.
std::vector<std::string> ListDirectory(const std::string& dir, bool directories);
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to);
// "[hh:mm:ss.mmm]" becomes "[TIME]"; CR LF becomes LF.
std::string MaskLog(const std::string& log);

struct RunResult { DWORD exitCode = 0xFFFFFFFF; bool finished = false; };

// The process handle, or null; a suspended process runs once resumed.
HANDLE StartProcess(const std::string& exe, const std::string& arguments, const char* environment = nullptr,
                    const char* directory = nullptr, bool suspended = false);
void ResumeProcess(HANDLE process);
// Waits for the process, ends it if it outlives the timeout, closes its handle.
RunResult WaitForProcess(HANDLE process, DWORD timeoutMs = 60000);

// A fresh program directory C:\se\<name>\ holding a copy of setupengine.exe,
// with a temporary directory of its own (tmp\) given to the engine as TMP.
class Sandbox {
public:
    explicit Sandbox(const std::string& name);

    std::string exe() const { return dir_ + "\\setupengine.exe"; }
    std::string log() const { return dir_ + "\\install.log"; }
    std::string path(const std::string& file) const { return dir_ + "\\" + file; }
    std::string workingCopy(const std::string& file = "SETUP.INI") const { return temp_ + file; }

    void AddFile(const std::string& target, const std::string& text);  // the text filled
    void SetTempDirectory(const std::string& dirWithBackslash) { temp_ = dirWithBackslash; }

    RunResult Run(const std::string& arguments, DWORD timeoutMs = 60000) const;
    HANDLE Start(const std::string& arguments, bool suspended = false) const;

    // {DIR}, {TMP} and {SYS} to this sandbox's paths, and back.
    std::string Fill(std::string text) const;
    std::string Unfill(std::string text) const;

private:
    std::string dir_, temp_;  // temp_ with a trailing backslash, dir_ without
};

// Wine's Windows version for programs of that file name started from now on;
// an empty version removes the setting.
void SetPersonality(const std::string& exeName, const std::string& version);
std::string SystemDirectory();

// A message box of that caption, once it shows (not found after the timeout):
// its text (the static control 0xFFFF) and whether it is topmost without an
// owner (system-modal); then answered with the button.
struct BoxSeen { bool found = false; std::string text; bool systemModal = false; };
BoxSeen AnswerBox(const char* caption, WPARAM button, DWORD timeoutMs = 20000);

std::string IniValue(const std::string& file, const char* section, const char* key,
                     const char* defaultText = "<missing>");

}  // namespace test
