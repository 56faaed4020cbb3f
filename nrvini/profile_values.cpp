#include "nrvini/profile_values.h"

#include <algorithm>
#include <cstring>

#include "nrvini/ini_text.h"

namespace nrvini {

std::string_view ExtractValue(std::string_view keyLine)
{
    const std::size_t eq = keyLine.find('=');
    std::string_view value = SkipLeadingBlanks(keyLine.substr(eq == std::string_view::npos ? keyLine.size() : eq + 1));
    value = value.substr(0, kMaxValueLength);
    const bool quoted = value.size() >= 2 && value.front() == value.back() && (value.front() == '"' || value.front() == '\'');
    return quoted ? value.substr(1, value.size() - 2) : value;
}

std::int32_t ParseProfileInt(std::string_view text, std::int32_t fallback)
{
    const bool negative = text.starts_with('-');
    if (negative) text.remove_prefix(1);
    if (text.starts_with('+')) text.remove_prefix(1);
    std::uint32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return fallback;
        value = value * 10u + static_cast<std::uint32_t>(c - '0');
    }
    return static_cast<std::int32_t>(negative ? 0u - value : value);
}

std::uint32_t CopyValue(std::string_view text, char* buffer, std::uint32_t size)
{
    if (size == 0) return 0;
    const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(text.size(), size - 1));
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return count;
}

std::uint32_t CopyListDefault(std::string_view text, char* buffer, std::uint32_t size)
{
    const std::uint32_t count = CopyValue(text, buffer, size - 1);
    if (count == size - 2) buffer[size - 1] = '\0';
    return count;
}

std::uint32_t StoreEmptyList(char* buffer, std::uint32_t size)
{
    if (size > 0) buffer[0] = '\0';
    return 0;
}

ListWriter::ListWriter(char* buffer, std::uint32_t size) : buffer_(buffer), size_(size)
{
    buffer_[0] = '\0';
}

bool ListWriter::Add(std::string_view entry)
{
    if (cut_) return false;
    for (const char c : entry) {
        if (pos_ >= size_ - 2) break;
        buffer_[pos_++] = c;
    }
    buffer_[pos_++] = '\0';
    if (pos_ >= size_ - 1) {
        buffer_[size_ - 1] = '\0';
        cut_ = true;
    }
    return !cut_;
}

std::uint32_t ListWriter::Finish()
{
    if (cut_) return size_ - 2;
    buffer_[pos_] = '\0';
    return pos_;
}

}  // namespace nrvini
