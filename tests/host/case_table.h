#pragma once
// Tables of test cases kept as text under tests/cases. "[name]" on a line of
// its own starts a table; every further line up to the next one is a case,
// its fields split at "|". Blank lines and lines starting with "#" are
// skipped. Escapes: \r \n \t \0 \\ \| \xHH, and \{N:c} for N copies of c; a
// field of just \N is no text at all (a null pointer).
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace cases {

struct Field {
    std::string text;
    bool null = false;
    const char* c_str() const { return null ? nullptr : text.c_str(); }
    int number() const { return std::stoi(text, nullptr, 0); }
    operator const std::string&() const { return text; }
    operator std::string_view() const { return text; }
};
using Row = std::vector<Field>;

// The rows of one table; a table with none is a failure (a misspelt name).
// The files lie in tests/cases, or in cases\ beside a Windows test program.
inline std::vector<Row> Rows(const std::string& file, const std::string& table)
{
#if defined(_WIN32)
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string path(self);
    std::ifstream in(path.substr(0, path.rfind('\\')) + "\\cases\\" + file, std::ios::binary);
#else
    std::ifstream in(SE_TEST_CASES_DIR "/" + file, std::ios::binary);
#endif
    std::vector<Row> rows;
    bool inTable = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[' && line.find('|') == std::string::npos) {
            inTable = line == "[" + table + "]";
            continue;
        }
        if (!inTable) continue;
        Row row(1);
        for (std::size_t i = 0; i < line.size(); ++i) {
            Field& f = row.back();
            const char c = i + 1 < line.size() ? line[i + 1] : '\0';
            if (line[i] == '|') {
                row.emplace_back();
            } else if (line[i] != '\\' || i + 1 == line.size()) {
                f.text += line[i];
            } else if (c == 'N' && f.text.empty() && (i + 2 == line.size() || line[i + 2] == '|')) {
                f.null = true, ++i;
            } else if (c == 'x') {
                f.text += static_cast<char>(std::stoi(line.substr(i + 2, 2), nullptr, 16)), i += 3;
            } else if (c == '{') {
                const std::size_t colon = line.find(':', i);
                f.text.append(std::stoul(line.substr(i + 2, colon - i - 2)), line[colon + 1]);
                i = line.find('}', colon + 2);
            } else {
                f.text += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c == '0' ? '\0' : c, ++i;
            }
        }
        rows.push_back(row);
    }
    EXPECT_FALSE(rows.empty()) << "no cases in " << file << " [" << table << "]";
    return rows;
}

// A table whose rows name a call in their first field: what the call gives,
// as text, must be the row's last field.
using Call = std::function<std::string(const Row&)>;
inline void CheckCalls(const std::string& file, const std::string& table, const std::map<std::string, Call>& calls)
{
    for (const Row& r : Rows(file, table)) {
        std::string shown;
        for (const Field& f : r) shown += f.text + "|";
        EXPECT_EQ(calls.count(r[0]) ? calls.at(r[0])(r) : "<no such call>", r.back().text) << shown;
    }
}
inline std::string Flag(bool value) { return value ? "1" : "0"; }
inline std::string Join(const std::vector<std::string>& parts, const char* between)
{
    std::string all;
    for (std::size_t i = 0; i < parts.size(); ++i) all += (i ? between : "") + parts[i];
    return all;
}

}  // namespace cases
