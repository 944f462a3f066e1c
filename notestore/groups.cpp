#include "groups.h"

#include "Transaction.h"
#include "notemgr.h"
#include "foundation/DBUseGuard.h"
#include "foundation/DataPaths.h"
#include "foundation/LogFile.h"
#include "foundation/Preferences.h"
#include "foundation/fileio.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <iterator>
#include <type_traits>
#include <utility>

static_assert(std::is_standard_layout_v<GroupRow>, "the columns are addressed with offsetof");

namespace {

const SQLiteColumnDesc kGroupColumns[] = {
    {offsetof(GroupRow, id), L"id", eColRowId, 0},
    {offsetof(GroupRow, index), L"index", eColUInt32, 0},
    {offsetof(GroupRow, name), L"name", eColText, 0},
    {offsetof(GroupRow, color), L"color", eColUInt32, 0},
    {},
};

const wchar_t kGroupsSection[] = L"Groups";
const wchar_t kLoadGroupsSql[] = L"select * from `groups` ORDER BY `id`,`index`";

// The setting GroupsMigrated: the old file not moved yet, moved with the
// repair pending, repaired.
constexpr int kGroupsNotMigrated = 0;
constexpr int kGroupsMigrated = 1;
constexpr int kGroupsRepaired = 2;

using CGroupList = std::vector<std::unique_ptr<CGroup>>;

struct SGroupList {
    CGroupList groups;
    bool loaded = false;
};

SGroupList& List()
{
    static SGroupList list;
    return list;
}

struct SGroupEntry {
    CStdStr name;
    COLORREF color;
};

void StoreOrThrow(CGroup& group, std::int64_t id)
{
    if (!group.PutData(id))
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Failed to store group");
}

// Insert, then the index (which may be the new id), as one change.
std::unique_ptr<CGroup> InsertNewGroup(CppSQLite3DB& db, int index, const CStdStr& name, COLORREF color)
{
    auto group = std::make_unique<CGroup>(name, color);
    CTransaction transaction(db);
    StoreOrThrow(*group, -1);
    group->SetIndex(index == -1 ? static_cast<int>(group->GetId()) : index);
    StoreOrThrow(*group, group->GetId());
    transaction.Commit();
    return group;
}

// Hexadecimal; anything that is not a plain hexadecimal number gives 0.
COLORREF ParseHexColor(const wchar_t* text)
{
    while (std::iswspace(*text))
        ++text;
    if (*text == L'-' || *text == L'+')
        return 0;
    errno = 0;
    wchar_t* end = nullptr;
    const unsigned long value = std::wcstoul(text, &end, 16);
    if (end == text || errno == ERANGE)
        return 0;
    return static_cast<COLORREF>(value);
}

// The whole [Groups] section, in file order; lines without "=" are left out.
std::vector<SGroupEntry> ReadGroupsSection(const wchar_t* file)
{
    std::vector<SGroupEntry> entries;
    for (const SProfileLine& line : ReadProfileSection(kGroupsSection, file))
        entries.push_back({line.key, ParseHexColor(line.value.c_str())});
    return entries;
}

void EraseGroup(const CGroup* group)
{
    const int position = CGroups::IndexOf(group);
    if (position >= 0) {
        CGroupList& groups = List().groups;
        groups.erase(groups.begin() + position);
    }
}

// The state holds for the rest of the run even when it cannot be saved.
void SaveGroupsMigrated(int state)
{
    g_prefs.GroupsMigrated = state;
    if (!g_prefs.Save())
        QLOG(L"CGroups::LoadGroups() - GroupsMigrated=%d could not be saved", state);
}

// Only while the setting says the old file has not moved and the table holds
// no group. Groups in the table mean it moved before under settings that
// could not be written, which still say it has not: moving it again would
// make every group twice. Throws CppSQLite3Exception.
bool OldGroupsFileToMove(CppSQLite3DB& db, const wchar_t* file)
{
    if (g_prefs.GroupsMigrated != kGroupsNotMigrated || !*file || !FileExists(file))
        return false;
    if (db.execScalar(L"select count(*) from `groups`;") == 0)
        return true;
    QLOG(L"CGroups::LoadGroups() - %s was moved before", file);
    SaveGroupsMigrated(kGroupsMigrated);
    return false;
}

// All groups of the old file in one change; the setting records the move only
// once it is stored, so that a failed move runs again next time.
bool MigrateGroupsFile(CppSQLite3DB& db, const wchar_t* file)
{
    QLOG(L"CGroups::LoadGroups() - Migrating notes from %s", file);
    CGroupList added;
    try {
        CTransaction transaction(db);
        int index = 0;
        for (const SGroupEntry& entry : ReadGroupsSection(file)) {
            added.push_back(InsertNewGroup(db, ++index, entry.name, entry.color));
            QLOG(L"CGroups::LoadGroups() - Adding group %s", entry.name.c_str());
        }
        transaction.Commit();
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(L"CGroups::LoadGroups", e);
        return false;
    }
    CGroupList& groups = List().groups;
    std::move(added.begin(), added.end(), std::back_inserter(groups));
    SaveGroupsMigrated(kGroupsMigrated);
    return true;
}

void ReadGroupRows()
{
    CGroup scratch;
    std::vector<std::int64_t> ids;
    scratch.GetSelectiveIDs(ids, nullptr, kLoadGroupsSql);
    CGroupList& groups = List().groups;
    for (const std::int64_t id : ids) {
        auto group = std::make_unique<CGroup>();
        if (!group->GetData(id))
            continue;
        QLOG(L"CGroups::LoadGroups() - Loading group %s", group->GetName().c_str());
        groups.push_back(std::move(group));
    }
    std::stable_sort(groups.begin(), groups.end(),
                     [](const auto& a, const auto& b) { return a->GetIndex() < b->GetIndex(); });
}

// (kept id, duplicate id) for every group that shares its index with the one
// before it, the kept one being the first group of that index.
std::vector<std::pair<std::int64_t, std::int64_t>> DuplicateIndexPairs()
{
    std::vector<std::pair<std::int64_t, std::int64_t>> pairs;
    const CGroupList& groups = List().groups;
    for (size_t i = 1, first = 0; i < groups.size(); ++i) {
        if (groups[i]->GetIndex() == groups[i - 1]->GetIndex())
            pairs.emplace_back(groups[first]->GetId(), groups[i]->GetId());
        else
            first = i;
    }
    return pairs;
}

// Each duplicate hands its notes to the kept group and goes, as one change; a
// pair that fails keeps both groups and leaves the repair pending.
void RepairDuplicateIndexes(CppSQLite3DB& db)
{
    QLOG(L"CGroups::LoadGroups() - Removing duplicate notes");
    bool repaired = true;
    for (const auto& [kept, duplicateId] : DuplicateIndexPairs()) {
        CGroup* duplicate = CGroups::FindById(duplicateId);
        if (!duplicate)
            continue;
        try {
            CTransaction transaction(db);
            NoteManager().MoveGroupRows(kept, duplicateId);
            if (!duplicate->DeleteData(duplicateId))
                throw CppSQLite3Exception(CPPSQLITE_ERROR, "Failed to delete group");
            transaction.Commit();
        } catch (const CppSQLite3Exception& e) {
            LogSqliteError(L"CGroups::LoadGroups", e);
            repaired = false;
            continue;
        }
        NoteManager().MoveCachedNotesToGroup(kept, duplicateId);
        EraseGroup(duplicate);
    }
    if (repaired)
        SaveGroupsMigrated(kGroupsRepaired);
}

} // namespace

// ---------------------------------------------------------------- CGroup

CGroup::CGroup() : CSQLiteBase(m_row, kGroupColumns, L"groups", L"group")
{
}

CGroup::CGroup(const CStdStr& name, COLORREF color) : CGroup()
{
    m_row.name = name;
    m_row.color = color;
}

CGroup::~CGroup() = default;

void CGroup::Remove()
{
    CDBUseGuard inUse(NoteManager());
    if (!NoteManager().GetDB() || !DeleteData(m_row.id))
        return;
    CGroups::Erase(this);
}

// ---------------------------------------------------------------- CGroups

int CGroups::GetCount()
{
    if (!List().loaded)
        LoadGroups();
    return static_cast<int>(List().groups.size());
}

CGroup* CGroups::GetAt(int position)
{
    const CGroupList& groups = List().groups;
    if (position < 0 || position >= static_cast<int>(groups.size()))
        return nullptr;
    return groups[position].get();
}

CGroup* CGroups::FindById(std::int64_t id)
{
    for (const auto& group : List().groups)
        if (group->GetId() == id)
            return group.get();
    return nullptr;
}

CGroup* CGroups::FindByName(const wchar_t* name)
{
    if (!name)
        return nullptr;
    for (const auto& group : List().groups)
        if (lstrcmpiW(group->GetName().c_str(), name) == 0)
            return group.get();
    return nullptr;
}

namespace {

// The list position of the id, or the list's length when it is not there.
int PositionOf(std::int64_t id)
{
    const CGroupList& groups = List().groups;
    const auto found = std::find_if(groups.begin(), groups.end(), [id](const auto& group) { return group->GetId() == id; });
    return static_cast<int>(found - groups.begin());
}

} // namespace

CGroup* CGroups::GetNext(std::int64_t id)
{
    CGroup* next = GetAt(PositionOf(id) + 1);
    return next ? next : GetAt(0);
}

CGroup* CGroups::GetPrevious(std::int64_t id)
{
    CGroup* previous = GetAt(PositionOf(id) - 1);
    return previous ? previous : GetAt(static_cast<int>(List().groups.size()) - 1);
}

int CGroups::IndexOf(const CGroup* group)
{
    const CGroupList& groups = List().groups;
    for (size_t i = 0; i < groups.size(); ++i)
        if (groups[i].get() == group)
            return static_cast<int>(i);
    return -1;
}

CGroup* CGroups::AddGroup(int index, const CStdStr& name, COLORREF color)
{
    CDBUseGuard inUse(NoteManager());
    CppSQLite3DB* db = NoteManager().GetDB();
    if (!db)
        return nullptr;
    try {
        CGroupList& groups = List().groups;
        groups.push_back(InsertNewGroup(*db, index, name, color));
        return groups.back().get();
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(L"CGroups::AddGroup", e);
        return nullptr;
    }
}

void CGroups::Swap(int first, int second)
{
    CGroup* a = GetAt(first);
    CGroup* b = GetAt(second);
    if (!a || !b)
        return;
    const int index = a->GetIndex();
    a->SetIndex(b->GetIndex());
    b->SetIndex(index);
    CGroupList& groups = List().groups;
    std::swap(groups[first], groups[second]);
}

bool CGroups::SaveAll()
{
    CDBUseGuard inUse(NoteManager());
    CppSQLite3DB* db = NoteManager().GetDB();
    if (!db)
        return false;
    try {
        CTransaction transaction(*db);
        for (const auto& group : List().groups)
            StoreOrThrow(*group, group->GetId());
        transaction.Commit();
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(L"CGroups::SaveAll", e);
        return false;
    }
}

void CGroups::Clear()
{
    List().groups.clear();
    List().loaded = false;
}

bool CGroups::LoadGroups()
{
    CDBUseGuard inUse(NoteManager());
    CppSQLite3DB* db = NoteManager().GetDB();
    if (!db)
        return false;
    SGroupList& list = List();
    list.groups.clear();
    const wchar_t* file = GetDataPath(EDataPath::GroupsFile);
    bool moveOldFile = false;
    try {
        moveOldFile = OldGroupsFileToMove(*db, file);
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(L"CGroups::LoadGroups", e);
        return false;
    }
    if (moveOldFile) {
        list.loaded = MigrateGroupsFile(*db, file);
        return list.loaded;
    }
    ReadGroupRows();
    if (g_prefs.GroupsMigrated == kGroupsMigrated)
        RepairDuplicateIndexes(*db);
    list.loaded = true;
    return true;
}

void CGroups::Erase(const CGroup* group)
{
    EraseGroup(group);
}
