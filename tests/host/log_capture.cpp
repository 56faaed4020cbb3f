#include "log_capture.h"

#include "engine/core/logsink.h"

void WriteLog(std::string_view prefix, std::string_view message)
{
    test::logEntries.push_back(std::string(prefix) + "|" + std::string(message));
}

void WriteLogText(std::string_view text) { test::logEntries.push_back("TEXT|" + std::string(text)); }
