#pragma once
// The checker's working parts, shared by the source of each command family:
// the script as read, the findings so far, the sections reached and used,
// the variables defined, and the checks every family calls.
#include <cctype>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "checker/script_text.h"
#include "checker/scriptcheck.h"
#include "commands/core/inilines.h"
#include "commands/core/regdata.h"
#include "engine/core/listline.h"
#include "engine/core/rooms.h"

namespace se {

inline std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }
inline std::string Bracketed(std::string_view name) { return "[" + std::string(name) + "]"; }
// A sign, then a digit: what the profile functions read as a number at all.
bool StartsWithNumber(std::string_view t);
bool IsWholeNumber(std::string_view t);
inline bool HasToken(std::string_view t) { return t.find("~%") != std::string_view::npos; }
// The number of the variable a key names, when it is "V" and at least three
// digits exactly as the engine forms the key.
std::optional<int> VariableNumberOfKey(std::string_view key);
// Keys the engine reads as integers: the number ends where a comment begins.
bool ReadAsInteger(std::string_view key);
// Where a ";" that looks like a comment stands in a value the engine reads whole.
std::optional<std::size_t> TrailingComment(std::string_view value);

// The Windows families a list can run on, one bit each, in the order of
// command 18's fields.
enum Family : unsigned {
    kOtherWindows = 1,
    kWin95 = 2,
    kWin98 = 4,
    kWinNT4 = 8,
    kWin2000 = 16,
    kWinXP = 32,
    kAllFamilies = 63,
};

// One line of a list, compiled the way the engine compiles it.
struct Command {
    int type = 0;
    CompiledLine compiled;
    int line = 0;
    bool Has(std::size_t i) const { return i < compiled.fields.size(); }
    std::string Field(std::size_t i) const { return Has(i) ? compiled.fields[i] : std::string(); }
    std::string Label() const { return "command " + std::to_string(type); }
};

class Checker {
public:
    Checker(std::string_view scriptName, const ScriptText& script, FileExists exists)
        : name_(scriptName), script_(script), exists_(exists)
    {
    }
    std::vector<Finding> Run();

    void Add(int line, Severity s, std::string text) { out_.push_back({line, s, std::move(text)}); }
    void Error(int line, std::string text) { Add(line, Severity::Error, std::move(text)); }
    void Warning(int line, std::string text) { Add(line, Severity::Warning, std::move(text)); }
    void Note(int line, std::string text) { Add(line, Severity::Note, std::move(text)); }
    // A section some command reads: it is not reported as unread.
    void Use(std::string_view section) { used_.insert(FoldedName(section)); }
    const ScriptText& Script() const { return script_; }

    // the script as a whole, the list walk and the checks every family shares (scriptcheck.cpp)
    void CheckScriptName();
    void CheckSectionSizes();
    void CollectVariables();
    void DefineVariable(const std::string& key, int line);
    void CheckData();
    void CheckTokens(std::string_view text, int line);
    void CheckBuiltIn(const std::string& token, int n, std::string_view after, int line);
    // A text of a field or key the command uses as written.
    void CheckNotSubstituted(std::string_view text, int line, const std::string& where, Severity s);
    bool Reach(const std::string& name, unsigned families = kAllFamilies);
    void WalkLists();
    void ReachCarriedState();
    void CheckList(const ScriptSection& list);
    void CheckCommand(const Command& c);
    const ScriptSection* ParameterSection(const Command& c, const std::string& effect);
    void RequireField(const Command& c, std::size_t i, const char* what);
    void CheckPath(std::string_view path, int line);
    void CheckTarget(const Command& c, std::size_t k, bool substituted, const char* when,
                     unsigned families = kAllFamilies);
    bool TooLongTarget(int line, const std::string& where, const std::string& name);
    void CheckUnreadSections();

    // what the walk leaves to be decided once every reachable list is known (walk.cpp)
    void FindVariableWrites();
    void NoteVariableWrite(std::string_view section, std::string_view key, bool keySubstituted);
    std::optional<std::string> ExpandFixed(std::string_view text, bool withScriptFolder) const;
    void UndefinedVariable(int n, const std::string& token, int line);
    void AppendReached() { appendReached_ = true; }
    void StartupCopy(int line) { startupCopies_.push_back({current_, line}); }
    void RateUndefinedVariables();
    void SpreadFamilies();
    void CheckStartupFolder();

    // values and files (values.cpp)
    void CheckValueComments(const ScriptSection& s);
    void CheckLineComment(const ScriptLine& line);
    void CheckPayload(std::string_view source, int line, bool commandLine, const char* effect);

    // files (check_files.cpp)
    void CheckLinkKey(const Command& c, const char* key);
    void CheckPathPairs(const Command& c, bool treeCopy);
    void CheckPathLine(const ScriptLine& line);
    void CheckDeletionPath(std::string_view path, int line);
    void CheckDeletions(const Command& c);
    void CheckMakeDirectories(const Command& c);

    // registry (check_registry.cpp)
    void CheckSingleRegistry(const Command& c);
    void CheckRegistryEdit(const Command& c);
    bool CheckEditLine(const ScriptLine& line);
    void CheckEditData(const RegEditLine& f, int line);

    // flow control (check_flow.cpp)
    void CheckCounterKey(const Command& c, const char* key);
    void CheckNextSection(const Command& c);
    void CheckRestartField(const Command& c);

    // branches (check_branches.cpp)
    void CheckSystemId(const Command& c);

    // programs, pauses and messages (check_program.cpp)
    void CheckProgram(const Command& c);
    void CheckSleep(const Command& c);
    void CheckMessage(const Command& c);
    void CheckLogText(const Command& c);

    // INI edits of the working copy (check_ini_edit.cpp)
    void CheckSetValue(const Command& c);
    bool ReportSkippedLine(const se::IniEditLine& split, int number, const char* missingComma, const char* noSection);
    void CheckSetVariable(const Command& c);
    void CheckAppend(const Command& c);

private:
    struct Edge {
        std::size_t from, to;  // lists_ indices; from kNoList for a list the start reaches
        unsigned families;     // the families that take this branch
    };
    struct Pending {
        int line;
        std::string text;
    };
    static constexpr std::size_t kNoList = static_cast<std::size_t>(-1);

    std::string name_;
    const ScriptText& script_;
    FileExists exists_;
    std::vector<Finding> out_;
    std::set<std::string> used_;
    std::set<int> defined_;
    std::vector<const ScriptSection*> lists_;
    std::unordered_map<const ScriptSection*, std::size_t> listAt_;
    std::size_t current_ = kNoList;  // the list being checked
    std::vector<Edge> edges_;
    std::vector<unsigned> families_;                          // of each list, once spread
    std::vector<std::pair<std::size_t, int>> startupCopies_;  // command 1: list and line
    std::map<int, std::string> variableValues_;               // [Variables] as the script gives them
    std::set<int> variablesSet_;                              // written by a command 26 or 27
    bool anyVariableSet_ = false;                             // a 26 or 27 writes a key named through a variable
    std::vector<Pending> undefined_;
    bool appendReached_ = false;
    std::set<const ScriptSection*> commentsChecked_;
};

// The check of a command type, from the rules' table (rules.cpp); none for a
// type no rule checks. Types the engine does not define or support are
// judged by the command table before a rule is asked.
using CheckRule = void (*)(Checker&, const Command&);
CheckRule RuleFor(int type);

}  // namespace se
