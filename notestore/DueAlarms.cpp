#include "DueAlarms.h"

#include <cmath>
#include <vector>

#include "Note.h"
#include "foundation/LogFile.h"
#include "notemgr.h"

const wchar_t kOverdueAlarmCondition[] =
    L"(IFNULL(`group`, 0) != -1) AND (`alarm_calculated` > 1.0) AND (`alarm_calculated` < %f) LIMIT 1";
const wchar_t kComingAlarmCondition[] = L"(IFNULL(`group`, 0) != -1) AND (`alarm_calculated` > 1.0) AND "
                                        L"(`alarm_calculated` >= %f) ORDER BY `alarm_calculated` LIMIT 1";

bool FindAlarmNoteId(const wchar_t* conditionFormat, const COleDateTime& now, std::int64_t& id)
{
    CStdStr condition;
    condition.Format(conditionFormat, now.m_dt);
    std::vector<std::int64_t> ids;
    CNote scratch;
    if (!scratch.GetSelectiveIDs(ids, condition.c_str()))
        return false;
    id = ids.empty() ? -1 : ids.front();
    return true;
}

COleDateTime CNoteManager::GetNextAlarmTime()
{
    COleDateTime next(0.0);
    if (FindNextAlarmTime(next))
        m_nextAlarm = next;
    else
        next = COleDateTime(0.0);
    return next;
}

// False when the answer cannot be known: caching "no alarm" then would
// silence every alarm for the rest of the run.
bool CNoteManager::FindNextAlarmTime(COleDateTime& next)
{
    CDBUseGuard inUse(*this);
    if (!GetDB())
        return false;
    const COleDateTime now = COleDateTime::Now();
    std::int64_t id = -1;
    if (!FindAlarmNoteId(kOverdueAlarmCondition, now, id))
        return false;
    if (id == -1 && !FindAlarmNoteId(kComingAlarmCondition, now, id))
        return false;
    if (id == -1) {
        next = COleDateTime(0.0);
        return true;
    }
    const CNote* note = GetNote(id);
    // A loaded note whose due time differs from its row is not an answer either.
    if (!note || !(note->Alarm().calculatedDate.m_dt > 1.0))
        return false;
    next = note->Alarm().calculatedDate;
    return true;
}

CNote* CNoteManager::GetDueAlarmNote(bool force)
{
    if (AlarmChecksPaused())
        return nullptr;
    const COleDateTime now = COleDateTime::Now();
    if (!force) {
        if (m_nextAlarm.m_dt < 0.0)
            GetNextAlarmTime();
        if (m_nextAlarm.m_dt > now.m_dt || std::abs(m_nextAlarm.m_dt) < kNoAlarmTolerance)
            return nullptr;
    }
    CDBUseGuard inUse(*this);
    if (!GetDB())
        return nullptr;
    std::int64_t id = -1;
    if (!FindAlarmNoteId(kOverdueAlarmCondition, now, id) || id == -1)
        return nullptr;
    CNote* const note = GetNote(id);
    if (!note)
        return nullptr;
    // Handed out only once the 0 is in the file: else the same alarm would
    // fire again on every tick, and a start-up loop over the due alarms
    // would never end.
    const COleDateTime due = note->Alarm().calculatedDate;
    note->Alarm().calculatedDate = COleDateTime(0.0);
    if (note->IsNoStore() || !StoreNote(note)) {
        note->Alarm().calculatedDate = due;
        QLOG(L"The due alarm of note %I64d could not be stored as fired; it stays due", id);
        return nullptr;
    }
    return note;
}

// Notes received or imported never pass RecalcDue: a stored due time before
// the cached one, or while the cache says none, makes the cache unknown.
void CNoteManager::ResetNextAlarmWhenDueEarlier(const CNote& note)
{
    const double due = note.Alarm().calculatedDate.m_dt;
    const double cached = m_nextAlarm.m_dt;
    if (due <= 1.0 || note.GetGroup() == kAllGroups || cached < 0.0)
        return;
    if (std::abs(cached) < kNoAlarmTolerance || due < cached)
        ResetNextAlarm();
}

void CNoteManager::PauseAlarmChecks()
{
    ++m_alarmCheckPauses;
}

void CNoteManager::ResumeAlarmChecks()
{
    if (m_alarmCheckPauses == 0) {
        QLOG(L"ResumeAlarmChecks without a pause: ignored");
        return;
    }
    --m_alarmCheckPauses;
}
