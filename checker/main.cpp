// setupcheck SCRIPT.INI [--json]: the mistakes of a script, found before it ships.
// C stdio rather than iostreams: the static runtime's streams bring their
// locale machinery, most of a megabyte of the Windows program.
#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <string>

#include "checker/scriptcheck.h"

namespace {

int Usage()
{
    std::fputs("usage: setupcheck SCRIPT.INI [--json]\n"
               "  prints FILE:LINE: error|warning|note: text, one finding per line;\n"
               "  exit 0 when clean, 1 with warnings only, 2 with errors, 3 when the script cannot be read\n"
               "setupcheck --version prints the version of the release it belongs to\n",
               stderr);
    return 3;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

bool ReadWhole(const std::string& path, std::string& text)
{
    const std::unique_ptr<std::FILE, FileCloser> in(std::fopen(path.c_str(), "rb"));
    if (!in) return false;
    char chunk[16384];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, in.get())) > 0) text.append(chunk, got);
    return !std::ferror(in.get());
}

// The checker hands over paths with backslashes, as the engine writes them.
bool FileExists(const std::string& path)
{
    std::string local = path;
#ifndef _WIN32
    for (char& c : local)
        if (c == '\\') c = '/';
#endif
    struct stat info;
    return stat(local.c_str(), &info) == 0;
}

void PrintLine(const std::string& line)
{
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string path;
    bool json = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--version" && argc == 2) {
            PrintLine(std::string("setupcheck ") + SE_VERSION);
            return 0;
        }
        if (arg == "--json") json = true;
        else if (!arg.empty() && arg[0] == '-') return Usage();
        else if (path.empty()) path = arg;
        else return Usage();
    }
    if (path.empty()) return Usage();
    // The runtime writes unbuffered to a console or a device, one call for
    // every character: thousands of findings would take most of a minute.
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);

    std::string text;
    if (!ReadWhole(path, text)) {
        std::fputs((path + ": cannot read the script\n").c_str(), stderr);
        return 3;
    }

    // The engine is started with the script's name; a path given here may
    // use either kind of slash.
    std::string name = path;
    for (char& c : name)
        if (c == '/') c = '\\';
    const std::vector<se::Finding> findings = se::CheckScript(name, text, FileExists);
    if (json) {
        PrintLine(se::FindingsAsJson(path, findings));
    } else {
        for (const se::Finding& f : findings) PrintLine(se::FormatFinding(path, f));
    }
    return se::ExitCodeFor(findings);
}
