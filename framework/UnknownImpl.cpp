#include "UnknownImpl.h"

bool FindInterface(const std::vector<SInterfaceEntry>& table, REFIID iid, void*& pointer)
{
    if (table.empty())
        return false;
    if (IsEqualIID(iid, IID_IUnknown)) {
        pointer = table.front().pointer;
        return true;
    }
    for (const SInterfaceEntry& entry : table) {
        if (IsEqualIID(iid, *entry.iid)) {
            pointer = entry.pointer;
            return true;
        }
    }
    return false;
}
