#pragma once
// Stand-in for the install log in the host tests: entries are collected in
// memory as "prefix|message" so tests can compare them.
#include <string>
#include <vector>

namespace test {
inline std::vector<std::string> logEntries;
}  // namespace test
