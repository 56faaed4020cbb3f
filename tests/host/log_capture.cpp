#include "log_capture.h"

#include <string_view>

#include "engine/core/logsink.h"

namespace test {
std::vector<std::string>& LogEntries()
{
    static std::vector<std::string> entries;
    return entries;
}
}  // namespace test

void WriteLog(std::string_view prefix, std::string_view message)
{
    test::LogEntries().push_back(std::string(prefix) + "|" + std::string(message));
}

void WriteLogText(std::string_view text) { test::LogEntries().push_back("TEXT|" + std::string(text)); }
