#pragma once
// Registry steps of the engine scenarios. Keys are written with their root,
// HKCU\Software\... or HKLM\Software\...; types by name (REG_SZ, REG_BINARY,
// REG_DWORD, REG_EXPAND_SZ, REG_MULTI_SZ); data as hexadecimal bytes and
// 'quoted' characters, blanks ignored: 'one'00 is o, n, e and a zero.
//   regdel <key>                         remove a key and its subtree, access lists opened first
//   regset <key>|<name>|<type>|<data>    set a value, creating the key
//   regacl <key>|<SDDL access list>      give a key an access list; its descriptor is kept
//   regsd <key>                          the key's descriptor must be byte for byte the kept one
//   regval <key>|<name>|<type>|<data>    the value must hold exactly this
//   regval <key>|<name>|<missing>        the value must not exist
//   regkey <key>[|missing]               the key must exist (or not)
//   version <win95|win98|nt40|win2k|winxp>   the Windows version the engine sees, until the scenario ends;
//                                        without one, Wine's default
#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace test {

class RegistrySteps {
public:
    RegistrySteps() = default;
    RegistrySteps(const RegistrySteps&) = delete;
    RegistrySteps& operator=(const RegistrySteps&) = delete;
    ~RegistrySteps();  // gives the engine its own Windows version back

    // False when verb is none of these steps; failure says what did not hold.
    bool Run(const std::string& verb, const std::vector<std::string>& args, std::string& failure);

private:
    std::map<std::string, std::vector<BYTE>> descriptors_;
};

}  // namespace test
