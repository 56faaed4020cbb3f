#pragma once
// Shared by the registry commands: root handles and the system text of a
// returned error code.
#include <windows.h>

#include <string>
#include <vector>

#include "commands/core/regdata.h"

HKEY RootKeyHandle(se::RootKey root);

// The system's text of a code returned by a registry call, on one line (its
// line break turned into blanks), cut to what a 260-byte buffer holds.
// Returns the code.
DWORD GetErrorCodeText(std::string& text, DWORD code);

// "ERROR details: " and the text of the code.
void LogErrorDetails(const char* prefix, DWORD code);

// The multi-line edit's helpers (regedit.cpp). OpenKeySecurity saves the
// key's access list into saved and puts a null list (everyone, full access) in
// its place: 1 when the null list was set. RestoreKeySecurity puts the saved
// list back: 1 on success. Both do nothing on Windows 95, 98 and Me, which
// keep no security on keys.
int OpenKeySecurity(HKEY root, const std::string& path, std::vector<BYTE>& saved);
int RestoreKeySecurity(HKEY root, const std::string& path, const std::vector<BYTE>& saved);
// Deletes the key and everything below it, depth first, each child with its
// access list opened; logs its own failure. True when the key is gone. A
// registry link in the tree (or at path) is deleted as a key of its own and
// never followed: the key it points to stays.
bool DeleteRegKeyTree(HKEY root, const std::string& path);
// True when the key at path is a registry link (NT family only).
bool IsRegistryLink(HKEY root, const std::string& path);
// RegDeleteKey's deletion of one key without subkeys, except that a link at
// path goes itself instead of its target. The system's result code.
LONG DeleteKeyItself(HKEY root, const std::string& path);
