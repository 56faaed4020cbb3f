#include "engine/core/resumestate.h"

#include <charconv>

#include "engine/core/text.h"

namespace se {

namespace {

std::string_view TrimmedView(std::string_view s)
{
    while (!s.empty() && IsTrimmable(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && IsTrimmable(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::string Hex(std::uint64_t value)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i, value >>= 4) out[i] = kDigits[value & 15];
    return out;
}

template <typename T>
bool ParseNumber(std::string_view text, T& out, int base)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out, base);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// "name=value" fields separated by blanks; the value of name, if present.
std::optional<std::string_view> Field(std::string_view line, std::string_view name)
{
    for (std::size_t at = 0; at < line.size();) {
        std::size_t end = line.find(' ', at);
        if (end == std::string_view::npos) end = line.size();
        const std::string_view item = line.substr(at, end - at);
        if (item.size() > name.size() && item.substr(0, name.size()) == name && item[name.size()] == '=')
            return item.substr(name.size() + 1);
        at = end + 1;
    }
    return std::nullopt;
}

}  // namespace

SplitCurrentCmd SplitOffCurrentCmd(std::string_view text)
{
    SplitCurrentCmd out;
    out.rest.reserve(text.size());
    bool inCommands = false;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        end = end == std::string_view::npos ? text.size() : end + 1;
        const std::string_view line = text.substr(at, end - at);
        at = end;
        const std::string_view trimmed = TrimmedView(line);
        if (!trimmed.empty() && trimmed.front() == '[') {
            const std::size_t close = trimmed.find(']');
            inCommands = close != std::string_view::npos && EqualsNoCase(TrimmedView(trimmed.substr(1, close - 1)), "Commands");
        } else if (inCommands && !out.currentCmd) {
            const std::size_t equals = trimmed.find('=');
            if (equals != std::string_view::npos && EqualsNoCase(TrimmedView(trimmed.substr(0, equals)), "CurrentCmd")) {
                out.currentCmd = std::string(TrimmedView(trimmed.substr(equals + 1)));
                continue;
            }
        }
        out.rest.append(line);
    }
    return out;
}

std::uint64_t Fingerprint(std::string_view bytes)
{
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 0x100000001b3ull;
    }
    return h;
}

std::string FormatResumeRecord(const ResumeRecord& r)
{
    std::string line = "seq=" + std::to_string(r.seq) + " copy=" + std::to_string(r.copySlot) +
                       " rest=" + Hex(r.restFingerprint) + " size=" + std::to_string(r.copySize);
    // The command number is the working copy's own text, kept as it was; a
    // blank in it cannot be told from a field separator, so it is left out.
    if (r.currentCmd && r.currentCmd->find_first_of(" \r\n") == std::string::npos)
        line += " cmd=" + *r.currentCmd;
    else if (r.currentCmd)
        line += " cmd=";
    if (r.fromCmd && r.fromCmd != r.currentCmd && r.fromCmd->find_first_of(" \r\n") == std::string::npos)
        line += " from=" + *r.fromCmd;
    return line + " check=" + Hex(Fingerprint(line)) + "\r\n";
}

std::optional<ResumeRecord> ParseResumeRecord(std::string_view text)
{
    const std::size_t lineEnd = text.find("\r\n");
    if (lineEnd == std::string_view::npos) return std::nullopt;
    const std::string_view line = text.substr(0, lineEnd);
    const std::size_t checkAt = line.rfind(" check=");
    if (checkAt == std::string_view::npos) return std::nullopt;
    std::uint64_t check = 0;
    if (!ParseNumber(line.substr(checkAt + 7), check, 16) || check != Fingerprint(line.substr(0, checkAt)))
        return std::nullopt;

    ResumeRecord r;
    const auto seq = Field(line, "seq"), copy = Field(line, "copy"), rest = Field(line, "rest"),
               size = Field(line, "size");
    if (!seq || !copy || !rest || !size) return std::nullopt;
    if (!ParseNumber(*seq, r.seq, 10) || !ParseNumber(*copy, r.copySlot, 10) ||
        !ParseNumber(*rest, r.restFingerprint, 16) || !ParseNumber(*size, r.copySize, 10))
        return std::nullopt;
    if (r.copySlot != 0 && r.copySlot != 1) return std::nullopt;
    if (const auto cmd = Field(line.substr(0, checkAt), "cmd")) r.currentCmd = std::string(*cmd);
    else if (line.substr(0, checkAt).find(" cmd= ") != std::string_view::npos || line.substr(0, checkAt).ends_with(" cmd="))
        r.currentCmd = std::string();
    if (const auto from = Field(line.substr(0, checkAt), "from")) r.fromCmd = std::string(*from);
    return r;
}

const std::optional<ResumeRecord>& NewerRecord(const std::optional<ResumeRecord>& a,
                                               const std::optional<ResumeRecord>& b)
{
    if (!a) return b;
    if (!b) return a;
    return b->seq > a->seq ? b : a;
}

RepairPlan PlanRepair(std::string_view text, const ResumeRecord& record)
{
    const SplitCurrentCmd split = SplitOffCurrentCmd(text);
    if (Fingerprint(split.rest) != record.restFingerprint) return {Repair::RestoreCopy, record.currentCmd};
    if (record.fromCmd && split.currentCmd == record.fromCmd) return {Repair::SetCurrentCmd, record.currentCmd};
    const bool lastLineEnded = !text.empty() && text.back() == '\n';
    if ((lastLineEnded && split.currentCmd) || split.currentCmd == record.currentCmd) return {};
    return {Repair::SetCurrentCmd, record.currentCmd};
}

}  // namespace se
