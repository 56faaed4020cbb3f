#include "registry_steps.h"

#include "harness.h"

#include <sddl.h>

namespace test {

namespace {

struct KeyPath {
    HKEY root = nullptr;
    std::string path;
};

KeyPath ParseKey(const std::string& text)
{
    const std::size_t slash = text.find('\\');
    const std::string root = text.substr(0, slash), path = slash == std::string::npos ? "" : text.substr(slash + 1);
    return {root == "HKCU" ? HKEY_CURRENT_USER : root == "HKLM" ? HKEY_LOCAL_MACHINE : nullptr, path};
}

// An open (or created) key, closed when it goes; false, and rc the error, when
// it did not open.
struct Key {
    HKEY h = nullptr;
    LONG rc;
    Key(const KeyPath& k, REGSAM access, DWORD options = 0, bool create = false)
        : rc(create ? RegCreateKeyExA(k.root, k.path.c_str(), 0, nullptr, options, access, nullptr, &h, nullptr)
                    : RegOpenKeyExA(k.root, k.path.c_str(), options, access, &h))
    {
        if (rc != ERROR_SUCCESS) h = nullptr;
    }
    ~Key() { if (h) RegCloseKey(h); }
    explicit operator bool() const { return h != nullptr; }
};

DWORD TypeNumber(const std::string& name)
{
    const std::map<std::string, DWORD> types = {{"REG_SZ", REG_SZ}, {"REG_EXPAND_SZ", REG_EXPAND_SZ},
        {"REG_BINARY", REG_BINARY}, {"REG_DWORD", REG_DWORD}, {"REG_MULTI_SZ", REG_MULTI_SZ}};
    return types.count(name) ? types.at(name) : REG_NONE;
}

// Hexadecimal bytes and 'quoted' characters, blanks ignored.
std::vector<BYTE> ParseData(const std::string& text)
{
    std::vector<BYTE> bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\'') {
            const std::size_t end = text.find('\'', i + 1);
            bytes.insert(bytes.end(), text.begin() + i + 1, text.begin() + end);
            i = end;
        } else if (text[i] != ' ') {
            bytes.push_back(static_cast<BYTE>(std::stoul(text.substr(i++, 2), nullptr, 16)));
        }
    }
    return bytes;
}

std::string Shown(const std::vector<BYTE>& bytes)
{
    std::string text;
    for (BYTE b : bytes) text += std::string{"0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15], ' '};
    return text;
}

template <class Fn> Fn Ntdll(const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), name)));
}

// True when the key is a registry link (opened as itself); removed when asked.
bool IsLink(const KeyPath& k, bool remove)
{
    const Key key(k, KEY_QUERY_VALUE | DELETE, REG_OPTION_OPEN_LINK);
    DWORD type = REG_NONE;
    const bool link = key && RegQueryValueExA(key.h, "SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
                      type == REG_LINK;
    using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
    if (link && remove) Ntdll<NtDeleteKeyFn>("NtDeleteKey")(key.h);
    return link;
}

// A link key whose SymbolicLinkValue holds the target's native name
// (\REGISTRY\USER\<sid>\...), as the system gives it for the open target.
std::string MakeLink(const KeyPath& k, const KeyPath& target)
{
    using NtQueryKeyFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    std::vector<ULONG> name(1024);  // KEY_NAME_INFORMATION: the length in bytes, then the name
    ULONG size = 0;
    const Key to(target, KEY_QUERY_VALUE), key(k, KEY_ALL_ACCESS | KEY_CREATE_LINK, REG_OPTION_CREATE_LINK, true);
    if (!to || Ntdll<NtQueryKeyFn>("NtQueryKey")(to.h, 3 /* KeyNameInformation */, name.data(), 4096, &size) != 0)
        return "cannot name the target " + target.path;
    const LONG rc = key ? RegSetValueExW(key.h, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(&name[1]), name[0]) : key.rc;
    return rc == ERROR_SUCCESS && IsLink(k, false) ? "" : "cannot make " + k.path + " a link";
}

// The key's access list as bytes; none when the key is missing.
std::vector<BYTE> Descriptor(const KeyPath& k)
{
    const Key key(k, READ_CONTROL);
    DWORD size = 0;
    if (key) RegGetKeySecurity(key.h, DACL_SECURITY_INFORMATION, nullptr, &size);
    std::vector<BYTE> bytes(size);
    if (key && RegGetKeySecurity(key.h, DACL_SECURITY_INFORMATION, bytes.data(), &size) != ERROR_SUCCESS) bytes.clear();
    return bytes;
}

std::string SetAccessList(const KeyPath& k, const std::string& sddl, std::vector<BYTE>& kept)
{
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &sd, nullptr))
        return "bad access list " + sddl;
    const Key key(k, WRITE_DAC);
    const bool set = key && RegSetKeySecurity(key.h, DACL_SECURITY_INFORMATION, sd) == ERROR_SUCCESS;
    LocalFree(sd);
    kept = Descriptor(k);
    return set && !kept.empty() ? "" : "cannot set the access list " + sddl;
}

// Removes a tree without following a link inside it; a key's access list is
// opened to everyone first, so a closed key goes as well.
void DeleteTree(const KeyPath& k)
{
    if (IsLink(k, true)) return;
    std::vector<BYTE> descriptor;
    SetAccessList(k, "D:(A;;KA;;;WD)", descriptor);
    std::vector<std::string> children;
    char name[MAX_PATH];
    if (const Key key{k, KEY_ALL_ACCESS})
        for (DWORD i = 0; RegEnumKeyA(key.h, i, name, sizeof name) == ERROR_SUCCESS; ++i) children.push_back(name);
    for (const std::string& child : children) DeleteTree({k.root, k.path + "\\" + child});
    RegDeleteKeyA(k.root, k.path.c_str());
}

// name, then the type and data the value must hold, or "<missing>".
std::string CheckValue(const KeyPath& k, const std::string& name, const std::vector<std::string>& want)
{
    const Key key(k, KEY_QUERY_VALUE);
    DWORD type = 0, size = 0;
    LONG rc = key ? RegQueryValueExA(key.h, name.c_str(), nullptr, &type, nullptr, &size) : key.rc;
    std::vector<BYTE> bytes(size);
    if (rc == ERROR_SUCCESS) rc = RegQueryValueExA(key.h, name.c_str(), nullptr, &type, bytes.data(), &size);
    bytes.resize(size);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return "value " + name + " unreadable: " + std::to_string(rc);
    if (want[0] == "<missing>") return rc == ERROR_SUCCESS ? "value " + name + " exists" : "";
    if (rc != ERROR_SUCCESS) return "value " + name + " missing";
    const std::vector<BYTE> expected = ParseData(want.size() > 1 ? want[1] : "");
    if (type == TypeNumber(want[0]) && bytes == expected) return "";
    return "value " + name + ": type " + std::to_string(type) + " bytes " + Shown(bytes) + "; expected " + want[0] + " " + Shown(expected);
}

std::string SetValue(const KeyPath& k, const std::string& name, const std::vector<std::string>& data)
{
    const Key key(k, KEY_ALL_ACCESS, 0, true);
    const std::vector<BYTE> bytes = ParseData(data.size() > 1 ? data[1] : "");
    if (!key) return "cannot create " + k.path;
    return RegSetValueExA(key.h, name.c_str(), 0, TypeNumber(data[0]), bytes.data(), static_cast<DWORD>(bytes.size())) ? "cannot set " + name : "";
}

}  // namespace

RegistrySteps::~RegistrySteps() { SetPersonality("setupengine.exe", ""); }

bool RegistrySteps::Run(const std::string& verb, const std::vector<std::string>& a, std::string& failure)
{
    if (verb == "version") SetPersonality("setupengine.exe", a[0]);
    if (verb.rfind("reg", 0) != 0) return verb == "version";
    const KeyPath k = ParseKey(a[0]);
    const bool wanted = a.size() < 2 || a[1] != "missing";  // regkey
    if (!k.root) failure = "unknown root in " + a[0];
    else if (verb == "regdel") DeleteTree(k);
    else if (verb == "regset" && a.size() >= 3) failure = SetValue(k, a[1], {a.begin() + 2, a.end()});
    else if (verb == "regval" && a.size() >= 3) failure = CheckValue(k, a[1], {a.begin() + 2, a.end()});
    else if (verb == "regkey" && Descriptor(k).empty() == wanted) failure = a[0] + (wanted ? " is missing" : " exists");
    else if (verb == "reglink" && a.size() == 2 && ParseKey(a[1]).root) failure = MakeLink(k, ParseKey(a[1]));
    else if (verb == "regacl" && a.size() == 2) failure = SetAccessList(k, a[1], descriptors_[a[0]]);
    else if (verb == "regsd" && Descriptor(k) != descriptors_[a[0]])
        failure = a[0] + " descriptor " + Shown(Descriptor(k)) + "; kept " + Shown(descriptors_[a[0]]);
    else if (verb != "regsd" && verb != "regkey") failure = "bad registry step " + verb;
    return true;
}

}  // namespace test
