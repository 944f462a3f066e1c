// The note frame window.
#include "itsycmd.h"

#include <richedit.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <vector>

#include "NoteCommandIds.h"
#include "RichTextFormatter.h"
#include "VeduVure.h"
#include "notecmd.h"
#include "foundation/LogFile.h"
#include "foundation/MessageBoxSeam.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "foundation/ShellServices.h"
#include "foundation/SoundPlayer.h"
#include "foundation/WinPlacement.h"
#include "framework/Window.h"
#include "notestore/Note.h"
#include "notestore/NoteAlarm.h"
#include "notestore/docking.h"
#include "notestore/notemgr.h"
#include "resources/resource.h"
#include "toolkit/AlphaNotifierWnd.h"
#include "toolkit/CustomMenu.h"
#include "toolkit/MorphAnimator.h"
#include "toolkit/WindowPicker.h"

namespace {

constexpr UINT_PTR kSmartFitTimer = 159;
constexpr UINT kSmartFitDelay = 100;
constexpr UINT_PTR kLinkScanTimer = 160;
constexpr UINT kLinkScanDelay = 750;
constexpr int kMagnetHiddenDistance = 64;
// The caption buttons an active note shows; an inactive one loses the frame
// bit with them.
constexpr LONG kActiveCaptionBits = 0x13000;
constexpr LONG kInactiveClearedBits = 0x53000;
constexpr DWORD kRollDuration = 200;
constexpr COLORREF kRollBackground = 0xFFFFFF;

struct SFrameState {
    bool sizing = false;
    bool fitting = false;
    // Ids, never notes: a note may be deleted while the set is kept.
    std::set<std::int64_t> docked;
    POINT clickOffset = {};
    CAlphaNotifierWnd guides;
    bool guidesTried = false;
    bool guidesLoaded = false;
    HWND activeNote = nullptr;
    HWND findTarget = nullptr;
    HMENU noteMenu = nullptr;
    bool networkOn = false;
    CWindowPicker picker;
    // The frame whose Ctrl-press started the last pick.
    HWND pickOwner = nullptr;
};

SFrameState& State()
{
    static SFrameState state;
    return state;
}

// The signed screen point of a mouse message.
POINT PointOf(LPARAM lParam)
{
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

CNote* NoteOf(HWND window)
{
    return NoteManager().GetNoteFromWindow(window);
}

// The note whose own frame this is: several handlers act only then.
CNote* FrameNoteOf(HWND window)
{
    CNote* note = NoteOf(window);
    return note && note->GetHwnd() == window ? note : nullptr;
}

bool KeyHeld(int key)
{
    return GetKeyState(key) < 0;
}

RECT WindowRectOf(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

// ---------------------------------------------------------------- closing

// Nothing the user could want back: no text, title, alarm or attachment,
// and no lock that could hide text.
bool IsDisposable(CNote& note)
{
    if (note.IsLocked() || !note.GetName().empty() || (note.Alarm().flags & kAlarmSet))
        return false;
    const HWND editor = note.GetEditHwnd();
    if (editor ? GetWindowTextLengthW(editor) != 0 : !note.Row().text.empty())
        return false;
    if (!note.Attachment().GetWindowTitle().empty())
        return false;
    return note.GetId() == -1 || CNoteAttachment::GetTitleForNote(note.GetId()).empty();
}

LRESULT OnNoteClose(HWND window)
{
    CNote* note = NoteOf(window);
    if (!note)
        return 0;
    if (IsDisposable(*note)) {
        PlaySoundFile(g_prefs.DeleteNote);
        note->Delete();
        return 0;
    }
    note->TouchUpdateDate();
    note->HideSticky(false);
    return 0;
}

// ---------------------------------------------------------------- moving and sizing

void FitEditorToFrame(HWND window, const CNote& note)
{
    const HWND editor = note.GetEditHwnd();
    if (!editor)
        return;
    RECT client = {};
    GetClientRect(window, &client);
    SetWindowPos(editor, nullptr, 0, 0, client.right, client.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

LRESULT OnWindowPosChanged(HWND window, WPARAM keepEditor, const WINDOWPOS& pos)
{
    CNote* note = NoteOf(window);
    if (!note)
        return 0;
    const bool shown = (pos.flags & SWP_SHOWWINDOW) != 0;
    const bool visibleStyle = (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
    const bool hidden = visibleStyle ? (pos.flags & SWP_HIDEWINDOW) != 0 : true;
    const bool moved = (pos.flags & SWP_NOMOVE) == 0;
    const bool sized = (pos.flags & SWP_NOSIZE) == 0;
    const bool restacked = (pos.flags & SWP_NOZORDER) == 0;
    if (!shown && !hidden && !moved && !sized && !restacked)
        return 0;
    note->UpdateAlphaEdge(shown, hidden, restacked);
    if (!moved && !sized)
        return 0;
    // Placing a note from its row, or moving a hidden window, is no edit.
    if (visibleStyle && !note->IsPlacing()) {
        note->TouchUpdateDate();
        note->SetModified(true);
    }
    if (sized && note->GetHwnd() == window && keepEditor != 1)
        FitEditorToFrame(window, *note);
    if (g_prefs.SmartFit && !State().fitting)
        SetTimer(window, kSmartFitTimer, kSmartFitDelay, nullptr);
    return 0;
}

LRESULT OnNcLButtonDown(HWND window, WPARAM hit, LPARAM lParam)
{
    SFrameState& state = State();
    state.docked.clear();
    if (CNote* note = NoteOf(window)) {
        if (KeyHeld(VK_SHIFT))
            NoteManager().CollectDockedNotes(note, nullptr, state.docked);
        const RECT frame = WindowRectOf(window);
        const POINT press = PointOf(lParam);
        state.clickOffset = {press.x - frame.left, press.y - frame.top};
    }
    return VeduVureWndProc(window, WM_NCLBUTTONDOWN, hit, lParam);
}

// The docked notes still shown, looked up again by id; notes deleted since
// the press leave the set.
std::vector<HWND> DockedWindows(HWND moving)
{
    std::vector<HWND> windows;
    CNoteManager& manager = NoteManager();
    std::set<std::int64_t>& docked = State().docked;
    for (auto id = docked.begin(); id != docked.end();) {
        const CNote* other = manager.GetNote(*id);
        if (!other) {
            id = docked.erase(id);
            continue;
        }
        const HWND window = other->GetHwnd();
        if (window && window != moving && other->IsVisible() && IsWindowVisible(window))
            windows.push_back(window);
        ++id;
    }
    return windows;
}

void MoveDockedNotes(HWND window, const RECT& proposed)
{
    const RECT current = WindowRectOf(window);
    const int dx = proposed.left - current.left;
    const int dy = proposed.top - current.top;
    const std::vector<HWND> windows = DockedWindows(window);
    if (windows.empty())
        return;
    constexpr UINT kFlags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    HDWP batch = BeginDeferWindowPos(static_cast<int>(windows.size()));
    for (auto other = windows.begin(); batch && other != windows.end(); ++other) {
        const RECT rect = WindowRectOf(*other);
        batch = DeferWindowPos(batch, *other, nullptr, rect.left + dx, rect.top + dy, 0, 0, kFlags);
    }
    if (batch && EndDeferWindowPos(batch))
        return;
    // A failed batch moved nothing: one at a time then.
    for (const HWND other : windows) {
        const RECT rect = WindowRectOf(other);
        SetWindowPos(other, nullptr, rect.left + dx, rect.top + dy, 0, 0, kFlags);
    }
}

CAlphaNotifierWnd& Guides()
{
    LoadMagnetImages();
    return State().guides;
}

LRESULT SnapToNeighbour(HWND window, const CNote& note, RECT& proposed)
{
    CAlphaNotifierWnd& guides = Guides();
    SSnapQuery snap;
    snap.guideWidth = guides.ImageSize(0).cx;
    snap.guideHeight = guides.ImageSize(2).cy;
    // The cursor's rectangle, not the proposed one: once snapped, the
    // proposal would stay snapped and never let go.
    POINT cursor = {};
    GetCursorPos(&cursor);
    const RECT current = WindowRectOf(window);
    const POINT offset = State().clickOffset;
    const RECT unsnapped = {cursor.x - offset.x, cursor.y - offset.y, cursor.x - offset.x + RectWidth(current),
                            cursor.y - offset.y + RectHeight(current)};
    NoteManager().FindSnapTarget(unsnapped, &note, snap);
    const BYTE alpha = MagnetGuideAlpha(snap.distance);
    guides.ShowImage(snap.guide.x, snap.guide.y, alpha, snap.orientation);
    if (alpha != 255)
        return 0;
    const int width = RectWidth(proposed);
    const int height = RectHeight(proposed);
    proposed = {snap.position.x, snap.position.y, snap.position.x + width, snap.position.y + height};
    return 1;
}

LRESULT OnMoving(HWND window, RECT& proposed)
{
    const CNote* note = NoteOf(window);
    if (!note)
        return 0;
    if (KeyHeld(VK_SHIFT)) {
        MoveDockedNotes(window, proposed);
        return 0;
    }
    if (g_prefs.DisableMagneticDocking)
        return 0;
    return SnapToNeighbour(window, *note, proposed);
}

LRESULT OnExitSizeMove()
{
    SFrameState& state = State();
    state.sizing = false;
    state.docked.clear();
    state.guides.ShowImage(0, 0, 0, 0);
    return 0;
}

// ---------------------------------------------------------------- editor notifications and timers

LRESULT OnRequestResize(HWND window, REQRESIZE& request)
{
    if (State().sizing || !g_prefs.SmartSize)
        return 0;
    CNote* note = NoteOf(window);
    if (!note || !note->Row().autoResize || (note->Alarm().flags & kNoteRolledUp))
        return 0;
    const HWND editor = request.nmhdr.hwndFrom;
    note->OnRequestResize(request.rc);
    GetClientRect(editor, &request.rc);
    return 0;
}

LRESULT OnNotify(HWND window, WPARAM wParam, LPARAM lParam)
{
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header)
        return 0;
    if (header->code == EN_REQUESTRESIZE)
        return OnRequestResize(window, *reinterpret_cast<REQRESIZE*>(lParam));
    LRESULT result = 0;
    ReflectToChild(window, WM_NOTIFY, wParam, lParam, result, true);
    return result;
}

LRESULT OnTimer(HWND window, UINT_PTR id)
{
    if (id != kSmartFitTimer && id != kLinkScanTimer)
        return 0;
    // A drag or a selection still runs: the tick waits for the release.
    if (KeyHeld(VK_LBUTTON))
        return 0;
    KillTimer(window, id);
    CNote* note = FrameNoteOf(window);
    if (!note)
        return 0;
    if (id == kSmartFitTimer) {
        if (g_prefs.SmartFit) {
            // The fit's own move asks for no further fit.
            State().fitting = true;
            KeepWindowOnScreen(window);
            State().fitting = false;
        }
    } else {
        note->UrlDetect().Rescan();
    }
    return 0;
}

void OnEditorNotification(HWND frame, UINT code)
{
    switch (code) {
    case EN_CHANGE:
        if (CNote* note = NoteOf(frame)) {
            note->SetModified(true);
            SetTimer(frame, kLinkScanTimer, kLinkScanDelay, nullptr);
        }
        return;
    case EN_ERRSPACE:
    case EN_MAXTEXT:
        AppMessageBox(frame, IDS_TEXT_LIMIT_REACHED, MB_OK);
        return;
    }
}

LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    OnNoteCommand(window, LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam));
    // A command may close the note and its window.
    if (!IsWindow(window))
        return 0;
    return VeduVureWndProc(window, WM_COMMAND, wParam, lParam);
}

// ---------------------------------------------------------------- the note menu

void EnableCommand(HMENU menu, UINT command, bool enabled)
{
    EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

LRESULT OnNoteMenu(HWND window, LPARAM point)
{
    const HMENU menu = State().noteMenu;
    CNote* note = NoteOf(window);
    if (!menu || !note)
        return 0;
    UpdateNoteMenuChecks(window);
    DWORD start = 0;
    DWORD end = 0;
    if (const HWND editor = note->GetEditHwnd())
        SendMessageW(editor, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EnableCommand(menu, ID_NOTE_CUT, end > start);
    EnableCommand(menu, ID_NOTE_COPY, end > start);
    EnableCommand(menu, ID_NOTE_PASTE, IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE);
    EnableCommand(menu, ID_NET_SEND_NOTE, State().networkOn);
    note->FillGroupMenu();
    const POINT at = PointOf(point);
    g_noteMenu.TrackPopupMenu(0, at.x, at.y, window);
    return 0;
}

// ---------------------------------------------------------------- focus

// Keys typed into an active note go to its editor, unless the editor is
// hidden (locked) or squeezed to nothing (rolled up).
void FocusShownEditor(HWND window)
{
    const CNote* note = FrameNoteOf(window);
    const HWND editor = note ? note->GetEditHwnd() : nullptr;
    if (editor && !note->IsLocked() && !(note->Alarm().flags & kNoteRolledUp) && IsWindowVisible(editor))
        SetFocus(editor);
}

LRESULT OnActivate(HWND window, WPARAM wParam)
{
    UpdateNoteTitle(window);
    const WORD state = LOWORD(wParam);
    if ((state == WA_ACTIVE || state == WA_CLICKACTIVE) && !HIWORD(wParam))
        FocusShownEditor(window);
    return 0;
}

// ---------------------------------------------------------------- attaching with Ctrl-drag

LRESULT OnLButtonDown(HWND window)
{
    if (!KeyHeld(VK_CONTROL) || !NoteOf(window))
        return 0;
    SFrameState& state = State();
    state.picker.Reset(window);
    state.picker.SetTitle(nullptr);
    state.pickOwner = window;
    // Esc comes to the focus window; the picker is fed this frame's keys.
    SetFocus(window);
    state.picker.BeginPick(window);
    return 0;
}

// Only a pick that ran to its end, over a window of another program with a
// title, attaches; anything else leaves the attachment as it was.
bool PickAttaches(const CWindowPicker& picker)
{
    const HWND target = picker.GetTarget();
    return !picker.IsPicking() && !picker.EndedByEscape() && target && IsWindow(target) &&
           picker.GetZone() >= 0 && !picker.GetTitle().empty();
}

LRESULT OnLButtonUp(HWND window)
{
    SFrameState& state = State();
    if (!KeyHeld(VK_CONTROL) || state.pickOwner != window)
        return 0;
    state.pickOwner = nullptr;
    const CWindowPicker& picker = state.picker;
    CNote* note = NoteOf(window);
    if (!note || !PickAttaches(picker))
        return 0;
    const CStdStr title(picker.GetTitle().c_str());
    const HWND target = picker.GetTarget();
    note->Attachment().SetAttachment(*note, title, picker.GetZone());
    NoteManager().PostWindowEvent(EVENT_SYSTEM_FOREGROUND, title.c_str(), target);
    return 0;
}

void FeedPicker(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    SFrameState& state = State();
    if (state.pickOwner != window)
        return;
    const bool wasPicking = state.picker.IsPicking();
    state.picker.OnMessage(msg, wParam, lParam);
    // The pick took the focus for its Esc; however it ends (release, Esc,
    // lost capture), typing goes to the editor again.
    if (wasPicking && !state.picker.IsPicking())
        FocusShownEditor(window);
}

// ---------------------------------------------------------------- rolling up

LRESULT ToggleRoll(HWND window)
{
    CNote* note = FrameNoteOf(window);
    if (!note)
        return 0;
    note->SetModified(true);
    RECT editor = {};
    if (note->GetEditHwnd())
        GetWindowRect(note->GetEditHwnd(), &editor);
    std::uint32_t& flags = note->Alarm().flags;
    if (flags & kNoteRollStateKnown)
        return (flags & kNoteRolledUp) ? UnrollNote(window) : RollUpNote(window);
    // Older data: a note without editor height was stored rolled up.
    flags |= kNoteRollStateKnown;
    if (RectHeight(editor) == 0) {
        RECT minimize = note->Row().minimizeRect;
        minimize.top = 0;
        minimize.bottom = 0;
        note->SetMinimizeRect(minimize);
        return UnrollNote(window);
    }
    return RollUpNote(window);
}

// An unrolled active note takes the keys in its editor again.
LRESULT OnRollToggle(HWND window)
{
    const LRESULT result = ToggleRoll(window);
    if (GetActiveWindow() == window)
        FocusShownEditor(window);
    return result;
}

POINT MinTrackSize(HWND window)
{
    MINMAXINFO info = {};
    info.ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    return info.ptMinTrackSize;
}

int TextWidth(HWND window, const CStdStr& text)
{
    const HDC dc = GetDC(window);
    if (!dc)
        return 0;
    SIZE extent = {};
    GetTextExtentPointW(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    ReleaseDC(window, dc);
    return extent.cx;
}

// A morph with the roll's settings; it runs only with an animation length.
class CRollMorph {
public:
    explicit CRollMorph(HWND window) : m_window(window), m_duration(GetAnimationDuration())
    {
        m_morph.SetDuration(kRollDuration);
        m_morph.SetCurve(CMorphAnimator::kCubicIn);
        m_morph.SetBackground(kRollBackground);
    }
    void Start(const RECT& from, COLORREF background)
    {
        if (!m_duration)
            return;
        m_morph.CaptureWindow(m_window);
        m_morph.SetStartRect(from);
        m_morph.SetBackground(background);
        m_morph.SetDuration(static_cast<DWORD>(m_duration));
    }
    // The caller places the window afterwards, whatever happened here.
    void RunTo(const RECT& to)
    {
        if (!m_duration)
            return;
        m_morph.SetEndRect(to);
        m_morph.SetCurve(CMorphAnimator::kCubicIn);
        CNote* note = NoteOf(m_window);
        if (!m_morph.Run(m_window, note ? &note->Edges() : nullptr))
            QLOG(L"The roll of window %08lx could not be animated", HandleNumber(m_window));
    }
    static unsigned long HandleNumber(HWND window)
    {
        return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(window));
    }

private:
    HWND m_window;
    CMorphAnimator m_morph;
    int m_duration;
};

void KeepOnScreenWhenSmart(HWND window)
{
    if (g_prefs.SmartFit)
        KeepWindowOnScreen(window);
}

// rcMinimize from older data holds a client rectangle: the frame grows
// around it and keeps its right edge and top.
void UnrollToClientRect(HWND window, CNote& note, const RECT& client)
{
    RECT grown = client;
    ItsyAdjustWindowRect(window, grown);
    const HWND editor = note.GetEditHwnd();
    if (editor && (GetWindowLongW(editor, GWL_STYLE) & WS_VSCROLL))
        grown.right += GetSystemMetrics(SM_CXVSCROLL) / 2;
    const RECT current = WindowRectOf(window);
    SetWindowPos(window, nullptr, current.right - RectWidth(grown), current.top, RectWidth(grown), RectHeight(grown),
                 SWP_NOZORDER);
    const RECT placed = WindowRectOf(window);
    SetWindowPos(window, nullptr, placed.left + current.right - placed.right, placed.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    if (CNote* same = NoteOf(window))
        same->SetMinimizeRect(RECT{});
}

} // namespace

// ---------------------------------------------------------------- interface

BYTE MagnetGuideAlpha(int distance)
{
    if (distance >= kMagnetHiddenDistance)
        return 0;
    if (distance <= kMagnetSnapDistance)
        return 255;
    return static_cast<BYTE>(255 - 8 * (distance - kMagnetSnapDistance));
}

bool LoadMagnetImages()
{
    SFrameState& state = State();
    if (!state.guidesTried) {
        state.guidesTried = true;
        state.guidesLoaded = state.guides.LoadImages(L"MAGNETTOP", L"MAGNETBOTTOM", L"MAGNETLEFT", L"MAGNETRIGHT");
        if (!state.guidesLoaded)
            QLOG(L"The docking guides could not be loaded; notes dock without them");
    }
    return state.guidesLoaded;
}

HWND GetMagnetGuideWindow()
{
    return State().guides.GetHwnd();
}

LRESULT RollUpNote(HWND frame)
{
    if (CNote* note = NoteOf(frame)) {
        note->Alarm().flags |= kNoteRolledUp;
        // A key typed into the squeezed editor would replace its selection unseen.
        const HWND focus = GetFocus();
        if (focus && (focus == note->GetEditHwnd() || IsChild(frame, focus)))
            SetFocus(frame);
    }
    AnimateNoteRoll(frame);
    return 0;
}

void AnimateNoteRoll(HWND frame)
{
    CNote* note = NoteOf(frame);
    if (!note) {
        QLOG(L"Bad window lookup %08lx", CRollMorph::HandleNumber(frame));
        return;
    }
    const RECT before = WindowRectOf(frame);
    const CStdStr name = note->GetDisplayName();
    SetWindowTextW(frame, name.c_str());
    RECT extents = {};
    ItsyAdjustWindowRect(frame, extents);
    // Never wider than the note was: a long title keeps the width.
    int width = std::min<int>(TextWidth(frame, name) + extents.right - extents.left, RectWidth(before));
    const int height = extents.bottom - extents.top - 1;
    if (RectHeight(before) > 0) {
        note->SetMinimizeRect(before);
        note->Alarm().flags |= kNoteRollRectStored;
    } else {
        note->SetMinimizeRect(RECT{});
    }
    CRollMorph morph(frame);
    morph.Start(before, kRollBackground);
    width = std::max<int>(width, MinTrackSize(frame).x);
    POINT corner = {before.right - width, before.top};
    const RECT& stored = note->Row().minimizePos;
    if (g_prefs.StoreMinimizedPostion && !IsRectEmpty(&stored))
        corner = {stored.left, stored.top};
    morph.RunTo(RECT{corner.x, corner.y, corner.x + width, corner.y + height});
    SetWindowPos(frame, nullptr, corner.x, corner.y, width, height, SWP_NOZORDER);
    KeepOnScreenWhenSmart(frame);
    if (CNote* same = NoteOf(frame))
        same->Row().minimizePos = WindowRectOf(frame);
}

LRESULT UnrollNote(HWND frame)
{
    CNote* note = NoteOf(frame);
    if (!note)
        return 0;
    const RECT rolled = WindowRectOf(frame);
    note->Row().minimizePos = rolled;
    CRollMorph morph(frame);
    morph.Start(rolled, note->GetColor() & 0xFFFFFF);
    note->Alarm().flags &= ~static_cast<std::uint32_t>(kNoteRolledUp);
    const RECT restored = note->Row().minimizeRect;
    if (RectHeight(restored) <= 0) {
        // The strip below comes back with the frame.
        SetWindowPos(frame, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        // Forced: without a rectangle to go back to, a note that does not grow
        // with its text would stay at caption height while counted unrolled.
        note->AutoSize(true);
        return 0;
    }
    if (note->Alarm().flags & kNoteRollRectStored) {
        morph.RunTo(restored);
        SetWindowPos(frame, nullptr, restored.left, restored.top, RectWidth(restored), RectHeight(restored), SWP_NOZORDER);
    } else {
        UnrollToClientRect(frame, *note, restored);
    }
    KeepOnScreenWhenSmart(frame);
    return 0;
}

LRESULT OnNoteNcActivate(HWND window, WPARAM active, LPARAM lParam)
{
    SFrameState& state = State();
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    if (active) {
        state.activeNote = window;
        if ((style & kActiveCaptionBits) == 0)
            SetWindowLongW(window, GWL_STYLE, style | kActiveCaptionBits);
    } else if (window != state.findTarget && (style & kActiveCaptionBits) != 0) {
        SetWindowLongW(window, GWL_STYLE, style & ~kInactiveClearedBits);
    }
    return VeduVureWndProc(window, WM_NCACTIVATE, active, lParam);
}

void UpdateNoteTitle(HWND window)
{
    CNote* note = NoteOf(window);
    if (!note)
        return;
    SetWindowTextW(window, note->GetDisplayName().c_str());
    if (note->IsFadedOut())
        TempFadeOut(false, note);
}

void OnNoteCommand(HWND frame, UINT id, HWND control, UINT code)
{
    if (control) {
        OnEditorNotification(frame, code);
        return;
    }
    RunNoteCommand(frame, id);
}

void UpdateNoteMenuChecks(HWND frame)
{
    MarkNoteMenu(State().noteMenu, frame);
}

void SetFindTargetWindow(HWND frame)
{
    State().findTarget = frame;
}

HWND GetFindTargetWindow()
{
    return State().findTarget;
}

HWND GetActiveNoteWindow()
{
    return State().activeNote;
}

void SetNoteFrameMenu(HMENU menu)
{
    State().noteMenu = menu;
    g_noteMenu.SetMenu(menu);
}

HMENU GetNoteFrameMenu()
{
    return State().noteMenu;
}

void SetNoteNetworkOn(bool on)
{
    State().networkOn = on;
}

bool IsNoteNetworkOn()
{
    return State().networkOn;
}

CWindowPicker& GetNoteWindowPicker()
{
    return State().picker;
}

void CloseNoteFrames()
{
    SFrameState& state = State();
    state.picker.EndPick();
    state.pickOwner = nullptr;
    state.guides.DestroyWindow();
    state.docked.clear();
    state.activeNote = nullptr;
    state.findTarget = nullptr;
    state.sizing = false;
    SetNoteFrameMenu(nullptr);
}

namespace {

LRESULT OnDestroy(HWND window)
{
    SFrameState& state = State();
    if (state.activeNote == window)
        state.activeNote = nullptr;
    if (state.findTarget == window)
        state.findTarget = nullptr;
    if (state.pickOwner == window) {
        state.picker.EndPick();
        state.pickOwner = nullptr;
    }
    if (CNote* note = NoteOf(window))
        note->DestroyNoteWindow(false);
    return 0;
}

LRESULT OnPaintMessage(HWND window, WPARAM dc)
{
    OnNotePaint(window, reinterpret_cast<HDC>(dc));
    return 0;
}

} // namespace

LRESULT NoteFrameWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if ((msg == WM_MEASUREITEM || msg == WM_DRAWITEM) && g_noteMenu.OnOwnerDrawMessage(window, msg, lParam))
        return 1;
    FeedPicker(window, msg, wParam, lParam);
    switch (msg) {
    case WM_CREATE: return 0;
    case WM_DESTROY: return OnDestroy(window);
    case WM_ACTIVATE: return OnActivate(window, wParam);
    case WM_PAINT: return OnPaintMessage(window, wParam);
    case WM_CLOSE: return OnNoteClose(window);
    case WM_ERASEBKGND: return 1;
    case WM_SHOWWINDOW: return 0;
    case WM_WINDOWPOSCHANGED: return OnWindowPosChanged(window, wParam, *reinterpret_cast<WINDOWPOS*>(lParam));
    case WM_NOTIFY: return OnNotify(window, wParam, lParam);
    case WM_NCACTIVATE: return OnNoteNcActivate(window, wParam, lParam);
    case WM_NCLBUTTONDOWN: return OnNcLButtonDown(window, wParam, lParam);
    case WM_NCRBUTTONDOWN:
    case WM_ITSY_MENU: return OnNoteMenu(window, lParam);
    case WM_COMMAND: return OnCommand(window, wParam, lParam);
    case WM_TIMER: return OnTimer(window, wParam);
    case WM_MOUSEWHEEL: return 0;
    case WM_LBUTTONDOWN: return OnLButtonDown(window);
    case WM_LBUTTONUP: return OnLButtonUp(window);
    case WM_SIZING: State().sizing = true; return 0;
    case WM_MOVING: return OnMoving(window, *reinterpret_cast<RECT*>(lParam));
    case WM_EXITSIZEMOVE: return OnExitSizeMove();
    case WM_PRINTCLIENT: OnNotePrintClient(window, reinterpret_cast<HDC>(wParam), lParam); return 0;
    case WM_ITSY_MINIMIZE:
    case WM_ITSY_MAXIMIZE: return OnRollToggle(window);
    }
    return VeduVureWndProc(window, msg, wParam, lParam);
}

LRESULT CALLBACK NoteFrameWndProcEntry(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return NoteFrameWndProc(window, msg, wParam, lParam);
}
