// Groups: named, coloured categories in the user's order. CGroup is one row of
// `groups`; CGroups is the one ordered list of all groups, loaded from the
// database on first use. Groups of the old "groups.ini" move into the
// database on the first load after an upgrade, and a later load repairs
// groups that share a position.
#pragma once

#include "SQLiteHelp.h"
#include "foundation/StdStr.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

struct GroupRow {
    std::int64_t id = -1;
    std::uint32_t index = 0;    // position in the user's order
    CStdStr name;
    std::uint32_t color = 0xFFFFFF;
};

class CGroup : public CSQLiteBase {
public:
    CGroup();
    CGroup(const CStdStr& name, COLORREF color);
    ~CGroup() override;

    std::int64_t GetId() const { return m_row.id; }
    int GetIndex() const { return static_cast<int>(m_row.index); }
    void SetIndex(int index) { m_row.index = static_cast<std::uint32_t>(index); }
    CStdStr GetName() const { return m_row.name; }
    void SetName(const CStdStr& name) { m_row.name = name; }
    COLORREF GetColor() const { return m_row.color; }
    void SetColor(COLORREF color) { m_row.color = color; }

    // Deletes the row, takes the group out of the list and destroys it;
    // callers keep ids, not the object. A group whose row stays stays listed.
    void Remove();

private:
    GroupRow m_row;
};

// The one list of groups, in the user's order.
class CGroups {
public:
    // The first call of a run loads the groups.
    static int GetCount();
    static CGroup* GetAt(int position);
    static CGroup* FindById(std::int64_t id);
    // Ignoring case.
    static CGroup* FindByName(const wchar_t* name);
    // The group after (before) the one with that id, wrapping at the ends; an
    // unknown id gives the first (last). Null when there is no group.
    static CGroup* GetNext(std::int64_t id);
    static CGroup* GetPrevious(std::int64_t id);
    static int IndexOf(const CGroup* group);
    // Stores a new group at the end of the list; index -1 takes the new id as
    // its index. Null when it could not be stored.
    static CGroup* AddGroup(int index, const CStdStr& name, COLORREF color);
    // Exchanges two entries and their indexes (not stored).
    static void Swap(int first, int second);
    // Stores every group; false without a database or when a store failed.
    static bool SaveAll();
    // Destroys every group; the next GetCount loads them again.
    static void Clear();
    // Empties the list and fills it from the database (or from the old file
    // once); without a database the list stays as it is.
    static bool LoadGroups();

private:
    friend class CGroup;
    static void Erase(const CGroup* group);
};
