#include "StoredNotes.h"

#include <memory>

#include "foundation/DataPaths.h"
#include "foundation/Preferences.h"
#include "foundation/Seams.h"
#include "notestore/Note.h"
#include "notestore/groups.h"
#include "notestore/notemgr.h"

namespace {

std::int64_t GroupId(const std::wstring& name)
{
    if (name.empty())
        return 0;
    const CGroup* group = CGroups::FindByName(name.c_str());
    if (!group)
        group = CGroups::AddGroup(-1, name.c_str(), CGroups::GetCount() % 2 ? 0x5AB45A : 0x3C8CE6);
    return group ? group->GetId() : -1;
}

WINDOWPLACEMENT PlacementAt(int index)
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    placement.showCmd = SW_SHOWNORMAL;
    const int left = 60 + 250 * index;
    placement.rcNormalPosition = {left, 120, left + 220, 300};
    return placement;
}

bool StoreOne(CNoteManager& manager, const SStoredNote& stored, int index)
{
    const std::int64_t group = GroupId(stored.group);
    if (group < 0)
        return false;
    CNote* const note = manager.AddNote(std::make_unique<CNote>());
    const CGroup* const joined = group > 0 ? CGroups::FindById(group) : nullptr;
    note->SetColor(joined ? joined->GetColor() : 0xB6FFFF);
    note->Row().name = stored.name.c_str();
    note->Row().text = stored.text.c_str();
    note->Row().visible = stored.visible;
    note->Row().group = group;
    if (stored.locked) {
        note->Row().locked = true;
        note->Row().password = L"secret";
    }
    note->Row().placement = PlacementAt(index);
    note->GetDisplayName();
    if (!manager.StoreNote(note))
        return false;
    if (stored.id == 0)
        return true;
    const std::wstring from = std::to_wstring(note->GetId());
    const std::wstring to = std::to_wstring(stored.id);
    // The full-text row follows the note's id.
    manager.GetDB()->execDML((L"UPDATE notes SET id=" + to + L" WHERE id=" + from).c_str());
    manager.GetDB()->execDML((L"UPDATE search2 SET docid=" + to + L" WHERE docid=" + from).c_str());
    return true;
}

}  // namespace

bool StoreNotesIn(const std::wstring& folder, const std::vector<SStoredNote>& notes)
{
    // The program takes "/f" only for a folder with a settings file.
    const std::wstring ini = folder + L"RERUZADU.INI";
    const HANDLE iniFile = CreateFileW(ini.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (iniFile == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(iniFile);
    const CPreferences savedPrefs = g_prefs;
    CGroups::Clear();
    SetDataFilePaths(folder.c_str());
    g_prefs.LoadFrom(ini.c_str());
    CNoteManager manager;
    CSeamOverride<SNoteManagerSeam> managerSeam(g_noteManagerSeam, {&manager});
    manager.SetDatabasePath((folder + L"QUILLT40.DAT").c_str());
    // A database failure throws into the test, which reports it.
    bool stored = true;
    for (size_t index = 0; index < notes.size() && stored; ++index)
        stored = StoreOne(manager, notes[index], static_cast<int>(index));
    manager.CloseAll();
    CGroups::Clear();
    g_prefs = savedPrefs;
    return stored;
}
