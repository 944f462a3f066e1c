#include "Note.h"

#include "groups.h"
#include "notemgr.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "notewindows/NoteEditWnd.h"
#include "resources/resource.h"
#include "toolkit/ColorMath.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <type_traits>

static_assert(std::is_standard_layout_v<NoteRow>, "the columns are addressed with offsetof");
static_assert(sizeof(WINDOWPLACEMENT) == 44 && sizeof(RECT) == 16, "stored as blobs of these sizes");

namespace {

const SQLiteColumnDesc kNoteColumns[] = {
    {offsetof(NoteRow, id), L"id", eColRowId, 0},
    {offsetof(NoteRow, name), L"name", eColText, 0},
    {offsetof(NoteRow, style), L"style", eColUInt32, 0},
    {offsetof(NoteRow, color), L"color", eColUInt32, 0},
    {offsetof(NoteRow, colorBk), L"colorbk", eColUInt32, 0},
    {offsetof(NoteRow, visible), L"visible", eColBool, 0},
    {offsetof(NoteRow, textFont), L"textfont", eColText, 0},
    {offsetof(NoteRow, colorText), L"colortext", eColUInt32, 0},
    {offsetof(NoteRow, password), L"password", eColText, 0},
    {offsetof(NoteRow, creator), L"creator", eColText, 0},
    {offsetof(NoteRow, creationDate), L"creationdate", eColDate, 0},
    {offsetof(NoteRow, lastUpdateDate), L"lastupdatedate", eColDate, 0},
    {offsetof(NoteRow, placement), L"wndplacement", eColBinary, sizeof(NoteRow::placement)},
    {offsetof(NoteRow, locked), L"locked", eColBool, 0},
    {offsetof(NoteRow, transparency), L"transparency", eColInt32, 0},
    {offsetof(NoteRow, guid), L"guid", eColText, 0},
    {offsetof(NoteRow, group), L"group", eColInt64, 0},
    {offsetof(NoteRow, colorGroup), L"colorgroup", eColUInt32, 0},
    {offsetof(NoteRow, minimizeRect), L"rcMinimize", eColBinary, sizeof(NoteRow::minimizeRect)},
    {offsetof(NoteRow, text), L"text", eColLongText, 0},
    {offsetof(NoteRow, alarm.popupDate), L"alarm_popup", eColDate, 0},
    {offsetof(NoteRow, alarm.alarmDate), L"alarm_alarm", eColDate, 0},
    {offsetof(NoteRow, alarm.soundFile), L"alarm_soundfile", eColText, 0},
    {offsetof(NoteRow, alarm.executeCmd), L"alarm_executecmd", eColText, 0},
    {offsetof(NoteRow, alarm.flags), L"alarm_alarmflags", eColUInt32, 0},
    {offsetof(NoteRow, alarm.frequency), L"alarm_frequency", eColInt32, 0},
    {offsetof(NoteRow, alarm.snoozeTime), L"alarm_snoozetime", eColInt32, 0},
    {offsetof(NoteRow, alarm.period), L"alarm_period", eColInt32, 0},
    {offsetof(NoteRow, alarm.periodCount), L"alarm_periodcnt", eColInt32, 0},
    {offsetof(NoteRow, alarm.calculatedDate), L"alarm_calculated", eColDate, 0},
    {offsetof(NoteRow, displayName), L"displayname", eColText, 0},
    {offsetof(NoteRow, displayText), L"displaytext", eColLongText, 0},
    {offsetof(NoteRow, minimizePos), L"rcMinimizePos", eColBinary, sizeof(NoteRow::minimizePos)},
    {offsetof(NoteRow, autoResize), L"autoresize", eColBool, 0},
    {},
};

constexpr size_t kFirstLineChars = 65;
constexpr size_t kUnbrokenTextChars = 255;
constexpr std::int64_t kUntitledModulus = 0xFFFFFF;

// The first count characters, one fewer when the cut would split a surrogate pair.
CStdStr LeadingChars(const CStdStr& text, size_t count)
{
    if (count >= text.size())
        return text;
    if (count > 0 && IS_HIGH_SURROGATE(text[count - 1]))
        --count;
    return text.substr(0, count);
}

bool SameDate(const COleDateTime& a, const COleDateTime& b)
{
    return a.GetStatus() == b.GetStatus() && a.m_dt == b.m_dt;
}

bool HexDigits(const wchar_t* text, int digits, unsigned long long& value)
{
    value = 0;
    for (int i = 0; i < digits; ++i) {
        const wchar_t c = text[i];
        unsigned digit = 0;
        if (c >= L'0' && c <= L'9')
            digit = c - L'0';
        else if (c >= L'a' && c <= L'f')
            digit = c - L'a' + 10;
        else if (c >= L'A' && c <= L'F')
            digit = c - L'A' + 10;
        else
            return false;
        value = value * 16 + digit;
    }
    return true;
}

} // namespace

CStdStr GuidToText(const GUID& guid)
{
    CStdStr text;
    text.Format(L"{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1, guid.Data2, guid.Data3,
                guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                guid.Data4[6], guid.Data4[7]);
    return text;
}

GUID TextToGuid(const wchar_t* text)
{
    if (!text || wcsnlen(text, 39) != 38 || text[0] != L'{' || text[37] != L'}')
        return GUID{};
    for (const int dash : {9, 14, 19, 24})
        if (text[dash] != L'-')
            return GUID{};
    GUID guid = {};
    unsigned long long value = 0;
    if (!HexDigits(text + 1, 8, value))
        return GUID{};
    guid.Data1 = static_cast<unsigned long>(value);
    if (!HexDigits(text + 10, 4, value))
        return GUID{};
    guid.Data2 = static_cast<unsigned short>(value);
    if (!HexDigits(text + 15, 4, value))
        return GUID{};
    guid.Data3 = static_cast<unsigned short>(value);
    const int byteStarts[] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!HexDigits(text + byteStarts[i], 2, value))
            return GUID{};
        guid.Data4[i] = static_cast<unsigned char>(value);
    }
    return guid;
}

CStdStr FontToText(const LOGFONTW& font)
{
    return LogFontToText(font);
}

void TextToFont(const wchar_t* text, LOGFONTW& font)
{
    LogFontFromText(text, font);
}

// ---------------------------------------------------------------- CNote

CNote::CNote() : CSQLiteBase(m_row, kNoteColumns, L"notes", L"note")
{
    m_row.creationDate = COleDateTime::Now();
    m_row.lastUpdateDate = m_row.creationDate;
}

CNote::~CNote()
{
    DestroyNoteWindow(true);
}

CStdStr CNote::MakeDisplayName(std::int64_t id, const CStdStr& name, const CStdStr& plainText)
{
    if (!name.empty())
        return name;
    CStdStr displayName;
    const size_t lineFeed = plainText.find(L'\n');
    if (lineFeed == CStdStr::npos) {
        displayName = LeadingChars(plainText, kUnbrokenTextChars);
    } else {
        const size_t lineEnd = lineFeed > 0 && plainText[lineFeed - 1] == L'\r' ? lineFeed - 1 : lineFeed;
        displayName = LeadingChars(plainText, std::min(lineEnd, kFirstLineChars));
    }
    if (displayName.empty())
        displayName.Format(LoadResString(IDS_UNTITLED_NOTE), static_cast<int>(id % kUntitledModulus));
    return displayName;
}

CStdStr CNote::GetDisplayName()
{
    // Without an editor the stored text is the plain text: no copy of it.
    const CStdStr displayName =
        m_editor ? MakeDisplayName(m_row.id, m_row.name, GetPlainText()) : MakeDisplayName(m_row.id, m_row.name, m_row.text);
    if (displayName != m_row.displayName) {
        m_row.displayName = displayName;
        MarkChanged();
    }
    return displayName;
}

void CNote::TouchUpdateDate()
{
    m_row.lastUpdateDate = COleDateTime::Now();
}

void CNote::MarkChanged()
{
    TouchUpdateDate();
    m_modified = true;
}

void CNote::SetPassword(const CStdStr& password)
{
    if (password == m_row.password)
        return;
    m_row.password = password;
    MarkChanged();
}

void CNote::SetCreationDate(const COleDateTime& date)
{
    if (SameDate(date, m_row.creationDate))
        return;
    m_row.creationDate = date;
    MarkChanged();
}

void CNote::SetLastUpdateDate(const COleDateTime& date)
{
    if (SameDate(date, m_row.lastUpdateDate))
        return;
    m_row.lastUpdateDate = date;
    m_modified = true;
}

void CNote::SetWindowPlacement(const WINDOWPLACEMENT& placement)
{
    if (std::memcmp(&placement, &m_row.placement, sizeof(placement)) == 0)
        return;
    m_row.placement = placement;
    MarkChanged();
}

void CNote::SetMinimizeRect(const RECT& rect)
{
    if (EqualRect(&rect, &m_row.minimizeRect))
        return;
    m_row.minimizeRect = rect;
    MarkChanged();
}

void CNote::SetGroupId(std::int64_t group)
{
    if (group == m_row.group)
        return;
    m_row.group = group;
    MarkChanged();
}

namespace {

// Marks a colour as a note colour (not a palette index).
constexpr COLORREF kNoteColorFlag = 0x02000000;

// The background shade: half the lightness of a light colour, twice that of a
// dark one, and a mid shade for black.
COLORREF BackgroundShadeOf(COLORREF color)
{
    float hue = 0.0f;
    float saturation = 0.0f;
    float lightness = 0.0f;
    RgbToHsl(color & 0xFFFFFF, hue, saturation, lightness);
    float shade = lightness > 0.25f ? lightness / 2.0f : lightness * 2.0f;
    if (shade < 0.01f)
        shade = 0.25f;
    return HslToRgb(hue, saturation, shade);
}

} // namespace

void CNote::SetColor(COLORREF color)
{
    const COLORREF noteColor = (color & 0xFFFFFF) | kNoteColorFlag;
    if (noteColor != m_row.color) {
        m_row.color = noteColor;
        MarkChanged();
    }
    m_row.colorBk = BackgroundShadeOf(noteColor);
    ApplyWindowColor();
}

bool CNote::SetGroup(std::int64_t group, COLORREF groupColor, bool store)
{
    if (group > 0) {
        if (CGroups::FindById(group)) {
            if (groupColor != m_row.colorGroup) {
                m_row.colorGroup = groupColor;
                MarkChanged();
            }
            SetColor(groupColor);
        } else {
            group = kNoGroup;
        }
    }
    if (group == m_row.group)
        return false;
    SetGroupId(group);
    CNoteManager& manager = NoteManager();
    if (store)
        manager.StoreNote(this);
    manager.NotifyDisplay(this, CNoteManager::eNoteChanged);
    // Said beside the note only while it can be seen.
    if (m_hwnd && IsWindowVisible(m_hwnd)) {
        const CGroup* const joined = group > 0 ? CGroups::FindById(group) : nullptr;
        const CStdStr text = joined ? joined->GetName() : CStdStr(L"Group removed");
        manager.NotifyWindow().Show(m_hwnd, text.c_str());
    }
    return true;
}

void CNote::SetGuid(const GUID& guid)
{
    m_guid = guid;
    const CStdStr text = GuidToText(guid);
    if (text == m_row.guid)
        return;
    m_row.guid = text;
    MarkChanged();
}

void CNote::SetGuidText(const CStdStr& text)
{
    m_guid = TextToGuid(text.c_str());
    m_row.guid = text;
}

bool CNote::SetFont(const LOGFONTW& font)
{
    if (const HWND editor = GetEditHwnd()) {
        const HFONT created = CreateFontIndirectW(&font);
        if (!created)
            return false;
        SendMessageW(editor, WM_SETFONT, reinterpret_cast<WPARAM>(created), TRUE);
        m_font.Reset(created);
    }
    m_logFont = font;
    const CStdStr text = FontToText(font);
    if (text != m_row.textFont) {
        m_row.textFont = text;
        MarkChanged();
    }
    return true;
}

bool CNote::SetFontText(const wchar_t* text)
{
    LOGFONTW font = {};
    TextToFont(text, font);
    return SetFont(font);
}
