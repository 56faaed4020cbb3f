#pragma once
// System IDs of the maker's machines: how the log prints them and how a list
// line in the script may name one.
#include <string>
#include <string_view>
#include <vector>

namespace se {

// "0X" and at least four upper-case hexadecimal digits.
std::string FormatSystemId(unsigned id);

// True when a line of an ID list names the ID in one of the accepted forms:
// "0X" with at least 4, 3 or 2 hexadecimal digits, bare hexadecimal without
// leading zeros or with at least 4, 3 or 2 digits, or decimal. Lines that begin
// with ";" are comments; the others are trimmed and compared whole, without
// regard to case.
bool LineNamesSystemId(std::string_view line, unsigned id);
bool SystemIdListed(const std::vector<std::string>& lines, unsigned id);

}  // namespace se
