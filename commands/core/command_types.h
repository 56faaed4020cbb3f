#pragma once
// What the engine knows of each command type besides its handler: the rows
// of command_types.inc. The loop reads the traits, the checker its rules'
// table and the script reference are held to the rows by a test.
#include <span>
#include <string_view>

namespace se {

enum CommandTrait : unsigned {
    kNone = 0,
    kStopsTheLoop = 1,     // the run ends after the command
    kSkipsTheAdvance = 2,  // the handler has settled CurrentCmd itself
    kReadsData = 4,        // its keys come from [Data], whatever field 0 names
    kNotSupported = 8,     // the handler only logs " Not Supported yet."
};

// Where a command finds its parameters.
enum class Parameters {
    None,             // nowhere
    Fields,           // in the fields of its list line
    Section,          // in the section field 0 names
    SectionOrFields,  // in the section field 0 names, or, field 0 empty, in the fields after it
};

struct CommandType {
    int number;
    std::string_view logName;  // "CMD15_CopyFile", in the per-command log line
    unsigned traits;
    Parameters parameters;
    std::string_view fields;  // one line on what the parameters say

    bool Has(CommandTrait t) const { return (traits & t) != 0; }
};

// The rows, by number (1 to 35).
std::span<const CommandType> CommandTypes();
// The row of a type; nothing for a number no row has.
const CommandType* FindCommandType(int number);

}  // namespace se
