#pragma once
// The install log as the portable core sees it. The engine implements these in
// log.cpp; host tests and fuzzers link a capturing stand-in instead.
#include <string_view>

void WriteLog(std::string_view prefix, std::string_view message);
void WriteLogText(std::string_view text);
