#include "commands/core/regdata.h"

#include <array>
#include <climits>

#include "engine/core/text.h"

namespace se {

namespace {

struct RootName {
    const char* name;
    RootKey root;
};

constexpr std::array<RootName, 7> kLongRootNames = {{
    {"HKEY_CLASSES_ROOT", RootKey::ClassesRoot},
    {"HKEY_CURRENT_CONFIG", RootKey::CurrentConfig},
    {"HKEY_CURRENT_USER", RootKey::CurrentUser},
    {"HKEY_LOCAL_MACHINE", RootKey::LocalMachine},
    {"HKEY_USERS", RootKey::Users},
    {"HKEY_PERFORMANCE_DATA", RootKey::PerformanceData},
    {"HKEY_DYN_DATA", RootKey::DynData},
}};

constexpr std::array<RootName, 7> kShortRootNames = {{
    {"HKCR", RootKey::ClassesRoot},
    {"HKCC", RootKey::CurrentConfig},
    {"HKCU", RootKey::CurrentUser},
    {"HKLM", RootKey::LocalMachine},
    {"HKU", RootKey::Users},
    {"HKPD", RootKey::PerformanceData},
    {"HKDD", RootKey::DynData},
}};

template <typename Table>
std::optional<RootKey> FindRoot(const Table& table, std::string_view text)
{
    for (const RootName& r : table)
        if (EqualsNoCase(text, r.name)) return r.root;
    return std::nullopt;
}

bool IsCBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::vector<std::uint8_t> TextWithZero(std::string_view text)
{
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

std::uint32_t StringType(int code)
{
    if (code == 3) return kRegExpandSz;
    if (code == 4) return kRegMultiSz;
    return kRegSz;
}

}  // namespace

std::optional<RootKey> LongRootName(std::string_view text) { return FindRoot(kLongRootNames, text); }
std::optional<RootKey> ShortRootName(std::string_view text) { return FindRoot(kShortRootNames, text); }

int LeadingInteger(std::string_view t)
{
    std::size_t i = 0;
    while (i < t.size() && IsCBlank(t[i])) ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
    long long value = 0;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i)
        if (value <= INT_MAX) value = value * 10 + (t[i] - '0');
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

ParsedRegEditLine ParseRegEditLine(std::string_view line)
{
    static constexpr MissingField kMissingAfter[] = {MissingField::Root, MissingField::Key,
                                                     MissingField::ValueName, MissingField::DataType,
                                                     MissingField::Data};
    ParsedRegEditLine parsed;
    std::string_view pieces[6];
    std::string_view rest = line;
    for (int i = 0; i < 5; ++i) {
        const std::size_t comma = rest.find(',');
        if (comma == std::string_view::npos) {
            parsed.missing = kMissingAfter[i];
            return parsed;
        }
        pieces[i] = rest.substr(0, comma);
        rest = rest.substr(comma + 1);
    }
    pieces[5] = rest;  // the data: everything after the fifth comma
    RegEditLine& f = parsed.fields;
    f.action = std::string(pieces[0]);
    f.root = Trimmed(pieces[1]);
    f.key = Trimmed(pieces[2]);
    f.valueName = Trimmed(pieces[3]);
    f.dataType = Trimmed(pieces[4]);
    f.data = Trimmed(pieces[5]);
    return parsed;
}

unsigned HexDigit(char c)
{
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    return 0;
}

RegValueData ConvertEditData(int code, std::string_view text)
{
    RegValueData d;
    if (code == 1) {
        // Pairs of digits, first pair first; an odd last digit has no pair and
        // is not stored.
        d.type = kRegBinary;
        for (std::size_t i = 0; i + 1 < text.size(); i += 2)
            d.bytes.push_back(static_cast<std::uint8_t>(HexDigit(text[i]) * 16 + HexDigit(text[i + 1])));
    } else if (code == 2) {
        // Digits come two at a time, so an odd last digit is followed by an
        // implied 0 (ABC is 0xABC0); only the last eight digits survive.
        d.type = kRegDword;
        std::uint32_t value = 0;
        for (char c : text) value = (value << 4) | HexDigit(c);
        if (text.size() % 2 != 0) value <<= 4;
        for (int i = 0; i < 4; ++i) d.bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    } else {
        d.type = StringType(code);
        d.bytes = TextWithZero(text);
        d.textLength = text.size();
    }
    return d;
}

RegValueData SingleValueData(int code, std::string_view text)
{
    RegValueData d;
    d.textLength = text.size();
    if (code == 1 || code == 2) {
        d.type = code == 1 ? kRegBinary : kRegDword;
        d.bytes.assign(text.begin(), text.end());
    } else {
        d.type = StringType(code);
        d.bytes = TextWithZero(text);
    }
    return d;
}

std::string DataSizeMessage(const RegValueData& data)
{
    std::string shown;
    for (std::uint8_t b : data.bytes) {
        if (b == 0) break;
        // A line break among binary bytes would split the log entry.
        shown += (b == '\r' || b == '\n') ? ' ' : static_cast<char>(b);
    }
    return "iSize = " + std::to_string(data.bytes.size()) + "  " + shown +
           " strlen=" + std::to_string(data.textLength);
}

std::string ValueDescription(std::string_view hive, std::string_view key, std::string_view value,
                             std::string_view data)
{
    std::string text;
    text.append(hive).append("\\").append(key).append("\\").append(value).append(":<").append(data).append(">");
    return FitBuffer(text, 512);
}

}  // namespace se
