// The settings record: every user setting of the program in one process-wide
// CPreferences, loaded from and saved to RERUZADU.INI in the data folder; the
// profile writers every component uses for its own INI sections; the text
// form of a font; and the start-with-Windows registry value.
#pragma once

#include <windows.h>

#include <vector>

#include "StdStr.h"

struct NamedColor {
    CStdStr name;
    COLORREF color = 0;
};

// The fields carry the names of their keys in the settings file. A flag holds
// 0 or 1. Copying copies every field, texts and lists included.
class CPreferences {
public:
    static constexpr int kPathChars = MAX_PATH;
    static constexpr int kLongTextChars = 1024;

    wchar_t FontName[LF_FACESIZE] = {};   // at most 31 characters: fits a LOGFONTW face
    short FontHeight = 0;
    short FontWeight = 0;
    BYTE FontCharset = 0;
    LOGFONTW TitleFont = {};
    COLORREF DefaultColor = 0;            // DefaultRed, DefaultGreen, DefaultBlue
    bool AutoSave = false;
    BYTE Position = 0;                    // toolbar corner
    BYTE TaskbarAction = 0;               // "Taskbar Action"
    bool ExpiredAlarms = false;
    bool AlwaysOnTop = false;
    bool HideToolbar = false;
    bool HideAllOnStartup = false;
    int PositionX = 0;                    // saved toolbar point; 0x7FFF when unset
    int PositionY = 0;
    wchar_t AlarmSound[kPathChars] = {};
    COLORREF DefaultTextColor = 0;        // DefaultTextRed, DefaultTextGreen, DefaultTextBlue
    BYTE DefSize = 0;
    BYTE DefPos = 0;
    bool InternationalMapping = false;
    bool ConfirmNoteDelete = false;
    bool RandomColor = false;
    wchar_t CreateNote[kPathChars] = {};  // "Event Sounds"
    wchar_t DeleteNote[kPathChars] = {};
    wchar_t ShowHideNote[kPathChars] = {};
    wchar_t NoteReceived[kPathChars] = {};
    wchar_t AltResFile[kPathChars] = {};  // "Languages"
    int DefaultSnoozeTime = 0;
    bool SmartFit = false;
    bool SmartSize = false;
    wchar_t InstalledLanguages[kLongTextChars] = {};  // "Languages"
    bool EnableCustomColors = false;
    bool AltTab = false;
    bool LessButtons = false;
    int NetworkPort = 0;
    bool ReceiveNotify = false;
    COLORREF CustomColors[16] = {};       // CustomColor0 to CustomColor15
    bool DefaultAlarmPopup = false;
    bool DefaultAlarmHide = false;
    int DefaultAlarmPopupCnt = 0;
    int DefaultAlarmPopupType = 0;
    bool DestroyEditWindow = false;
    bool StoreDataInAppData = false;
    bool StartupWithWindows = false;
    wchar_t StartupArguments[kLongTextChars] = {};
    BYTE AlphaTransparency = 0;
    bool DisableNetwork = false;
    CStdStr GUID;
    bool CheckVersion = false;
    int CheckVersionNumDays = 0;
    std::vector<NamedColor> RandomColors;
    CStdStr DefaultGroup;
    bool ShowTrayBubble = false;
    bool MigrateFromOldFile = false;
    bool DisplayAlarmNotification = false;
    int NotesInSubMenuLimit = 0;
    int MenuSplitLimit = 0;
    int GroupsMigrated = 0;
    int SubMenuSorting = 0;
    bool StoreMinimizedPostion = false;
    bool DontShrinkNoteSize = false;
    int AnimationSpeed = 0;
    bool PasteAsText = false;
    bool VisibleInTaskbar = false;
    bool DisableMagneticDocking = false;
    int AutoFade = 0;
    bool EnableURLDetection = false;

    // Reads every key from the settings file of the data paths (a missing file
    // or key gives its default); fills the custom colours of the picker and
    // makes a new GUID when there is none, which the next Save writes. Writes
    // nothing. False when the path is too long: the record then holds the
    // defaults.
    bool Load();
    bool LoadFrom(const wchar_t* iniPath);

    // Names the file Load reads and Save writes. A path that does not fit
    // names no file (logged) and gives false: a cut path would name another.
    bool SetIniPath(const wchar_t* iniPath);

    // Writes every saved key to the record's file; copies the picker's custom
    // colours into the record first. Goes on after a failed write and returns
    // false when any write failed.
    bool Save();
    // Writes only StartupWithWindows and StartupArguments, as Save writes
    // them; false when a write failed or no file is named.
    bool SaveStartupSettings();

    // The settings file this record was loaded from.
    const wchar_t* IniPath() const { return m_iniPath; }

private:
    void LoadKeys();

    wchar_t m_iniPath[kPathChars] = {};
    bool m_guidMade = false;  // the GUID was made by Load and is not in the file yet
};

// The one process-wide record.
extern CPreferences g_prefs;

// A missing or empty INI file gets a UTF-16LE byte-order mark, so the profile
// functions keep any text in it; an existing file stays as it is.
void PrepareUnicodeIniFile(const wchar_t* iniPath);

// WritePrivateProfileStringW; a null text deletes the key. A failure is logged
// with the error and the arguments, and gives false.
bool MyWritePrivateProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* text,
                                 const wchar_t* iniPath);
// The value as signed decimal text, written as above.
bool MyWritePrivateProfileInt(const wchar_t* section, const wchar_t* key, int value, const wchar_t* iniPath);

// Decimal text with blanks around it, within 32 bits; false (value untouched)
// for anything else.
bool ParseDecimal(const wchar_t* text, int& value);

// Reads an integer key: only decimal text (blanks around it, 32-bit range)
// counts; anything else, or a missing or empty key, gives the default.
int ReadPrivateProfileInt(const wchar_t* section, const wchar_t* key, int defaultValue, const wchar_t* iniPath);

// One "key=value" line of a section, split at its first "=".
struct SProfileLine {
    CStdStr key;
    CStdStr value;
};
// Every line of the section that holds a "=", in file order. The whole
// section is read however long it is: a short buffer would drop lines, and a
// caller that writes the section back would delete them.
std::vector<SProfileLine> ReadProfileSection(const wchar_t* section, const wchar_t* iniPath);

// "height,width,...,pitch and family,"face"" (byte fields as unsigned numbers).
CStdStr LogFontToText(const LOGFONTW& font);
// Parses the text form. When fewer than all 14 fields are read, the fields read
// keep their values and height -10, clip precision 0x12, quality 0 and pitch
// and family FF_SWISS are set (an empty face counts as not read); the face
// is cut to 31 characters.
void LogFontFromText(const wchar_t* text, LOGFONTW& font);

// Makes the Run value "Quillet" match StartupWithWindows and StartupArguments,
// in the current user's hive when StoreDataInAppData is set, else the
// machine's; falls back to the elevated helper when the registry refuses.
void UpdateStartupReg(const CPreferences& prefs);
