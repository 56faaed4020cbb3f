#include "checker/scriptcheck.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "checker/script_text.h"
#include "commands/core/filepaths.h"
#include "commands/core/inilines.h"
#include "commands/core/regdata.h"
#include "engine/core/listline.h"
#include "engine/core/text.h"
#include "engine/core/varscan.h"

namespace se {
namespace {

// A whole-section read on Windows 95 and 98 stops growing at 16,640 bytes and
// counts a section as cut once it reports that size less two.
constexpr std::size_t kWin9xSectionRead = 16640;
constexpr std::size_t kWin9xSectionCut = kWin9xSectionRead - 2;

const char* const kBranchFieldNames18[] = {"any other Windows", "Windows 95", "Windows 98",
                                           "Windows NT 4.0",   "Windows 2000", "Windows XP"};
// [State] NextSection is read back in 128 bytes: the engine finds no target
// with a longer name.
constexpr std::size_t kLongestTarget = 127;
const char* const kBranchFieldNames30[] = {"not Windows 98", "Windows 98 without ACPI", "Windows 98 with ACPI"};

struct DataKey {
    const char* name;
    bool integer;
};
constexpr DataKey kDataKeys[] = {{"Logging", true},    {"LogFile", false},    {"ForceCleanStart", true},
                                 {"SuppressReboot", true}, {"SilentMode", true}, {"RunCount", true},
                                 {"DecCommand", true}, {"IncCommand", true},  {"IsNorvane", true},
                                 {"Debug", true},      {"SYSID", true}};

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }
std::string Bracketed(std::string_view name) { return "[" + std::string(name) + "]"; }
std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}
bool StartsWithNumber(std::string_view t)
{
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    return i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]));
}
bool IsWholeNumber(std::string_view t)
{
    if (!StartsWithNumber(t)) return false;
    for (std::size_t i = 1; i < t.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(t[i]))) return false;
    return true;
}
bool HasToken(std::string_view t) { return t.find("~%") != std::string_view::npos; }
bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// The number of the variable a key names, when it is "V" and at least three
// digits exactly as the engine forms the key.
std::optional<int> VariableNumberOfKey(std::string_view key)
{
    if (key.size() < 4 || (key[0] != 'V' && key[0] != 'v')) return std::nullopt;
    if (!IsWholeNumber(key.substr(1)) || !std::isdigit(static_cast<unsigned char>(key[1]))) return std::nullopt;
    const int n = LeadingInteger(key.substr(1));
    if (!EqualsNoCase(VariableKey(n), key)) return std::nullopt;
    return n;
}

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
    Checker(std::string_view scriptName, const ScriptText& script) : name_(scriptName), script_(script) {}

    std::vector<Finding> Run()
    {
        CheckScriptName();
        CheckSectionSizes();
        CollectVariables();
        CheckData();
        WalkLists();
        CheckUnreadSections();
        return std::move(out_);
    }

private:
    std::string name_;
    const ScriptText& script_;
    std::vector<Finding> out_;
    std::set<std::string> used_;
    std::set<int> defined_;
    std::vector<const ScriptSection*> lists_;
    std::set<std::string> listNames_;

    void Add(int line, Severity s, std::string text) { out_.push_back({line, s, std::move(text)}); }
    void Error(int line, std::string text) { Add(line, Severity::Error, std::move(text)); }
    void Warning(int line, std::string text) { Add(line, Severity::Warning, std::move(text)); }
    void Note(int line, std::string text) { Add(line, Severity::Note, std::move(text)); }
    void Use(std::string_view section) { used_.insert(Lower(section)); }

    // --- the script as a whole

    void CheckScriptName()
    {
        const std::string file = FileNameOf(name_);
        if (file.find('-') != std::string::npos)
            Error(1, "script name " + Quoted(file) + " holds a hyphen: the engine cuts its command line there and "
                     "looks for " + Quoted(ScriptNameFromCommandLine(file)));
    }

    void CheckSectionSizes()
    {
        for (const ScriptSection& s : script_.Sections())
            if (s.readSize >= kWin9xSectionCut)
                Warning(s.headerLine, "section " + Bracketed(s.name) + " reads as " + std::to_string(s.readSize) +
                                          " bytes: Windows 95 and 98 read at most " +
                                          std::to_string(kWin9xSectionRead) + " bytes of a section");
    }

    void CollectVariables()
    {
        const ScriptSection* vars = script_.Find("Variables");
        if (!vars) return;
        Use("Variables");
        for (const ScriptLine& line : vars->lines) DefineVariable(SplitKeyLine(line).key, line.number);
    }

    void DefineVariable(const std::string& key, int line)
    {
        if (const auto n = VariableNumberOfKey(key)) {
            defined_.insert(*n);
        } else if (!key.empty() && (key[0] == 'V' || key[0] == 'v')) {
            Warning(line, "key " + Quoted(key) + " is not a variable name (V and at least three digits, as V001): "
                          "no ~%V token reads it");
        }
    }

    void CheckData()
    {
        const ScriptSection* data = script_.Find("Data");
        if (!data) return;
        Use("Data");
        for (const ScriptLine& line : data->lines) {
            const KeyValue kv = SplitKeyLine(line);
            const DataKey* known = nullptr;
            for (const DataKey& k : kDataKeys)
                if (EqualsNoCase(k.name, kv.key)) known = &k;
            if (!known) {
                Note(line.number, "[Data] key " + Quoted(kv.key) + " is not read by the engine");
            } else if (known->integer && !IsWholeNumber(kv.value)) {
                // Windows reads the leading decimal digits only, so "0x10" is 0.
                Warning(line.number, "[Data] " + std::string(known->name) + " is read as an integer: " +
                                         Quoted(kv.value) + " reads as " + std::to_string(LeadingInteger(kv.value)));
            } else if (!known->integer && kv.value.size() > kMaxFilePath) {
                Warning(line.number, "[Data] " + std::string(known->name) + " is longer than " +
                                         std::to_string(kMaxFilePath) + " characters and is cut");
            }
        }
    }

    // --- variables

    void CheckTokens(std::string_view text, int line)
    {
        for (std::size_t at = text.find("~%"); at != std::string_view::npos; at = text.find("~%", at + 2)) {
            if (at + 2 >= text.size()) {
                Error(line, "\"~%\" at the end of " + Quoted(text) + " has no letter: substitution stops there");
                return;
            }
            const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[at + 2])));
            const std::string_view digits = text.substr(at + 3, 3);
            const std::string token(text.substr(at, 6));
            const int n = TokenNumber(digits);
            if (letter == 'C') {
                CheckBuiltIn(token, n, text.substr(at + token.size()), line);
            } else if (letter == 'V') {
                if (n < 0)
                    Error(line, "variable token " + Quoted(token) + " has a negative number: it is never replaced");
                else if (!defined_.count(n))
                    Warning(line, "variable " + VariableKey(n) + " (" + Quoted(token) +
                                      ") is used but neither in [Variables] nor set by an earlier command 27: "
                                      "it expands to nothing");
            } else {
                Error(line, "token " + Quoted(token) + ": the letter after \"~%\" must be C or V; substitution "
                            "stops there and the rest of the text is not substituted");
                return;
            }
        }
    }

    void CheckBuiltIn(const std::string& token, int n, std::string_view after, int line)
    {
        switch (n) {
        case 0:
            defined_.insert(0);
            if (!after.empty())
                Warning(line, Quoted(token) + " is replaced with the text after it: " + Quoted(after) + " is lost");
            return;
        case 1: case 101: case 102: case 103: case 104: case 105: return;
        default: Error(line, "unknown built-in " + Quoted(token) + ": the token stays in the text");
        }
    }

    // --- the list walk

    // A list section to compile when the running list ends; false when there
    // is none of that name with lines.
    bool Reach(const std::string& name)
    {
        Use(name);
        const ScriptSection* s = script_.FindWithLines(name);
        if (!s) return false;
        if (listNames_.insert(Lower(name)).second) lists_.push_back(s);
        return true;
    }

    void WalkLists()
    {
        if (!Reach("CommandsList")) {
            Error(1, "[CommandsList] is missing or empty: the engine cannot initialize its commands");
            return;
        }
        ReachCarriedState();
        for (std::size_t i = 0; i < lists_.size(); ++i) CheckList(*lists_[i]);
    }

    // A script may carry the engine's own sections: a [State] whose
    // NextSection names a list is compiled when [CommandsList] ends, and a
    // [Commands] with a command 0 makes the engine keep that list instead of
    // compiling [CommandsList].
    void ReachCarriedState()
    {
        if (const ScriptSection* commands = script_.Find("Commands"))
            Warning(commands->headerLine, "the script carries its own [Commands]: the engine runs what it holds "
                                          "when [State] names a list, and writes over it otherwise");
        const ScriptSection* state = script_.Find("State");
        if (!state) return;
        Warning(state->headerLine, "the script carries its own [State]: a start takes it for a list already begun");
        const std::optional<KeyValue> next = FindKey(*state, "NextSection");
        if (next && !next->value.empty() && !Reach(next->value))
            Error(next->number, "NextSection names " + Bracketed(next->value) + ", which does not exist or has no lines");
    }

    void CheckList(const ScriptSection& list)
    {
        for (std::size_t i = 0; i < list.lines.size(); ++i) {
            const ScriptLine& line = list.lines[i];
            std::optional<CompiledLine> compiled = CompileListLine(line.text);
            if (!compiled) continue;
            const std::string typeText = Trimmed(compiled->type);
            const std::size_t after = list.lines.size() - i - 1;
            if (!StartsWithNumber(typeText)) {
                Error(line.number, "type " + Quoted(typeText) + " is not a number: it reads as 0 and ends the list " +
                                       Bracketed(list.name) + " here" + LinesLost(after));
                return;
            }
            const int type = LeadingInteger(typeText);
            if (!IsWholeNumber(typeText))
                Warning(line.number, "type " + Quoted(typeText) + " is read as " + std::to_string(type));
            if (type == 0) {
                // A 0 as the last line only marks the end the list has anyway.
                Add(line.number, after ? Severity::Warning : Severity::Note,
                    "type 0 ends the list " + Bracketed(list.name) + " here" + LinesLost(after));
                return;
            }
            CheckCommand(Command{type, std::move(*compiled), line.number});
        }
    }

    static std::string LinesLost(std::size_t after)
    {
        return after ? "; the " + std::to_string(after) + " line(s) after it never run" : "";
    }

    void CheckCommand(const Command& c)
    {
        switch (c.type) {
        case 1: CheckLinkKey(c, "AddLinkFile"); return;
        case 2: CheckLinkKey(c, "DeleteLinkFile"); return;
        case 3: case 4: case 12: CheckSingleRegistry(c); return;
        case 5: CheckCounterKey(c, "RunCount"); return;
        case 6: CheckCounterKey(c, "DecCommand"); return;
        case 7: CheckCounterKey(c, "IncCommand"); return;
        case 8: case 10: case 20: case 32: return;
        case 9: CheckTarget(c, 0, true, "the maker's machine"); CheckTarget(c, 1, true, "any other machine"); return;
        case 11: CheckProgram(c); return;
        case 13: CheckSleep(c); return;
        case 14: CheckRegistryEdit(c); return;
        case 15: CheckPathPairs(c, true); return;
        case 16: CheckDeletions(c); return;
        case 17: CheckMessage(c); return;
        case 18:
            for (int k = 0; k < 6; ++k) CheckTarget(c, k, false, kBranchFieldNames18[k]);
            return;
        case 19: CheckNextSection(c); return;
        case 21: CheckMakeDirectories(c); return;
        case 22: case 23: case 24: case 33: case 34: case 35:
            Warning(c.line, "type " + std::to_string(c.type) + " is not supported: the engine only logs "
                                                               "\" Not Supported yet.\"");
            return;
        case 25: CheckSystemId(c); return;
        case 26: CheckSetValue(c); return;
        case 27: CheckSetVariable(c); return;
        case 28: CheckAppend(c); return;
        case 29: CheckDeletions(c); CheckRestartField(c); return;
        case 30:
            for (int k = 0; k < 3; ++k) CheckTarget(c, k, false, kBranchFieldNames30[k]);
            return;
        case 31: CheckPathPairs(c, false); return;
        default:
            Error(c.line, "type " + std::to_string(c.type) + " is not defined: the engine logs a NOTICE and skips it");
        }
    }

    // The parameter section named by field 0; nothing, after an error, when
    // it is missing or has no lines.
    const ScriptSection* ParameterSection(const Command& c, const std::string& effect)
    {
        const std::string name = c.Field(0);
        Use(name);
        const ScriptSection* s = script_.FindWithLines(name);
        if (!s)
            Error(c.line, c.Label() + ": parameter section " + Bracketed(name) + " is missing or empty: " + effect);
        return s;
    }

    void RequireField(const Command& c, std::size_t i, const char* what)
    {
        if (c.Field(i).empty())
            Error(c.line, c.Label() + " without a parameter section needs " + what + " as field " +
                              std::to_string(i));
    }

    // --- files

    void CheckLinkKey(const Command& c, const char* key)
    {
        if (c.Field(0).empty()) {
            Error(c.line, c.Label() + " reads " + key + " from the section named by field 0, and names none");
            return;
        }
        Use(c.Field(0));
        const ScriptSection* s = script_.Find(c.Field(0));
        const std::optional<KeyValue> kv = s ? FindKey(*s, key) : std::nullopt;
        if (!kv || kv->value.empty())
            Error(s ? s->headerLine : c.line, c.Label() + ": " + Bracketed(c.Field(0)) + " has no " + key);
    }

    void CheckPath(std::string_view path, int line)
    {
        CheckTokens(path, line);
        if (!HasToken(path) && path.size() > kMaxFilePath)
            Error(line, "path longer than " + std::to_string(kMaxFilePath) + " characters: the engine refuses it");
    }

    // Commands 15 and 31: "source, destination" lines, or fields 1 and 2.
    void CheckPathPairs(const Command& c, bool treeCopy)
    {
        if (c.Field(0).empty()) {
            RequireField(c, 1, "the source");
            RequireField(c, 2, "the destination");
            CheckPath(c.Field(1), c.line);
            CheckPath(c.Field(2), c.line);
            return;
        }
        const ScriptSection* s = ParameterSection(c, "the command does nothing");
        if (!s) return;
        for (const ScriptLine& line : s->lines) {
            const ListLine l = ParseListLine(line.text);
            switch (l.kind) {
            case ListLineKind::MissingComma:
                Warning(line.number, "no comma between source and destination: the line is skipped");
                continue;
            case ListLineKind::Comment: continue;
            case ListLineKind::SourceMissing: Warning(line.number, "source missing: the line is skipped"); continue;
            case ListLineKind::DestinationMissing:
                Warning(line.number, "destination missing: the line is skipped");
                continue;
            case ListLineKind::Wildcard:
                Warning(line.number, "wildcards are not supported: the line is skipped");
                continue;
            case ListLineKind::Ready: break;
            }
            if (l.trailingBackslashRemoved)
                Note(line.number, "the trailing backslash of the destination is removed");
            CheckPath(l.source, line.number);
            CheckPath(l.destination, line.number);
            if (treeCopy && IsSameOrBelow(l.destination, l.source))
                Error(line.number, "destination " + Quoted(l.destination) + " lies inside the source " +
                                       Quoted(l.source) + ": a tree copy into itself is refused");
        }
    }

    // A path line of commands 16 and 21 is used as written: a semicolon is
    // part of it, not a comment.
    void CheckPathLine(const ScriptLine& line)
    {
        if (line.text.find(';') != std::string::npos)
            Warning(line.number, "the semicolon is part of the path: these lines take no comments");
        CheckPath(line.text, line.number);
    }

    void CheckDeletionPath(std::string_view path, int line)
    {
        if (path.find('*') != std::string_view::npos) {
            Warning(line, "wildcards are not supported: the line is skipped");
            return;
        }
        if (IsDriveRoot(path)) {
            Error(line, Quoted(path) + " is a drive root: the engine refuses to delete it");
            return;
        }
        const std::string bare = ComparablePath(path);
        if (bare == "~%c101" || bare == "~%c103")
            Error(line, Quoted(path) + " is the Windows or the system directory: the engine refuses to delete it");
    }

    void CheckDeletions(const Command& c)
    {
        if (c.Field(0).empty()) {
            if (c.Field(1).empty()) {
                Warning(c.line, c.Label() + " names neither a section (field 0) nor a path (field 1): nothing is deleted");
                return;
            }
            CheckPath(c.Field(1), c.line);
            CheckDeletionPath(c.Field(1), c.line);
            return;
        }
        const ScriptSection* s = ParameterSection(c, "nothing is deleted");
        if (!s) return;
        for (const ScriptLine& line : s->lines) {
            CheckPathLine(line);
            CheckDeletionPath(line.text, line.number);
        }
    }

    void CheckRestartField(const Command& c)
    {
        const std::string restart = c.Field(2);
        if (c.Has(2) && !EqualsNoCase(restart, "TRUE") && !EqualsNoCase(restart, "FALSE"))
            Warning(c.line, "field 2 " + Quoted(restart) + " is neither TRUE nor FALSE: no restart is requested");
    }

    void CheckMakeDirectories(const Command& c)
    {
        if (c.Field(0).empty()) {
            RequireField(c, 1, "the directory");
            CheckPath(c.Field(1), c.line);
            return;
        }
        const ScriptSection* s = ParameterSection(c, "no directory is made");
        if (!s) return;
        for (const ScriptLine& line : s->lines) CheckPathLine(line);
    }

    // --- registry

    void CheckSingleRegistry(const Command& c)
    {
        const ScriptSection* s = ParameterSection(c, "the engine refuses the command");
        if (!s) return;
        const auto hive = FindKey(*s, "RegHive"), key = FindKey(*s, "RegKey"), data = FindKey(*s, "RegData"),
                   type = FindKey(*s, "RegDataType"), value = FindKey(*s, "RegValue");
        if (!hive && !key && !data && !type && !value) {
            Error(s->headerLine, c.Label() + ": " + Bracketed(s->name) +
                                     " names none of RegHive, RegKey, RegValue, RegData, RegDataType: "
                                     "the engine refuses the command");
            return;
        }
        if (!hive || !LongRootName(hive->value))
            Warning(hive ? hive->number : s->headerLine,
                    (hive ? "RegHive " + Quoted(hive->value) + " is not a root key name"
                          : Bracketed(s->name) + " has no RegHive") +
                        ": HKEY_LOCAL_MACHINE is used");
        if (c.type == 12 && (!key || key->value.empty()))
            Error(key ? key->number : s->headerLine,
                  "RegKey is empty: a root key is never deleted, the engine refuses the command");
        if (data) CheckTokens(data->value, data->number);
        if (c.type == 3 && type) {
            const int code = LeadingInteger(type->value);
            if (code == 1 || code == 2)
                Warning(type->number, "RegDataType " + std::to_string(code) +
                                          " stores the characters of RegData as written, not the " +
                                          (code == 1 ? "bytes" : "number") + " they spell");
        }
    }

    void CheckRegistryEdit(const Command& c)
    {
        const ScriptSection* s = ParameterSection(c, "the engine logs \"Missing the Data section\"");
        if (!s) return;
        for (const ScriptLine& line : s->lines)
            if (!CheckEditLine(line)) return;
    }

    static const char* MissingFieldName(MissingField m)
    {
        switch (m) {
        case MissingField::Root: return "root key";
        case MissingField::Key: return "key";
        case MissingField::ValueName: return "value name";
        case MissingField::DataType: return "data type";
        default: return "data";
        }
    }

    bool CheckEditLine(const ScriptLine& line)
    {
        const ParsedRegEditLine parsed = ParseRegEditLine(line.text);
        if (parsed.missing != MissingField::None) {
            Error(line.number, std::string("the ") + MissingFieldName(parsed.missing) +
                                   " field is missing (a comma is missing): the engine stops reading the section here");
            return false;
        }
        const RegEditLine& f = parsed.fields;
        const int action = LeadingInteger(f.action);
        if (action < 1 || action > 4) Error(line.number, "undefined action " + Quoted(Trimmed(f.action)) + ": the line does nothing");
        const bool rootKnown = ShortRootName(f.root).has_value();
        if (!rootKnown && action == 2)
            Error(line.number, "root " + Quoted(f.root) + " is none of HKCR, HKCC, HKCU, HKLM, HKU, HKPD, HKDD: "
                                                          "a subtree deletion is refused");
        else if (!rootKnown)
            Warning(line.number, "root " + Quoted(f.root) + " is none of HKCR, HKCC, HKCU, HKLM, HKU, HKPD, HKDD: "
                                                            "HKEY_LOCAL_MACHINE is used");
        if (action == 2 && rootKnown && f.key.empty())
            Error(line.number, "no key path: a subtree deletion never removes a whole root key, the line is refused");
        CheckTokens(f.valueName, line.number);
        CheckTokens(f.data, line.number);
        if (action == 1 || action == 4) CheckEditData(f, line.number);
        return true;
    }

    void CheckEditData(const RegEditLine& f, int line)
    {
        if (!StartsWithNumber(f.dataType))
            Warning(line, "data type " + Quoted(f.dataType) + " is not a number: it reads as 0, a string");
        const int code = LeadingInteger(f.dataType);
        if ((code != 1 && code != 2) || HasToken(f.data)) return;
        for (char ch : f.data)
            if (!IsHexDigit(ch)) {
                Error(line, "data " + Quoted(f.data) + " holds " + Quoted(std::string(1, ch)) +
                                ", not a hexadecimal digit: it is read as 0");
                break;
            }
        if (code == 1 && f.data.size() % 2 != 0)
            Warning(line, "odd number of hexadecimal digits in " + Quoted(f.data) + ": the last digit is dropped");
        if (code == 2 && f.data.size() % 2 != 0)
            Warning(line, "odd number of hexadecimal digits in " + Quoted(f.data) +
                              ": the number is read with a 0 after the last digit");
        if (code == 2 && f.data.size() > 8)
            Warning(line, "more than eight hexadecimal digits in " + Quoted(f.data) +
                              ": only the last eight are kept");
    }

    // --- flow, branches, programs, messages, INI edits

    void CheckCounterKey(const Command& c, const char* key)
    {
        const ScriptSection* data = script_.Find("Data");
        if (c.type != 5 && (!data || !FindKey(*data, key)))
            Note(c.line, c.Label() + " moves nothing until [Data] " + key + " is set (for instance by command 26)");
    }

    void CheckTarget(const Command& c, std::size_t k, bool substituted, const char* when)
    {
        const std::string name = c.Field(k);
        const std::string where = c.Label() + " field " + std::to_string(k) + " (" + when + ")";
        if (name.empty()) {
            Warning(c.line, where + " names no section: on that path the branch fails");
            return;
        }
        if (HasToken(name)) {
            if (!substituted) {
                Error(c.line, where + " holds \"~%\", and this command substitutes no variables");
                return;
            }
            CheckTokens(name, c.line);
            Note(c.line, where + " names its section through a variable: the target is not checked");
            return;
        }
        if (TooLongTarget(c.line, where, name)) return;
        if (!Reach(name))
            Error(c.line, where + ": section " + Bracketed(name) + " does not exist or has no lines");
    }

    bool TooLongTarget(int line, const std::string& where, const std::string& name)
    {
        if (name.size() <= kLongestTarget) return false;
        Error(line, where + ": a section name of " + std::to_string(name.size()) +
                        " characters is never found, at most 127");
        return true;
    }

    void CheckNextSection(const Command& c)
    {
        if (c.Field(0).empty()) {
            Error(c.line, "command 19 names no section in field 0");
            return;
        }
        CheckTarget(c, 0, true, "next list");
    }

    void CheckSystemId(const Command& c)
    {
        Use(c.Field(0));
        if (!script_.FindWithLines(c.Field(0)))
            Error(c.line, "command 25: ID list section " + Bracketed(c.Field(0)) +
                              " is missing or empty: every ID counts as not listed");
        CheckTarget(c, 1, true, "ID listed");
        CheckTarget(c, 2, true, "ID not listed");
    }

    void CheckMessage(const Command& c)
    {
        const std::string section = c.Field(0) + ".US";
        Use(section);
        const ScriptSection* s = script_.FindWithLines(section);
        if (!s)
            Error(c.line, "command 17: message section " + Bracketed(section) +
                              " is missing or empty: no box is shown and nothing is branched to");
        else if (!FindKey(*s, "Message1"))
            Warning(s->headerLine, Bracketed(section) + " has no Message1: the box text is empty");
        const int style = c.Has(1) ? LeadingInteger(c.Field(1)) : 1;
        if (style < 2 || style > 4) return;
        for (std::size_t k = 2; k <= (style == 4 ? 4u : 3u); ++k) {
            const std::string name = c.Field(k);
            if (name.empty())
                Warning(c.line, "command 17 field " + std::to_string(k) +
                                    " names no section: that answer ends the run when the list ends");
            else if (!TooLongTarget(c.line, "command 17 field " + std::to_string(k), name) && !Reach(name))
                Error(c.line, "command 17 field " + std::to_string(k) + ": section " + Bracketed(name) +
                                  " does not exist or has no lines");
        }
    }

    void CheckProgram(const Command& c)
    {
        if (c.Field(0).empty()) {
            RequireField(c, 1, "the command line");
            CheckTokens(c.Field(1), c.line);
            return;
        }
        Use(c.Field(0));
        const ScriptSection* s = script_.Find(c.Field(0));
        const std::optional<KeyValue> program = s ? FindKey(*s, "Program") : std::nullopt;
        if (!program || program->value.empty())
            Error(s ? s->headerLine : c.line,
                  "command 11: " + Bracketed(c.Field(0)) + " has no Program: nothing is started");
        else
            CheckTokens(program->value, program->number);
    }

    void CheckSleep(const Command& c)
    {
        const std::string ms = c.Field(0);
        if (ms.empty())
            Warning(c.line, "command 13 gives no time in field 0: no pause");
        else if (!StartsWithNumber(ms))
            Warning(c.line, "command 13: " + Quoted(ms) + " is not a number of milliseconds: it reads as 0");
    }

    void CheckSetValue(const Command& c)
    {
        if (c.Field(0).empty()) {
            RequireField(c, 1, "the section");
            RequireField(c, 2, "the key");
            for (std::size_t i = 1; i <= 3; ++i) CheckTokens(c.Field(i), c.line);
            if (EqualsNoCase(Trimmed(c.Field(1)), "Variables")) DefineVariable(c.Field(2), c.line);
            return;
        }
        const ScriptSection* s = ParameterSection(c, "the engine logs \"Missing the Data section or an extra comma.\"");
        if (!s) return;
        // The engine's own splitter, so the checker skips exactly the lines the engine skips.
        for (const ScriptLine& line : s->lines) {
            const se::IniEditLine split = se::SplitSetValueLine(line.text);
            if (!ReportSkippedLine(split, line.number, "section, key and value need two commas", "no section")) continue;
            for (const std::string& part : split.fields) CheckTokens(part, line.number);
            if (EqualsNoCase(split.fields[0], "Variables")) DefineVariable(split.fields[1], line.number);
        }
    }

    // False, after its warning, for a line the engine skips.
    bool ReportSkippedLine(const se::IniEditLine& split, int number, const char* missingComma, const char* noSection)
    {
        switch (split.fault) {
        case se::IniLineFault::None: return true;
        case se::IniLineFault::Comment: return false;
        case se::IniLineFault::MissingComma: Warning(number, std::string(missingComma) + ": the line is skipped"); return false;
        case se::IniLineFault::NoSection: Warning(number, std::string(noSection) + ": the line is skipped"); return false;
        case se::IniLineFault::NoKey: Warning(number, "no key: the line is skipped"); return false;
        }
        return false;
    }

    void CheckSetVariable(const Command& c)
    {
        if (c.Field(0).empty()) {
            RequireField(c, 1, "the variable name");
            CheckTokens(c.Field(2), c.line);
            DefineVariable(c.Field(1), c.line);
            return;
        }
        const ScriptSection* s = ParameterSection(c, "the engine logs \"Missing the Data section or an extra comma.\"");
        if (!s) return;
        for (const ScriptLine& line : s->lines) {
            const se::IniEditLine split = se::SplitSetVariableLine(line.text);
            if (!ReportSkippedLine(split, line.number, "key and value need a comma", "no key")) continue;
            CheckTokens(split.fields[1], line.number);
            DefineVariable(split.fields[0], line.number);
        }
    }

    void CheckAppend(const Command& c)
    {
        if (c.Field(0).empty()) {
            Error(c.line, "command 28 names no file in field 0");
            return;
        }
        CheckPath(c.Field(0), c.line);
        Note(c.line, "command 28 appends " + Quoted(c.Field(0)) + ": what it adds is not checked");
    }

    // --- sections nothing reads

    void CheckUnreadSections()
    {
        static const char* const kEngineSections[] = {"CommandsList", "Commands", "State", "Data", "Variables"};
        for (const ScriptSection& s : script_.Sections()) {
            bool engine = Lower(s.name).rfind("data.", 0) == 0;
            for (const char* name : kEngineSections) engine = engine || EqualsNoCase(s.name, name);
            if (engine || used_.count(Lower(s.name))) continue;
            if (LooksLikeList(s))
                Warning(s.headerLine, "list section " + Bracketed(s.name) + " is never reached from [CommandsList]");
            else
                Note(s.headerLine, "section " + Bracketed(s.name) + " is not read by any command");
        }
    }

    static bool LooksLikeList(const ScriptSection& s)
    {
        bool any = false;
        for (const ScriptLine& line : s.lines) {
            const std::optional<CompiledLine> c = CompileListLine(line.text);
            if (!c) continue;
            if (!IsWholeNumber(Trimmed(c->type))) return false;
            any = true;
        }
        return any;
    }
};

std::string JsonText(std::string_view text)
{
    std::string out = "\"";
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            static const char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

}  // namespace

std::vector<Finding> CheckScript(std::string_view scriptName, std::string_view fileText)
{
    const ScriptText script = ScriptText::Parse(fileText);
    std::vector<Finding> findings = Checker(scriptName, script).Run();
    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return findings;
}

const char* SeverityName(Severity s)
{
    switch (s) {
    case Severity::Error: return "error";
    case Severity::Warning: return "warning";
    default: return "note";
    }
}

std::string FormatFinding(std::string_view file, const Finding& f)
{
    return std::string(file) + ":" + std::to_string(f.line) + ": " + SeverityName(f.severity) + ": " + f.text;
}

std::string FindingsAsJson(std::string_view file, const std::vector<Finding>& findings)
{
    std::string out = "[";
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const Finding& f = findings[i];
        out += (i ? ",\n " : "\n ");
        out += "{\"file\": " + JsonText(file) + ", \"line\": " + std::to_string(f.line) +
               ", \"severity\": \"" + SeverityName(f.severity) + "\", \"text\": " + JsonText(f.text) + "}";
    }
    return out + (findings.empty() ? "]" : "\n]");
}

int ExitCodeFor(const std::vector<Finding>& findings)
{
    int code = 0;
    for (const Finding& f : findings) {
        if (f.severity == Severity::Error) return 2;
        if (f.severity == Severity::Warning) code = 1;
    }
    return code;
}

}  // namespace se
