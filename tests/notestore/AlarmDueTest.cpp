// The due alarm: the cached next time, the query that hands a due note out
// once its fired state is stored, what a stored note does to the cache, and
// the switch that pauses the checks while an alarm is on screen.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "RecordTestSupport.h"
#include "foundation/Seams.h"
#include "notestore/Note.h"

namespace {

const COleDateTime kNow(45000.5);
constexpr double kMinute = 1.0 / (24 * 60);

class AlarmDueTest : public CNoteStoreTest {
protected:
    void TearDown() override
    {
        m_manager.CloseAll();
        CNoteStoreTest::TearDown();
    }

    // A stored note due at that time (0: no alarm).
    std::int64_t StoredAlarm(double due)
    {
        CNote* note = m_manager.AddNote(std::make_unique<CNote>());
        note->Row().text = L"alarm";
        note->Alarm().calculatedDate = COleDateTime(due);
        if (!m_manager.StoreNote(note))
            throw std::runtime_error("the test note was not stored");
        return note->GetId();
    }

    // A row whose note is not loaded, made due (or changed) from another
    // connection, as another program's write would.
    std::int64_t RowChangedElsewhere(const std::wstring& assignments)
    {
        const std::int64_t id = StoredAlarm(0.0);
        m_manager.RemoveNote(m_manager.GetNote(id));
        ExecOther((L"update notes set " + assignments + L" where id = " + std::to_wstring(id)).c_str());
        return id;
    }

    void ExecOther(const wchar_t* sql)
    {
        CppSQLite3DB other;
        other.open(m_dir.File(L"QUILLT40.DAT").c_str());
        other.execDML(sql);
    }

    double StoredDue(std::int64_t id)
    {
        CppSQLite3Query row =
            DB().execQuery((L"select alarm_calculated from notes where id = " + std::to_wstring(id)).c_str());
        return row.eof() ? -1.0 : row.getFloatField(0);
    }

    // Six decimals: a tenth of a second.
    static std::wstring DueAt(double due) { return L"alarm_calculated = " + std::to_wstring(due); }

    CFixedClock m_clock{kNow};
};

TEST_F(AlarmDueTest, ACachedFutureTimeHoldsTheQueryUntilForced)
{
    StoredAlarm(kNow.m_dt + 1.0);
    EXPECT_DOUBLE_EQ(m_manager.GetNextAlarmTime().m_dt, kNow.m_dt + 1.0);
    const std::int64_t due = RowChangedElsewhere(DueAt(kNow.m_dt - kMinute));

    EXPECT_EQ(m_manager.GetDueAlarmNote(false), nullptr) << "the cache says later";
    CNote* const fired = m_manager.GetDueAlarmNote(true);
    ASSERT_NE(fired, nullptr);
    EXPECT_EQ(fired->GetId(), due);
    EXPECT_EQ(fired->Alarm().calculatedDate.m_dt, 0.0);
    EXPECT_EQ(StoredDue(due), 0.0);
    EXPECT_EQ(m_manager.GetDueAlarmNote(true), nullptr) << "handed out once";
}

TEST_F(AlarmDueTest, GroupMinusOneIsNeverDueAndANullGroupIsNoGroup)
{
    struct Case {
        const wchar_t* group;
        bool due;
    };
    const Case cases[] = {
        {L"-1", false},
        {L"NULL", true},   // read as no group, as the mapping reads it
        {L"0", true},
        {L"7", true},
    };
    for (const Case& c : cases) {
        const std::int64_t id = RowChangedElsewhere(DueAt(kNow.m_dt - kMinute) + L", `group` = " + c.group);
        m_manager.ResetNextAlarm();
        CNote* const fired = m_manager.GetDueAlarmNote(false);
        EXPECT_EQ(fired ? fired->GetId() : -1, c.due ? id : -1) << c.group;
        EXPECT_DOUBLE_EQ(m_manager.GetNextAlarmTime().m_dt, 0.0) << c.group;
    }
}

// A due time that cannot be stored as fired (a locked file, say) would fire
// the alarm on every tick, and the start-up loop over due alarms would spin.
TEST_F(AlarmDueTest, AnAlarmIsHandedOutOnlyOnceItsFiredStateIsStored)
{
    const std::int64_t id = RowChangedElsewhere(DueAt(kNow.m_dt - kMinute));
    ExecOther(L"CREATE TRIGGER refuse BEFORE UPDATE ON notes BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    CLogCapture log;
    EXPECT_EQ(m_manager.GetDueAlarmNote(true), nullptr);
    EXPECT_TRUE(LogHasLineStarting(log, L"CNoteManager::StoreNote Sqlite3 error"));
    EXPECT_NEAR(StoredDue(id), kNow.m_dt - kMinute, 1e-6);
    EXPECT_NEAR(m_manager.GetNote(id)->Alarm().calculatedDate.m_dt, kNow.m_dt - kMinute, 1e-6)
        << "memory keeps what the file says";

    ExecOther(L"DROP TRIGGER refuse;");
    CNote* const fired = m_manager.GetDueAlarmNote(true);
    ASSERT_NE(fired, nullptr);
    EXPECT_EQ(fired->GetId(), id);
}

TEST_F(AlarmDueTest, ALoopOverTheDueAlarmsEnds)
{
    for (int i = 1; i <= 3; ++i)
        StoredAlarm(kNow.m_dt - i * kMinute);
    StoredAlarm(kNow.m_dt + kMinute);
    int fired = 0;
    while (m_manager.GetDueAlarmNote(true) && fired < 10)
        ++fired;
    EXPECT_EQ(fired, 3);
}

// One failed open used to cache "no alarm" and silence alarms for the run.
TEST_F(AlarmDueTest, OnlyAKnownAnswerIsCached)
{
    m_manager.SetDatabasePath(L"");
    EXPECT_DOUBLE_EQ(m_manager.GetNextAlarmTime().m_dt, 0.0);
    EXPECT_DOUBLE_EQ(m_manager.GetCachedNextAlarm().m_dt, -1.0) << "no database: unknown";
    EXPECT_EQ(m_manager.GetDueAlarmNote(false), nullptr);

    m_manager.SetDatabasePath(m_dir.File(L"QUILLT40.DAT").c_str());
    EXPECT_EQ(m_manager.GetDueAlarmNote(false), nullptr);
    EXPECT_DOUBLE_EQ(m_manager.GetCachedNextAlarm().m_dt, 0.0) << "no alarm at all";
}

// Received and imported notes never pass RecalcDue: their store alone must
// bring an earlier alarm to the cache's notice.
TEST_F(AlarmDueTest, StoringAnEarlierDueNoteResetsTheCache)
{
    EXPECT_EQ(m_manager.GetDueAlarmNote(false), nullptr);
    ASSERT_DOUBLE_EQ(m_manager.GetCachedNextAlarm().m_dt, 0.0);
    StoredAlarm(kNow.m_dt + 60 * kMinute);
    EXPECT_DOUBLE_EQ(m_manager.GetCachedNextAlarm().m_dt, -1.0) << "the cache said none";
    EXPECT_EQ(m_manager.GetDueAlarmNote(false), nullptr);
    ASSERT_DOUBLE_EQ(m_manager.GetCachedNextAlarm().m_dt, kNow.m_dt + 60 * kMinute);

    StoredAlarm(kNow.m_dt + 90 * kMinute);
    EXPECT_DOUBLE_EQ(m_manager.GetCachedNextAlarm().m_dt, kNow.m_dt + 60 * kMinute) << "a later one changes nothing";
    const std::int64_t earlier = StoredAlarm(kNow.m_dt + 5 * kMinute);
    EXPECT_DOUBLE_EQ(m_manager.GetCachedNextAlarm().m_dt, -1.0);

    CFixedClock::Set(COleDateTime(kNow.m_dt + 6 * kMinute));
    CNote* const fired = m_manager.GetDueAlarmNote(false);
    ASSERT_NE(fired, nullptr);
    EXPECT_EQ(fired->GetId(), earlier);

    EXPECT_EQ(m_manager.GetDueAlarmNote(false), nullptr);
    fired->Alarm().RecalcDue(false);
    EXPECT_DOUBLE_EQ(m_manager.GetCachedNextAlarm().m_dt, -1.0) << "a rescheduled alarm resets it";
}

TEST_F(AlarmDueTest, TheSwitchCountsPauses)
{
    EXPECT_FALSE(m_manager.AlarmChecksPaused());
    m_manager.PauseAlarmChecks();
    m_manager.PauseAlarmChecks();
    m_manager.ResumeAlarmChecks();
    EXPECT_TRUE(m_manager.AlarmChecksPaused());
    m_manager.ResumeAlarmChecks();
    EXPECT_FALSE(m_manager.AlarmChecksPaused());

    CLogCapture log;
    m_manager.ResumeAlarmChecks();
    EXPECT_TRUE(LogHasLineStarting(log, L"ResumeAlarmChecks without a pause"));
    {
        CAlarmCheckPause pause(m_manager);
        EXPECT_TRUE(m_manager.AlarmChecksPaused()) << "the stray resume did not count";
    }
    EXPECT_FALSE(m_manager.AlarmChecksPaused());

    try {
        CAlarmCheckPause pause(m_manager);
        throw std::runtime_error("unwinding");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(m_manager.AlarmChecksPaused());
}

// A snooze dialog opened from the notification used to switch the checks
// back on under it, and a second alarm fired into the open notification.
TEST_F(AlarmDueTest, NoAlarmIsDueWhileAnyPauseIsHeld)
{
    const std::int64_t id = StoredAlarm(kNow.m_dt - kMinute);
    {
        CAlarmCheckPause notification(m_manager);
        {
            CAlarmCheckPause snoozeDialog(m_manager);
            EXPECT_EQ(m_manager.GetDueAlarmNote(true), nullptr);
        }
        EXPECT_EQ(m_manager.GetDueAlarmNote(true), nullptr);
        EXPECT_EQ(m_manager.GetDueAlarmNote(false), nullptr);
    }
    CNote* const fired = m_manager.GetDueAlarmNote(false);
    ASSERT_NE(fired, nullptr);
    EXPECT_EQ(fired->GetId(), id);
}

} // namespace
