// setuplog LOG... [--script SCRIPT.INI] [--html FILE] [--json] [--csv]
// Reads the install logs of one machine or of a fleet and says which machines
// failed where, and why.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "setuplog/core/reader.h"
#include "setuplog/core/report.h"
#include "setuplog/core/scriptmap.h"

namespace fs = std::filesystem;
using namespace se::logs;

namespace {

int Usage()
{
    std::fputs("usage: setuplog LOG... [--script SCRIPT.INI] [--html FILE] [--json | --csv]\n"
               "  LOG: an install log, or a folder: every *.log file under it\n"
               "  one log: its runs, phases, errors and slowest commands; several: the fleet's figures\n"
               "  --script: name the script line of each command   --html: also write a page to FILE\n"
               "  --json, --csv: the report as JSON, or one CSV row per machine, on stdout\n"
               "exit 0 when every machine finished, 1 when one did not or a file was skipped, 2 on a usage error\n",
               stderr);
    return 2;
}

struct Options {
    std::vector<std::string> inputs;
    std::string script, html;
    bool json = false, csv = false;
};

std::optional<Options> ParseArguments(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--script" || arg == "--html") && i + 1 < argc) (arg == "--script" ? o.script : o.html) = argv[++i];
        else if (arg == "--json") o.json = true;
        else if (arg == "--csv") o.csv = true;
        else if (arg.size() > 1 && arg[0] == '-') return std::nullopt;
        else o.inputs.push_back(arg);
    }
    if (o.inputs.empty() || (o.json && o.csv)) return std::nullopt;
    return o;
}

bool EndsWithLog(const fs::path& path)
{
    std::string ext = path.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".log";
}

// Every *.log under a folder, in name order, so two runs list a fleet alike.
// A folder that cannot be read is a note, not the end.
void CollectFolder(const std::string& folder, std::vector<std::string>& files, Fleet& fleet)
{
    std::vector<std::string> found;
    std::error_code error;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error), end;
    for (; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError) && EndsWithLog(it->path())) found.push_back(it->path().string());
    }
    if (error) fleet.Note(folder, "the folder could not be read to its end: " + error.message());
    std::sort(found.begin(), found.end());
    files.insert(files.end(), found.begin(), found.end());
}

bool ReadWhole(const std::string& path, std::string& text)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!in) return false;
    char chunk[16384];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, in.get())) > 0 && text.size() < (64u << 20)) text.append(chunk, got);
    return !std::ferror(in.get());
}

bool WriteWhole(const std::string& path, const std::string& text)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(path.c_str(), "wb"), std::fclose);
    return out && std::fwrite(text.data(), 1, text.size(), out.get()) == text.size() && std::fflush(out.get()) == 0;
}

// One line on stderr once the input takes more than two seconds: rewritten
// in place on a terminal, every ten seconds into a file or pipe.
class Progress {
public:
    explicit Progress(std::size_t files) : files_(files), terminal_(isatty(STDERR_FILENO) != 0) {}
    void Show(std::size_t done, long long bytes)
    {
        const double seconds = Elapsed();
        if (seconds < 2.0 || seconds - shown_ < (terminal_ ? 0.5 : 10.0)) return;
        shown_ = seconds;
        std::fprintf(stderr, "%ssetuplog: %zu of %zu logs, %.0f MB, %.0f s%s", terminal_ ? "\r" : "", done, files_,
                     static_cast<double>(bytes) / 1e6, seconds, terminal_ ? "   " : "\n");
        wrote_ = true;
    }
    void End() const
    {
        if (wrote_ && terminal_) std::fputs("\n", stderr);
    }

private:
    double Elapsed() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(); }
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::size_t files_;
    bool terminal_, wrote_ = false;
    double shown_ = 0;
};

std::optional<MachineSummary> ReadMachine(const std::string& file, Fleet& fleet, Progress& progress, std::size_t done)
{
    MachineScan scan(fleet.catalog, fleet.runTimes, file);
    const ReadResult read = ReadLogLines(
        file, [&](std::string_view line, long long number, std::size_t full) { scan.Line(line, number, full); },
        [&](long long bytes) { progress.Show(done, fleet.bytes + bytes); });
    if (!read.opened) return fleet.Skip(file, "cannot be opened"), std::nullopt;
    if (read.binary) return fleet.Skip(file, "not a text log (binary data, or UTF-16 text, in its first 4 KB)"), std::nullopt;
    MachineSummary machine = scan.Finish(read.bytes);
    if (read.readError) machine.damage.push_back("a read error ended the file early");
    if (read.endsInsideLine) machine.damage.push_back("the last line has no line end: the log was cut while it was written");
    if (machine.runCount == 0) {
        fleet.bytes += read.bytes;
        return fleet.Skip(file, "no line of the install log in it"), std::nullopt;
    }
    return machine;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::optional<Options> options = ParseArguments(argc, argv);
    if (!options) return Usage();
    Fleet fleet;
    std::vector<std::string> files;
    for (const std::string& input : options->inputs) {
        std::error_code error;
        if (fs::is_directory(input, error)) CollectFolder(input, files, fleet);
        else if (fs::exists(input, error)) files.push_back(input);
        else fleet.Skip(input, "no such file or folder");
    }
    std::string scriptText;
    if (!options->script.empty() && !ReadWhole(options->script, scriptText)) {
        std::fprintf(stderr, "setuplog: %s: cannot read the script\n", options->script.c_str());
        return 2;
    }
    if (files.empty()) {
        std::fputs("setuplog: no install log to read\n", stderr);
        return 2;
    }

    const bool oneMachine = files.size() == 1 && options->inputs.size() == 1 && !fs::is_directory(options->inputs[0]);
    std::optional<MachineSummary> detail;
    Progress progress(files.size());
    if (options->csv) std::fputs(CsvHeader().c_str(), stdout);
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::optional<MachineSummary> machine = ReadMachine(files[i], fleet, progress, i);
        if (!machine) continue;
        fleet.Add(*machine);
        if (options->csv) std::fputs(CsvRow(*machine, fleet.catalog).c_str(), stdout);
        if (oneMachine) detail = std::move(machine);
        progress.Show(i + 1, fleet.bytes);
    }
    progress.End();

    if (!scriptText.empty()) {
        const ScriptMap script(scriptText);
        for (CommandInfo& c : fleet.catalog.commands) c.scriptLine = script.LineOf(c);
    }
    const Report report{fleet, detail ? &*detail : nullptr, fs::path(options->script).filename().string()};
    if (options->json) std::fputs(JsonReport(report).c_str(), stdout);
    else if (!options->csv) std::fputs(TextReport(report).c_str(), stdout);
    if (!options->html.empty() && !WriteWhole(options->html, HtmlReport(report))) {
        std::fprintf(stderr, "setuplog: %s: cannot write the page\n", options->html.c_str());
        return 2;
    }
    // The notes are part of the text report; beside JSON and CSV they go to stderr.
    for (const FileNote& note : fleet.notes)
        if (options->json || options->csv)
            std::fprintf(stderr, "setuplog: %s: %s\n", PlainText(Names(note.files, 0, note.count)).c_str(), PlainText(note.text).c_str());
    const bool allFinished = fleet.outcomes[static_cast<int>(Outcome::Finished)] == fleet.logs;
    return allFinished && fleet.skipped == 0 ? 0 : 1;
}
