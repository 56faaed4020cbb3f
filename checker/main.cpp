// setupcheck SCRIPT.INI [--json]: the mistakes of a script, found before it ships.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "checker/scriptcheck.h"

namespace {

int Usage()
{
    std::cerr << "usage: setupcheck SCRIPT.INI [--json]\n"
                 "  prints FILE:LINE: error|warning|note: text, one finding per line;\n"
                 "  exit 0 when clean, 1 with warnings only, 2 with errors, 3 when the script cannot be read\n";
    return 3;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string path;
    bool json = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--json") json = true;
        else if (!arg.empty() && arg[0] == '-') return Usage();
        else if (path.empty()) path = arg;
        else return Usage();
    }
    if (path.empty()) return Usage();

    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << path << ": cannot read the script\n";
        return 3;
    }
    std::ostringstream text;
    text << in.rdbuf();

    // The engine is started with the script's name; a path given here may
    // use either kind of slash.
    std::string name = path;
    for (char& c : name)
        if (c == '/') c = '\\';
    const std::vector<se::Finding> findings = se::CheckScript(name, text.str());
    if (json) {
        std::cout << se::FindingsAsJson(path, findings) << "\n";
    } else {
        for (const se::Finding& f : findings) std::cout << se::FormatFinding(path, f) << "\n";
    }
    return se::ExitCodeFor(findings);
}
