// The legacy reader and writer. A note is filled completely before anything
// stores it: an imported file is stored as one batch, and a received note is
// stored once by the manager after its sanitiser.
#include "legacynotes.h"

#include "foundation/LogFile.h"
#include "foundation/Preferences.h"
#include "foundation/WinPlacement.h"
#include "notestore/LoadReruzadu.h"
#include "notestore/Note.h"
#include "notestore/groups.h"
#include "notestore/notemgr.h"
#include "notewindows/VeduVure.h"

#include <objbase.h>

#include <cstring>
#include <ctime>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

// The frame styles of old notes and of the current ones, for the rectangles
// stored before the frame changed.
constexpr DWORD kOldFrameStyle = 0x00870000;
constexpr DWORD kCurrentFrameStyle = 0x00800000;
constexpr std::uint32_t kAlarmStateBits = kAlarmActive | kAlarmPopupPending | kAlarmSet | kAlarmPopupFromPeriod;

// The group a stored group text names: digits only, no overflow, above 0.
std::int64_t StoredGroupId(const std::string& text)
{
    if (text.empty())
        return 0;
    std::int64_t id = 0;
    for (const char digit : text) {
        if (digit < '0' || digit > '9')
            return 0;
        if (id > (std::numeric_limits<std::int64_t>::max() - (digit - '0')) / 10)
            return 0;
        id = id * 10 + (digit - '0');
    }
    return id;
}

// ---------------------------------------------------------------- reading

WINDOWPLACEMENT PlacementOf(const SticNote& read)
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    placement.flags = read.placementFlags;
    placement.showCmd = read.showCommand;
    placement.ptMinPosition = read.minPosition;
    placement.ptMaxPosition = read.maxPosition;
    placement.rcNormalPosition = read.normalRect;
    if (!(read.flags & kSticCurrentFrame))
        placement.rcNormalPosition = OldFrameToCurrent(read.normalRect);
    return placement;
}

LOGFONTW FontOf(const SticNote& read)
{
    LOGFONTW font = {};
    const std::wstring face = ThreadAnsiToWide(read.face).substr(0, LF_FACESIZE - 1);
    std::memcpy(font.lfFaceName, face.c_str(), face.size() * sizeof(wchar_t));
    font.lfHeight = read.fontHeight;
    font.lfWeight = read.fontWeight;
    if (read.flags & kSticCharSetValid)
        font.lfCharSet = read.charSet;
    return font;
}

// The stored alarm state comes back as it was: placing the dates must not
// switch an alarm on.
void ApplyAlarm(CNote& note, const SticNote& read)
{
    CNoteAlarm& alarm = note.Alarm();
    alarm.frequency = SticFrequencyOf(read.repeatCode);
    const std::uint32_t stored = read.flags & ~static_cast<std::uint32_t>(kSticCharSetValid);
    alarm.flags = stored;
    if (!(read.flags & kSticAlarmPresent))
        return;
    const COleDateTime date = SticRecordDate(read.alarmTime);
    if (!date.IsValid() || read.alarmTime.time <= 0) {
        // Without its date the stored state means no alarm.
        alarm.flags &= ~kAlarmStateBits;
        alarm.RecalcDue(false);
        return;
    }
    const bool knownUnit = read.reminderUnit >= ePeriodMinutes && read.reminderUnit <= ePeriodWeeks;
    const int unit = knownUnit ? static_cast<int>(read.reminderUnit) : static_cast<int>(ePeriodMinutes);
    alarm.SetPopupBefore(unit, read.reminderCount);
    alarm.SetAlarm(date, 0);
    alarm.flags = (alarm.flags & ~kAlarmStateBits) | (stored & kAlarmStateBits);
    alarm.RecalcDue(false);
}

// The group rule of CNote::SetGroup, without its store and notices.
void ApplyGroup(CNote& note, const SticNote& read)
{
    const std::int64_t id = StoredGroupId(read.group);
    const CGroup* const group = id > 0 ? CGroups::FindById(id) : nullptr;
    if (!group)
        return;
    note.Row().colorGroup = group->GetColor();
    note.SetColor(group->GetColor());
    note.SetGroupId(id);
}

// The title rule of CNote::SetTitle, without its store and notices.
void ApplyTitle(CNote& note, const SticNote& read)
{
    const CStdStr title = ThreadAnsiToWide(read.title);
    const CStdStr shown = note.GetDisplayName();
    if (CompareStringOrdinal(title.c_str(), static_cast<int>(title.size()), shown.c_str(),
                             static_cast<int>(shown.size()), TRUE) == CSTR_EQUAL)
        return;
    note.Row().name = title;
    note.TouchUpdateDate();
    note.SetModified(true);
    if (note.GetHwnd())
        SetWindowTextW(note.GetHwnd(), note.GetDisplayName().c_str());
}

void ApplyDates(CNote& note, const SticNote& read)
{
    QLOG(L"Size of time_t (%d)", static_cast<int>(sizeof(__time64_t)));
    const COleDateTime created = SticRecordDate(read.creationDate);
    if (created.IsValid())
        note.SetCreationDate(created);
    const COleDateTime updated = SticRecordDate(read.lastUpdateDate);
    if (updated.IsValid())
        note.SetLastUpdateDate(updated);
}

// A peer's text goes into the record alone: no editor, and no rich edit
// converting it, may load it before the manager's sanitiser has cleaned it.
void SetReceivedText(CNote& note, const CStdStr& text)
{
    note.Row().displayText = text;
    note.Row().text = text;
    note.TouchUpdateDate();
    note.SetModified(true);
}

// The note's fields from what was read; false (logged) when the alignment
// cannot be set.
bool FillNote(CNote& note, const SticNote& read, bool fromNetwork)
{
    note.SetWindowPlacement(PlacementOf(read));
    if (!note.SetEditAlignment(read.alignment <= 2 ? static_cast<int>(read.alignment) : 0)) {
        QLOG(L"loadReruzaduFromMemory (SetEditAlignment) failed");
        return false;
    }
    if (read.hasTextColor)
        note.Row().colorText = read.textColor;
    note.SetColor(read.color);
    note.SetFont(FontOf(read));
    ApplyAlarm(note, read);
    note.SetTransparency(read.transparency);
    GUID guid = {};
    if (SUCCEEDED(CoCreateGuid(&guid)))
        note.SetGuid(guid);
    if (!fromNetwork)
        ApplyGroup(note, read);
    if (fromNetwork)
        SetReceivedText(note, ThreadAnsiToWide(read.text));
    else
        note.SetText(ThreadAnsiToWide(read.text));
    ApplyTitle(note, read);
    RECT roll = read.minimizeRect;
    if (!(read.flags & kSticCurrentFrame) && !IsRectEmpty(&roll))
        roll = OldFrameToCurrent(roll);
    note.SetMinimizeRect(roll);
    note.Alarm().executeCmd = ThreadAnsiToWide(read.command);
    note.Alarm().soundFile = ThreadAnsiToWide(read.soundFile);
    note.SetPassword(ThreadAnsiToWide(read.password));
    ApplyDates(note, read);
    if (note.IsLocked())
        note.HideText();
    return true;
}

// A note from older data whose roll state is unknown: sized to its roll
// rectangle or its text, then toggled so that the frame decides the state.
void ApplyRollState(CNote& note, const SticNote& read)
{
    const HWND window = note.GetHwnd();
    if (!window || (read.flags & kSticCurrentFrame))
        return;
    bool toggle = false;
    const RECT roll = note.Row().minimizeRect;
    if (!IsRectEmpty(&roll)) {
        const CNote::PlacingScope placing(note);
        SetWindowPos(window, nullptr, 0, 0, roll.right - roll.left, roll.bottom - roll.top,
                     SWP_NOMOVE | SWP_NOZORDER);
        toggle = true;
    }
    if (IsRectEmpty(&note.Row().placement.rcNormalPosition)) {
        note.AutoSize(false);
        toggle = true;
    }
    // One toggle: a second one would undo the first.
    if (toggle)
        PostMessageW(window, WM_ITSY_MAXIMIZE, 0, 0);
}

void FitOnScreen(const CNote& note)
{
    if (g_prefs.SmartFit && note.GetHwnd())
        KeepWindowOnScreen(note.GetHwnd());
}

// A received note: only the first note of the buffer, into the note given.
bool ReadIntoNote(CNote& note, const SticSource& source, DWORD length)
{
    bool read = false;
    const bool ok = ReadSticBuffer(source, length, [&](const SticNote& sticNote, int index, int count) {
        if (!FillNote(note, sticNote, true))
            return ESticTake::kFail;
        read = true;
        // The text goes in once it is safe (CNoteManager::CreateNoteFromBuffer).
        note.ApplyStoredValues(false);
        ApplyRollState(note, sticNote);
        FitOnScreen(note);
        if (count > index + 1)
            QLOG(L"loadReruzaduFromMemory - %d more notes ignored", count - index - 1);
        return ESticTake::kStop;
    });
    if (ok && !read)
        QLOG(L"loadReruzaduFromMemory - no note to read");
    return ok && read;
}

struct SImported {
    std::int64_t id;
    SticNote read;
};

// The notes read so far, stored together; each then shown with its window or
// unloaded. False when a note could not be stored.
bool StoreAndShowImported(std::vector<std::unique_ptr<CNote>>& made, std::vector<SticNote>& read)
{
    CNoteManager& manager = NoteManager();
    std::vector<CNote*> batch;
    for (std::unique_ptr<CNote>& note : made)
        batch.push_back(manager.AddNote(std::move(note)));
    made.clear();
    bool allStored = manager.StoreNotes(batch);
    std::vector<SImported> stored;
    for (size_t i = 0; i < batch.size(); ++i) {
        CNote* const note = batch[i];
        if (!note)
            continue;
        if (note->GetId() == -1) {
            QLOG(L"loadReruzaduFromMemory - note %d not stored", static_cast<int>(i));
            manager.RemoveNote(note);
            allStored = false;
            continue;
        }
        stored.push_back(SImported{note->GetId(), read[i]});
        if (!read[i].visible)
            manager.RemoveNote(note);
    }
    for (const SImported& imported : stored) {
        if (!imported.read.visible)
            continue;
        CNote* const note = manager.LoadAndShowNote(imported.id);
        if (!note)
            continue;
        ApplyRollState(*note, imported.read);
        FitOnScreen(*note);
    }
    return allStored;
}

// The legacy notes file: every note into a new note.
bool ImportNotes(const SticSource& source, DWORD length, bool fromNetwork)
{
    std::vector<std::unique_ptr<CNote>> made;
    std::vector<SticNote> read;
    const bool ok = ReadSticBuffer(source, length, [&](const SticNote& sticNote, int, int) {
        auto note = std::make_unique<CNote>();
        if (!FillNote(*note, sticNote, fromNetwork))
            return ESticTake::kFail;
        note->Row().visible = sticNote.visible;
        made.push_back(std::move(note));
        read.push_back(sticNote);
        return ESticTake::kNext;
    });
    // Notes completed before a fault stay.
    const bool stored = StoreAndShowImported(made, read);
    return ok && stored;
}

// ---------------------------------------------------------------- writing

WINDOWPLACEMENT WrittenPlacement(HWND window, const WINDOWPLACEMENT& stored, bool visible)
{
    WINDOWPLACEMENT placement = stored;
    placement.length = sizeof(placement);
    if (window && GetWindowPlacement(window, &placement))
        AdjustPlacementForCaption(window, placement.rcNormalPosition);
    if (!window || !visible)
        placement.showCmd = 0;
    return placement;
}

std::string GroupDigits(std::int64_t group)
{
    return std::to_string(group > 0 ? group : 0);
}

} // namespace

SticTimeRecord MakeSticTimeRecord(const COleDateTime& date)
{
    SticTimeRecord record;
    if (!date.IsValid() || date.GetYear() < 1900)
        return record;
    tm fields = {};
    fields.tm_year = date.GetYear() - 1900;
    fields.tm_mon = date.GetMonth() - 1;
    fields.tm_mday = date.GetDay();
    fields.tm_hour = date.GetHour();
    fields.tm_min = date.GetMinute();
    fields.tm_sec = date.GetSecond();
    // Unknown: the zone's rules decide, or summer dates come out an hour late.
    fields.tm_isdst = -1;
    const __time64_t t = _mktime64(&fields);
    if (t <= 0 || t > std::numeric_limits<std::int32_t>::max())
        return record;
    CLocalTime local;
    local.daylightSaving = static_cast<std::int16_t>(fields.tm_isdst);
    local.SetTime(t);
    if (local.time <= 0 || local.time > std::numeric_limits<std::int32_t>::max())
        return record;
    record.time = static_cast<std::int32_t>(local.time);
    record.minute = static_cast<std::uint16_t>(local.minute);
    record.hour = static_cast<std::uint16_t>(local.hour);
    record.dayOfMonth = static_cast<std::uint16_t>(local.dayOfMonth);
    record.month = static_cast<std::uint16_t>(local.month);
    record.year = static_cast<std::uint16_t>(local.year);
    record.dayOfWeek = static_cast<std::uint16_t>(local.dayOfWeek);
    record.dayOfYear = static_cast<std::uint16_t>(local.dayOfYear);
    record.daylightSaving = static_cast<std::uint16_t>(local.daylightSaving);
    return record;
}

COleDateTime SticRecordDate(const SticTimeRecord& record)
{
    COleDateTime none;
    none.SetStatus(COleDateTime::invalid);
    if (record.time <= 0)
        return none;
    CLocalTime local;
    local.minute = static_cast<std::int16_t>(record.minute);
    local.hour = static_cast<std::int16_t>(record.hour);
    local.dayOfMonth = static_cast<std::int16_t>(record.dayOfMonth);
    local.month = static_cast<std::int16_t>(record.month);
    local.year = static_cast<std::int16_t>(record.year);
    local.dayOfWeek = static_cast<std::int16_t>(record.dayOfWeek);
    local.dayOfYear = static_cast<std::int16_t>(record.dayOfYear);
    local.daylightSaving = static_cast<std::int16_t>(record.daylightSaving);
    local.SetTime(record.time);
    const COleDateTime date(local.year + 1900, local.month + 1, local.dayOfMonth, local.hour, local.minute,
                            static_cast<int>(local.time % 60));
    return date.IsValid() ? date : none;
}

RECT OldFrameToCurrent(const RECT& rect)
{
    RECT oldFrame = {};
    RECT currentFrame = {};
    AdjustWindowRect(&oldFrame, kOldFrameStyle, FALSE);
    AdjustWindowRect(&currentFrame, kCurrentFrameStyle, FALSE);
    RECT converted = rect;
    converted.left += currentFrame.left - oldFrame.left;
    converted.top += currentFrame.top - oldFrame.top;
    converted.right += currentFrame.right - oldFrame.right;
    converted.bottom += currentFrame.bottom - oldFrame.bottom;
    return converted;
}

UINT ThreadAnsiCodePage()
{
    UINT codePage = 0;
    if (GetLocaleInfoW(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<LPWSTR>(&codePage), sizeof(codePage) / sizeof(wchar_t)) == 0 ||
        codePage == 0)
        return GetACP();
    return codePage;
}

bool loadReruzaduFromMemory(CNote* note, HGLOBAL block, DWORD length, bool fromNetwork)
{
    const SticSource source = SticGlobalSource(block, length);
    if (note)
        return ReadIntoNote(*note, source, length);
    return ImportNotes(source, length, fromNetwork);
}

int CNote::SaveToMemory(HGLOBAL block)
{
    if (NoteManager().GetNoteCount() == 0)
        return -1;
    SticNote note;
    // Writing changes nothing in the note, its display name included.
    note.title = ThreadWideToAnsi(MakeDisplayName(m_row.id, m_row.name, GetPlainText()));
    note.alignment = m_row.style & 3;
    const WINDOWPLACEMENT placement = WrittenPlacement(m_hwnd, m_row.placement, m_row.visible);
    note.placementFlags = static_cast<std::uint16_t>(placement.flags);
    note.showCommand = static_cast<std::uint16_t>(placement.showCmd);
    note.minPosition = placement.ptMinPosition;
    note.maxPosition = placement.ptMaxPosition;
    note.normalRect = placement.rcNormalPosition;
    note.color = m_row.color & 0xFFFFFF;
    LOGFONTW font = m_logFont;
    if (!font.lfFaceName[0])
        TextToFont(m_row.textFont.c_str(), font);
    note.face = ThreadWideToAnsi(font.lfFaceName);
    note.fontHeight = static_cast<std::int16_t>(font.lfHeight);
    note.fontWeight = static_cast<std::int16_t>(font.lfWeight);
    note.charSet = font.lfCharSet;
    // The character set is valid: without the bit it reads back as 0.
    note.flags = static_cast<std::uint16_t>(m_row.alarm.flags | kSticCharSetValid);
    note.alarmTime = MakeSticTimeRecord(m_row.alarm.alarmDate);
    note.reminderUnit = static_cast<std::int16_t>(m_row.alarm.period);
    note.reminderCount = static_cast<std::uint8_t>(m_row.alarm.periodCount);
    note.visible = m_row.visible;
    note.repeatCode = SticRepeatCodeOf(m_row.alarm.frequency);
    note.textColor = m_row.colorText & 0xFFFFFF;
    note.minimizeRect = m_row.minimizeRect;
    note.command = ThreadWideToAnsi(m_row.alarm.executeCmd);
    note.soundFile = ThreadWideToAnsi(m_row.alarm.soundFile);
    note.password = ThreadWideToAnsi(m_row.password);
    note.creationDate = MakeSticTimeRecord(m_row.creationDate);
    note.lastUpdateDate = MakeSticTimeRecord(m_row.lastUpdateDate);
    note.guid = m_guid;
    note.group = GroupDigits(m_row.group);
    note.groupColor = m_row.colorGroup & 0xFFFFFF;
    note.transparency = static_cast<std::uint8_t>(m_row.transparency);
    note.text = ThreadWideToAnsi(GetPlainText());
    if (note.text.size() > kSticMaxTextBytes)
        QLOG(L"SaveToMemory - note %I64d: text of %u bytes cut to %u", m_row.id,
             static_cast<unsigned>(note.text.size()), static_cast<unsigned>(kSticMaxTextBytes));

    const std::vector<BYTE> bytes = EncodeSticNote(note, ThreadAnsiCodePage());
    if (!GlobalReAlloc(block, bytes.size(), GMEM_MOVEABLE | GMEM_ZEROINIT))
        return -1;
    DWORD position = 0;
    if (writeToGlobal(block, bytes.data(), static_cast<DWORD>(bytes.size()), position) == 0)
        return -1;
    return static_cast<int>(position);
}
