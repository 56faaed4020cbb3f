#pragma once
// The registry and version steps of the engine scenarios (tests/scenarios/README.md).
#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace test {

struct RegistrySteps {
    ~RegistrySteps();  // gives the engine its own Windows version back
    // False when verb is none of these steps; failure says what did not hold.
    bool Run(const std::string& verb, const std::vector<std::string>& args, std::string& failure);
    std::map<std::string, std::vector<BYTE>> descriptors_;  // kept by regacl for regsd
};

}  // namespace test
