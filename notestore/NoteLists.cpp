// The note services that work on many notes at once, straight on the rows:
// the display lists and the bulk repairs that the schema upgrades run.
// (Members of CNote.)
#include "NoteLists.h"

#include "CppSQLite3.h"
#include "Note.h"
#include "SQLiteHelp.h"
#include "Transaction.h"
#include "notemgr.h"
#include "foundation/LogFile.h"
#include "foundation/ResModule.h"
#include "foundation/ShellServices.h"
#include "notewindows/RichEditCtrl.h"
#include "resources/resource.h"

#include <cmath>

#include <string>
#include <utility>
#include <vector>

namespace {

CStdStr BlobTextField(const CppSQLite3Query& row, int field)
{
    int length = 0;
    const auto* bytes = reinterpret_cast<const char*>(row.getBlobField(field, length));
    return bytes ? Utf8OrAnsiToWide(bytes, length) : std::wstring();
}

constexpr int kDateTextChars = 128;
constexpr double kSecondsPerDay = 86400.0;

CStdStr FrequencyName(std::int32_t frequency)
{
    // Kinds from other programs beyond the known ones are named as once.
    if (frequency < eFrequencyOnce || frequency > eFrequencyYearly)
        frequency = eFrequencyOnce;
    return LoadResString(IDS_FREQUENCY_FIRST + frequency);
}

CStdStr AlarmDateText(const CNoteAlarm& alarm)
{
    wchar_t date[kDateTextChars] = {};
    wchar_t time[kDateTextChars] = {};
    FormatDateShort(alarm.alarmDate.m_dt, date, kDateTextChars);
    FormatTimeShort(alarm.alarmDate.m_dt, time, kDateTextChars);
    CStdStr text;
    text.Format(LoadResString(IDS_ALARM_AT), date, time);
    CStdStr frequency;
    frequency.Format(L"(%s)", FrequencyName(alarm.frequency).c_str());
    return text + frequency;
}

CStdStr SnoozeText(const CNoteAlarm& alarm, const COleDateTime& now)
{
    int seconds = 0;
    if (alarm.calculatedDate.m_dt > now.m_dt)
        seconds = static_cast<int>((alarm.calculatedDate.m_dt - now.m_dt) * kSecondsPerDay + 0.5);
    CStdStr text;
    if (seconds > 60)
        text.Format(LoadResString(IDS_SNOOZING_MINUTES), seconds / 60);
    else
        text.Format(LoadResString(IDS_SNOOZING_SECONDS), seconds);
    return text;
}

}  // namespace

CStdStr MakeAlarmText(const CNoteAlarm& alarm, const COleDateTime& now)
{
    constexpr std::uint32_t kSetAndActive = kAlarmSet | kAlarmActive;
    if ((alarm.flags & kSetAndActive) != kSetAndActive)
        return LoadResString(alarm.flags & kAlarmSet ? IDS_ALARM_OFF : IDS_NO_ALARM);
    CStdStr text = alarm.flags & kAlarmQuickSnoozed ? CStdStr(LoadResString(IDS_QUICK_SNOOZED)) : AlarmDateText(alarm);
    if (alarm.snoozeTime > 0)
        text += SnoozeText(alarm, now);
    return text;
}

namespace {

// The list's query: every note (-1), the notes of no existing group (0, a
// NULL group read as 0 as the mapping reads it), one group, or one note.
CStdStr DisplayListQuery(std::int64_t group, std::int64_t id)
{
    CStdStr sql;
    if (id != -1)
        sql.Format(L"select * from `notes` WHERE `id` = '%I64d'", id);
    else if (group == kNoGroup)
        sql = L"select * from notes where IFNULL(`group`, 0) not in (select id from `groups`)";
    else if (group == kAllGroups)
        sql = L"select * from notes";
    else
        sql.Format(L"select * from `notes` WHERE `group` = '%I64d'", group);
    return sql;
}

CStdStr TextField(const CppSQLite3Query& row, const wchar_t* name)
{
    return QueryText(row, row.fieldIndex(name));
}

CNoteDisplayInfo ReadDisplayInfo(const CppSQLite3Query& row, const COleDateTime& now)
{
    CNoteDisplayInfo info;
    info.id = row.getInt64Field(0);
    info.visible = row.getInt64Field(row.fieldIndex(L"visible")) != 0;
    info.locked = row.getInt64Field(row.fieldIndex(L"locked")) != 0;
    info.name = TextField(row, L"name");
    if (info.name.empty())
        info.name = TextField(row, L"displayname");
    info.text = BlobTextField(row, row.fieldIndex(L"text"));
    info.creationDate = COleDateTime(row.getFloatField(L"creationdate"));
    info.lastUpdateDate = COleDateTime(row.getFloatField(L"lastupdatedate"));
    info.guid = TextToGuid(TextField(row, L"guid").c_str());
    info.group = row.getInt64Field(row.fieldIndex(L"group"));
    CNoteAlarm alarm;
    alarm.alarmDate = COleDateTime(row.getFloatField(L"alarm_alarm"));
    alarm.flags = static_cast<std::uint32_t>(row.getInt64Field(row.fieldIndex(L"alarm_alarmflags")));
    alarm.frequency = row.getIntField(row.fieldIndex(L"alarm_frequency"));
    alarm.snoozeTime = row.getIntField(row.fieldIndex(L"alarm_snoozetime"));
    alarm.calculatedDate = COleDateTime(row.getFloatField(L"alarm_calculated"));
    info.alarmText = MakeAlarmText(alarm, now);
    info.alarmFlags = alarm.flags;
    info.calculatedDate = alarm.calculatedDate;
    info.attachedTitle = CNoteAttachment::GetTitleForNote(info.id);
    return info;
}

}  // namespace

bool CNote::GetNotesForDisplay(std::vector<CNoteDisplayInfo>& list, std::int64_t group, std::int64_t id)
{
    CNoteManager& manager = NoteManager();
    CDBUseGuard inUse(manager);
    CppSQLite3DB* db = manager.GetDB();
    if (!db) {
        QLOG(L"No database\n");
        return false;
    }
    try {
        const COleDateTime now = COleDateTime::Now();
        CppSQLite3Query rows = db->execQuery(DisplayListQuery(group, id).c_str());
        for (; !rows.eof(); rows.nextRow())
            list.push_back(ReadDisplayInfo(rows, now));
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(L"CNote::GetNotesForDisplay", e);
        return false;
    }
}

bool CNote::UpdateDisplayNames(CppSQLite3DB& db)
{
    try {
        std::vector<std::pair<std::int64_t, std::string>> names;
        {
            // The columns the name is made of, and nothing else is written.
            CppSQLite3Query rows = db.execQuery(L"select `id`, `name`, `text` from notes");
            for (; !rows.eof(); rows.nextRow()) {
                const std::int64_t id = rows.getInt64Field(0);
                std::string utf8;
                if (!WideToUtf8(MakeDisplayName(id, QueryText(rows, 1), BlobTextField(rows, 2)).c_str(), utf8))
                    throw CppSQLite3Exception(SQLITE_NOMEM, "Display name not convertible");
                names.emplace_back(id, std::move(utf8));
            }
        }
        CTransaction tx(db);
        CppSQLite3Statement update(&db, L"UPDATE `notes` SET `displayname`=? WHERE id=?;");
        for (const auto& [id, name] : names) {
            update.bind(1, name.c_str());
            update.bind(2, static_cast<sqlite3_int64>(id));
            update.execDML();
        }
        update.finalize();
        tx.Commit();
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(L"CNote::UpdateDisplayNames", e);
        return false;
    }
}

namespace {

std::vector<std::int64_t> ReadAllNoteIds(CppSQLite3DB& db)
{
    std::vector<std::int64_t> ids;
    for (CppSQLite3Query rows = db.execQuery(L"select `id` from `notes` order by rowid;"); !rows.eof();
         rows.nextRow())
        ids.push_back(rows.getInt64Field(0));
    return ids;
}

// Older versions kept the note's RTF in `text`: the RTF moves to the shown
// text when that is empty, and `text` becomes its plain text. A repair, not
// an edit: the update date stays, though the display name may change.
void ConvertStoredText(CNote& note)
{
    NoteRow& row = note.Row();
    const COleDateTime lastUpdate = row.lastUpdateDate;
    if (row.displayText.empty())
        row.displayText = row.text;
    row.text = RtfToPlainText(row.text);
    note.GetDisplayName();
    row.lastUpdateDate = lastUpdate;
    note.SetModified(true);
}

}  // namespace

bool CNote::UpdateTextField(CNoteManager& manager)
{
    const CSingleFunctionEntry entry(L"UpdateTextField");
    if (entry.AlreadyRunning())
        return false;
    CDBUseGuard inUse(manager);
    CppSQLite3DB* db = manager.GetDB();
    if (!db) {
        QLOG(L"No database\n");
        return false;
    }
    QLOG(L"UpdateTextField");
    std::vector<std::int64_t> ids;
    try {
        ids = ReadAllNoteIds(*db);
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(L"CNote::UpdateTextField", e);
        return false;
    }
    const std::vector<CNote*> notes = manager.GetNotes(ids);
    for (CNote* note : notes)
        ConvertStoredText(*note);
    // One batch; a note that fails keeps its row as it was and the others
    // are stored all the same.
    const bool stored = manager.StoreNotes(notes);
    int rewritten = 0;
    for (const CNote* note : notes)
        rewritten += note->IsModified() ? 0 : 1;
    QLOG(L"UpdateTextField - rewrote %d notes", rewritten);
    // A note that did not load keeps its old text: the rewrite is still owed.
    return stored && notes.size() == ids.size();
}

bool CNote::UpdateAutoSizeField(CppSQLite3DB& db)
{
    const CSingleFunctionEntry entry(L"UpdateAutoSizeField");
    if (entry.AlreadyRunning())
        return false;
    try {
        QLOG(L"UpdateAutoSizeField");
        const int changed = db.execDML(L"update notes SET autoresize=1");
        QLOG(L"UpdateAutoSizeField - rewrote %d notes", changed);
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(L"CNote::UpdateAutoSizeField", e);
        return false;
    }
}
