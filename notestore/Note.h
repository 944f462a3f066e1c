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
#include "framework/ComPtr.h"
#include "framework/GdiObject.h"
#include "framework/OleDateTime.h"
#include "notewindows/UrlDetect.h"
#include "toolkit/AlphaNotifierWnd.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

class CNoteEditWndT;
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

// The colour of a new note or group: one of the random colours when they are
// on, else the default note colour.
COLORREF NewNoteColor();

// The frame's normal rectangle as it would be with its caption, at the same
// corner.
void AdjustPlacementForCaption(HWND frame, RECT& normal);

// Every note into one file (ExportSticky); the first note written starts the
// file. False at the first note that fails; a notes document is closed
// whatever happened once a note was written.
bool ExportAllNotes(const wchar_t* path, int format);

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

    // The size that fits the text within the format rectangle's width; false
    // when it could not be measured.
    bool MeasureText(const RECT& format, SIZE& fit);
    // Fits the window to its text (forced: even with auto-size off).
    void AutoSize(bool force);
    // The editor asked for that client rectangle.
    void OnRequestResize(const RECT& requested);
    // The hidden control the text is measured in lives until this is called
    // (the note windows' teardown).
    static void DestroyMeasuringControl();

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
    HWND GetEditHwnd() const;
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
    // when it is the same, even though the colour may have changed. Without
    // store the caller stores it (a batch of moves in one transaction).
    bool SetGroup(std::int64_t group, COLORREF groupColor, bool store = true);
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
    // The editor and, with destroyFrame, the frame and its shadow edges; the
    // note forgets both.
    void DestroyNoteWindow(bool destroyFrame);
    // Frame and editor, hidden; a new note (not fromSaved) gets its first
    // values from the settings. False (logged) when no window results.
    bool CreateNoteWindow(const wchar_t* title, bool fromSaved);
    // Applies a freshly read, imported or received row to the window. A read:
    // the update date and the modified flag stay, unless a stored note had no
    // GUID (it gets one, written into its row at once). Without withText the
    // editor keeps what it holds: a received text waits for its sanitiser,
    // and a window just made from this row holds its text already.
    void ApplyStoredValues(bool withText = true);
    // Creates and reads the window when there is none, registers the window
    // and marks the note visible, telling the listeners when it was hidden.
    // With show the window is shown (faded) and raised, else it stays hidden
    // for a caller that shows it later. False when the window cannot be made
    // or the row cannot be read (the window then stays, hidden).
    bool Show(bool activate, bool show);
    // Show; when the note was hidden, recalculates its alarm and stores it.
    bool ShowAndStore(bool activate, bool show);
    // Hides the note, takes its state from the window, destroys the window
    // and stores the note; unload also frees it, but only once stored (else
    // it stays cached and modified, and the next save writes it). False,
    // nothing changed, without a database, while another guarded operation
    // runs, or when the editor cannot be read (logged; the note stays shown).
    bool HideSticky(bool unload);
    // Shows or hides (AW_HIDE) the frame with a fade over duration ms; 0 shows
    // without activating unless AW_ACTIVATE.
    void Animate(DWORD duration, DWORD flags);
    // HideSticky(false), then the note's rows go; the note is freed.
    bool Delete();

    // Alpha 0 counts as 255 (opaque); nothing without layered windows.
    void SetTransparency(int alpha);
    // The shadow edges: the note's alpha when shown, none when hidden (hidden
    // wins), else as they are; then placed around the frame, repainted when
    // restacked.
    void UpdateAlphaEdge(bool shown, bool hidden, bool restacked);
    CAlphaEdgeFrame& Edges() { return m_edges; }
    // 0 left, 1 centre, 2 right.
    bool SetEditAlignment(int style);
    void ToggleReadOnly();
    void ApplyReadOnly();

    // The password lock of the text: hidden, the note marked locked and, when
    // stored, written at once.
    void HideText();
    void ShowText();
    // Asks for the password of a locked note; false when refused.
    bool UnlockText();
    // Prints the note through the print dialog; 0 when nothing was printed.
    int Print();
    // Hands the note to the mail program; 1 when it took it.
    int SendByEmail();

    // Show(true, true), the password asked for a locked note, then stored.
    bool ShowSticky();
    // ShowSticky of the visible note with the next higher (lower) id,
    // wrapping; nothing without one.
    void ShowNextNote();
    void ShowPreviousNote();
    // Sets `name` when it differs (exactly) from the display name.
    void SetTitle(const CStdStr& name);

    // The selection's character effect: set when mixed, else toggled.
    bool ToggleCharEffect(DWORD mask, DWORD effect);
    // The selection's numbering: off when it is kind already, else kind.
    bool ToggleNumbering(WORD kind);
    // Sorts the paragraphs by their plain text, each keeping its format.
    bool SortLines();
    // Selects the next match of text from the selection on, wrapping once;
    // a miss is said to the user (owner) and selects nothing.
    bool FindText(HWND owner, const CStdStr& text, bool forward, bool matchCase);

    // The editor's content when asked for and present, else the stored
    // display text (rtf) or plain text. False, text untouched, when the
    // editor cannot be read.
    bool GetText(bool fromEditor, bool selectionOnly, bool rtf, CStdStr& text) const;
    // The display text, and the editor's content without events.
    void SetText(const CStdStr& text);
    // Takes placement, font, text and display text from the window; false
    // when the editor cannot be read (the stored texts stay).
    bool UpdateFromWindow();
    // Reads a note received in the legacy binary form; false (logged, the
    // note unchanged) when it does not read. Its text is left in the record
    // for the caller to make safe before it goes into the editor.
    bool ReadFromBuffer(const BYTE* bytes, int length);
    // The note in the legacy binary form, in a movable block the caller
    // frees; null when it cannot be written.
    HGLOBAL SaveToGlobal();
    // Writes the note into the block, resizing it; the bytes written, or -1.
    int SaveToMemory(HGLOBAL block);
    // Queues the note for a user on the LAN (an alias, host name or dotted
    // address); the outcome, a refusal included, arrives at the main window
    // as a transfer report. 0.
    int NetSend(const wchar_t* recipient);

    // Writes the note to the file as text (format 0) or as a record of the
    // notes document (1): a new file unless appending to one; last closes the
    // document. Asks for the password of a locked note first. False (logged)
    // when refused or the file cannot be written.
    bool ExportSticky(const wchar_t* path, int format, bool append, bool last);
    // Duplicates the note, with a GUID of its own, in a window of its own
    // beside it; false when no window can be made or the copy's store failed
    // (the copy stays, modified, for the next save).
    bool Duplicate();
    CUrlDetect& UrlDetect() { return m_urlDetect; }
    // Revokes the editor's drop target when one is registered.
    void RevokeDropTarget();

    // Held while the window is placed and sized from stored values: the
    // frame then neither stamps the update date nor sets modified.
    class PlacingScope {
    public:
        explicit PlacingScope(CNote& note) : m_note(note) { ++m_note.m_placing; }
        ~PlacingScope() { --m_note.m_placing; }
        PlacingScope(const PlacingScope&) = delete;
        PlacingScope& operator=(const PlacingScope&) = delete;

    private:
        CNote& m_note;
    };
    bool IsPlacing() const { return m_placing > 0; }
    void FillGroupMenu();  // the note menu's "Group" submenu for this note (GroupMenu.cpp)

private:
    void MarkChanged();

    NoteRow m_row;
    CNoteAttachment m_attachment;
    CNoteSearch m_search;
    CUrlDetect m_urlDetect;

    bool CreateFrame(const wchar_t* title, bool fromSaved);
    bool CreateEditor(const wchar_t* title, bool fromSaved);
    void SetUpEditor();
    void ApplyNewNoteValues();
    void ApplyPlacement();
    void ApplyWindowColor();
    bool ReadEditor(CStdStr& text, bool selection, bool rtf) const;
    void UpdatePlacementFromWindow();
    void CopyValuesTo(CNote& copy, const CStdStr& text) const;
    void PlaceBeside(const CNote& source);

    HWND m_hwnd = nullptr;
    std::unique_ptr<CNoteEditWndT> m_editor;
    CAlphaEdgeFrame m_edges;
    // The editor's drop target while one is registered; the editor's
    // destruction revokes it.
    CComPtr<IDropTarget> m_dropTarget;
    int m_placing = 0;
    CFontHandle m_font;
    CBrushHandle m_brush;
    LOGFONTW m_logFont = {};
    GUID m_guid = {};
    bool m_modified = false;
    bool m_noStore = false;
    bool m_windowExists = false;
    bool m_fadedOut = false;
};
