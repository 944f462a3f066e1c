#include "Preferences.h"

#include <objbase.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cwchar>
#include <iterator>
#include <variant>

#include "CustomColors.h"
#include "DataPaths.h"
#include "LogFile.h"
#include "RegKey.h"
#include "ResModule.h"
#include "Seams.h"
#include "ShellExecSeam.h"
#include "WinVersion.h"
#include "resources/resource.h"

CPreferences g_prefs;

namespace {

using P = CPreferences;

const wchar_t kPreferences[] = L"Preferences";
const wchar_t kEventSounds[] = L"Event Sounds";
const wchar_t kLanguages[] = L"Languages";

// Every kind of field a key fills.
using Field = std::variant<bool P::*, BYTE P::*, short P::*, int P::*, COLORREF P::*,
                           wchar_t (P::*)[LF_FACESIZE], wchar_t (P::*)[P::kPathChars],
                           wchar_t (P::*)[P::kLongTextChars], CStdStr P::*, LOGFONTW P::*,
                           COLORREF (P::*)[kCustomColorCount], std::vector<NamedColor> P::*>;

enum class Rule : uint8_t {
    Plain,        // as read; the field keeps what its width holds
    RedByte,      // one byte of a COLORREF
    GreenByte,
    BlueByte,
    ZeroOrOne,    // values other than 0 and 1, compared unsigned, read as 1
    XpOnly,       // read and written only on Windows XP or later
    FromXpFlag,   // not read: set when the system is Windows XP or later
    MakeGuid,     // a missing value is made, kept in the record and written by the next Save
};

enum class Saved : uint8_t { Yes, No, DeleteWhenEmpty, WhenMade };

struct KeyRow {
    const wchar_t* section;
    const wchar_t* key;            // CustomColor%d: a pattern for the 16 colours
    Field field;
    int defaultValue;
    const wchar_t* defaultText;
    int (*systemDefault)();        // a default that depends on the system, else null
    int minValue;                  // outside the range: the default, logged
    int maxValue;
    int textChars;                 // read limit of the CStdStr and font texts
    Rule rule;
    Saved saved;
};

int MenuAnimationDefault()
{
    BOOL animated = FALSE;
    SystemParametersInfoW(SPI_GETMENUANIMATION, 0, &animated, 0);
    return animated ? 0 : 3;
}

int TaskbarVisibleDefault()
{
    return WindowsVersion().win7 ? 1 : 0;
}

template <class F>
KeyRow Row(const wchar_t* section, const wchar_t* key, F field, int defaultValue, Rule rule = Rule::Plain)
{
    return { section, key, field, defaultValue, L"", nullptr, INT_MIN, INT_MAX, 0, rule, Saved::Yes };
}

template <class F>
KeyRow Int(const wchar_t* key, F field, int defaultValue, Rule rule = Rule::Plain)
{
    return Row(kPreferences, key, field, defaultValue, rule);
}

KeyRow Ranged(const wchar_t* key, int P::*field, int defaultValue, int minValue, int maxValue)
{
    KeyRow row = Int(key, field, defaultValue);
    row.minValue = minValue;
    row.maxValue = maxValue;
    return row;
}

template <class F>
KeyRow SystemDefault(const wchar_t* key, F field, int (*systemDefault)())
{
    KeyRow row = Int(key, field, 0);
    row.systemDefault = systemDefault;
    return row;
}

template <class F>
KeyRow Text(const wchar_t* section, const wchar_t* key, F field, const wchar_t* defaultText,
            Saved saved = Saved::Yes, int textChars = P::kLongTextChars, Rule rule = Rule::Plain)
{
    return { section, key, field, 0, defaultText, nullptr, INT_MIN, INT_MAX, textChars, rule, saved };
}

KeyRow NotSaved(KeyRow row)
{
    row.saved = Saved::No;
    return row;
}

// Every key of the settings record, in the order Save writes them (Load reads
// them in the same order); each key is spelled here only.
const KeyRow kKeys[] = {
    Int(L"InternationalMapping", &P::InternationalMapping, 1),
    Int(L"AutoSave", &P::AutoSave, 1),
    Int(L"ExpiredAlarms", &P::ExpiredAlarms, 1),
    Int(L"AlwaysOnTop", &P::AlwaysOnTop, 1),
    Int(L"HideAllOnStartup", &P::HideAllOnStartup, 0),
    Int(L"ConfirmNoteDelete", &P::ConfirmNoteDelete, 1),
    Int(L"RandomColor", &P::RandomColor, 0),
    Int(L"SmartFit", &P::SmartFit, 1),
    Int(L"SmartSize", &P::SmartSize, 1),
    Int(L"AltTab", &P::AltTab, 0),
    Int(L"EnableCustomColors", &P::EnableCustomColors, 1),
    Int(L"HideToolbar", &P::HideToolbar, 1, Rule::XpOnly),
    Int(L"DefaultRed", &P::DefaultColor, 255, Rule::RedByte),
    Int(L"DefaultGreen", &P::DefaultColor, 255, Rule::GreenByte),
    Int(L"DefaultBlue", &P::DefaultColor, 198, Rule::BlueByte),
    Int(L"DefaultTextRed", &P::DefaultTextColor, 0, Rule::RedByte),
    Int(L"DefaultTextGreen", &P::DefaultTextColor, 0, Rule::GreenByte),
    Int(L"DefaultTextBlue", &P::DefaultTextColor, 0, Rule::BlueByte),
    Int(L"FontHeight", &P::FontHeight, -12),
    Int(L"FontWeight", &P::FontWeight, 400),
    Int(L"FontCharset", &P::FontCharset, 0),
    Text(kPreferences, L"FontName", &P::FontName, L"Verdana"),
    Int(L"Position", &P::Position, 0),
    Int(L"Taskbar Action", &P::TaskbarAction, 0),
    Int(L"PositionX", &P::PositionX, 0x7FFF),
    Int(L"PositionY", &P::PositionY, 0x7FFF),
    Int(L"DefSize", &P::DefSize, 0),
    Int(L"DefPos", &P::DefPos, 0),
    Int(L"DefaultSnoozeTime", &P::DefaultSnoozeTime, 10),
    Text(kPreferences, L"AlarmSound", &P::AlarmSound, L"", Saved::DeleteWhenEmpty),
    Text(kEventSounds, L"CreateNote", &P::CreateNote, L"", Saved::DeleteWhenEmpty),
    Text(kEventSounds, L"DeleteNote", &P::DeleteNote, L"", Saved::DeleteWhenEmpty),
    Text(kEventSounds, L"ShowHideNote", &P::ShowHideNote, L"", Saved::DeleteWhenEmpty),
    Text(kEventSounds, L"NoteReceived", &P::NoteReceived, L"", Saved::DeleteWhenEmpty),
    Text(kLanguages, L"InstalledLanguages", &P::InstalledLanguages, L"US English", Saved::No),
    Text(kLanguages, L"AltResFile", &P::AltResFile, L""),
    NotSaved(Int(L"LessButtons", &P::LessButtons, 0)),
    Ranged(L"NetworkPort", &P::NetworkPort, 3023, 1, 65535),
    Int(L"ReceiveNotify", &P::ReceiveNotify, 1),
    Int(L"DisableNetwork", &P::DisableNetwork, 0),
    Int(L"CheckVersion", &P::CheckVersion, 0),
    Int(L"CheckVersionNumDays", &P::CheckVersionNumDays, 31),
    Int(L"CustomColor%d", &P::CustomColors, 0xFFFFFF),
    Int(L"DefaultAlarmPopup", &P::DefaultAlarmPopup, 0),
    Int(L"DefaultAlarmHide", &P::DefaultAlarmHide, 1),
    Int(L"DefaultAlarmPopupCnt", &P::DefaultAlarmPopupCnt, 1),
    Int(L"DefaultAlarmPopupType", &P::DefaultAlarmPopupType, 1),
    NotSaved(Int(L"DestroyEditWindow", &P::DestroyEditWindow, 0)),
    Int(L"StoreDataInAppData", &P::StoreDataInAppData, 0, Rule::FromXpFlag),
    Int(L"StartupWithWindows", &P::StartupWithWindows, 1),
    Text(kPreferences, L"StartupArguments", &P::StartupArguments, L""),
    Text(kPreferences, L"TitleFont", &P::TitleFont, L""),
    Int(L"AlphaTransparency", &P::AlphaTransparency, 255),
    Text(kPreferences, L"GUID", &P::GUID, L"", Saved::WhenMade, 256, Rule::MakeGuid),
    Int(L"NumRandomColors", &P::RandomColors, 0),
    Text(kPreferences, L"DefaultGroup", &P::DefaultGroup, L""),
    Int(L"ShowTrayBubble", &P::ShowTrayBubble, 1),
    Int(L"MigrateFromOldFile", &P::MigrateFromOldFile, 1),
    Int(L"DisplayAlarmNotification", &P::DisplayAlarmNotification, 1),
    // 0 would divide by zero when the tray menu is built.
    Ranged(L"NotesInSubMenuLimit", &P::NotesInSubMenuLimit, 10, 1, INT_MAX),
    Ranged(L"MenuSplitLimit", &P::MenuSplitLimit, 16, 1, INT_MAX),
    Int(L"GroupsMigrated", &P::GroupsMigrated, 0),
    Int(L"SubMenuSorting", &P::SubMenuSorting, 0, Rule::ZeroOrOne),
    Int(L"AutoFade", &P::AutoFade, 0),
    Int(L"StoreMinimizedPostion", &P::StoreMinimizedPostion, 1),
    Int(L"DontShrinkNoteSize", &P::DontShrinkNoteSize, 0),
    SystemDefault(L"AnimationSpeed", &P::AnimationSpeed, MenuAnimationDefault),
    Int(L"PasteAsText", &P::PasteAsText, 1),
    SystemDefault(L"VisibleInTaskbar", &P::VisibleInTaskbar, TaskbarVisibleDefault),
    Int(L"DisableMagneticDocking", &P::DisableMagneticDocking, 0),
    Int(L"EnableURLDetection", &P::EnableURLDetection, 1),
};

// The six colours a new note may get at random, each named by a string.
const struct {
    UINT nameId;
    COLORREF color;
} kRandomColors[] = {
    { IDS_COLOR_GREEN, 0xB7F4BD }, { IDS_COLOR_YELLOW, 0xB6FFFF }, { IDS_COLOR_BLUE, 0xFDF2C0 },
    { IDS_COLOR_PINK, 0xFEC0FE },  { IDS_COLOR_PURPLE, 0xFECCC5 }, { IDS_COLOR_WHITE, 0xFCFCFC },
};

int ColorShift(Rule rule)
{
    return rule == Rule::GreenByte ? 8 : rule == Rule::BlueByte ? 16 : 0;
}

bool IsColorByte(Rule rule)
{
    return rule == Rule::RedByte || rule == Rule::GreenByte || rule == Rule::BlueByte;
}

CStdStr IndexedKey(const wchar_t* pattern, int index)
{
    CStdStr key;
    key.Format(pattern, index);
    return key;
}

// Blanks, a sign and decimal digits, as "%d" of the scanf family reads them.
// The magnitude stops growing past 32 bits, so an overflow still shows.
bool ScanDecimal(const wchar_t*& text, int64_t& value)
{
    const wchar_t* p = text;
    while (iswspace(*p))
        ++p;
    const bool negative = *p == L'-';
    if (*p == L'-' || *p == L'+')
        ++p;
    if (*p < L'0' || *p > L'9')
        return false;
    constexpr int64_t kPast32Bits = int64_t(UINT32_MAX) + 1;
    int64_t magnitude = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p)
        magnitude = std::min(magnitude * 10 + (*p - L'0'), kPast32Bits);
    value = negative ? -magnitude : magnitude;
    text = p;
    return true;
}

}  // namespace

bool ParseDecimal(const wchar_t* text, int& value)
{
    int64_t number = 0;
    if (!ScanDecimal(text, number))
        return false;
    while (iswspace(*text))
        ++text;
    if (*text != L'\0' || number < INT_MIN || number > INT_MAX)
        return false;
    value = static_cast<int>(number);
    return true;
}

namespace {

// GetPrivateProfileStringW; without a file the default.
DWORD ReadProfileText(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText, wchar_t* buffer,
                      DWORD chars, const wchar_t* iniPath)
{
    if (iniPath[0] != L'\0')
        return GetPrivateProfileStringW(section, key, defaultText, buffer, chars, iniPath);
    const size_t length = std::min<size_t>(wcslen(defaultText), chars - 1);
    wmemcpy(buffer, defaultText, length);
    buffer[length] = L'\0';
    return static_cast<DWORD>(length);
}

CStdStr ReadText(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText, int chars,
                 const wchar_t* iniPath)
{
    std::vector<wchar_t> buffer(static_cast<size_t>(chars) + 1);
    ReadProfileText(section, key, defaultText, buffer.data(), static_cast<DWORD>(chars), iniPath);
    return CStdStr(buffer.data());
}

// A key's value when it is decimal text; false (value untouched) otherwise.
bool ReadDecimal(const wchar_t* section, const wchar_t* key, const wchar_t* iniPath, int& value)
{
    // Longer than any 32-bit number with blanks: cut text must not parse.
    constexpr DWORD kChars = 64;
    wchar_t text[kChars] = {};
    const DWORD length = ReadProfileText(section, key, L"", text, kChars, iniPath);
    return length < kChars - 1 && ParseDecimal(text, value);
}

CStdStr NewGuidText()
{
    ::GUID guid{};
    if (FAILED(CoCreateGuid(&guid)))
        return CStdStr();
    CStdStr text;
    text.Format(L"%08lx-%04lx-%04lx-%02x%02x-%02x%02x%02x%02x%02x%02x", static_cast<unsigned long>(guid.Data1),
                static_cast<unsigned long>(guid.Data2), static_cast<unsigned long>(guid.Data3), guid.Data4[0],
                guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6],
                guid.Data4[7]);
    return text;
}

std::vector<NamedColor> BuiltInRandomColors()
{
    std::vector<NamedColor> colors;
    for (const auto& entry : kRandomColors)
        colors.push_back({ CStdStr(LoadResString(entry.nameId)), entry.color });
    return colors;
}

// Reads one key into the record.
class CKeyReader {
public:
    CKeyReader(P& prefs, const KeyRow& row, const wchar_t* iniPath) : m_prefs(prefs), m_row(row), m_path(iniPath) {}

    template <class T>
    void operator()(T P::*field) const
    {
        if constexpr (std::is_arithmetic_v<T>) {
            const int value = ReadInteger();
            if (IsColorByte(m_row.rule))
                SetColorByte(m_prefs.*field, value);
            else if constexpr (std::is_same_v<T, bool>)
                m_prefs.*field = value != 0;
            else
                m_prefs.*field = static_cast<T>(value);
        } else if constexpr (std::is_array_v<T> && std::is_same_v<std::remove_extent_t<T>, wchar_t>) {
            ReadProfileText(m_row.section, m_row.key, m_row.defaultText, m_prefs.*field,
                            static_cast<DWORD>(std::extent_v<T>), m_path);
        } else if constexpr (std::is_array_v<T>) {
            for (int i = 0; i < kCustomColorCount; ++i)
                (m_prefs.*field)[i] = static_cast<COLORREF>(ReadInteger(IndexedKey(m_row.key, i).c_str()));
            std::copy(std::begin(m_prefs.*field), std::end(m_prefs.*field), CustomColors().begin());
        } else if constexpr (std::is_same_v<T, CStdStr>) {
            m_prefs.*field = ReadText(m_row.section, m_row.key, m_row.defaultText, m_row.textChars, m_path);
        } else if constexpr (std::is_same_v<T, LOGFONTW>) {
            const CStdStr text = ReadText(m_row.section, m_row.key, m_row.defaultText, m_row.textChars, m_path);
            LogFontFromText(text.c_str(), m_prefs.*field);
        } else {
            // The random colours are built in, never read.
            m_prefs.*field = BuiltInRandomColors();
        }
    }

private:
    int DefaultValue() const
    {
        return m_row.systemDefault ? m_row.systemDefault() : m_row.defaultValue;
    }

    int ReadInteger(const wchar_t* key = nullptr) const
    {
        key = key ? key : m_row.key;
        int value = 0;
        if (!ReadDecimal(m_row.section, key, m_path, value))
            return DefaultValue();
        if (value < m_row.minValue || value > m_row.maxValue) {
            QLOG(L"Setting %s=%d out of range, using %d", key, value, DefaultValue());
            return DefaultValue();
        }
        if (m_row.rule == Rule::ZeroOrOne && static_cast<unsigned>(value) > 1)
            return 1;
        return value;
    }

    void SetColorByte(COLORREF& color, int value) const
    {
        const int shift = ColorShift(m_row.rule);
        color = (color & ~(COLORREF(0xFF) << shift)) | (COLORREF(value & 0xFF) << shift);
    }

    template <class T>
    void SetColorByte(T&, int) const
    {
    }

    P& m_prefs;
    const KeyRow& m_row;
    const wchar_t* m_path;
};

// Writes one key from the record; false when a write failed.
class CKeyWriter {
public:
    CKeyWriter(P& prefs, const KeyRow& row, const wchar_t* iniPath) : m_prefs(prefs), m_row(row), m_path(iniPath) {}

    template <class T>
    bool operator()(T P::*field) const
    {
        if constexpr (std::is_arithmetic_v<T>) {
            return WriteInteger(m_row.key, IntegerOf(m_prefs.*field));
        } else if constexpr (std::is_array_v<T> && std::is_same_v<std::remove_extent_t<T>, wchar_t>) {
            const wchar_t* text = m_prefs.*field;
            const bool remove = m_row.saved == Saved::DeleteWhenEmpty && text[0] == L'\0';
            return MyWritePrivateProfileString(m_row.section, m_row.key, remove ? nullptr : text, m_path);
        } else if constexpr (std::is_array_v<T>) {
            std::copy(CustomColors().begin(), CustomColors().end(), std::begin(m_prefs.*field));
            bool written = true;
            for (int i = 0; i < kCustomColorCount; ++i)
                written &= WriteInteger(IndexedKey(m_row.key, i).c_str(), static_cast<int>((m_prefs.*field)[i]));
            return written;
        } else if constexpr (std::is_same_v<T, CStdStr>) {
            return MyWritePrivateProfileString(m_row.section, m_row.key, (m_prefs.*field).c_str(), m_path);
        } else if constexpr (std::is_same_v<T, LOGFONTW>) {
            return MyWritePrivateProfileString(m_row.section, m_row.key, LogFontToText(m_prefs.*field).c_str(), m_path);
        } else {
            return WriteRandomColors(m_prefs.*field);
        }
    }

private:
    template <class T>
    int IntegerOf(T value) const
    {
        if constexpr (std::is_same_v<T, COLORREF>)
            return IsColorByte(m_row.rule) ? static_cast<int>((value >> ColorShift(m_row.rule)) & 0xFF)
                                           : static_cast<int>(value);
        else
            return static_cast<int>(value);
    }

    bool WriteInteger(const wchar_t* key, int value) const
    {
        return MyWritePrivateProfileInt(m_row.section, key, value, m_path);
    }

    bool WriteRandomColors(const std::vector<NamedColor>& colors) const
    {
        bool written = WriteInteger(m_row.key, static_cast<int>(colors.size()));
        for (size_t i = 0; i < colors.size(); ++i) {
            const int index = static_cast<int>(i);
            written &= WriteInteger(IndexedKey(L"RandomColor%d", index).c_str(), static_cast<int>(colors[i].color));
            written &= MyWritePrivateProfileString(m_row.section, IndexedKey(L"RandomColorName%d", index).c_str(),
                                                   colors[i].name.c_str(), m_path);
        }
        return written;
    }

    P& m_prefs;
    const KeyRow& m_row;
    const wchar_t* m_path;
};

bool SkippedOnThisSystem(const KeyRow& row)
{
    return row.rule == Rule::XpOnly && !WindowsVersion().winXP;
}

}  // namespace

bool CPreferences::Load()
{
    return LoadFrom(GetDataPath(EDataPath::Settings));
}

bool CPreferences::LoadFrom(const wchar_t* iniPath)
{
    const bool named = SetIniPath(iniPath);
    LoadKeys();
    return named && m_iniPath[0] != L'\0';
}

bool CPreferences::SetIniPath(const wchar_t* iniPath)
{
    const size_t length = wcslen(iniPath);
    if (length >= kPathChars) {
        QLOG(L"CPreferences settings path too long (%s)", iniPath);
        m_iniPath[0] = L'\0';
        return false;
    }
    wmemcpy(m_iniPath, iniPath, length + 1);
    return true;
}

void CPreferences::LoadKeys()
{
    m_guidMade = false;
    for (const KeyRow& row : kKeys) {
        if (SkippedOnThisSystem(row))
            continue;
        if (row.rule == Rule::FromXpFlag) {
            this->*std::get<bool P::*>(row.field) = WindowsVersion().winXP;
            continue;
        }
        if (row.rule == Rule::MakeGuid && m_iniPath[0] == L'\0') {
            GUID.clear();
            continue;
        }
        std::visit(CKeyReader(*this, row, m_iniPath), row.field);
        if (row.rule == Rule::MakeGuid && GUID.empty()) {
            // Load writes nothing: a write here would rewrite the file from
            // what was parsed, losing whatever the parser could not read.
            GUID = NewGuidText();
            m_guidMade = !GUID.empty();
        }
    }
}

bool CPreferences::Save()
{
    if (m_iniPath[0] == L'\0') {
        QLOG(L"CPreferences::Save has no settings file to write");
        return false;
    }
    bool written = true;
    for (const KeyRow& row : kKeys) {
        if (row.saved == Saved::No || (row.saved == Saved::WhenMade && !m_guidMade) || SkippedOnThisSystem(row))
            continue;
        const bool rowWritten = std::visit(CKeyWriter(*this, row, m_iniPath), row.field);
        if (row.saved == Saved::WhenMade && rowWritten)
            m_guidMade = false;
        written &= rowWritten;
    }
    return written;
}

void PrepareUnicodeIniFile(const wchar_t* iniPath)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    const bool exists = GetFileAttributesExW(iniPath, GetFileExInfoStandard, &data) != FALSE;
    if (exists && (data.nFileSizeLow != 0 || data.nFileSizeHigh != 0 || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)))
        return;
    CWinFile file;
    if (!file.Open(iniPath, CWinFile::accessReadWrite | CWinFile::shareRead | CWinFile::noInherit |
                                CWinFile::create | CWinFile::keepContent))
        return;
    static const BYTE kUtf16LeMark[] = { 0xFF, 0xFE };
    if (file.GetLength() == 0)
        file.Write(kUtf16LeMark, sizeof kUtf16LeMark);
}

bool MyWritePrivateProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* text,
                                 const wchar_t* iniPath)
{
    if (text)
        PrepareUnicodeIniFile(iniPath);
    if (WritePrivateProfileStringW(section, key, text, iniPath))
        return true;
    QLOG(L"Failed to WritePrivateProfileString to (%08lx) (%s, %s, %s) to %s", GetLastError(), section, key,
         text ? text : L"(null)", iniPath);
    return false;
}

bool MyWritePrivateProfileInt(const wchar_t* section, const wchar_t* key, int value, const wchar_t* iniPath)
{
    wchar_t text[16] = {};
    FormatText(text, 16, L"%d", value);
    PrepareUnicodeIniFile(iniPath);
    if (WritePrivateProfileStringW(section, key, text, iniPath))
        return true;
    QLOG(L"Failed to MyWritePrivateProfileInt to (%08lx) (%s, %s, %s) to %s", GetLastError(), section, key, text,
         iniPath);
    return false;
}

int ReadPrivateProfileInt(const wchar_t* section, const wchar_t* key, int defaultValue, const wchar_t* iniPath)
{
    int value = defaultValue;
    return ReadDecimal(section, key, iniPath, value) ? value : defaultValue;
}

std::vector<SProfileLine> ReadProfileSection(const wchar_t* section, const wchar_t* iniPath)
{
    // A section that does not fit comes back cut, with the length size - 2.
    constexpr size_t kMostChars = size_t{1} << 26;
    std::vector<wchar_t> buffer(4096);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = GetPrivateProfileSectionW(section, buffer.data(), size, iniPath);
        if (length != size - 2 || buffer.size() >= kMostChars)
            break;
        buffer.assign(buffer.size() * 2, L'\0');
    }
    std::vector<SProfileLine> lines;
    for (const wchar_t* line = buffer.data(); *line; line += wcslen(line) + 1) {
        const wchar_t* equals = wcschr(line, L'=');
        if (equals)
            lines.push_back({CStdStr(line, equals - line), CStdStr(equals + 1)});
    }
    return lines;
}

CStdStr LogFontToText(const LOGFONTW& font)
{
    CStdStr text;
    text.FormatLogFont(font);
    return text;
}

namespace {

bool ScanLiteral(const wchar_t*& text, wchar_t c)
{
    if (*text != c)
        return false;
    ++text;
    return true;
}

// The face after the opening quote: 1 to 31 characters up to a quote. An
// empty face ("") fails the field, so the text gives the fallback font.
bool ScanFace(const wchar_t* text, wchar_t (&face)[LF_FACESIZE])
{
    int length = 0;
    while (length < LF_FACESIZE - 1 && text[length] != L'\0' && text[length] != L'"')
        ++length;
    if (length == 0)
        return false;
    wmemcpy(face, text, static_cast<size_t>(length));
    face[length] = L'\0';
    return true;
}

// The 13 numbers and the face; returns how many of the 14 fields were read.
int ScanLogFont(const wchar_t* text, LOGFONTW& font)
{
    LONG* const longs[] = { &font.lfHeight, &font.lfWidth, &font.lfEscapement, &font.lfOrientation, &font.lfWeight };
    BYTE* const bytes[] = { &font.lfItalic, &font.lfUnderline, &font.lfStrikeOut, &font.lfCharSet,
                            &font.lfOutPrecision, &font.lfClipPrecision, &font.lfQuality, &font.lfPitchAndFamily };
    int read = 0;
    int64_t value = 0;
    for (LONG* field : longs) {
        if (!ScanDecimal(text, value))
            return read;
        *field = static_cast<LONG>(value);
        ++read;
        if (!ScanLiteral(text, L','))
            return read;
    }
    for (BYTE* field : bytes) {
        if (!ScanDecimal(text, value))
            return read;
        *field = static_cast<BYTE>(value);
        ++read;
        if (!ScanLiteral(text, L','))
            return read;
    }
    if (!ScanLiteral(text, L'"') || !ScanFace(text, font.lfFaceName))
        return read;
    return read + 1;
}

}  // namespace

void LogFontFromText(const wchar_t* text, LOGFONTW& font)
{
    font = LOGFONTW{};
    if (ScanLogFont(text ? text : L"", font) == 14)
        return;
    font.lfHeight = -10;
    font.lfClipPrecision = 0x12;
    font.lfQuality = 0;
    font.lfPitchAndFamily = FF_SWISS;
}

namespace {

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kRunValue[] = L"Quillet";

CStdStr ProgramPath()
{
    wchar_t path[MAX_PATH] = {};
    if (!g_folderRootsSeam.programFile(path))
        path[0] = L'\0';
    return CStdStr(path);
}

// Whether the Run value in the hive agrees with the setting: present and
// exactly the wanted REG_SZ text when on, absent (or no key) when off.
bool StartupRegAgrees(HKEY hive, bool startWithWindows, const CStdStr& wanted)
{
    CRegKeyHandle key;
    if (key.Open(hive, kRunKey, KEY_READ) != ERROR_SUCCESS)
        return !startWithWindows;
    // Room for the wanted text, its terminator and one more character, so a
    // longer value can never look equal.
    std::vector<wchar_t> value(wanted.size() + 2);
    DWORD type = 0;
    DWORD bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    const LONG result = RegQueryValueExW(key.Get(), kRunValue, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &bytes);
    if (!startWithWindows)
        return result == ERROR_FILE_NOT_FOUND;
    const DWORD wantedBytes = static_cast<DWORD>((wanted.size() + 1) * sizeof(wchar_t));
    return result == ERROR_SUCCESS && type == REG_SZ && bytes == wantedBytes && value[wanted.size()] == L'\0'
           && wanted.compare(0, wanted.size(), value.data(), wanted.size()) == 0;
}

void DeleteRunValue(HKEY hive)
{
    CRegKeyHandle key;
    if (key.Open(hive, kRunKey, KEY_READ | KEY_WRITE) == ERROR_SUCCESS)
        RegDeleteValueW(key.Get(), kRunValue);
}

void WriteRunValue(HKEY hive, HKEY otherHive, const CStdStr& wanted)
{
    CRegKeyHandle key;
    const LONG opened = key.Open(hive, kRunKey, KEY_READ | KEY_WRITE);
    if (opened != ERROR_SUCCESS) {
        QLOG(L"Open failed (%dx).", opened);
    } else {
        const DWORD bytes = static_cast<DWORD>((wanted.size() + 1) * sizeof(wchar_t));
        const LONG set = RegSetValueExW(key.Get(), kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(wanted.c_str()), bytes);
        if (set != ERROR_SUCCESS)
            QLOG(L"SetStringValue Quillet=%s failed (%d).", wanted.c_str(), set);
    }
    DeleteRunValue(otherHive);
}

// Starts the elevated helper, which writes the value with the rights the
// program lacks; false when it could not be started.
bool StartElevatedHelper(const wchar_t* iniPath, const CStdStr& programPath)
{
    wchar_t helper[MAX_PATH] = {};
    if (!PathInFolderOf(programPath.c_str(), L"Upraise64", L"exe", helper)) {
        QLOG(L"ShellExecute failed (%d).", ERROR_BAD_PATHNAME);
        return false;
    }
    CStdStr parameters;
    parameters.Format(L"/i \"%s\" /e \"%s\"", iniPath, programPath.c_str());
    const HINSTANCE started = g_shellExecuteSeam.shellExecute(nullptr, L"open", helper, parameters.c_str(), nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(started) <= 32) {
        QLOG(L"ShellExecute failed (%d).", GetLastError());
        return false;
    }
    return true;
}

}  // namespace

void UpdateStartupReg(const CPreferences& prefs)
{
    const CStdStr programPath = ProgramPath();
    CStdStr wanted;
    wanted.Format(L"\"%s\" %s", programPath.c_str(), prefs.StartupArguments);
    wanted.Trim();
    const HKEY hive = prefs.StoreDataInAppData ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    const HKEY otherHive = prefs.StoreDataInAppData ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    const bool on = prefs.StartupWithWindows;
    if (StartupRegAgrees(hive, on, wanted))
        return;

    if (on) {
        WriteRunValue(hive, otherHive, wanted);
    } else {
        DeleteRunValue(hive);
        if (prefs.StoreDataInAppData)
            DeleteRunValue(HKEY_LOCAL_MACHINE);
    }
    if (StartupRegAgrees(hive, on, wanted))
        return;
    QLOG(L"UpdateStartupReg blocked (%s) before trying with UAC trying to write to registry.", wanted.c_str());
    if (!WindowsVersion().vista || !StartElevatedHelper(prefs.IniPath(), programPath))
        return;
    if (!StartupRegAgrees(hive, on, wanted))
        QLOG(L"UpdateStartupReg blocked (%s) after UAC.", wanted.c_str());
}

bool CPreferences::SaveStartupSettings()
{
    const Field startupFields[] = {&P::StartupWithWindows, &P::StartupArguments};
    bool written = m_iniPath[0] != L'\0';
    for (const KeyRow& row : kKeys) {
        const bool wanted = std::find(std::begin(startupFields), std::end(startupFields), row.field) !=
                            std::end(startupFields);
        if (written && wanted)
            written = std::visit(CKeyWriter(*this, row, m_iniPath), row.field);
    }
    return written;
}
