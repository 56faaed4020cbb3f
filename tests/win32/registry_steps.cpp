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
    static const std::map<std::string, HKEY> roots = {
        {"HKCU", HKEY_CURRENT_USER}, {"HKLM", HKEY_LOCAL_MACHINE}, {"HKCR", HKEY_CLASSES_ROOT}, {"HKU", HKEY_USERS}};
    const std::size_t slash = text.find('\\');
    const auto root = roots.find(text.substr(0, slash));
    if (root == roots.end()) return {};
    return {root->second, slash == std::string::npos ? "" : text.substr(slash + 1)};
}

DWORD TypeNumber(const std::string& name)
{
    static const std::map<std::string, DWORD> types = {{"REG_SZ", REG_SZ}, {"REG_EXPAND_SZ", REG_EXPAND_SZ},
        {"REG_BINARY", REG_BINARY}, {"REG_DWORD", REG_DWORD}, {"REG_MULTI_SZ", REG_MULTI_SZ}};
    const auto t = types.find(name);
    return t == types.end() ? REG_NONE : t->second;
}

std::vector<BYTE> ParseData(const std::string& text)
{
    std::vector<BYTE> bytes;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '\'') {
            const std::size_t end = text.find('\'', i + 1);
            bytes.insert(bytes.end(), text.begin() + i + 1, text.begin() + end);
            i = end + 1;
        } else if (text[i] == ' ') {
            ++i;
        } else {
            bytes.push_back(static_cast<BYTE>(std::stoul(text.substr(i, 2), nullptr, 16)));
            i += 2;
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

void SetNullAccessList(HKEY root, const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS) return;
    SECURITY_DESCRIPTOR open;
    InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &open);
    RegCloseKey(key);
}

// True when the key at path is a registry link (opened as itself); removed when asked.
bool IsLink(HKEY root, const std::string& path, bool remove)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE | DELETE, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = REG_NONE;
    const bool link = RegQueryValueExA(key, "SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
                      type == REG_LINK;
    using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
    const auto ntDeleteKey = reinterpret_cast<NtDeleteKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
    if (link && remove) ntDeleteKey(key);
    RegCloseKey(key);
    return link;
}

// The native name of a key: \Registry\Machine\... or \Registry\User\<sid>\...
std::wstring NativeName(const KeyPath& k)
{
    std::string name = "\\Registry\\Machine\\" + k.path;
    if (k.root == HKEY_CURRENT_USER) {
        HANDLE token;
        OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
        std::vector<BYTE> user(256);
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, user.data(), static_cast<DWORD>(user.size()), &size);
        CloseHandle(token);
        char* sid = nullptr;
        ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid);
        name = "\\Registry\\User\\" + std::string(sid ? sid : "") + "\\" + k.path;
        LocalFree(sid);
    }
    return std::wstring(name.begin(), name.end());
}

// A link key whose SymbolicLinkValue names the target.
std::string MakeLink(const KeyPath& k, const KeyPath& target)
{
    HKEY key;
    if (RegCreateKeyExA(k.root, k.path.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS | KEY_CREATE_LINK,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return "cannot create the link " + k.path;
    const std::wstring name = NativeName(target);
    const LONG rc = RegSetValueExW(key, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(name.data()),
                                   static_cast<DWORD>(name.size() * sizeof(wchar_t)));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && IsLink(k.root, k.path, false) ? "" : "cannot make " + k.path + " a link";
}

// Removes a tree without following a link inside it.
void DeleteTree(HKEY root, const std::string& path)
{
    if (IsLink(root, path, true)) return;
    SetNullAccessList(root, path);
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    std::vector<std::string> children;
    char name[MAX_PATH];
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) children.push_back(name);
    RegCloseKey(key);
    for (const std::string& child : children) DeleteTree(root, path + "\\" + child);
    RegDeleteKeyA(root, path.c_str());
}

std::vector<BYTE> Descriptor(const KeyPath& k)
{
    std::vector<BYTE> bytes;
    HKEY key;
    if (RegOpenKeyExA(k.root, k.path.c_str(), 0, READ_CONTROL, &key) != ERROR_SUCCESS) return bytes;
    DWORD size = 0;
    RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    bytes.resize(size);
    if (RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, bytes.data(), &size) != ERROR_SUCCESS) bytes.clear();
    RegCloseKey(key);
    return bytes;
}

std::string CheckValue(const KeyPath& k, const std::vector<std::string>& a)
{
    const bool wantMissing = a.size() == 4 && a[3] == "<missing>";
    HKEY key;
    DWORD type = 0, size = 0;
    std::vector<BYTE> bytes;
    LONG rc = RegOpenKeyExA(k.root, k.path.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (rc == ERROR_SUCCESS) {
        rc = RegQueryValueExA(key, a[2].c_str(), nullptr, &type, nullptr, &size);
        bytes.resize(size);
        if (rc == ERROR_SUCCESS) rc = RegQueryValueExA(key, a[2].c_str(), nullptr, &type, bytes.data(), &size);
        RegCloseKey(key);
        bytes.resize(size);
    }
    if (wantMissing && rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return "value " + a[2] + " unreadable: " + std::to_string(rc);
    if (wantMissing) return rc == ERROR_SUCCESS ? "value " + a[2] + " exists" : "";
    if (rc != ERROR_SUCCESS) return "value " + a[2] + " unreadable: " + std::to_string(rc);
    const std::vector<BYTE> expected = ParseData(a.size() > 4 ? a[4] : "");
    if (type == TypeNumber(a[3]) && bytes == expected) return "";
    return "value " + a[2] + ": type " + std::to_string(type) + " bytes " + Shown(bytes) + "; expected " + a[3] + " " + Shown(expected);
}

std::string SetValue(const KeyPath& k, const std::vector<std::string>& a)
{
    HKEY key;
    if (RegCreateKeyExA(k.root, k.path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr))
        return "cannot create " + a[1];
    const std::vector<BYTE> bytes = ParseData(a.size() > 4 ? a[4] : "");
    const LONG rc = RegSetValueExA(key, a[2].c_str(), 0, TypeNumber(a[3]), bytes.data(), static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? "" : "cannot set " + a[2];
}

std::string SetAccessList(const KeyPath& k, const std::string& sddl, std::vector<BYTE>& kept)
{
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &sd, nullptr))
        return "bad access list " + sddl;
    HKEY key;
    LONG rc = RegOpenKeyExA(k.root, k.path.c_str(), 0, WRITE_DAC, &key);
    if (rc == ERROR_SUCCESS) {
        rc = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd);
        RegCloseKey(key);
    }
    LocalFree(sd);
    kept = Descriptor(k);
    return rc == ERROR_SUCCESS && !kept.empty() ? "" : "cannot set the access list " + sddl;
}

}  // namespace

RegistrySteps::~RegistrySteps() { SetPersonality("setupengine.exe", ""); }

bool RegistrySteps::Run(const std::string& verb, const std::vector<std::string>& a, std::string& failure)
{
    if (verb == "version") SetPersonality("setupengine.exe", a[0]);
    if (verb.rfind("reg", 0) != 0) return verb == "version";
    const KeyPath k = ParseKey(a[0]);
    if (!k.root) {
        failure = "unknown root in " + a[0];
        return true;
    }
    std::vector<std::string> args = a;
    args.insert(args.begin(), verb);  // args[1] is the key, as in the step line
    if (verb == "regdel") {
        DeleteTree(k.root, k.path);
    } else if (verb == "regset" && a.size() >= 3) {
        failure = SetValue(k, args);
    } else if (verb == "regval" && a.size() >= 3) {
        failure = CheckValue(k, args);
    } else if (verb == "regkey") {
        const bool wanted = a.size() < 2 || a[1] != "missing";
        if (Descriptor(k).empty() == wanted) failure = a[0] + (wanted ? " is missing" : " exists");
    } else if (verb == "reglink" && a.size() == 2 && ParseKey(a[1]).root) {
        failure = MakeLink(k, ParseKey(a[1]));
    } else if (verb == "regacl" && a.size() == 2) {
        failure = SetAccessList(k, a[1], descriptors_[a[0]]);
    } else if (verb == "regsd") {
        if (Descriptor(k) != descriptors_[a[0]])
            failure = a[0] + " descriptor " + Shown(Descriptor(k)) + "; kept " + Shown(descriptors_[a[0]]);
    } else {
        failure = "bad registry step " + verb;
    }
    return true;
}

}  // namespace test
