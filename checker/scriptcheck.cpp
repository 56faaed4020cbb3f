#include "checker/scriptcheck.h"

#include <algorithm>
#include <cctype>

#include "checker/checker.h"
#include "commands/core/command_types.h"
#include "commands/core/filepaths.h"
#include "engine/core/text.h"
#include "engine/core/varscan.h"

namespace se {
namespace {

// A whole-section read on Windows 95 and 98 stops growing at 16,640 bytes and
// counts a section as cut once it reports that size less two.
constexpr std::size_t kWin9xSectionRead = 16640;
constexpr std::size_t kWin9xSectionCut = kWin9xSectionRead - 2;

struct DataKey {
    const char* name;
    bool integer;
};
constexpr DataKey kDataKeys[] = {{"Logging", true},    {"LogFile", false},    {"ForceCleanStart", true},
                                 {"SuppressReboot", true}, {"SilentMode", true}, {"RunCount", true},
                                 {"DecCommand", true}, {"IncCommand", true},  {"IsNorvane", true},
                                 {"Debug", true},      {"SYSID", true}};

std::string LinesLost(std::size_t after)
{
    return after ? "; the " + std::to_string(after) + " line(s) after it never run" : "";
}

bool LooksLikeList(const ScriptSection& s)
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

}  // namespace

std::optional<int> VariableNumberOfKey(std::string_view key)
{
    if (key.size() < 4 || (key[0] != 'V' && key[0] != 'v')) return std::nullopt;
    if (!IsWholeNumber(key.substr(1)) || !std::isdigit(static_cast<unsigned char>(key[1]))) return std::nullopt;
    const int n = LeadingInteger(key.substr(1));
    if (!EqualsNoCase(VariableKey(n), key)) return std::nullopt;
    return n;
}

bool ReadAsInteger(std::string_view key)
{
    for (const DataKey& k : kDataKeys)
        if (k.integer && EqualsNoCase(k.name, key)) return true;
    return EqualsNoCase(key, "RegDataType");
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

std::vector<Finding> Checker::Run()
{
    CheckScriptName();
    CheckSectionSizes();
    CollectVariables();
    FindVariableWrites();
    CheckData();
    WalkLists();
    SpreadFamilies();
    CheckStartupFolder();
    RateUndefinedVariables();
    CheckUnreadSections();
    return std::move(out_);
}

void Checker::CheckScriptName()
{
    const SplitResult parts = SplitPathText(name_);
    if (parts.fileName.find('-') != std::string::npos)
        Error(1, "script name " + Quoted(parts.fileName) + " holds a hyphen: the engine cuts its command line there "
                 "and looks for " + Quoted(ScriptNameFromCommandLine(parts.fileName)));
    // Started by its name alone the script is found in the engine's own
    // folder, whatever that folder is called; only a start with the full path
    // puts the folder on the command line.
    if (parts.directory.find('-') != std::string::npos)
        Warning(1, "folder " + Quoted(parts.directory) + " holds a hyphen: started with the script's full path, "
                   "the engine cuts its command line there, looks for " + Quoted(ScriptNameFromCommandLine(name_)) +
                   " and runs nothing, without a log");
}

void Checker::CheckSectionSizes()
{
    for (const ScriptSection& s : script_.Sections())
        if (s.readSize >= kWin9xSectionCut)
            Warning(s.headerLine, "section " + Bracketed(s.name) + " reads as " + std::to_string(s.readSize) +
                                      " bytes: Windows 95 and 98 read at most " +
                                      std::to_string(kWin9xSectionRead) + " bytes of a section");
}

void Checker::CollectVariables()
{
    const ScriptSection* vars = script_.Find("Variables");
    if (!vars) return;
    Use("Variables");
    CheckValueComments(*vars);
    for (const ScriptLine& line : vars->lines) {
        const KeyValue kv = SplitKeyLine(line);
        DefineVariable(kv.key, line.number);
        if (const auto n = VariableNumberOfKey(kv.key)) variableValues_.emplace(*n, kv.value);
    }
}

void Checker::DefineVariable(const std::string& key, int line)
{
    if (const auto n = VariableNumberOfKey(key)) {
        defined_.insert(*n);
    } else if (!key.empty() && (key[0] == 'V' || key[0] == 'v')) {
        Warning(line, "key " + Quoted(key) + " is not a variable name (V and at least three digits, as V001): "
                      "no ~%V token reads it");
    }
}

void Checker::CheckData()
{
    for (const ScriptSection& s : script_.Sections())
        if (FoldedName(s.name).rfind("data.", 0) == 0) CheckValueComments(s);
    const ScriptSection* data = script_.Find("Data");
    if (!data) return;
    Use("Data");
    CheckValueComments(*data);
    for (const ScriptLine& line : data->lines) {
        const KeyValue kv = SplitKeyLine(line);
        const DataKey* known = nullptr;
        for (const DataKey& k : kDataKeys)
            if (EqualsNoCase(k.name, kv.key)) known = &k;
        // Windows reads the leading decimal digits only, so "0x10" is 0, and
        // "1   ; on" is 1.
        const std::size_t comment = TrailingComment(kv.value).value_or(std::string::npos);
        const std::string number = Trimmed(std::string_view(kv.value).substr(0, comment));
        if (!known) {
            Note(line.number, "[Data] key " + Quoted(kv.key) + " is not read by the engine");
        } else if (known->integer && !IsWholeNumber(number)) {
            Warning(line.number, "[Data] " + std::string(known->name) + " is read as an integer: " +
                                     Quoted(kv.value) + " reads as " + std::to_string(LeadingInteger(kv.value)));
        } else if (!known->integer && kv.value.size() > kMaxFilePath) {
            Warning(line.number, "[Data] " + std::string(known->name) + " is longer than " +
                                     std::to_string(kMaxFilePath) + " characters and is cut");
        } else if (!known->integer) {
            CheckNotSubstituted(kv.value, line.number, "[Data] " + std::string(known->name), Severity::Error);
        }
    }
}

void Checker::CheckTokens(std::string_view text, int line)
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
                UndefinedVariable(n, token, line);
        } else {
            Error(line, "token " + Quoted(token) + ": the letter after \"~%\" must be C or V; substitution "
                        "stops there and the rest of the text is not substituted");
            return;
        }
    }
}

void Checker::CheckBuiltIn(const std::string& token, int n, std::string_view after, int line)
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

void Checker::CheckNotSubstituted(std::string_view text, int line, const std::string& where, Severity s)
{
    if (HasToken(text))
        Add(line, s, where + " holds \"~%\", and no variable is substituted there: " + Quoted(text) +
                         " is used as written");
}

// A list section to compile when the running list ends, on the families
// given; false when there is none of that name with lines.
bool Checker::Reach(const std::string& name, unsigned families)
{
    Use(name);
    const ScriptSection* s = script_.FindWithLines(name);
    if (!s) return false;
    const auto [at, added] = listAt_.emplace(s, lists_.size());
    if (added) lists_.push_back(s);
    edges_.push_back({current_, at->second, families});
    return true;
}

void Checker::WalkLists()
{
    if (!Reach("CommandsList")) {
        Error(1, "[CommandsList] is missing or empty: the engine cannot initialize its commands");
        return;
    }
    ReachCarriedState();
    for (current_ = 0; current_ < lists_.size(); ++current_) CheckList(*lists_[current_]);
    current_ = kNoList;
}

// A script may carry the engine's own sections: a [State] whose
// NextSection names a list is compiled when [CommandsList] ends, and a
// [Commands] with a command 0 makes the engine keep that list instead of
// compiling [CommandsList].
void Checker::ReachCarriedState()
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

void Checker::CheckList(const ScriptSection& list)
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

void Checker::CheckCommand(const Command& c)
{
    const CommandType* row = FindCommandType(c.type);
    if (!row) {
        Error(c.line, "type " + std::to_string(c.type) + " is not defined: the engine logs a NOTICE and skips it");
        return;
    }
    if (row->Has(kNotSupported)) {
        Warning(c.line, "type " + std::to_string(c.type) + " is not supported: the engine only logs "
                                                           "\" Not Supported yet.\"");
        return;
    }
    RuleFor(c.type)(*this, c);
}

// The parameter section named by field 0; nothing, after an error, when
// it is missing or has no lines.
const ScriptSection* Checker::ParameterSection(const Command& c, const std::string& effect)
{
    const std::string name = c.Field(0);
    Use(name);
    const ScriptSection* s = script_.FindWithLines(name);
    if (!s)
        Error(c.line, c.Label() + ": parameter section " + Bracketed(name) + " is missing or empty: " + effect);
    return s;
}

void Checker::RequireField(const Command& c, std::size_t i, const char* what)
{
    if (c.Field(i).empty())
        Error(c.line, c.Label() + " without a parameter section needs " + what + " as field " +
                          std::to_string(i));
}

void Checker::CheckPath(std::string_view path, int line)
{
    CheckTokens(path, line);
    if (!HasToken(path) && path.size() > kMaxFilePath)
        Error(line, "path longer than " + std::to_string(kMaxFilePath) + " characters: the engine refuses it");
}

void Checker::CheckTarget(const Command& c, std::size_t k, bool substituted, const char* when, unsigned families)
{
    std::string name = c.Field(k);
    std::string where = c.Label() + " field " + std::to_string(k) + " (" + when + ")";
    if (HasToken(name)) {
        if (!substituted) {
            Error(c.line, where + " holds \"~%\", and this command substitutes no variables");
            return;
        }
        CheckTokens(name, c.line);
        // A name that only variables [Variables] fixes make up is followed.
        const std::optional<std::string> fixed = ExpandFixed(name, false);
        if (!fixed) {
            Note(c.line, where + " names its section through a variable: the target is not checked");
            return;
        }
        where += " through " + Quoted(name);
        name = *fixed;
    }
    if (name.empty()) {
        Warning(c.line, where + " names no section: on that path the branch fails");
        return;
    }
    if (TooLongTarget(c.line, where, name)) return;
    if (!Reach(name, families))
        Error(c.line, where + ": section " + Bracketed(name) + " does not exist or has no lines");
}

bool Checker::TooLongTarget(int line, const std::string& where, const std::string& name)
{
    if (name.size() <= kLongestSectionName) return false;
    Error(line, where + ": a section name of " + std::to_string(name.size()) +
                    " characters is never found, at most 127");
    return true;
}

void Checker::CheckUnreadSections()
{
    static const char* const kEngineSections[] = {"CommandsList", "Commands", "State", "Data", "Variables"};
    for (const ScriptSection& s : script_.Sections()) {
        bool engine = FoldedName(s.name).rfind("data.", 0) == 0;
        for (const char* name : kEngineSections) engine = engine || EqualsNoCase(s.name, name);
        if (engine || used_.count(FoldedName(s.name))) continue;
        if (LooksLikeList(s))
            Warning(s.headerLine, "list section " + Bracketed(s.name) + " is never reached from [CommandsList]");
        else
            Note(s.headerLine, "section " + Bracketed(s.name) + " is not read by any command");
    }
}

namespace {

std::string JsonText(std::string_view text)
{
    std::string out = "\"";
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c >= 0x80) {
            // Bytes of the script's ANSI code page would not be valid UTF-8
            // raw: each goes as the character of its number.
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

std::string CodePoint(unsigned point)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string digits;
    for (; point || digits.size() < 4; point >>= 4) digits.insert(digits.begin(), kHex[point & 15]);
    return "U+" + digits;
}

// The text of a file that begins with a UTF-16 byte-order mark, as the
// ANSI reads of the NT family hand it out: one byte a character, "?" for one
// beyond the code page. Nothing for any other file.
std::optional<std::string> DecodeUtf16(std::string_view bytes, std::vector<Finding>& findings)
{
    if (bytes.size() < 2) return std::nullopt;
    const unsigned char b0 = static_cast<unsigned char>(bytes[0]), b1 = static_cast<unsigned char>(bytes[1]);
    const bool little = b0 == 0xFF && b1 == 0xFE;
    if (!little && !(b0 == 0xFE && b1 == 0xFF)) return std::nullopt;
    findings.push_back({1, Severity::Note, "the script is UTF-16 with a byte-order mark: Windows NT 4.0, 2000 and XP "
                                           "read it, Windows 95 and 98 cannot"});
    const auto unitAt = [&](std::size_t i) {
        const unsigned first = static_cast<unsigned char>(bytes[i]), second = static_cast<unsigned char>(bytes[i + 1]);
        return little ? second << 8 | first : first << 8 | second;
    };
    std::string text;
    int line = 1, reported = 0;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        unsigned point = unitAt(i);
        if (point <= 0xFF) {
            text += static_cast<char>(point);
            if (point == '\n') ++line;
            continue;
        }
        // A pair of surrogates is one character, and one "?".
        const unsigned next = i + 3 < bytes.size() ? unitAt(i + 2) : 0;
        if (point >= 0xD800 && point < 0xDC00 && next >= 0xDC00 && next < 0xE000) {
            point = 0x10000 + ((point - 0xD800) << 10) + (next - 0xDC00);
            i += 2;
        }
        text += '?';
        if (reported == line) continue;
        reported = line;
        findings.push_back({line, Severity::Warning, "character " + CodePoint(point) + " lies beyond the ANSI code "
                                                     "page: the engine reads another character or \"?\" in its place"});
    }
    return text;
}

}  // namespace

std::vector<Finding> CheckScript(std::string_view scriptName, std::string_view fileText, FileExists exists)
{
    std::vector<Finding> findings;
    const std::optional<std::string> decoded = DecodeUtf16(fileText, findings);
    const ScriptText script = ScriptText::Parse(decoded ? *decoded : fileText);
    std::vector<Finding> checked = Checker(scriptName, script, exists).Run();
    findings.insert(findings.end(), checked.begin(), checked.end());
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
