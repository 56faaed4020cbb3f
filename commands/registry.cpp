// Commands 3, 4 and 12: one registry value set or deleted, or one key deleted,
// with the parameters as keys of the command's parameter section.
#include "commands/registry.h"

#include "commands/handlers.h"
#include "engine/core/rooms.h"
#include "engine/engine.h"
#include "engine/syscalls.h"
#include "common/guards.h"

namespace {

constexpr const char* kParameterKeys[] = {"RegHive", "RegKey", "RegValue", "RegData", "RegDataType"};

std::string ParameterText(const char* key, std::size_t bufferSize = se::kRegistryTextRoom)
{
    return ProfileString(g_engine.commandSectionName.c_str(), key, "", bufferSize, g_engine.scriptPath);
}

// RegData as the command uses it. The value that type 3 writes is read with
// room and refused whole when it passes its 511 characters: cut, it would be
// a different value, logged as added. Types 4 and 12 show it in the log only.
bool ReadRegData(int type, std::string& data)
{
    if (type != 3) {
        data = ParameterText("RegData");
        GetVariable(data, se::kRegistryTextRoom);
        return true;
    }
    data = ParameterText("RegData", se::kSubstituteRoom);
    return SubstituteWithin(data, se::kRegistryTextRoom - 1, "RegData");
}

// A key path of only blanks and backslashes names the root key itself.
bool NamesRootKey(const std::string& keyPath)
{
    return keyPath.find_first_not_of(" \t\\") == std::string::npos;
}

// A section that is missing, empty or names none of the parameters would make
// every key read as empty, and so aim the command at the root of
// HKEY_LOCAL_MACHINE.
bool HasRegistryParameters()
{
    if (g_engine.commandSectionName.empty()) return false;
    const auto lines = ReadProfileSection(g_engine.commandSectionName.c_str(), g_engine.scriptPath);
    if (!lines) return false;
    for (const std::string& line : *lines) {
        const std::string name = se::Trimmed(line.substr(0, line.find('=')));
        for (const char* key : kParameterKeys)
            if (se::EqualsNoCase(name, key)) return true;
    }
    return false;
}

void SetValue(HKEY key, const std::string& name, const se::RegValueData& data, const std::string& description)
{
    const LONG rc = sys::RegSetValueExA(key, name.c_str(), 0, data.type, data.bytes.data(),
                                   static_cast<DWORD>(data.bytes.size()));
    if (rc == ERROR_SUCCESS) {
        WriteLog("...adding key: ", description);
    } else {
        WriteLog("ERROR adding key: ", description);
        LogErrorDetails("ERROR details: ", rc);
    }
}

// One procedure for the three types; the type decides only the last step.
CommandResult SingleRegistryCommand()
{
    const int type = g_engine.currentCommandType;
    if (!HasRegistryParameters()) {
        WriteLog("ERROR-=-", " no registry parameters in section [" + g_engine.commandSectionName + "]");
        return CommandResult::Failed;
    }
    const std::string hive = ParameterText("RegHive");
    const HKEY root = RootKeyHandle(se::LongRootName(hive).value_or(se::RootKey::LocalMachine));
    const std::string keyPath = ParameterText("RegKey");
    const std::string valueName = ParameterText("RegValue");
    std::string data;
    if (!ReadRegData(type, data)) return CommandResult::Failed;
    const std::string description = se::ValueDescription(hive, keyPath, valueName, data);
    const se::RegValueData bytes = se::SingleValueData(
        ProfileInt(g_engine.commandSectionName.c_str(), "RegDataType", 0, g_engine.scriptPath), data);

    if (type == 12 && NamesRootKey(keyPath)) {
        WriteLog("ERROR-=-", " RegKey is empty, a root key is never deleted: " + description);
        return CommandResult::Failed;
    }
    se::RegKey key;
    const LONG rc = sys::RegCreateKeyExA(root, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                    nullptr, key.put(), nullptr);
    if (rc != ERROR_SUCCESS) {
        WriteLog("ERROR opening key: ", description);
        LogErrorDetails("ERROR details: ", rc);
        return CommandResult::Ran;
    }
    if (type == 3) {
        SetValue(key.get(), valueName, bytes, description);
    } else if (type == 4) {
        WriteLog("...deleting Value: ", description);
        if (sys::RegDeleteValueA(key.get(), valueName.c_str()) != ERROR_SUCCESS) WriteLog("...ERROR deleting Value", " ");
    } else {
        key.reset();
        WriteLog("...deleting Key: ", keyPath);
        if (DeleteKeyItself(root, keyPath) != ERROR_SUCCESS) WriteLog("...ERROR deleting Key", " ");
    }
    return CommandResult::Ran;
}

}  // namespace

HKEY RootKeyHandle(se::RootKey root)
{
    switch (root) {
    case se::RootKey::ClassesRoot: return HKEY_CLASSES_ROOT;
    case se::RootKey::CurrentConfig: return HKEY_CURRENT_CONFIG;
    case se::RootKey::CurrentUser: return HKEY_CURRENT_USER;
    case se::RootKey::Users: return HKEY_USERS;
    case se::RootKey::PerformanceData: return HKEY_PERFORMANCE_DATA;
    case se::RootKey::DynData: return HKEY_DYN_DATA;
    case se::RootKey::LocalMachine: break;
    }
    return HKEY_LOCAL_MACHINE;
}

DWORD GetErrorCodeText(std::string& text, DWORD code)
{
    text = SystemErrorText(code, MAX_PATH);
    return code;
}

void LogErrorDetails(const char* prefix, DWORD code)
{
    std::string text;
    GetErrorCodeText(text, code);
    WriteLog(prefix, text);
}

static_assert(se::kRegSz == REG_SZ && se::kRegExpandSz == REG_EXPAND_SZ && se::kRegBinary == REG_BINARY &&
              se::kRegDword == REG_DWORD && se::kRegMultiSz == REG_MULTI_SZ);

CommandResult CMD03_AddSingleRegValue() { return SingleRegistryCommand(); }
CommandResult CMD04_RemoveSingleRegValue() { return SingleRegistryCommand(); }
CommandResult CMD12_RemoveSingleRegKey() { return SingleRegistryCommand(); }
