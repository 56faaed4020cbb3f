// Command 14: a list of registry edits, one per line of the parameter section,
// each done with the key's access list opened up and put back afterwards.
#include "commands/handlers.h"
#include "commands/registry.h"
#include "engine/core/rooms.h"
#include "engine/engine.h"
#include "engine/syscalls.h"
#include "common/guards.h"

namespace {

struct Edit {
    int action;
    std::string actionText;  // as written, for the "undefined action" entry
    HKEY root;
    std::string key;
    std::string valueName;
    se::RegValueData data;
};

// Windows 95, 98 and Me keep no security on keys.
bool HasKeySecurity()
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    return GetVersionExA(&info) && info.dwPlatformId != VER_PLATFORM_WIN32_WINDOWS;
}

// The key opened for reading and replacing its access list, through the root
// the registry hands out for the local computer.
bool OpenForAccessList(HKEY root, const std::string& path, se::RegKey& connected, se::RegKey& key)
{
    if (!HasKeySecurity()) return false;
    if (RegConnectRegistryA(nullptr, root, connected.put()) != ERROR_SUCCESS) return false;
    return RegOpenKeyExA(connected.get(), path.c_str(), 0, KEY_READ | WRITE_DAC, key.put()) == ERROR_SUCCESS;
}

const char* MissingFieldNotice(se::MissingField missing)
{
    switch (missing) {
    case se::MissingField::Root: return "NOTICE:Root Key not defined in line ->";
    case se::MissingField::Key: return "NOTICE:Key not defined in line ->";
    case se::MissingField::ValueName: return "NOTICE:Value name not defined in line ->";
    case se::MissingField::DataType: return "NOTICE:Data type not defined in line ->";
    default: return "NOTICE:Data not defined in line ->";
    }
}

// The value name and the data live in 260-byte buffers. A longer text, before
// or after substitution, refuses the line: a shortened name or value would be
// written without anyone noticing.
bool SubstituteField(std::string& text, const std::string& line)
{
    if (text.size() < se::kRegistryEditRoom) GetVariable(text, se::kRegistryEditRoom + 1);
    if (text.size() < se::kRegistryEditRoom) return true;
    WriteLog("ERROR-=-", " value name or data longer than 259 characters, line not executed ->" + line);
    return false;
}

// A subtree deletion never falls back to a whole root key: not through an
// empty key path, and not through a mistyped root name.
bool SubtreeDeletionAllowed(bool rootKnown, const std::string& key, const std::string& line)
{
    if (!rootKnown) {
        WriteLog("NOTICE:", "unable to determine root key, line not executed ->" + line);
        return false;
    }
    if (key.find_first_not_of(" \t\\") == std::string::npos) {
        WriteLog("ERROR-=-", " no key path given, a root key is never deleted ->" + line);
        return false;
    }
    return true;
}

bool CreateEditKey(const Edit& e, se::RegKey& key)
{
    const LONG rc = sys::RegCreateKeyExA(e.root, e.key.c_str(), 0, nullptr, REG_OPTION_BACKUP_RESTORE, KEY_ALL_ACCESS,
                                    nullptr, key.put(), nullptr);
    if (rc == ERROR_SUCCESS) return true;
    WriteLog("ERROR opening key: ", e.key);
    LogErrorDetails("ERROR details: ", rc);
    return false;
}

void SetEditValue(HKEY key, const Edit& e)
{
    const LONG rc = sys::RegSetValueExA(key, e.valueName.c_str(), 0, e.data.type, e.data.bytes.data(),
                                   static_cast<DWORD>(e.data.bytes.size()));
    if (rc == ERROR_SUCCESS) {
        WriteLog("...adding key: ", e.key + "\\" + e.valueName);
    } else {
        WriteLog("ERROR Setting Value: ", e.valueName);
        LogErrorDetails("ERROR details: ", rc);
    }
}

void DeleteEditValue(HKEY key, const Edit& e)
{
    const LONG rc = sys::RegDeleteValueA(key, e.valueName.c_str());
    if (rc == ERROR_SUCCESS) {
        WriteLog("...removed value: ", e.valueName);
    } else {
        WriteLog("ERROR Removing Value: ", e.valueName);
        LogErrorDetails("ERROR details: ", rc);
    }
}

void SetValueIfKeyExists(const Edit& e)
{
    se::RegKey key;
    const LONG rc = RegOpenKeyExA(e.root, e.key.c_str(), REG_OPTION_BACKUP_RESTORE, KEY_ALL_ACCESS, key.put());
    if (rc != ERROR_SUCCESS) {
        WriteLog("NOTICE -- couldn't open key: ", e.key);
        LogErrorDetails("NOTICE -- details: ", rc);
        return;
    }
    SetEditValue(key.get(), e);
}

void ExecuteEdit(const Edit& e)
{
    se::RegKey key;
    switch (e.action) {
    case 1:
        WriteLog("Execute  CMD>14 - 1:", " Add Key to registry");
        if (CreateEditKey(e, key)) SetEditValue(key.get(), e);
        break;
    case 2:
        WriteLog("Execute  CMD>14 - 2:", " Delete Key from registry");
        DeleteRegKeyTree(e.root, e.key);
        break;
    case 3:
        WriteLog("Execute  CMD>14 - 3:", " Delete Value from registry");
        if (CreateEditKey(e, key)) DeleteEditValue(key.get(), e);
        break;
    case 4:
        WriteLog("Execute  CMD>14 - 4:", " Add Value to registry if Key exists");
        SetValueIfKeyExists(e);
        break;
    default:
        WriteLog("ERROR:undefined action ->", e.actionText);
    }
}

// False when the line lacks a comma: the command ends there.
bool RunEditLine(const std::string& line)
{
    const se::ParsedRegEditLine parsed = se::ParseRegEditLine(line);
    if (parsed.missing != se::MissingField::None) {
        WriteLog(MissingFieldNotice(parsed.missing), line);
        return false;
    }
    const se::RegEditLine& f = parsed.fields;
    const int action = se::LeadingInteger(f.action);
    std::string data = f.data;
    if (!SubstituteField(data, line)) return true;
    const std::optional<se::RootKey> root = se::ShortRootName(f.root);
    if (action == 2 && !SubtreeDeletionAllowed(root.has_value(), f.key, line)) return true;
    if (!root) WriteLog("NOTICE:", "unable to determine root key, defaulting to -> HKEY_LOCAL_MACHINE");

    Edit e{action, f.action, RootKeyHandle(root.value_or(se::RootKey::LocalMachine)), f.key, f.valueName,
           se::ConvertEditData(se::LeadingInteger(f.dataType), data)};
    WriteLog("Size of Data is :", se::DataSizeMessage(e.data));
    if (!SubstituteField(e.valueName, line)) return true;

    // The saved list belongs to this line's key alone and goes back onto it
    // whatever the edit did.
    std::vector<BYTE> saved;
    const bool removesLink = e.action == 2 && IsRegistryLink(e.root, e.key);
    const int opened = removesLink ? 0 : OpenKeySecurity(e.root, e.key, saved);
    ExecuteEdit(e);
    if (opened) RestoreKeySecurity(e.root, e.key, saved);
    return true;
}

// A child's access list is opened for its removal and put back afterwards (a
// child that is gone finds nothing to restore). A link is not opened: its
// access list would be its target's, left open once the link is gone.
bool DeleteChild(HKEY root, const std::string& child)
{
    if (IsRegistryLink(root, child)) return DeleteRegKeyTree(root, child);
    std::vector<BYTE> saved;
    const int opened = OpenKeySecurity(root, child, saved);
    const bool gone = DeleteRegKeyTree(root, child);
    if (opened) RestoreKeySecurity(root, child, saved);
    return gone;
}

// Deletes the children of an open key one by one. A child that stays (it
// cannot be removed, or its path is too long) is passed over, so the walk
// ends; the parent's own deletion then fails and is logged.
void DeleteChildren(HKEY root, const std::string& path, HKEY key)
{
    char name[MAX_PATH + 1] = {};
    DWORD index = 0;
    while (RegEnumKeyA(key, index, name, sizeof name) == ERROR_SUCCESS) {
        const std::string child = path + "\\" + name;
        if (child.size() > se::kLongestKeyPath) {
            WriteLog("ERROR: error removing registry key->", child);
            LogErrorDetails("ERROR details: ", ERROR_FILENAME_EXCED_RANGE);
            ++index;
            continue;
        }
        if (!DeleteChild(root, child)) ++index;
    }
}

// The link named by an open handle, deleted as a key of its own. The registry
// functions reach a key by its path, and so through a link to its target; only
// the native call removes the link itself. Links exist on the NT family
// alone, which always has ntdll.
LONG DeleteLinkKey(HKEY link)
{
    using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
    using StatusToErrorFn = ULONG(WINAPI*)(LONG);
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
    const auto deleteKey = reinterpret_cast<NtDeleteKeyFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtDeleteKey")));
    const auto toError =
        reinterpret_cast<StatusToErrorFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlNtStatusToDosError")));
    if (deleteKey == nullptr || toError == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
    const LONG status = deleteKey(link);
    return status == 0 ? ERROR_SUCCESS : static_cast<LONG>(toError(status));
}

// The key at path opened as itself when it is a link (its SymbolicLinkValue
// names another key), never as the key it points to.
bool OpenLink(HKEY root, const std::string& path, se::RegKey& link)
{
    if (!HasKeySecurity()) return false;  // Windows 95 and 98 have no links
    if (RegOpenKeyExA(root, path.c_str(), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE | DELETE, link.put()) != ERROR_SUCCESS)
        return false;
    DWORD type = REG_NONE;
    return RegQueryValueExA(link.get(), "SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
           type == REG_LINK;
}

bool DeletedOrLogged(const std::string& path, LONG rc)
{
    if (rc == ERROR_SUCCESS) return true;
    WriteLog("ERROR: error removing registry key->", path);
    LogErrorDetails("ERROR details: ", rc);
    return false;
}

}  // namespace

int OpenKeySecurity(HKEY root, const std::string& path, std::vector<BYTE>& saved)
{
    se::RegKey connected, key;
    if (!OpenForAccessList(root, path, connected, key)) return 0;
    DWORD size = 0;
    if (RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, nullptr, &size) != ERROR_INSUFFICIENT_BUFFER)
        return 0;
    saved.assign(size, 0);
    if (RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, saved.data(), &size) != ERROR_SUCCESS) return 0;
    SECURITY_DESCRIPTOR everyone;
    if (!InitializeSecurityDescriptor(&everyone, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&everyone, TRUE, nullptr, FALSE) || !IsValidSecurityDescriptor(&everyone))
        return 0;
    return RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &everyone) == ERROR_SUCCESS ? 1 : 0;
}

int RestoreKeySecurity(HKEY root, const std::string& path, const std::vector<BYTE>& saved)
{
    se::RegKey connected, key;
    if (saved.empty() || !OpenForAccessList(root, path, connected, key)) return 0;
    const auto descriptor = const_cast<BYTE*>(saved.data());
    return RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS ? 1 : 0;
}

bool IsRegistryLink(HKEY root, const std::string& path)
{
    se::RegKey link;
    return OpenLink(root, path, link);
}

LONG DeleteKeyItself(HKEY root, const std::string& path)
{
    se::RegKey link;
    if (OpenLink(root, path, link)) return DeleteLinkKey(link.get());
    return sys::RegDeleteKeyA(root, path.c_str());
}

bool DeleteRegKeyTree(HKEY root, const std::string& path)
{
    // A link goes as it is; what it points to is outside the tree.
    se::RegKey link;
    if (OpenLink(root, path, link)) return DeletedOrLogged(path, DeleteLinkKey(link.get()));
    // A key without subkeys (and on Windows 95 and 98 any key) goes at once.
    if (sys::RegDeleteKeyA(root, path.c_str()) == ERROR_SUCCESS) return true;
    {
        se::RegKey key;
        if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, key.put()) == ERROR_SUCCESS)
            DeleteChildren(root, path, key.get());
    }
    return DeletedOrLogged(path, sys::RegDeleteKeyA(root, path.c_str()));
}

CommandResult CMD14_MultiRegEdit()
{
    const auto lines = ReadProfileSection(g_engine.commandSectionName.c_str(), g_engine.scriptPath);
    if (!lines) {
        WriteLog("ERROR-=-", "Missing the Data section");
        return CommandResult::Failed;
    }
    for (const std::string& line : *lines)
        if (!RunEditLine(line)) break;
    return CommandResult::Ran;
}
