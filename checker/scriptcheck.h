#pragma once
// The script checker: what the engine would do with each line of a script,
// found before the script runs, through the engine's own line parsers.
#include <string>
#include <string_view>
#include <vector>

namespace se {

enum class Severity { Note, Warning, Error };

struct Finding {
    int line = 0;
    Severity severity = Severity::Note;
    std::string text;
};

// Whether a file is there, for the files a script takes from beside itself.
using FileExists = bool (*)(const std::string& path);

// scriptName is the file name the engine would be started with, its folder
// the one the script lies in.
std::vector<Finding> CheckScript(std::string_view scriptName, std::string_view fileText, FileExists exists);

const char* SeverityName(Severity s);
// "FILE:LINE: error|warning|note: text"
std::string FormatFinding(std::string_view file, const Finding& f);
std::string FindingsAsJson(std::string_view file, const std::vector<Finding>& findings);
// 0 when clean (notes only), 1 with warnings, 2 with errors.
int ExitCodeFor(const std::vector<Finding>& findings);

}  // namespace se
