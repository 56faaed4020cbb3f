#pragma once
// The engine state of a run and the helpers every command uses.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/guards.h"
#include "engine/driverops.h"
#include "engine/core/logsink.h"
#include "engine/core/resumestate.h"
#include "engine/core/rooms.h"
#include "engine/core/text.h"

// One process-wide record, alive for the whole run. Handlers take no
// arguments: everything they need from the loop is here.
struct EngineState {
    std::string programDirectory;     // without a trailing backslash
    std::string programFileName;      // shown in every log line
    std::string scriptPath;           // the working copy once start-up is done
    int currentCommandIndex = 0;
    int currentCommandType = 0;
    std::string commandSectionName;   // CmdSection<N>.0, "DATA" for types 5, 6, 7
    std::string languageDataSection;  // "Data." + language code
    std::string currentSection = "CommandsList";
    std::string nextSection;
    bool rebootRequested = false;
    bool rebootSuppressed = false;
    bool silent = false;
    bool loggingOn = false;
    std::string logFilePath;
    bool workingCopyChanged = false;               // written since it was last protected
    bool stopBeforeAdvance = false;                // a write of the engine's own failed in a handler
    std::optional<se::ResumeRecord> resumeRecord;  // the newest record protecting the working copy
    se::FileHandle resumeRecordFiles[2];           // open from a record's first write until the files go
    DriverOperations driver;          // filled at start-up with one back end
};

extern EngineState g_engine;

inline constexpr char kVersionText[] = "2.00.5";
inline constexpr char kDefaultLogFile[] = "C:\\system.sav\\util\\install.log";
inline constexpr char kLanguageFile[] = "C:\\system.sav\\util\\cia.ini";

// ---- install log (log.cpp) ----
void WriteLogLevel(std::string_view first, std::string_view second, int level);
// The calling thread's last error code; its system text, on one line, cut to
// what a buffer of bufferSize bytes holds.
DWORD GetLastErrorText(std::string& text, std::size_t bufferSize = 512);
// The calling thread's last error, its code and its system text joined:
// before + code + between + text. Every entry that reports a failed call
// spells it this way; call it before anything else can change the error.
// LastErrorText("(", ")-") gives "(2)-File not found.  ".
std::string LastErrorText(std::string_view before, std::string_view between);
// " - Error=2, File not found.  ", the tail of the entries that report a
// write the system refused.
inline std::string LastErrorTail() { return LastErrorText(" - Error=", ", "); }
// "Error=2, File not found.  "
inline std::string LastErrorEquals() { return LastErrorText("Error=", ", "); }
// The system's text of an error code, on one line, cut to a buffer of bufferSize bytes.
std::string SystemErrorText(DWORD code, std::size_t bufferSize);

// ---- private-profile access (profile.cpp) ----
// A string read into a buffer of bufferSize bytes, as the system cuts it.
std::string ProfileString(const char* section, const char* key, const char* defaultText,
                          std::size_t bufferSize, const std::string& file);
int ProfileInt(const char* section, const char* key, int defaultValue, const std::string& file);
bool WriteProfileString(const char* section, const char* key, const char* value, const std::string& file);
bool WriteProfileString(const char* section, const std::string& key, const std::string& value,
                        const std::string& file);
// Makes the system write its cached changes of the file to disk.
void FlushProfile(const std::string& file);
// Puts the complete file `from` in place of `to` in one step (a rename that
// replaces), so `to` is never seen missing or half written; false when the
// replacement did not happen, and `to` is then as it was.
bool ReplaceWithFile(const std::string& from, const std::string& to);
// The lines of a whole section; nothing when it is missing or has no lines.
std::optional<std::vector<std::string>> ReadProfileSection(const char* section, const std::string& file);
// The names of the file's sections; nothing when the file gives none (it has
// none, or the read failed).
std::optional<std::vector<std::string>> ReadSectionNames(const std::string& file);
bool FileOrDirectoryExists(const std::string& path);
// [State] CurrentSection or NextSection of the working copy.
std::string StateValue(const char* key, const char* defaultText);
// A field of the current command: [Commands] CmdSection<N>.<M>.
std::string CommandField(int field, const char* defaultText, std::size_t bufferSize);

// ---- the working copy and the protection of its resume point (workingcopy.cpp) ----
// Called by every profile write: a write to the working copy flushes it and
// marks it changed, so the loop protects it before the next advance.
void NoteWorkingCopyWritten(const std::string& file);
// At start-up, before anything reads a kept working copy: puts back a copy
// that a cut write damaged or a cut replacement left missing, or its lost
// CurrentCmd, and logs one line when it does. False, after an ERROR entry,
// when the copy is damaged and no protected copy can replace it.
bool RecoverWorkingCopy();
// The newest record, without any repair: a clean start protects its fresh
// copy in the slot that record does not name.
void LoadNewestRecord();
// After the working copy changed in more than CurrentCmd (a compile, a
// command that edits the script): a complete copy of it and a record of it;
// with `next`, the record already names the command after the one that ran.
void ProtectWorkingCopy(const std::optional<int>& next = std::nullopt);
// A fresh copy, complete, protected before it takes the working copy's place.
bool ProtectNewWorkingCopy(const std::string& file);
// A key a command writes into the working copy; false, after an ERROR entry,
// when the system refused the write (a full disk), so a failed write is
// never taken for a done one.
bool WriteScriptKey(const std::string& section, const std::string& key, const std::string& value);
// A key the engine itself keeps in the working copy while a command runs
// ([State] NextSection of a branch, V000 of ~%C000). When the system refuses
// it, the entry says so and the run stops before the advance: the next start
// runs the command again from the protected copy instead of going on without
// the key.
void WriteEngineKey(const std::string& section, const std::string& key, const std::string& value);
// The same for a whole section the engine removes (command 8).
void DeleteEngineSection(const std::string& section);
// Records the next command beside the number `from` the copy holds now, then
// writes CurrentCmd = next and flushes; false when that write failed.
bool AdvanceTo(int from, int next);
// With the working copy (command 29): the records first, older one first.
void RemoveResumeProtection();
// The copies and records beside the working copy, whether they exist or not.
std::vector<std::string> ResumeProtectionFiles();

// ---- variables (variables.cpp) ----
int GetVariable(std::string& text, std::size_t bufferSize);
// False, after an "ERROR-=-" entry, when text is longer than limit characters:
// "<what> of 300 characters refused, at most 259: <text>". A value cut to its
// buffer would name a different file, key or program, so it is refused whole.
bool FitsWithin(const std::string& text, std::size_t limit, std::string_view what);
// Replaces the variables of text in se::kSubstituteRoom, then FitsWithin. The one
// way a handler turns a script value into what it hands to the system.
bool SubstituteWithin(std::string& text, std::size_t limit, std::string_view what);

// The Windows and the system folder as the system names them; empty when the
// name does not fit MAX_PATH.
std::string WindowsFolder();
std::string SystemFolder();

// ---- Windows version (osversion.cpp) ----
bool IsWin95();
bool IsWin98();
bool IsWinNT4();
bool IsWin2000();
bool IsWinXP();

// ---- what the user is told besides the log (log.cpp) ----
// The message boxes of the engine: no owner, system-modal, never while silent.
int ShowEngineBox(const std::string& text, const std::string& title, UINT style);
