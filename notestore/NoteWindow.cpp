// The window half of a note: its frame and editor, showing and hiding, the
// text lock and the transfer of text between window and record.
#include "Note.h"

#include "QuietEditor.h"
#include "groups.h"
#include "notemgr.h"
#include "foundation/AppWindow.h"
#include "foundation/DBUseGuard.h"
#include "foundation/LogFile.h"
#include "foundation/ResModule.h"
#include "foundation/Preferences.h"
#include "foundation/Seams.h"
#include "foundation/ShellServices.h"
#include "foundation/WinPlacement.h"
#include "framework/AppModule.h"
#include "notewindows/NoteEditWnd.h"
#include "notewindows/RtfSafety.h"
#include "notewindows/VeduVure.h"
#include "notewindows/WholeTextFormat.h"
#include "resources/resource.h"
#include "toolkit/MultiAnimator.h"

#include <objbase.h>

#include <cstdlib>
#include <cstring>

namespace {

const wchar_t kNoteWindowClass[] = L"NoteWClass";
constexpr DWORD kNoteFrameStyle = 0x80817000;
constexpr DWORD kNoteFrameExStyle = WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE;
constexpr DWORD kBareFrameExStyle = WS_EX_WINDOWEDGE;
// The bits of the frame's small caption; without them the caption is hidden.
constexpr LONG kCaptionStyleBits = 0x13000;
// WS_CHILD, WS_VISIBLE, WS_VSCROLL, ES_WANTRETURN, ES_AUTOVSCROLL, ES_MULTILINE.
constexpr DWORD kEditorStyle = 0x50201044;
constexpr UINT kEditorId = 32;
// ENM_CHANGE, ENM_REQUESTRESIZE, ENM_DROPFILES, ENM_PROTECTED, ENM_LINK.
constexpr DWORD kLiveEventMask = 0x04340001;
constexpr int kTabStop = 16;
// Alarm-word flags of a note made by this program: created here, with a GUID.
constexpr std::uint32_t kNoteCreatedHere = 0x800;
constexpr std::uint32_t kNoteHasGuid = 0x400;
// Set on the frame by the caption bars and the shell; they go with it.
const wchar_t* const kFrameProperties[] = {L"Quillet_Window", L"ibSize", L"ibFlag", L"ibColorH", L"ibColorL"};

bool IsRtf(const CStdStr& text)
{
    return text.compare(0, 5, L"{\\rtf") == 0;
}

// Only the \protect control word gives streamed text the protected
// effect: clearing it over all text is a pass over the whole editor, which a
// text without that word is spared.
bool MayCarryProtectedText(const CStdStr& rtf)
{
    return rtf.find(L"\\protect") != CStdStr::npos;
}

// Setting the default format lays the whole text out again: only a default
// that has the effect is changed.
void ClearDefaultProtected(HWND editor)
{
    CHARFORMAT2W format = {};
    format.cbSize = sizeof(format);
    SendMessageW(editor, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    if ((format.dwEffects & CFE_PROTECTED) == 0)
        return;
    format.dwMask = CFM_PROTECTED;
    format.dwEffects = 0;
    SendMessageW(editor, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
}

// The note's text colour over an automatic background: every character of a
// note has it.
CHARFORMAT2W TextColorFormat(COLORREF color)
{
    CHARFORMAT2W format = {};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_COLOR | CFM_BACKCOLOR;
    format.dwEffects = CFE_AUTOBACKCOLOR;
    format.crTextColor = color;
    return format;
}

// A note made from its row starts at its stored size: its text is then laid
// out once, at its own width, and placing it from the row only moves it.
bool HasStoredFrameRect(const WINDOWPLACEMENT& placement)
{
    const RECT& rect = placement.rcNormalPosition;
    return placement.length == sizeof(placement) && rect.right > rect.left && rect.bottom > rect.top;
}

// The monitor under the cursor, or the desktop when that cannot be asked.
RECT CursorMonitorRect()
{
    POINT cursor = {};
    GetCursorPos(&cursor);
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &info))
        return info.rcMonitor;
    RECT desktop = {};
    GetClientRect(GetDesktopWindow(), &desktop);
    return desktop;
}

int ScreenPixelsPerInchY()
{
    const HDC screen = GetDC(nullptr);
    const int pixels = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    return pixels;
}

void RedrawFrame(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE);
}

LOGFONTW SettingsFont()
{
    LOGFONTW font = {};
    wcsncpy_s(font.lfFaceName, g_prefs.FontName, _TRUNCATE);
    font.lfHeight = g_prefs.FontHeight;
    font.lfWeight = g_prefs.FontWeight;
    font.lfCharSet = g_prefs.FontCharset;
    return font;
}

} // namespace

COLORREF NewNoteColor()
{
    const std::vector<NamedColor>& colors = g_prefs.RandomColors;
    if (g_prefs.RandomColor && !colors.empty())
        return colors[static_cast<size_t>(std::rand()) % colors.size()].color;
    return g_prefs.DefaultColor;
}

HWND CNote::GetEditHwnd() const
{
    return m_editor ? m_editor->Handle() : nullptr;
}

bool CNote::CreateBareWindow()
{
    if (!m_hwnd) {
        const RECT& rect = m_row.placement.rcNormalPosition;
        const DWORD exStyle = kBareFrameExStyle | (g_prefs.AlwaysOnTop ? WS_EX_TOPMOST : 0);
        m_hwnd = CreateWindowExW(exStyle, kNoteWindowClass, GetDisplayName().c_str(), kNoteFrameStyle, rect.left,
                                 rect.top, rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        if (!m_hwnd)
            return false;
        SetWindowLongPtrW(m_hwnd, 0, reinterpret_cast<LONG_PTR>(this));
    }
    m_windowExists = true;
    return true;
}

void CNote::RevokeDropTarget()
{
    if (!m_dropTarget)
        return;
    if (m_editor && m_editor->Handle())
        RevokeDragDrop(m_editor->Handle());
    m_dropTarget.Reset();
}

void CNote::DestroyNoteWindow(bool destroyFrame)
{
    RevokeDropTarget();
    if (m_editor && m_editor->Handle())
        DestroyWindow(m_editor->Handle());
    m_editor.reset();
    if (m_hwnd && IsWindow(m_hwnd)) {
        for (const wchar_t* property : kFrameProperties)
            RemovePropW(m_hwnd, property);
        if (destroyFrame)
            DestroyWindow(m_hwnd);
        m_edges.DestroyWindows();
    }
    m_font.Reset();
    m_brush.Reset();
    m_hwnd = nullptr;
}

bool CNote::CreateFrame(const wchar_t* title, bool fromSaved)
{
    const RECT rect = fromSaved && HasStoredFrameRect(m_row.placement)
                          ? m_row.placement.rcNormalPosition
                          : NewNoteRect(CursorMonitorRect(), g_prefs.DefSize, g_prefs.DefPos, ScreenPixelsPerInchY());
    const DWORD exStyle = kNoteFrameExStyle | (g_prefs.AlwaysOnTop ? WS_EX_TOPMOST : 0);
    m_hwnd = CreateWindowExW(exStyle, kNoteWindowClass, title, kNoteFrameStyle, rect.left, rect.top,
                             rect.right - rect.left, rect.bottom - rect.top, g_hwndApp, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    if (!m_hwnd) {
        QLOG(L"Failed to create note [%s] Activate=%d, FromSaved=%d", title, 0, fromSaved ? 1 : 0);
        return false;
    }
    SetWindowLongPtrW(m_hwnd, 0, reinterpret_cast<LONG_PTR>(this));
    m_windowExists = true;
    return true;
}

bool CNote::CreateEditor(const wchar_t* title, bool fromSaved)
{
    RECT client = {};
    GetClientRect(m_hwnd, &client);
    auto editor = std::make_unique<CNoteEditWndT>();
    if (!editor->CreateEditor(m_hwnd, client, kEditorStyle, 0, kEditorId)) {
        DestroyWindow(m_hwnd);
        m_hwnd = nullptr;
        m_windowExists = false;
        QLOG(L"Failed to create note (no edit control) [%s] Activate=%d, FromSaved=%d", title, 0, fromSaved ? 1 : 0);
        return false;
    }
    m_editor = std::move(editor);
    return true;
}

void CNote::SetUpEditor()
{
    const CRichEditCtrl50WT& editor = *m_editor;
    editor.SetTextMode(TM_RICHTEXT | TM_MULTILEVELUNDO | TM_MULTICODEPAGE);
    editor.SetEventMask(kLiveEventMask);
    editor.SetAutoUrlDetect(false);
    editor.LimitText(kNoteTextLimit);
    CHARFORMAT2W format = {};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_PROTECTED | CFM_LINK;
    editor.SetCharFormat(format, SCF_DEFAULT);
    editor.SetCharFormat(format, SCF_ALL);
    DragAcceptFiles(editor.Handle(), TRUE);
    int tabStop = kTabStop;
    SendMessageW(editor.Handle(), EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStop));
}

bool CNote::CreateNoteWindow(const wchar_t* title, bool fromSaved)
{
    const PlacingScope placing(*this);
    const CStdStr text = m_row.displayText.empty() ? m_row.text : m_row.displayText;
    if (!CreateFrame(title, fromSaved) || !CreateEditor(title, fromSaved))
        return false;
    // A title that is only the display name must not become the note's name.
    if (m_row.displayName != title)
        m_row.name = title;
    m_row.displayName = title;
    if (!fromSaved) {
        m_row.color = GetSysColor(COLOR_WINDOW);
        m_row.visible = false;
        SetFont(SettingsFont());
        m_row.colorText = g_prefs.DefaultTextColor;
        m_row.style = 0;
    } else if (!m_row.textFont.empty()) {
        // Rich text names no weight: what it leaves out comes from the
        // editor's default, which must be the note's font before the editor
        // is set up, as for a new note, not the control's own bold system
        // font (the text would come back bold).
        const COleDateTime lastUpdate = m_row.lastUpdateDate;
        const bool modified = m_modified;
        SetFontText(m_row.textFont.c_str());
        m_row.lastUpdateDate = lastUpdate;
        m_modified = modified;
    }
    SetUpEditor();
    if (fromSaved && IsRichEdit20()) {
        // Text streamed in takes the colour it would be given next, so it
        // need not be coloured again once it is laid out.
        m_editor->SetCharFormat(TextColorFormat(m_row.colorText), SCF_DEFAULT);
    }
    if (fromSaved) {
        // The note's own text: loading it is no change.
        const COleDateTime lastUpdate = m_row.lastUpdateDate;
        const bool modified = m_modified;
        SetText(text);
        m_row.lastUpdateDate = lastUpdate;
        m_modified = modified;
        SetWindowTextW(m_hwnd, GetDisplayName().c_str());
    } else {
        ApplyNewNoteValues();
        SetText(text);
    }
    m_urlDetect.Attach(m_editor->Handle());
    m_urlDetect.SetEnabled(g_prefs.EnableURLDetection);
    ApplyReadOnly();
    return true;
}

void CNote::ApplyNewNoteValues()
{
    SetColor(NewNoteColor());
    if (const CGroup* group = CGroups::FindByName(g_prefs.DefaultGroup.c_str()))
        SetGroup(group->GetId(), group->GetColor());
    SetCreationDate(COleDateTime::Now());
    m_row.alarm.flags |= kNoteCreatedHere;
    SetMinimizeRect(RECT{});
    m_row.minimizePos = RECT{};
    if (g_prefs.AlphaTransparency == 255)
        m_row.transparency = 255;
    else
        SetTransparency(g_prefs.AlphaTransparency);
    GUID guid = {};
    if (SUCCEEDED(CoCreateGuid(&guid)))
        SetGuid(guid);
    m_row.alarm.flags |= kNoteHasGuid;
    SetWindowTextW(m_hwnd, GetDisplayName().c_str());
    CHARFORMAT2W format = {};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_COLOR;
    format.crTextColor = m_row.colorText;
    {
        const CQuietEditor quiet(m_editor->Handle());
        m_editor->SetCharFormat(format, SCF_ALL);
    }
    MarkChanged();
}

void CNote::ApplyPlacement()
{
    WINDOWPLACEMENT placement = m_row.placement;
    if (placement.length != sizeof(placement))
        return;
    // Placing must not show the window: showing is Show's.
    if (!IsWindowVisible(m_hwnd))
        placement.showCmd = SW_HIDE;
    ::SetWindowPlacement(m_hwnd, &placement);
}

void CNote::ApplyStoredValues(bool withText)
{
    const PlacingScope placing(*this);
    // The window takes the values; the record keeps them as read. Only what
    // the setters below change is kept aside: copying the whole row costs
    // every text of the note once more per read.
    const COleDateTime lastUpdate = m_row.lastUpdateDate;
    const COLORREF color = m_row.color;
    const COLORREF colorBk = m_row.colorBk;
    const auto transparency = m_row.transparency;
    const bool modified = m_modified;
    // A row holds its plain text already: converting it again for a note
    // without an editor costs a rich-edit round trip per note read.
    if (withText && (m_editor || m_row.text.empty()))
        SetText(m_row.displayText.empty() ? m_row.text : m_row.displayText);
    if (m_hwnd)
        ApplyPlacement();
    SetColor(m_row.color);
    SetTransparency(m_row.transparency);
    SetPassword(m_row.password);
    // The cached font follows the stored one, so taking the state from the
    // window keeps it.
    if (!m_row.textFont.empty())
        TextToFont(m_row.textFont.c_str(), m_logFont);
    m_row.lastUpdateDate = lastUpdate;
    m_row.color = color;
    m_row.colorBk = colorBk;
    m_row.transparency = transparency;
    m_modified = modified;
    if (!m_row.guid.empty()) {
        SetGuidText(m_row.guid);
        return;
    }
    // A GUID is no edit of the user's: the date stays.
    GUID guid = {};
    if (FAILED(CoCreateGuid(&guid)))
        return;
    SetGuidText(GuidToText(guid));
    if (m_row.id == -1 || m_noStore || !NoteManager().RepairNoteGuid(m_row.id, m_row.guid))
        m_modified = true;
}

void CNote::Animate(DWORD duration, DWORD flags)
{
    if (!m_hwnd)
        return;
    const bool hide = (flags & AW_HIDE) != 0;
    // Without a frame clock, or when the fade cannot start, the note still
    // shows or hides, only at once.
    const LONGLONG frequency = duration ? GetFrameClockFrequency() : 0;
    CMultiAnimator animator;
    if (frequency && animator.AddWindow(m_hwnd, &m_edges, static_cast<BYTE>(m_row.transparency)) &&
        animator.Fade(duration, hide ? CMultiAnimator::kFadeOut : 0, frequency))
        return;
    ShowWindow(m_hwnd, hide ? SW_HIDE : (flags & AW_ACTIVATE) ? SW_SHOW : SW_SHOWNA);
}

bool CNote::Show(bool activate, bool show)
{
    CNoteManager& manager = NoteManager();
    const bool wasVisible = m_row.visible;
    if (!m_hwnd) {
        if (!CreateNoteWindow(GetDisplayName().c_str(), true))
            return false;
        // A cached note with an unsaved change is newer than its row: its
        // window takes the values it holds.
        const CDBUseGuard inUse(manager);
        if (m_modified)
            ApplyStoredValues();
        else if (!manager.ReadNote(this))
            return false;
        m_urlDetect.Rescan();
    }
    if (show) {
        if (!IsWindowVisible(m_hwnd))
            Animate(GetAnimationDuration(), AW_BLEND | (activate ? AW_ACTIVATE : 0));
        SetWindowPos(m_hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        UpdateAlphaEdge(true, false, true);
    }
    if (m_row.locked)
        HideText();
    if (activate && show && m_editor)
        SetFocus(m_editor->Handle());
    m_row.visible = true;
    manager.AddWindow(this);
    if (!wasVisible)
        manager.NotifyDisplay(this, CNoteManager::eNoteShown);
    return true;
}

bool CNote::ShowAndStore(bool activate, bool show)
{
    const bool wasVisible = m_row.visible;
    if (!Show(activate, show))
        return false;
    if (wasVisible)
        return true;
    m_row.alarm.RecalcDue(false);
    return NoteManager().StoreNote(this);
}

bool CNote::HideSticky(bool unload)
{
    const CSingleFunctionEntry entry(L"HideSticky");
    if (entry.AlreadyRunning())
        return false;
    CNoteManager& manager = NoteManager();
    const CDBUseGuard inUse(manager);
    if (!manager.GetDB()) {
        QLOG(L"HideSticky - no database, note %I64d stays shown", m_row.id);
        return false;
    }
    if (m_editor && !UpdateFromWindow()) {
        QLOG(L"HideSticky - note %I64d: its editor cannot be read, the note stays shown", m_row.id);
        return false;
    }
    if (m_hwnd && IsWindowVisible(m_hwnd))
        Animate(GetAnimationDuration(), AW_BLEND | AW_HIDE);
    if (m_hwnd)
        ShowWindow(m_hwnd, SW_HIDE);
    m_row.visible = false;
    RevokeDropTarget();
    if (m_hwnd)
        UpdatePlacementFromWindow();
    if (m_editor)
        GetDisplayName();
    manager.RemoveWindow(this);
    CNoteAttachment::MarkStale();
    DestroyNoteWindow(true);
    m_modified = true;
    m_row.alarm.RecalcDue(false);
    const bool stored = manager.StoreNote(this);
    manager.NotifyDisplay(this, CNoteManager::eNoteHidden);
    if (!unload)
        return stored;
    if (!stored) {
        QLOG(L"HideSticky - note %I64d not stored, kept loaded", m_row.id);
        return false;
    }
    // Frees this note on the way out.
    const std::unique_ptr<CNote> owned = manager.RemoveNote(this);
    return true;
}

bool CNote::Delete()
{
    HideSticky(false);
    return NoteManager().DeleteNote(this);
}

void CNote::SetTransparency(int alpha)
{
    if (!CanUseLayeredWindows())
        return;
    int used = alpha > 0 && alpha < 255 ? alpha : 255;
    if (m_hwnd) {
        if (used < 255) {
            ChangeExStyle(m_hwnd, WS_EX_LAYERED, 0);
            if (!SetLayeredWindowAttributes(m_hwnd, 0xFFFFFF, static_cast<BYTE>(used), LWA_ALPHA)) {
                ChangeExStyle(m_hwnd, 0, WS_EX_LAYERED);
                RedrawFrame(m_hwnd);
                used = 255;
            }
        } else {
            ChangeExStyle(m_hwnd, 0, WS_EX_LAYERED);
            RedrawFrame(m_hwnd);
        }
    }
    if (used != m_row.transparency) {
        m_row.transparency = used;
        MarkChanged();
    }
    if (m_hwnd && IsWindowVisible(m_hwnd))
        UpdateAlphaEdge(true, false, false);
}

void CNote::UpdateAlphaEdge(bool shown, bool hidden, bool restacked)
{
    // A note that has not shown yet has no strips and needs none: they are
    // made when it shows.
    if (hidden && !m_edges.EdgeWindow(kEdgeTop)) {
        m_edges.SetAlpha(0);
        return;
    }
    if (hidden)
        m_edges.SetAlpha(0);
    else if (shown)
        m_edges.SetAlpha(static_cast<BYTE>(m_row.transparency > 0 && m_row.transparency < 255 ? m_row.transparency : 255));
    m_edges.Update(m_hwnd, restacked);
}

namespace {

// The colour that fills a note: its own, or on a 256-colour screen the
// program's palette entry of the note (by the low byte of its id), set to that
// colour. A note whose entry lies past the palette keeps its own colour.
COLORREF PaintColor(std::int64_t id, COLORREF color)
{
    const COLORREF rgb = color & 0xFFFFFF;
    const HPALETTE palette = g_appModule.GetPalette();
    if (!palette)
        return rgb;
    const UINT index = g_appModule.GetPaletteBase() + static_cast<UINT>(id & 0xFF);
    const PALETTEENTRY entry = {GetRValue(rgb), GetGValue(rgb), GetBValue(rgb), 0};
    if (index >= GetPaletteEntries(palette, 0, 0, nullptr) || !SetPaletteEntries(palette, index, 1, &entry))
        return rgb;
    return PALETTEINDEX(index);
}

} // namespace

void CNote::ApplyWindowColor()
{
    const COLORREF paint = PaintColor(m_row.id, m_row.color);
    if (!m_hwnd)
        return;
    // The caption works out its shades from the colour, so it gets the colour
    // itself (a palette-relative one, matched in its realised palette), never
    // a palette index.
    ItsySetCaptionColor(m_hwnd, m_row.color);
    m_brush.Reset(CreateSolidBrush(paint));
    InvalidateRect(m_hwnd, nullptr, TRUE);
    if (!m_editor)
        return;
    // The editor covers nearly all of the client area: the note is its colour.
    SendMessageW(m_editor->Handle(), EM_SETBKGNDCOLOR, 0, paint);
    if (!IsRichEdit20())
        return;
    const CHARFORMAT2W format = TextColorFormat(m_row.colorText);
    if (WholeTextHolds(m_editor->Handle(), format))
        return;
    const CQuietEditor quiet(m_editor->Handle());
    m_editor->SetCharFormat(format, SCF_ALL);
}

bool CNote::SetEditAlignment(int style)
{
    if (m_editor) {
        static const WORD kAlignments[] = {PFA_LEFT, PFA_CENTER, PFA_RIGHT};
        PARAFORMAT2 format = {};
        format.cbSize = sizeof(format);
        format.dwMask = PFM_ALIGNMENT;
        format.wAlignment = style >= 0 && style <= 2 ? kAlignments[style] : PFA_LEFT;
        const CHARRANGE kept = m_editor->GetSel();
        {
            const CQuietEditor quiet(m_editor->Handle());
            m_editor->SelectAll();
            m_editor->SetParaFormat(format);
            m_editor->SetSel(kept.cpMin, kept.cpMax);
        }
        m_urlDetect.Rescan();
    }
    if (static_cast<std::uint32_t>(style) != m_row.style) {
        m_row.style = static_cast<std::uint32_t>(style);
        MarkChanged();
    }
    if (m_editor && m_row.visible && !m_row.locked) {
        ShowWindow(m_editor->Handle(), SW_SHOW);
        UpdateWindow(m_editor->Handle());
    }
    return true;
}

void CNote::ToggleReadOnly()
{
    m_row.alarm.flags ^= kNoteReadOnly;
    ApplyReadOnly();
    MarkChanged();
}

void CNote::ApplyReadOnly()
{
    if (m_editor)
        m_editor->SetReadOnly((m_row.alarm.flags & kNoteReadOnly) != 0);
}

void CNote::HideText()
{
    if (m_editor)
        ShowWindow(m_editor->Handle(), SW_HIDE);
    // Showing a locked note hides its text again: that changes nothing.
    if (m_row.locked)
        return;
    m_row.locked = true;
    // An unstored or not-yet-safe note is written by the store that follows.
    if (m_row.id == -1 || m_noStore) {
        m_modified = true;
        return;
    }
    if (!NoteManager().WriteNoteLocked(m_row.id, true)) {
        m_modified = true;
        QLOG(L"HideText - note %I64d not written, it stays modified", m_row.id);
    }
}

void CNote::ShowText()
{
    if (m_editor)
        ShowWindow(m_editor->Handle(), SW_SHOW);
    m_row.locked = false;
    m_modified = true;
}

bool CNote::ReadEditor(CStdStr& text, bool selection, bool rtf) const
{
    CStdStr read;
    if (!m_editor || !m_editor->ReadContent(read, selection, rtf))
        return false;
    // A rich text always has its head: an empty one is a failed read.
    if (rtf && read.empty())
        return false;
    text = std::move(read);
    return true;
}

bool CNote::GetText(bool fromEditor, bool selectionOnly, bool rtf, CStdStr& text) const
{
    if (fromEditor && m_editor)
        return ReadEditor(text, selectionOnly, rtf);
    text = rtf ? m_row.displayText : m_row.text;
    return true;
}

CStdStr CNote::GetPlainText() const
{
    CStdStr text;
    return ReadEditor(text, false, false) ? text : m_row.text;
}

void CNote::SetText(const CStdStr& text)
{
    // The row's plain text stands in only for the row's own rich text.
    const bool stored = text == m_row.displayText;
    if (text != m_row.displayText) {
        m_row.displayText = text;
        MarkChanged();
    }
    // Rich text the control cannot survive: the note shows, and keeps, its plain text.
    const bool safe = IsRtfSafe(text);
    if (!m_editor) {
        if (safe)
            m_row.text = RtfToPlainText(text);
        return;
    }
    {
        const CQuietEditor quiet(m_editor->Handle());
        if (!safe) {
            QLOG(L"Note %I64d opens from its plain text: its rich text %s", m_row.id, DescribeRtfCheck(CheckRtf(text)).c_str());
            m_editor->StreamInText(m_row.text, false, false);
            SetFontText(m_row.textFont.c_str());
        } else if (IsRtf(text)) {
            // Streamed text starts from the default format: it must not bring
            // the effect in.
            ClearDefaultProtected(m_editor->Handle());
            if (m_editor->StreamInText(text, true, false) == 0 && stored && !m_row.text.empty()) {
                // Rich text that loads nothing while the row holds text: the note
                // opens from its plain text, and its next store writes new rich text.
                QLOG(L"SetText - note %I64d: its rich text does not load, its plain text is shown", m_row.id);
                m_editor->StreamInText(m_row.text, false, false);
                SetFontText(m_row.textFont.c_str());
            } else if (MayCarryProtectedText(text)) {
                CHARFORMAT2W format = {};
                format.cbSize = sizeof(format);
                format.dwMask = CFM_PROTECTED;
                m_editor->SetCharFormat(format, SCF_DEFAULT);
                m_editor->SetCharFormat(format, SCF_ALL);
            }
        } else {
            m_editor->StreamInText(text, false, false);
            SetFontText(m_row.textFont.c_str());
        }
    }
    CStdStr plain;
    if (ReadEditor(plain, false, false))
        m_row.text = std::move(plain);
}

// A note is stored with its caption whether it shows or not.
void AdjustPlacementForCaption(HWND frame, RECT& normal)
{
    const LONG style = GetWindowLongW(frame, GWL_STYLE);
    if ((style & kCaptionStyleBits) != 0)
        return;
    RECT client = {};
    GetClientRect(frame, &client);
    const UINT frameChanged = SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowLongW(frame, GWL_STYLE, style | kCaptionStyleBits);
    SetWindowPos(frame, nullptr, 0, 0, 0, 0, frameChanged);
    RECT grown = {};
    RECT grownClient = {};
    GetWindowRect(frame, &grown);
    GetClientRect(frame, &grownClient);
    SetWindowLongW(frame, GWL_STYLE, style);
    SetWindowPos(frame, nullptr, 0, 0, 0, 0, frameChanged);
    normal.right = normal.left + client.right + (grown.right - grown.left) - grownClient.right;
    normal.bottom = normal.top + client.bottom + (grown.bottom - grown.top) - grownClient.bottom;
}

void CNote::UpdatePlacementFromWindow()
{
    const PlacingScope placing(*this);
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    if (GetWindowPlacement(m_hwnd, &placement)) {
        AdjustPlacementForCaption(m_hwnd, placement.rcNormalPosition);
        if (std::memcmp(&placement, &m_row.placement, sizeof(placement)) != 0) {
            m_row.placement = placement;
            m_modified = true;
        }
    }
    const CStdStr font = FontToText(m_logFont);
    if (font != m_row.textFont) {
        m_row.textFont = font;
        m_modified = true;
    }
}

bool CNote::UpdateFromWindow()
{
    if (m_hwnd)
        UpdatePlacementFromWindow();
    if (!m_editor)
        return true;
    CStdStr rtf;
    CStdStr plain;
    if (!ReadEditor(rtf, false, true) || !ReadEditor(plain, false, false)) {
        QLOG(L"UpdateFromWindow - note %I64d: the editor could not be read, its stored text stays", m_row.id);
        return false;
    }
    if (rtf != m_row.displayText) {
        m_row.displayText = std::move(rtf);
        m_row.text = std::move(plain);
        m_modified = true;
    }
    return true;
}

void CNote::CopyValuesTo(CNote& copy, const CStdStr& text) const
{
    WINDOWPLACEMENT placement = m_row.placement;
    placement.length = sizeof(placement);
    if (m_hwnd)
        GetWindowPlacement(m_hwnd, &placement);
    placement.showCmd = SW_HIDE;
    ::SetWindowPlacement(copy.m_hwnd, &placement);
    copy.SetEditAlignment(static_cast<int>(m_row.style));
    copy.SetTransparency(m_row.transparency);
    copy.SetMinimizeRect(m_row.minimizeRect);
    copy.m_row.minimizePos = m_row.minimizePos;
    copy.m_row.colorText = m_row.colorText;
    if (m_logFont.lfFaceName[0])
        copy.SetFont(m_logFont);
    else
        copy.SetFontText(m_row.textFont.c_str());
    copy.SetText(text);
    copy.SetColor(m_row.color);
    copy.SetPassword(m_row.password);
    copy.SetGroupId(m_row.group);
    copy.m_row.colorGroup = m_row.colorGroup;
    copy.m_row.alarm = m_row.alarm;
    copy.m_row.alarm.RecalcDue(false);
    copy.m_row.autoResize = m_row.autoResize;
    copy.m_urlDetect.Rescan();
    if (m_row.locked)
        copy.HideText();
}

void CNote::PlaceBeside(const CNote& source)
{
    RECT rect = {};
    GetWindowRect(source.m_hwnd, &rect);
    rect = KeepRectOnDesktop(rect, POINT{-15, -15}, VirtualScreenRect());
    const bool topmost = (GetWindowLongW(source.m_hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    SetWindowPos(m_hwnd, topmost ? HWND_TOPMOST : HWND_TOP, rect.left, rect.top, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOSIZE);
}

bool CNote::Duplicate()
{
    CStdStr title;
    title.Format(LoadResString(IDS_COPY_OF), GetDisplayName().c_str());
    CStdStr text;
    if (!GetText(true, false, true, text))
        text = m_row.displayText;
    auto made = std::make_unique<CNote>();
    if (!made->CreateNoteWindow(title.c_str(), true))
        return false;
    CNoteManager& manager = NoteManager();
    CNote* const copy = manager.AddNote(std::move(made));
    if (!copy)
        return false;
    CopyValuesTo(*copy, text);
    // A copy is a note of its own, never a second row of the same note.
    GUID guid = {};
    if (SUCCEEDED(CoCreateGuid(&guid)))
        copy->SetGuid(guid);
    copy->SetModified(true);
    if (!m_row.visible) {
        // Hiding stores it; a hide refused by a running one leaves the store to us.
        return copy->HideSticky(false) || manager.StoreNote(copy);
    }
    copy->Show(false, true);
    if (m_hwnd)
        copy->PlaceBeside(*this);
    copy->SetModified(true);
    return manager.StoreNote(copy);
}
