#pragma once
// Whether two paths name one file or folder, whatever their spelling: a
// long-path or device prefix, an 8.3 name, a link in any component, a subst
// drive or a share. Every guard of the file commands asks here, never the text.
#include <optional>
#include <string>
#include <vector>

// The path as the system resolves it, out of the "\\?\" and "\\.\" namespaces:
// "\\?\C:\Windows\" gives "C:\Windows". The guards' starting point.
std::string CanonicalPath(const std::string& path);

// What one file or folder is, as comparable text. On the NT family the volume
// serial number and file index, which every spelling of it shares; on 95/98,
// which have no links and no stable index, the upper-case short form of its
// full path. Nothing when the path cannot be opened.
std::optional<std::string> PathIdentity(const std::string& path);

// The identities of a set of paths and of every folder that holds them, so
// that "is this one of them, or a folder holding one" is one lookup per path.
struct GuardedPaths {
    std::vector<std::string> identities;
    std::vector<std::string> texts;  // ComparablePath of the canonical paths, for paths that cannot be opened
    void AddWithHolders(const std::string& path);
    bool Holds(const std::string& path) const;
};

// True when `inner` is `outer` or lies inside it, judged by the identity of
// inner and of each folder that holds it (those that exist).
bool IsSameOrInside(const std::string& inner, const std::string& outer);
