#include "commands/core/command_types.h"

#include <array>

namespace se {
namespace {

constexpr CommandType kRows[] = {
#define SE_COMMAND_TYPE(number, name, handler, traits, parameters, fields) {number, name, traits, parameters, fields},
#include "commands/core/command_types.inc"
#undef SE_COMMAND_TYPE
};

// The rows run 1, 2, 3...: a type's row is found by its number alone.
constexpr bool NumberedInOrder()
{
    for (std::size_t i = 0; i < std::size(kRows); ++i)
        if (kRows[i].number != static_cast<int>(i) + 1) return false;
    return true;
}
static_assert(NumberedInOrder());

}  // namespace

std::span<const CommandType> CommandTypes() { return kRows; }

const CommandType* FindCommandType(int number)
{
    if (number < 1 || number > static_cast<int>(std::size(kRows))) return nullptr;
    return &kRows[number - 1];
}

}  // namespace se
