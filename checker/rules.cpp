// The checker's rule for each command type the engine supports: what each
// type needs of its fields and sections, in one place. A test holds this
// table to the command table, so a new type cannot go unchecked.
#include "checker/checker.h"

namespace se {
namespace {

// The lists a branch on the system names, and the families that take each.
struct BranchField {
    const char* name;
    unsigned families;
};
constexpr BranchField kBranchFields18[] = {
    {"any other Windows", kOtherWindows}, {"Windows 95", kWin95},     {"Windows 98", kWin98},
    {"Windows NT 4.0", kWinNT4},          {"Windows 2000", kWin2000}, {"Windows XP", kWinXP}};
constexpr BranchField kBranchFields30[] = {
    {"not Windows 98", kAllFamilies & ~kWin98}, {"Windows 98 without ACPI", kWin98}, {"Windows 98 with ACPI", kWin98}};

// 8, 10 and 20 take nothing that can be wrong.
void NothingToCheck(Checker&, const Command&) {}

struct RuleRow {
    int type;
    CheckRule rule;
};

constexpr RuleRow kRules[] = {
    {1, [](Checker& k, const Command& c) { k.CheckLinkKey(c, "AddLinkFile"); }},
    {2, [](Checker& k, const Command& c) { k.CheckLinkKey(c, "DeleteLinkFile"); }},
    {3, [](Checker& k, const Command& c) { k.CheckSingleRegistry(c); }},
    {4, [](Checker& k, const Command& c) { k.CheckSingleRegistry(c); }},
    {5, [](Checker& k, const Command& c) { k.CheckCounterKey(c, "RunCount"); }},
    {6, [](Checker& k, const Command& c) { k.CheckCounterKey(c, "DecCommand"); }},
    {7, [](Checker& k, const Command& c) { k.CheckCounterKey(c, "IncCommand"); }},
    {8, NothingToCheck},
    {9, [](Checker& k, const Command& c) {
         k.CheckTarget(c, 0, false, "the maker's machine");
         k.CheckTarget(c, 1, false, "any other machine");
     }},
    {10, NothingToCheck},
    {11, [](Checker& k, const Command& c) { k.CheckProgram(c); }},
    {12, [](Checker& k, const Command& c) { k.CheckSingleRegistry(c); }},
    {13, [](Checker& k, const Command& c) { k.CheckSleep(c); }},
    {14, [](Checker& k, const Command& c) { k.CheckRegistryEdit(c); }},
    {15, [](Checker& k, const Command& c) { k.CheckPathPairs(c, true); }},
    {16, [](Checker& k, const Command& c) { k.CheckDeletions(c); }},
    {17, [](Checker& k, const Command& c) { k.CheckMessage(c); }},
    {18, [](Checker& k, const Command& c) {
         for (int f = 0; f < 6; ++f) k.CheckTarget(c, f, false, kBranchFields18[f].name, kBranchFields18[f].families);
     }},
    {19, [](Checker& k, const Command& c) { k.CheckNextSection(c); }},
    {20, NothingToCheck},
    {21, [](Checker& k, const Command& c) { k.CheckMakeDirectories(c); }},
    {25, [](Checker& k, const Command& c) { k.CheckSystemId(c); }},
    {26, [](Checker& k, const Command& c) { k.CheckSetValue(c); }},
    {27, [](Checker& k, const Command& c) { k.CheckSetVariable(c); }},
    {28, [](Checker& k, const Command& c) { k.CheckAppend(c); }},
    {29, [](Checker& k, const Command& c) {
         k.CheckDeletions(c);
         k.CheckRestartField(c);
     }},
    {30, [](Checker& k, const Command& c) {
         for (int f = 0; f < 3; ++f) k.CheckTarget(c, f, false, kBranchFields30[f].name, kBranchFields30[f].families);
     }},
    {31, [](Checker& k, const Command& c) { k.CheckPathPairs(c, false); }},
    {32, [](Checker& k, const Command& c) { k.CheckLogText(c); }},
};

}  // namespace

CheckRule RuleFor(int type)
{
    for (const RuleRow& row : kRules)
        if (row.type == type) return row.rule;
    return nullptr;
}

}  // namespace se
