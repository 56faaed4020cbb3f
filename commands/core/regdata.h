#pragma once
// Registry command texts without the registry: root names, the fields of a
// multi-line edit line, and the bytes a data text turns into.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace se {

// The registry's own type numbers.
enum RegType : std::uint32_t {
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
    kRegMultiSz = 7,
};

enum class RootKey { ClassesRoot, CurrentConfig, CurrentUser, LocalMachine, Users, PerformanceData, DynData };

// "HKEY_LOCAL_MACHINE" and its kin (the single-value commands), case ignored.
std::optional<RootKey> LongRootName(std::string_view text);
// "HKLM" and its kin (the multi-line edit), case ignored.
std::optional<RootKey> ShortRootName(std::string_view text);

// Leading decimal number as the C library reads it: blanks, a sign, digits up
// to the first other character; no digits give 0. Held at the int range.
int LeadingInteger(std::string_view text);

// One line of a multi-line edit: action, root, key, value name, data type,
// data. Every field but the action is trimmed; the data keeps its commas.
struct RegEditLine {
    std::string action;  // as written, for the "undefined action" entry
    std::string root;
    std::string key;
    std::string valueName;
    std::string dataType;
    std::string data;
};

// The first field a line lacks because a comma is missing.
enum class MissingField { None, Root, Key, ValueName, DataType, Data };

struct ParsedRegEditLine {
    MissingField missing = MissingField::None;
    RegEditLine fields;  // complete only when nothing is missing
};

ParsedRegEditLine ParseRegEditLine(std::string_view line);

// Value of a hexadecimal digit of either case; every other character counts 0.
unsigned HexDigit(char c);

struct RegValueData {
    std::uint32_t type = kRegSz;
    std::vector<std::uint8_t> bytes;
    std::size_t textLength = 0;  // what is left of the text once converted
};

// Multi-line edit: code 1 reads hexadecimal pairs, code 2 one hexadecimal
// number, every other code stores the text with one terminating zero.
RegValueData ConvertEditData(int code, std::string_view text);

// Single-value command: the characters of the text for every code, with one
// terminating zero for the three string types.
RegValueData SingleValueData(int code, std::string_view text);

// "iSize = %d  %s strlen=%d": the byte count, the bytes read as text up to
// their first zero and never beyond the count, the text length left.
std::string DataSizeMessage(const RegValueData& data);

// RegHive\RegKey\RegValue:<RegData>, cut to what a 512-byte buffer holds.
std::string ValueDescription(std::string_view hive, std::string_view key, std::string_view value,
                             std::string_view data);

}  // namespace se
