#pragma once
// How much of a script value the engine reads, and how long a value may be
// once substituted. Rooms are buffer sizes (the terminating zero included):
// a read of a longer value is cut to room - 1 characters, as the profile
// functions cut it. Limits are what a value may hold before it is refused.
#include <cstddef>

namespace se {

// ---- rooms of the engine's own keys ----
inline constexpr std::size_t kCommandSectionRoom = 256;  // [Commands] CmdSection<N>.0
inline constexpr std::size_t kFullLineRoom = 260;        // [Commands] FullCmdSection<N>, as logged
inline constexpr std::size_t kStateValueRoom = 128;      // [State] CurrentSection and NextSection
// A list named by a longer text is never found: its name does not come back
// whole from [State].
inline constexpr std::size_t kLongestSectionName = kStateValueRoom - 1;

// ---- rooms of script values ----
// Values that are checked against a limit once substituted are read and
// substituted in this much room: wide enough that an over-long value is seen
// whole and refused, never cut into another file, key or program.
inline constexpr std::size_t kSubstituteRoom = 1024;
inline constexpr std::size_t kFieldRoom = kSubstituteRoom;  // inline fields and keys of the file commands
inline constexpr std::size_t kRestartFieldRoom = 64;       // command 29's field 2, TRUE or FALSE
inline constexpr std::size_t kWaitFlagRoom = 32;           // command 11's wait flag
inline constexpr std::size_t kMessageLineRoom = 128;       // a Message<N> line and the Title of command 17
inline constexpr std::size_t kRegistryTextRoom = 512;      // the keys of commands 3, 4 and 12
inline constexpr std::size_t kRegistryEditRoom = 260;      // value name and data of a command 14 line

// ---- limits, in characters after substitution ----
inline constexpr std::size_t kLongestCommandLine = 259;  // command 11
inline constexpr std::size_t kLongestKeyPath = 259;      // a key path of command 14
inline constexpr std::size_t kLongestIniText = 511;      // section, key and value of commands 26 and 27
inline constexpr std::size_t kLongestAppendPath = 255;   // the file command 28 appends
inline constexpr std::size_t kLongestInlineDirectory = 255;  // command 21's inline directory

}  // namespace se
