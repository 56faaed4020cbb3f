// The engine's portable core writes install-log entries of its own; reading
// logs, there is nowhere for them to go: they are dropped.
#include "engine/core/logsink.h"

void WriteLog(std::string_view, std::string_view) {}
void WriteLogText(std::string_view) {}
