#pragma once
// Value rules of the profile readers, and the two ways they fill a caller's
// buffer. Every observable buffer limit is applied here.
#include <cstdint>
#include <string_view>

namespace nrvini {

// The value of a key line: after the first "=", leading blanks skipped, cut
// to 256 characters, then one pair of enclosing quotes ('' or "") removed.
std::string_view ExtractValue(std::string_view keyLine);

// Optional "-", optional "+", then decimal digits to the end; wraps in 32 bits.
// Anything else, a blank included, gives fallback.
std::int32_t ParseProfileInt(std::string_view text, std::int32_t fallback);

// A single key is read either straight from the file's bytes (Scan: what the
// exports use) or from a whole IniFile (Model). Both give the same results;
// the second is kept as the reference the first is checked against.
enum class KeyPath { Scan, Model };

// What NrvGetPrivateProfileString and NrvGetPrivateProfileInt give for one key
// (section and key not null). May throw std::bad_alloc.
std::uint32_t ReadKeyString(KeyPath path, const char* section, const char* key, std::string_view fallback,
                            char* buffer, std::uint32_t size, const char* file);
std::uint32_t ReadKeyInt(KeyPath path, const char* section, const char* key, std::int32_t fallback, const char* file);

// A single value: at most size - 1 characters and a NUL. Returns the count
// stored; nothing is written when size is 0.
std::uint32_t CopyValue(std::string_view text, char* buffer, std::uint32_t size);

// The default in place of a section's key list: at most size - 2 characters
// and a NUL, and when that cut it, NULs at size - 2 and size - 1. Returns the
// count of characters stored. size must be at least 2.
std::uint32_t CopyListDefault(std::string_view text, char* buffer, std::uint32_t size);

// A list that cannot hold anything: a NUL where there is room for one. Returns 0.
std::uint32_t StoreEmptyList(char* buffer, std::uint32_t size);

// A double-NUL list filled entry by entry. Once an entry's NUL lands at
// size - 2 or later the list is closed there and counts as cut.
class ListWriter {
public:
    // size must be at least 2. Stores a NUL at the start.
    ListWriter(char* buffer, std::uint32_t size);

    // false once the list has been cut; further entries are ignored.
    bool Add(std::string_view entry);
    bool cut() const { return cut_; }
    // Stores the final NUL unless cut; the count excludes it (size - 2 when cut).
    std::uint32_t Finish();

private:
    char* buffer_;
    std::uint32_t size_;
    std::uint32_t pos_ = 0;
    bool cut_ = false;
};

}  // namespace nrvini
