// Note lists read from the rows (filters, fields, alarm texts) and the
// recolouring of a group's notes.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "RecordTestSupport.h"
#include "notestore/Note.h"
#include "notestore/NoteLists.h"

namespace {

const COleDateTime kNow(45000.5);   // 15 March 2023, 12:00
constexpr double kSecond = 1.0 / 86400;

TEST(AlarmText, EachStateOfAnAlarm)
{
    struct Case {
        std::uint32_t flags;
        std::int32_t frequency, snooze;
        double dueInSeconds;
        const wchar_t* text;
    };
    const wchar_t* const at = L"Alarm at: 3/15/2023 12:00 PM ";
    const Case cases[] = {
        {0x85, 0, 0, 0, L"Quick Snoozed"},
        {0x05, 2, 0, 0, L"(Repeated daily)"},
        {0x05, 9, 0, 0, L"(Once)"},   // a kind from elsewhere
        {0x05, 0, 10, 90, L"(Once), snoozing 1 minutes"},
        {0x05, 0, 10, 30, L"(Once), snoozing 30 seconds"},
        {0x05, 0, 10, 29.6, L"(Once), snoozing 30 seconds"},   // rounded by half a second
        {0x05, 0, 10, -60, L"(Once), snoozing 0 seconds"},      // passed
        {0x85, 0, 10, 125, L"Quick Snoozed, snoozing 2 minutes"},
        {0x04, 0, 10, 90, L"Alarm Off"},
        {0x00, 0, 0, 0, L"<No alarm defined>"},
        {0x01, 0, 0, 0, L"<No alarm defined>"},   // active without a date
    };
    for (const Case& c : cases) {
        CNoteAlarm alarm;
        alarm.flags = c.flags;
        alarm.frequency = c.frequency;
        alarm.snoozeTime = c.snooze;
        alarm.alarmDate = kNow;
        alarm.calculatedDate = COleDateTime(kNow.m_dt + c.dueInSeconds * kSecond);
        const bool dated = c.text[0] == L'(';
        const std::wstring expected = dated ? std::wstring(at) + c.text : std::wstring(c.text);
        EXPECT_EQ(std::wstring(MakeAlarmText(alarm, kNow)), expected) << c.flags << " " << c.dueInSeconds;
    }
}

class NoteListsTest : public CGroupStoreTest {
protected:
    void TearDown() override
    {
        m_manager.CloseAll();
        CGroupStoreTest::TearDown();
    }

    CNote* StoredNote(const wchar_t* text, std::int64_t group = kNoGroup)
    {
        CNote* note = m_manager.AddNote(std::make_unique<CNote>());
        note->Row().text = text;
        note->Row().group = group;
        if (!m_manager.StoreNote(note))
            throw std::runtime_error("the test note was not stored");
        return note;
    }

    void Exec(const std::wstring& sql) { DB().execDML(sql.c_str()); }

    std::set<std::int64_t> Listed(std::int64_t group, std::int64_t id = -1)
    {
        std::vector<CNoteDisplayInfo> list;
        EXPECT_TRUE(CNote::GetNotesForDisplay(list, group, id));
        std::set<std::int64_t> ids;
        for (const CNoteDisplayInfo& info : list)
            ids.insert(info.id);
        return ids;
    }

    CFixedClock m_clock{kNow};
};

TEST_F(NoteListsTest, FiltersByGroupAndId)
{
    const CGroup* group = CGroups::AddGroup(-1, L"Work", RGB(1, 2, 3));
    ASSERT_NE(group, nullptr);
    const std::int64_t noGroup = StoredNote(L"none")->GetId();
    const std::int64_t inGroup = StoredNote(L"work", group->GetId())->GetId();
    const std::int64_t deletedGroup = StoredNote(L"gone", group->GetId() + 50)->GetId();
    const std::int64_t nullGroup = StoredNote(L"null")->GetId();
    Exec(L"update notes set `group` = NULL where id = " + std::to_wstring(nullGroup));

    EXPECT_EQ(Listed(kNoGroup), (std::set<std::int64_t>{noGroup, deletedGroup, nullGroup}));
    EXPECT_EQ(Listed(kAllGroups), (std::set<std::int64_t>{noGroup, inGroup, deletedGroup, nullGroup}));
    EXPECT_EQ(Listed(group->GetId()), (std::set<std::int64_t>{inGroup}));
    EXPECT_EQ(Listed(kNoGroup, inGroup), (std::set<std::int64_t>{inGroup})) << "an id overrides the group";
    EXPECT_EQ(Listed(group->GetId() + 99), (std::set<std::int64_t>{}));
}

TEST_F(NoteListsTest, ARecordCarriesTheRowsFields)
{
    CNote* note = StoredNote(L"body text");
    note->Row().name = L"";
    note->Row().creationDate = COleDateTime(44000.25);
    note->Alarm().flags = 0x04;
    note->Alarm().calculatedDate = COleDateTime(45001.0);
    GUID guid = {0x12345678, 0x9abc, 0xdef0, {1, 2, 3, 4, 5, 6, 7, 8}};
    note->SetGuid(guid);
    ASSERT_TRUE(m_manager.StoreNote(note));
    const std::wstring id = std::to_wstring(note->GetId());
    // Bytes of an older version, not UTF-8: read in the ANSI code page.
    Exec(L"update notes set name = CAST(X'436166E9' AS TEXT), text = X'4E61EF7665' where id = " + id);
    ASSERT_TRUE(note->Attachment().SetAttachment(*note, L"Editor", 1));

    std::vector<CNoteDisplayInfo> list;
    ASSERT_TRUE(CNote::GetNotesForDisplay(list, kAllGroups, -1));
    ASSERT_EQ(list.size(), 1u);
    const CNoteDisplayInfo& info = list.front();
    EXPECT_EQ(info.id, note->GetId());
    EXPECT_EQ(std::wstring(info.name), L"Caf\u00e9");
    EXPECT_EQ(std::wstring(info.text), L"Na\u00efve");
    EXPECT_FALSE(info.visible);
    EXPECT_FALSE(info.locked);
    EXPECT_DOUBLE_EQ(info.creationDate.m_dt, 44000.25);
    EXPECT_EQ(info.guid, guid);
    EXPECT_EQ(info.group, kNoGroup);
    EXPECT_EQ(info.alarmFlags, 0x04u);
    EXPECT_EQ(std::wstring(info.alarmText), L"Alarm Off");
    EXPECT_DOUBLE_EQ(info.calculatedDate.m_dt, 45001.0);
    EXPECT_EQ(std::wstring(info.attachedTitle), L"Editor");

    Exec(L"update notes set name = '' , displayname = 'Shown name', locked = 1 where id = " + id);
    list.clear();
    ASSERT_TRUE(CNote::GetNotesForDisplay(list, kAllGroups, note->GetId()));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(std::wstring(list.front().name), L"Shown name") << "no title: the display name";
    EXPECT_TRUE(list.front().locked);
}

TEST_F(NoteListsTest, WithoutADatabaseOrTableTheListFails)
{
    std::vector<CNoteDisplayInfo> list;
    {
        CLogCapture log;
        m_manager.SetDatabasePath(L"");
        EXPECT_FALSE(CNote::GetNotesForDisplay(list, kAllGroups, -1));
        EXPECT_TRUE(log.Contains(L"No database\n"));
    }
    m_manager.SetDatabasePath(m_dir.File(L"QUILLT40.DAT").c_str());
    Exec(L"drop table groups");
    CLogCapture log;
    EXPECT_FALSE(CNote::GetNotesForDisplay(list, kNoGroup, -1));
    EXPECT_TRUE(LogHasLineStarting(log, L"CNote::GetNotesForDisplay Sqlite3 error"));
    EXPECT_TRUE(list.empty());
}

// SetGroup stores nothing for an unchanged group, so a hidden member's new
// colour used to live in memory only.
TEST_F(NoteListsTest, ANewGroupColourReachesHiddenMembersRows)
{
    CGroup* group = CGroups::AddGroup(-1, L"Work", RGB(200, 40, 40));
    ASSERT_NE(group, nullptr);
    const std::int64_t member = StoredNote(L"member", group->GetId())->GetId();
    const std::int64_t other = StoredNote(L"other")->GetId();
    group->SetColor(RGB(10, 120, 240));
    ASSERT_TRUE(CGroups::SaveAll());

    EXPECT_TRUE(m_manager.ApplyGroupToNotes(group->GetId()));
    m_manager.CloseAll();
    const CNote* reread = m_manager.GetNote(member);
    ASSERT_NE(reread, nullptr);
    EXPECT_EQ(reread->GetColor(), 0x02000000u | RGB(10, 120, 240));
    EXPECT_EQ(reread->GetColorGroup(), static_cast<COLORREF>(RGB(10, 120, 240)));
    EXPECT_NE(reread->GetColorBk(), 0u);
    EXPECT_FALSE(reread->IsModified());
    EXPECT_EQ(m_manager.GetNote(other)->GetColor(), 0u) << "only the group's notes";
    EXPECT_TRUE(m_manager.ApplyGroupToNotes(group->GetId() + 99)) << "no such group: nothing to do";
}

// Records what it is told.
struct CChangeLog {
    bool OnDisplay(CNote* note, CNoteManager::eNoteDisplay event)
    {
        if (event == CNoteManager::eNoteChanged)
            changed.push_back(note);
        return true;
    }
    std::vector<CNote*> changed;
};

TEST_F(NoteListsTest, SetGroupStoresAChangedGroupAndDropsAnUnknownOne)
{
    const CGroup* group = CGroups::AddGroup(-1, L"Home", RGB(0, 128, 0));
    ASSERT_NE(group, nullptr);
    CNote* note = StoredNote(L"note");
    CChangeLog log;
    const auto listener = CNoteManager::CDisplayListener::Bind<&CChangeLog::OnDisplay>(&log);
    m_manager.AddDisplayListener(listener);
    const std::wstring groupOfRow = L"select `group` from notes where id = " + std::to_wstring(note->GetId());

    EXPECT_TRUE(note->SetGroup(group->GetId(), group->GetColor()));
    EXPECT_EQ(Scalar(groupOfRow.c_str()), group->GetId());
    EXPECT_EQ(note->GetColor(), 0x02000000u | RGB(0, 128, 0));
    EXPECT_FALSE(note->IsModified());
    EXPECT_FALSE(note->SetGroup(group->GetId(), group->GetColor())) << "the same group";

    EXPECT_TRUE(note->SetGroup(group->GetId() + 99, RGB(1, 1, 1)));
    EXPECT_EQ(note->GetGroup(), kNoGroup) << "an unknown group is no group";
    EXPECT_EQ(Scalar(groupOfRow.c_str()), kNoGroup);
    EXPECT_EQ(note->GetColor(), 0x02000000u | RGB(0, 128, 0)) << "no colour of an unknown group";
    EXPECT_EQ(log.changed, (std::vector<CNote*>{note, note}));
    m_manager.RemoveDisplayListener(listener);
}

} // namespace
