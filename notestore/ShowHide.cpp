// The note manager's operations on many note windows at once: hiding and
// showing all of them with one fade, dimming them while the user works
// elsewhere, their Z order, whole groups, the caption font and link detection.
#include "notemgr.h"

#include "Note.h"
#include "NoteAlarm.h"
#include "SQLiteHelp.h"
#include "Transaction.h"
#include "foundation/AppWindow.h"
#include "foundation/LogFile.h"
#include "foundation/Preferences.h"
#include "foundation/Seams.h"
#include "foundation/ShellServices.h"
#include "framework/WaitCursor.h"
#include "notewindows/itsycmd.h"
#include "toolkit/MultiAnimator.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr UINT kHideFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW;
// Not activated: showing every note must not take the focus from the user's
// program, as a plain show of one note does not.
constexpr UINT kShowFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW;
constexpr UINT kRestackFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE;

// From this many members on, a group is shown or hidden without a fade.
constexpr size_t kMaxAnimatedGroup = 20;

HWND TopInsertAfter()
{
    return g_prefs.AlwaysOnTop ? HWND_TOPMOST : HWND_TOP;
}

// Window positions set together. A position that cannot be deferred is set
// at once, so every window ends where it was asked to.
class CDeferredPositions {
public:
    explicit CDeferredPositions(size_t count) : m_positions(BeginDeferWindowPos(static_cast<int>(count))) {}
    ~CDeferredPositions()
    {
        if (m_positions)
            EndDeferWindowPos(m_positions);
    }
    CDeferredPositions(const CDeferredPositions&) = delete;
    CDeferredPositions& operator=(const CDeferredPositions&) = delete;

    void Add(HWND window, HWND insertAfter, int width, int height, UINT flags)
    {
        if (m_positions)
            m_positions = DeferWindowPos(m_positions, window, insertAfter, 0, 0, width, height, flags);
        if (!m_positions)
            SetWindowPos(window, insertAfter, 0, 0, width, height, flags);
    }
    void Add(HWND window, HWND insertAfter, UINT flags) { Add(window, insertAfter, 0, 0, flags); }

private:
    HDWP m_positions;
};

BYTE NoteAlpha(const CNote& note)
{
    const int alpha = note.Row().transparency;
    return static_cast<BYTE>(alpha > 0 && alpha < 255 ? alpha : 255);
}

// Dimmed notes get their own opacity back at once, no longer dimmed.
void EndDimming(const std::vector<CNote*>& notes)
{
    CMultiAnimator animator;
    for (CNote* note : notes) {
        if (!note->IsFadedOut())
            continue;
        animator.AddWindow(note->GetHwnd(), &note->Edges(), NoteAlpha(*note));
        note->SetFadedOut(false);
    }
    animator.Dim(0, false, 0);
}

// Shows or hides the notes' windows together, faded when there is an
// animation length and a frame clock. Whatever the fade did, each window then
// ends shown or hidden with its edges to match, and no longer dimmed (a
// hidden one after it is out of sight). The visible flags stay.
void ShowNoteWindows(const std::vector<CNote*>& notes, bool show, bool animate)
{
    if (show)
        EndDimming(notes);
    const DWORD duration = animate ? static_cast<DWORD>(std::max(GetAnimationDuration(), 0)) : 0;
    const LONGLONG frequency = duration ? GetFrameClockFrequency() : 0;
    if (frequency) {
        CMultiAnimator animator;
        for (CNote* note : notes)
            animator.AddWindow(note->GetHwnd(), &note->Edges(), NoteAlpha(*note));
        animator.Fade(duration, show ? 0 : CMultiAnimator::kFadeOut, frequency);
    }
    {
        CDeferredPositions positions(notes.size());
        for (CNote* note : notes)
            positions.Add(note->GetHwnd(), TopInsertAfter(), show ? kShowFlags : kHideFlags);
    }
    if (!show)
        EndDimming(notes);
    for (CNote* note : notes)
        note->UpdateAlphaEdge(show, !show, show);
}

bool HasWindow(const CNote* note)
{
    return note->GetHwnd() && IsWindow(note->GetHwnd());
}

bool HasVisibleWindow(const CNote* note)
{
    return note->GetHwnd() && IsWindowVisible(note->GetHwnd());
}

} // namespace

std::vector<CNote*> CNoteManager::WindowNotes(const CNote* except) const
{
    std::vector<CNote*> notes;
    CLockedStlGuard inUse(m_windowNotes);
    for (const auto& entry : m_windowNotes)
        if (entry.second != except)
            notes.push_back(entry.second);
    return notes;
}

std::vector<CNote*> CNoteManager::ShownWindowNotes(const CNote* except) const
{
    std::vector<CNote*> shown;
    for (CNote* note : WindowNotes(except))
        if (note->IsVisible() && HasWindow(note))
            shown.push_back(note);
    return shown;
}

void CNoteManager::HideAllNotes()
{
    m_fadedOut = false;
    ShowNoteWindows(ShownWindowNotes(nullptr), false, true);
}

void CNoteManager::ShowAllNotes()
{
    m_fadedOut = false;
    ShowNoteWindows(ShownWindowNotes(nullptr), true, true);
}

void CNoteManager::ShowNotesTogether(const std::vector<CNote*>& notes)
{
    ShowNoteWindows(notes, true, notes.size() < kMaxAnimatedGroup);
}

bool CNoteManager::IsFadedOut() const
{
    return m_fadedOut;
}

void TempFadeOut(bool fadeOut, CNote* note)
{
    const CSingleFunctionEntry entry(L"TempFadeOut");
    if (entry.AlreadyRunning())
        return;
    CNoteManager& manager = NoteManager();
    CMultiAnimator animator;
    const auto dimmed = [&](CNote* dimmedNote) {
        animator.AddWindow(dimmedNote->GetHwnd(), &dimmedNote->Edges(), NoteAlpha(*dimmedNote));
        dimmedNote->SetFadedOut(fadeOut);
    };
    if (fadeOut || !note) {
        for (CNote* shown : manager.ShownWindowNotes(nullptr))
            if (HasVisibleWindow(shown) && shown->IsFadedOut() != fadeOut)
                dimmed(shown);
    } else if (note->IsVisible() && HasVisibleWindow(note)) {
        dimmed(note);
    } else {
        note->SetFadedOut(false);
    }
    // Without a frame clock the windows go straight to their end alpha.
    animator.Dim(static_cast<DWORD>(std::max(GetAnimationDuration(), 0)), fadeOut, GetFrameClockFrequency());
    manager.m_fadedOut = fadeOut;
}

bool CNoteManager::IsAnyNoteVisible(const CNote* except) const
{
    for (const CNote* note : WindowNotes(except))
        if (HasVisibleWindow(note))
            return true;
    return false;
}

void CNoteManager::RestoreZOrder()
{
    std::vector<CNote*> restacked;
    for (CNote* note : ShownWindowNotes(nullptr))
        if (HasVisibleWindow(note))
            restacked.push_back(note);
    {
        CDeferredPositions positions(restacked.size());
        for (CNote* note : restacked)
            positions.Add(note->GetHwnd(), TopInsertAfter(), kRestackFlags | SWP_SHOWWINDOW);
    }
    for (CNote* note : restacked)
        note->UpdateAlphaEdge(false, false, true);
}

void CNoteManager::SetAllTopmost(bool topmost)
{
    for (CNote* note : ShownWindowNotes(nullptr)) {
        const HWND window = note->GetHwnd();
        // The strips are made anew at the note's new level anyway. Gone first,
        // and with the owner left where it is, no owned or owner window is
        // restacked in the note's place and takes the level instead of it (as
        // under Wine).
        if (((GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) != topmost)
            note->Edges().DestroyWindows();
        SetWindowPos(window, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     kRestackFlags | SWP_NOOWNERZORDER);
        note->UpdateAlphaEdge(false, false, true);
    }
}

bool CNoteManager::ToggleOtherNotes(CNote* note)
{
    if (!note)
        return false;
    ShowNoteWindows(ShownWindowNotes(note), !IsAnyNoteVisible(note), true);
    note->ShowSticky();
    return true;
}

// ---------------------------------------------------------------- groups

namespace {

// A NULL group reads as 0, as the mapping reads it.
CStdStr GroupCondition(std::int64_t group)
{
    CStdStr condition;
    condition.Format(L"(IFNULL(`group`, 0) = %I64d) ORDER BY id", group);
    return condition;
}

} // namespace

std::vector<std::int64_t> CNoteManager::GetGroupNoteIDs(std::int64_t group)
{
    return SelectNoteIDs(GroupCondition(group).c_str());
}

bool CNoteManager::ShowGroupOf(CNote* note)
{
    if (!note || note->GetGroup() <= kNoGroup)
        return false;
    const CWaitCursor wait;
    {
        CDBUseGuard inUse(*this);
        if (CppSQLite3DB* db = GetDB()) {
            try {
                CTransaction transaction(*db);
                ShowOrHideGroupMembers(*note);
                transaction.Commit();
            } catch (const CppSQLite3Exception& e) {
                LogSqliteError(L"CNoteManager::ShowGroupOf", e);
            }
        }
    }
    // Outside the transaction: a locked note asks for its password.
    note->ShowSticky();
    return true;
}

// The other members follow the first of them: all shown when it is hidden,
// else all hidden. Members that do not load or show are left out.
void CNoteManager::ShowOrHideGroupMembers(CNote& note)
{
    const std::vector<std::int64_t> ids = GetGroupNoteIDs(note.GetGroup());
    const bool animate = ids.size() < kMaxAnimatedGroup;
    std::vector<CNote*> members;
    for (const std::int64_t id : ids)
        if (id != note.GetId())
            if (CNote* member = GetNote(id))
                members.push_back(member);
    if (members.empty())
        return;
    const bool show = !members.front()->IsVisible();
    // Shown members are stored, so that they are still shown at the next
    // start; the hidden ones stay as they are when hiding.
    std::vector<CNote*> changed;
    for (CNote* member : members) {
        if (show)
            member->ShowAndStore(false, false);
        if (member->IsVisible())
            changed.push_back(member);
    }
    std::vector<CNote*> windows;
    for (CNote* member : changed)
        if (HasWindow(member))
            windows.push_back(member);
    ShowNoteWindows(windows, show, animate);
    if (!show)
        for (CNote* member : changed)
            member->HideSticky(false);
}

void CNoteManager::ToggleGroupVisibility(std::int64_t group)
{
    CDBUseGuard inUse(*this);
    CppSQLite3DB* db = GetDB();
    if (!db)
        return;
    std::vector<std::int64_t> locked;
    try {
        CTransaction transaction(*db);
        for (CNote* member : GetNotes(GetGroupNoteIDs(group))) {
            if (member->IsVisible())
                member->HideSticky(false);
            else if (member->IsLocked())
                locked.push_back(member->GetId());
            else
                member->ShowSticky();
        }
        transaction.Commit();
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(L"CNoteManager::ToggleGroupVisibility", e);
    }
    // Their password is asked for with no transaction open.
    for (const std::int64_t id : locked)
        if (CNote* member = GetNote(id))
            member->ShowSticky();
}

// ---------------------------------------------------------------- title font and links

namespace {

void GrowBottom(RECT& rect, int growth)
{
    rect.bottom += growth;
}

bool HasRollRect(const CNote& note)
{
    return (note.Alarm().flags & kNoteRollRectStored) != 0;
}

} // namespace

void CNoteManager::UpdateTitleFont(const LOGFONTW& titleFont, int oldCaptionHeight)
{
    const CWaitCursor wait;
    const int height = ItsyCaptionHeightFromFont(titleFont);
    const int growth = height - oldCaptionHeight;
    GrowHiddenNotes(growth);
    const std::vector<CNote*> shown = ShownWindowNotes(nullptr);
    {
        CDeferredPositions positions(shown.size());
        for (CNote* note : shown) {
            const HWND window = note->GetHwnd();
            ItsySetCaptionSize(window, height);
            InvalidateRect(window, nullptr, TRUE);
            RECT frame = {};
            GetWindowRect(window, &frame);
            // A window hidden by hide-all stays hidden.
            positions.Add(window, g_hwndApp ? g_hwndApp : HWND_TOP, frame.right - frame.left,
                          frame.bottom - frame.top + growth, SWP_NOMOVE | SWP_NOACTIVATE);
            if (HasRollRect(*note)) {
                GrowBottom(note->Row().minimizeRect, growth);
                note->SetModified(true);
            }
        }
    }
}

// Hidden notes keep their size in their rows: each stored rectangle grows by
// the caption's growth, all of them stored as one batch. A row that cannot be
// written is logged, its note stays modified, and the others are stored.
void CNoteManager::GrowHiddenNotes(int growth)
{
    CDBUseGuard inUse(*this);
    if (!GetDB())
        return;
    std::vector<CNote*> grown;
    for (CNote* note : GetNotes(SelectNoteIDs(L"visible = 0"))) {
        // Shown since its row was last written: its window tells its size.
        if (note->IsVisible())
            continue;
        QLOG(L"UpdateTitleFont for %s", note->GetDisplayName().c_str());
        if (HasRollRect(*note)) {
            RECT rolled = note->Row().minimizeRect;
            GrowBottom(rolled, growth);
            note->SetMinimizeRect(rolled);
        }
        WINDOWPLACEMENT placement = note->Row().placement;
        GrowBottom(placement.rcNormalPosition, growth);
        note->SetWindowPlacement(placement);
        grown.push_back(note);
    }
    StoreNotes(grown, L"CNoteManager::UpdateTitleFont");
}

bool CNoteManager::RedetectUrls()
{
    for (CNote* note : WindowNotes(nullptr)) {
        CUrlDetect& links = note->UrlDetect();
        if (links.IsEnabled() == g_prefs.EnableURLDetection)
            continue;
        links.SetEnabled(g_prefs.EnableURLDetection);
        links.Rescan();
    }
    CDBUseGuard inUse(*this);
    return GetDB() != nullptr;
}
