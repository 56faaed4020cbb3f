#pragma once
// Measures a script section for the message command.
#include <string>

// The length of the section's text as the system's section read reports it,
// measured with buffers of 260 bytes doubled up to 16640 (the largest that
// Windows 95 and 98 can fill); 16640 when the section does not fit even then,
// 0 when no buffer could be had.
unsigned GetProfileSectionSize(const char* section, const std::string& file);
