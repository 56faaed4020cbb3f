// The checks of the file commands: 1 and 2 (Startup folder), 15 (copy), 16
// and 29 (delete), 21 (make directories), 31 (rename).
#include "checker/checker.h"
#include "commands/core/filepaths.h"
#include "engine/core/text.h"

namespace se {

void Checker::CheckLinkKey(const Command& c, const char* key)
{
    if (c.Field(0).empty()) {
        Error(c.line, c.Label() + " reads " + key + " from the section named by field 0, and names none");
        return;
    }
    Use(c.Field(0));
    if (c.type == 1) StartupCopy(c.line);
    const ScriptSection* s = script_.Find(c.Field(0));
    if (s) CheckValueComments(*s);
    const std::optional<KeyValue> kv = s ? FindKey(*s, key) : std::nullopt;
    if (!kv || kv->value.empty())
        Error(s ? s->headerLine : c.line, c.Label() + ": " + Bracketed(c.Field(0)) + " has no " + key);
    else
        CheckNotSubstituted(kv->value, kv->number, c.Label() + " " + key, Severity::Error);
}

// Commands 15 and 31: "source, destination" lines, or fields 1 and 2.
void Checker::CheckPathPairs(const Command& c, bool treeCopy)
{
    if (c.Field(0).empty()) {
        RequireField(c, 1, "the source");
        RequireField(c, 2, "the destination");
        CheckPath(c.Field(1), c.line);
        CheckPath(c.Field(2), c.line);
        if (treeCopy) CheckPayload(c.Field(1), c.line, false, "the copy finds no source");
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
        if (treeCopy) CheckPayload(l.source, line.number, false, "the copy finds no source");
        if (treeCopy && IsSameOrBelow(l.destination, l.source))
            Error(line.number, "destination " + Quoted(l.destination) + " lies inside the source " +
                                   Quoted(l.source) + ": a tree copy into itself is refused");
    }
}

// A path line of commands 16 and 21 is used as written: a semicolon is
// part of it, not a comment.
void Checker::CheckPathLine(const ScriptLine& line)
{
    if (line.text.find(';') != std::string::npos)
        Warning(line.number, "the semicolon is part of the path: these lines take no comments");
    CheckPath(line.text, line.number);
}

void Checker::CheckDeletionPath(std::string_view path, int line)
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

void Checker::CheckDeletions(const Command& c)
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

void Checker::CheckMakeDirectories(const Command& c)
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

}  // namespace se
