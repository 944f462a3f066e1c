// One sticky note: one row of the table `notes` and, while it is shown, one
// note window with its editor. This is the record side: the columns, the
// values of a new note, the setters that keep the update date and the
// modified flag, the display name, and the text forms of a GUID and a LOGFONT.
// The manager owns every note; notes are never copied.
#pragma once

#include "NoteAlarm.h"
#include "NoteAttachment.h"
#include "NoteSearch.h"
#include "SQLiteHelp.h"
#include "foundation/StdStr.h"
#include "framework/GdiObject.h"
#include "framework/OleDateTime.h"
#include "notewindows/UrlDetect.h"

#include <windows.h>

#include <cstdint>
#include <vector>

class CNoteManager;
struct CNoteDisplayInfo;

// The stored columns of a note, in table order; the alarm record fills
// columns 21 to 30.
struct NoteRow {
    std::int64_t id = -1;
    CStdStr name;                   // the user's title; empty = none
    std::uint32_t style = 0;        // alignment: 0 left, 1 centre, 2 right
    std::uint32_t color = 0;
    std::uint32_t colorBk = 0;
    bool visible = false;
    CStdStr textFont;               // FontToText form
    std::uint32_t colorText = 0;
    CStdStr password;
    CStdStr creator;                // carried, never set by the program
    COleDateTime creationDate;
    COleDateTime lastUpdateDate;
    WINDOWPLACEMENT placement = {};
    bool locked = false;
    std::int32_t transparency = 0;  // 1..255; 0 and 255 are opaque
    CStdStr guid;                   // GuidToText form
    std::int64_t group = 0;         // 0 = no group
    std::uint32_t colorGroup = 0;
    RECT minimizeRect = {};
    CStdStr text;                   // plain text
    CNoteAlarm alarm;
    CStdStr displayName;
    CStdStr displayText;            // RTF beginning "{\rtf", or plain text
    RECT minimizePos = {};
    bool autoResize = true;
};

// "{" 8-4-4-4-12 upper-case hex digits "}".
CStdStr GuidToText(const GUID& guid);
// Only the braced 38-character form (hex in either case); anything else gives
// the zero GUID.
GUID TextToGuid(const wchar_t* text);

// The font's text form, as the settings keep the title font.
CStdStr FontToText(const LOGFONTW& font);
// A text not in that form, or with an empty face in quotes, gives the
// fallback font; the face is cut to 31 characters.
void TextToFont(const wchar_t* text, LOGFONTW& font);

class CNote : public CSQLiteBase {
public:
    CNote();
    ~CNote() override;

    // The display name of a note with that id, title and plain text.
    static CStdStr MakeDisplayName(std::int64_t id, const CStdStr& name, const CStdStr& plainText);
    // Refreshes `displayname` (touch, modified when it changes) and returns it.
    CStdStr GetDisplayName();
    // The plain text: the editor's while it exists, else the stored one.
    CStdStr GetPlainText() const;

    // Appends a display record for each note of the group (kAllGroups: every
    // note; kNoGroup: the notes of no existing group), or only the note with
    // that id when it is not -1; false (logged) without a database or on an
    // SQL error.
    static bool GetNotesForDisplay(std::vector<CNoteDisplayInfo>& list, std::int64_t group, std::int64_t id);

    // Bulk repairs that the schema upgrades need, each in one transaction;
    // false (logged) on an SQL error. The display name of every note:
    static bool UpdateDisplayNames(CppSQLite3DB& db);
    // `text` as plain text (stored RTF converted), with its full-text row.
    static bool UpdateTextField(CNoteManager& manager);
    // Auto-size on for every note.
    static bool UpdateAutoSizeField(CppSQLite3DB& db);

    // The row as stored. Writing through it sets neither the update date nor
    // the modified flag: for readers of stored and received notes.
    const NoteRow& Row() const { return m_row; }
    NoteRow& Row() { return m_row; }

    std::int64_t GetId() const { return m_row.id; }
    void SetId(std::int64_t id) { m_row.id = id; }
    CStdStr GetName() const { return m_row.name; }
    CStdStr GetDisplayText() const { return m_row.displayText; }
    CStdStr GetGuidText() const { return m_row.guid; }
    GUID GetGuid() const { return m_guid; }
    LOGFONTW GetLogFont() const { return m_logFont; }
    COLORREF GetColor() const { return m_row.color; }
    COLORREF GetColorBk() const { return m_row.colorBk; }
    COLORREF GetColorText() const { return m_row.colorText; }
    COLORREF GetColorGroup() const { return m_row.colorGroup; }
    std::int64_t GetGroup() const { return m_row.group; }
    bool IsVisible() const { return m_row.visible; }
    bool IsLocked() const { return m_row.locked; }
    HWND GetHwnd() const { return m_hwnd; }
    HWND GetEditHwnd() const { return m_hwndEdit; }
    HFONT GetFont() const { return m_font.Get(); }
    HBRUSH GetBrush() const { return m_brush.Get(); }

    CNoteAlarm& Alarm() { return m_row.alarm; }
    const CNoteAlarm& Alarm() const { return m_row.alarm; }
    CNoteAttachment& Attachment() { return m_attachment; }
    CNoteSearch& Search() { return m_search; }

    bool IsModified() const { return m_modified; }
    void SetModified(bool modified) { m_modified = modified; }
    bool IsNoStore() const { return m_noStore; }
    void SetNoStore(bool noStore) { m_noStore = noStore; }
    bool WindowExists() const { return m_windowExists; }
    // Dimmed by TempFadeOut while the user works elsewhere.
    bool IsFadedOut() const { return m_fadedOut; }
    void SetFadedOut(bool fadedOut) { m_fadedOut = fadedOut; }

    // `lastupdatedate` = now.
    void TouchUpdateDate();

    // Each setter changes nothing when the value is the same; otherwise it
    // assigns, touches the update date and sets the modified flag.
    void SetPassword(const CStdStr& password);
    void SetCreationDate(const COleDateTime& date);
    // Assigns the date itself (readers of older notes keep their dates).
    void SetLastUpdateDate(const COleDateTime& date);
    void SetWindowPlacement(const WINDOWPLACEMENT& placement);
    void SetMinimizeRect(const RECT& rect);
    // The group id alone, without telling anybody (duplication).
    void SetGroupId(std::int64_t group);
    // The note colour (as a note colour, 0x02000000 set) and the darker
    // background made from it.
    void SetColor(COLORREF color);
    // Joins the group with its colour (an unknown group: no group). Stores
    // the note and tells the listeners only when the group changes: false
    // when it is the same, even though the colour may have changed.
    bool SetGroup(std::int64_t group, COLORREF groupColor);
    // The binary GUID, and its text when that differs.
    void SetGuid(const GUID& guid);
    // The text as given and the GUID parsed from it; no touch, not modified.
    void SetGuidText(const CStdStr& text);
    // The note font: cached, and kept in `textfont`.
    bool SetFont(const LOGFONTW& font);
    bool SetFontText(const wchar_t* text);

    // ---- the note's window, as the note manager drives it
    // The frame alone, at the stored normal position, for a hidden note that
    // needs a window (the organizer's menu); false when none results.
    bool CreateBareWindow();
    // The editor and, with destroyFrame, the frame; the note forgets both.
    void DestroyNoteWindow(bool destroyFrame);
    // Frame and editor; a new note gets its first values. False when no
    // window results.
    bool CreateNoteWindow(const wchar_t* title, bool fromSaved);
    // Applies a freshly read, imported or received row to the window.
    void ApplyStoredValues();
    // Shows the note; when it was hidden, recalculates its alarm and stores it.
    bool ShowAndStore(bool activate, bool animate);
    // Hides the text of a locked note until its password is given.
    void HideText();
    // Takes placement, font, text and display text from the window.
    void UpdateFromWindow();
    // Reads a note received in the legacy binary form; false when it does not read.
    bool ReadFromBuffer(const BYTE* bytes, int length);
    CUrlDetect& UrlDetect() { return m_urlDetect; }
    void FillGroupMenu();  // the note menu's "Group" submenu for this note (GroupMenu.cpp)

private:
    void MarkChanged();

    NoteRow m_row;
    CNoteAttachment m_attachment;
    CNoteSearch m_search;
    CUrlDetect m_urlDetect;

    HWND m_hwnd = nullptr;
    HWND m_hwndEdit = nullptr;
    CFontHandle m_font;
    CBrushHandle m_brush;
    LOGFONTW m_logFont = {};
    GUID m_guid = {};
    bool m_modified = false;
    bool m_noStore = false;
    bool m_windowExists = false;
    bool m_fadedOut = false;
};
