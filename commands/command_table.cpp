#include "commands/core/command_types.h"
#include "commands/handlers.h"

namespace {

// The handler column of the rows; the other columns live in the portable part.
constexpr CommandHandler kHandlers[] = {
#define SE_COMMAND_TYPE(number, name, handler, traits, parameters, fields) handler,
#include "commands/core/command_types.inc"
#undef SE_COMMAND_TYPE
};

}  // namespace

CommandHandler HandlerFor(int type)
{
    return se::FindCommandType(type) ? kHandlers[type - 1] : nullptr;
}
