// What the list walk leaves to be decided once every reachable list is known:
// the variables the script fixes, the Windows families each list runs on,
// and how grave an undefined variable is.
#include "checker/checker.h"
#include "commands/core/filepaths.h"
#include "engine/core/text.h"
#include "engine/core/varscan.h"

namespace se {
namespace {

// The values an expansion may use when nothing but the script decides them:
// the variables [Variables] fixes and, for the files a script brings along,
// its own folder for ~%C001. Anything the machine or the run decides leaves
// the expansion unknown.
class FixedValues final : public VariableSource {
public:
    FixedValues(const std::map<int, std::string>& values, const std::string* folder)
        : values_(values), folder_(folder)
    {
    }
    bool unknown = false;

    std::string ProgramDirectory() override { return folder_ ? *folder_ : Unknown(); }
    std::string WindowsDirectory() override { return Unknown(); }
    std::string SystemDirectory() override { return Unknown(); }
    std::string TempDirectory() override { return Unknown(); }
    unsigned long ProcessId() override { return unknown = true, 0; }
    unsigned short UserLanguageId() override { return unknown = true, 0; }
    std::string ReadVariable(int number) override
    {
        const auto it = values_.find(number);
        // A variable is read with room for a path.
        return it == values_.end() ? Unknown() : FitBuffer(it->second, kMaxFilePath + 1);
    }
    void WriteVariable(int, const std::string&) override { unknown = true; }

private:
    std::string Unknown()
    {
        unknown = true;
        return {};
    }
    const std::map<int, std::string>& values_;
    const std::string* folder_;
};

std::string FamilyNames(unsigned families)
{
    std::vector<const char*> names;
    if (families & kWin95) names.push_back("95");
    if (families & kWin98) names.push_back("98");
    if (families & kWinNT4) names.push_back("NT 4.0");
    std::string out = "Windows ";
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i) out += i + 1 == names.size() ? " and " : ", ";
        out += names[i];
    }
    return out;
}

}  // namespace

// Every command 26 and 27 of the script, reached or not, and each parameter
// section once: a variable any of them may write is not fixed.
void Checker::FindVariableWrites()
{
    std::set<const ScriptSection*> read;
    for (const ScriptSection& s : script_.Sections())
        for (const ScriptLine& line : s.lines) {
            std::optional<CompiledLine> compiled = CompileListLine(line.text);
            if (!compiled || !StartsWithNumber(Trimmed(compiled->type))) continue;
            const Command c{LeadingInteger(compiled->type), std::move(*compiled), line.number};
            if (c.type != 26 && c.type != 27) continue;
            if (c.Field(0).empty()) {
                // Command 27 writes its inline key as written.
                if (c.type == 26) NoteVariableWrite(c.Field(1), c.Field(2), true);
                else NoteVariableWrite("Variables", c.Field(1), false);
                continue;
            }
            const ScriptSection* p = script_.FindWithLines(c.Field(0));
            if (!p || !read.insert(p).second) continue;
            for (const ScriptLine& pl : p->lines) {
                const IniEditLine split = c.type == 26 ? SplitSetValueLine(pl.text) : SplitSetVariableLine(pl.text);
                if (split.fault != IniLineFault::None) continue;
                if (c.type == 26) NoteVariableWrite(split.fields[0], split.fields[1], true);
                else NoteVariableWrite("Variables", split.fields[0], true);
            }
        }
    for (const int n : variablesSet_) variableValues_.erase(n);
    // ~%C000 writes V000.
    variableValues_.erase(0);
    if (anyVariableSet_) variableValues_.clear();
}

void Checker::NoteVariableWrite(std::string_view section, std::string_view key, bool keySubstituted)
{
    if (!HasToken(section) && !EqualsNoCase(Trimmed(section), "Variables")) return;
    if (keySubstituted && HasToken(key)) anyVariableSet_ = true;
    else if (const auto n = VariableNumberOfKey(Trimmed(key))) variablesSet_.insert(*n);
}

std::optional<std::string> Checker::ExpandFixed(std::string_view text, bool withScriptFolder) const
{
    std::string folder = SplitPathText(name_).directory;
    if (folder.empty()) folder = ".";
    FixedValues values(variableValues_, withScriptFolder ? &folder : nullptr);
    std::string expanded(text);
    ExpandVariables(expanded, kSubstituteRoom, values);
    if (values.unknown || HasToken(expanded)) return std::nullopt;
    return expanded;
}

void Checker::UndefinedVariable(int n, const std::string& token, int line)
{
    undefined_.push_back({line, "variable " + VariableKey(n) + " (" + Quoted(token) +
                                    ") is used but neither in [Variables] nor set by an earlier command 26 or 27"});
}

// Only a file that a reachable command 28 appends can bring a variable the
// script itself does not define.
void Checker::RateUndefinedVariables()
{
    for (const Pending& p : undefined_) {
        if (appendReached_)
            Warning(p.line, p.text + ": it expands to nothing unless a file that command 28 appends defines it");
        else
            Error(p.line, p.text + ": it expands to nothing");
    }
}

// [CommandsList] and a carried NextSection run on every family; command 18
// sends each family to its own list, command 30 Windows 98 to its own, and
// every other branch keeps the families of the list it stands in.
void Checker::SpreadFamilies()
{
    families_.assign(lists_.size(), 0);
    std::vector<std::vector<const Edge*>> from(lists_.size());
    std::vector<std::size_t> work;
    for (const Edge& e : edges_) {
        if (e.from != kNoList) {
            from[e.from].push_back(&e);
        } else {
            families_[e.to] |= e.families;
            work.push_back(e.to);
        }
    }
    // A list is taken up again only when its families grow, at most six times.
    while (!work.empty()) {
        const std::size_t list = work.back();
        work.pop_back();
        for (const Edge* e : from[list]) {
            const unsigned grown = families_[e->to] | (families_[list] & e->families);
            if (grown == families_[e->to]) continue;
            families_[e->to] = grown;
            work.push_back(e->to);
        }
    }
}

void Checker::CheckStartupFolder()
{
    // The language is the machine's: any [Data.<language>] that names another
    // folder may be the one read.
    for (const ScriptSection& s : script_.Sections()) {
        if (FoldedName(s.name).rfind("data.", 0) != 0) continue;
        const std::optional<KeyValue> folder = FindKey(s, "CommonStartupFolder");
        if (folder && !EqualsNoCase(folder->value, kDefaultStartupFolder)) return;
    }
    for (const auto& [list, line] : startupCopies_) {
        const unsigned early = families_[list] & (kWin95 | kWin98 | kWinNT4);
        if (early)
            Note(line, "command 1 can run on " + FamilyNames(early) +
                           ", and no [Data.<language>] sets CommonStartupFolder: the engine copies into " +
                           Quoted(kDefaultStartupFolder) + ", the folder of Windows 2000 and XP, and the copy fails "
                           "where that folder does not exist");
    }
}

}  // namespace se
