// Notes attached to other programs' windows: the listener thread that hears
// the system's window events, and the UI-thread side that matches titles to
// windows and places, shows or hides the notes beside them.
#include "notemgr.h"

#include "AttachedNotes.h"
#include "Note.h"
#include "NoteAttachment.h"
#include "WinEventMessage.h"
#include "foundation/AppWindow.h"
#include "foundation/LogFile.h"
#include "foundation/Preferences.h"
#include "foundation/PumpingWait.h"
#include "foundation/WinEventHook.h"
#include "foundation/WinPlacement.h"

#include <objbase.h>
#include <process.h>

#include <map>
#include <memory>
#include <vector>

namespace {

constexpr DWORD kListenerStopTimeoutMs = 10000;
constexpr int kTitleLength = 256;
constexpr LONG_PTR kOverlappedWindowStyles = WS_OVERLAPPEDWINDOW;

struct SListenerStart {
    CNoteManager* manager;
    HANDLE stop;
};

// The thread holds COM for its life, so that the accessible names of the
// windows it hears about can be asked for.
class CListenerApartment {
public:
    CListenerApartment() : m_initialized(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~CListenerApartment()
    {
        if (m_initialized)
            CoUninitialize();
    }
    CListenerApartment(const CListenerApartment&) = delete;
    CListenerApartment& operator=(const CListenerApartment&) = delete;

private:
    bool m_initialized;
};

// Runs the hook's callbacks until the stop event is set.
void PumpUntilStopped(HANDLE stop)
{
    for (;;) {
        const DWORD result = MsgWaitForMultipleObjects(1, &stop, FALSE, INFINITE, QS_ALLINPUT);
        if (result != WAIT_OBJECT_0 + 1)
            return;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
}

// Hiding a note stores it: one already hidden is left alone, so that
// watching windows writes no rows.
void HideAttachedNote(CNote& note)
{
    if (note.IsVisible() || note.GetHwnd())
        note.HideSticky(false);
}

bool IsSignalled(HANDLE handle)
{
    return handle && WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
}

CStdStr WindowTitle(HWND window)
{
    wchar_t title[kTitleLength] = {};
    GetWindowTextW(window, title, kTitleLength);
    return title;
}

// Whether the point shows the window or one of its children.
bool ShowsWindowAt(HWND window, POINT point)
{
    const HWND shown = WindowFromPoint(point);
    return shown && (shown == window || IsChild(window, shown));
}

using CWindowTitles = std::vector<std::pair<HWND, CStdStr>>;

// The top-level windows of ordinary programs with their titles, top-most first.
CWindowTitles OpenProgramWindows()
{
    CWindowTitles windows;
    for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window; window = GetWindow(window, GW_HWNDNEXT)) {
        if ((GetWindowLongPtrW(window, GWL_STYLE) & kOverlappedWindowStyles) == kOverlappedWindowStyles)
            windows.emplace_back(window, WindowTitle(window));
    }
    return windows;
}

// Of windows sharing a title, the top-most: the one the user sees.
std::map<CStdStr, HWND> TopmostByTitle(const CWindowTitles& windows)
{
    std::map<CStdStr, HWND> topmost;
    for (const auto& [window, title] : windows)
        topmost.emplace(title, window);
    return topmost;
}

} // namespace

POINT AttachedNotePosition(int moveWith, const RECT& target, SIZE note, const RECT* fitArea)
{
    const bool left = moveWith == 1 || moveWith == 3;
    const bool top = moveWith == 1 || moveWith == 2;
    RECT placed;
    placed.left = left ? target.left - note.cx : target.right + 1;
    placed.top = top ? target.top : target.bottom - note.cy;
    placed.right = placed.left + note.cx;
    placed.bottom = placed.top + note.cy;
    if (fitArea)
        placed = FitRectToArea(placed, *fitArea, kFitWorkAreaOnPrimary);
    return {placed.left, placed.top};
}

HWND TopmostWindowTitled(const CStdStr& title)
{
    const std::map<CStdStr, HWND> windows = TopmostByTitle(OpenProgramWindows());
    const auto found = windows.find(title);
    return found == windows.end() ? nullptr : found->second;
}

void FreeQueuedWindowEvents(HWND mainWindow)
{
    MSG msg;
    while (PeekMessageW(&msg, mainWindow, WM_ATTACHED_WINDOW_EVENT, WM_ATTACHED_WINDOW_EVENT, PM_REMOVE))
        delete reinterpret_cast<CWinEventMessage*>(msg.lParam);
}

// ---------------------------------------------------------------- the listener thread

bool CNoteManager::StartListener()
{
    ReapEndedListener();
    if (m_listenerStop)
        return m_listenerThread && !IsSignalled(m_listenerStop.Get());
    m_listenerStop.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_listenerStop)
        return false;
    auto start = std::make_unique<SListenerStart>(SListenerStart{this, m_listenerStop.Get()});
    m_listenerThread.Reset(
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ListenerThread, start.get(), 0, &m_listenerThreadId)));
    if (!m_listenerThread) {
        m_listenerStop.Reset();
        return false;
    }
    start.release();   // the thread's now
    return true;
}

// A thread told to stop that has ended since: its handles go.
void CNoteManager::ReapEndedListener()
{
    if (m_listenerStop && IsSignalled(m_listenerStop.Get()) && (!m_listenerThread || IsSignalled(m_listenerThread.Get()))) {
        m_listenerThread.Reset();
        m_listenerStop.Reset();
    }
}

void CNoteManager::StopListener()
{
    if (!m_listenerStop)
        return;
    SetEvent(m_listenerStop.Get());
    if (m_listenerThread) {
        const HANDLE thread = m_listenerThread.Get();
        if (!WaitPumpingSentMessages(&thread, 1, kListenerStopTimeoutMs)) {
            // Kept, with its signalled event, until it ends: never two threads on the hook set.
            QLOG(L"Forcibly closed listening thread, %08lx - %08lx",
                 static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(thread)),
                 static_cast<unsigned long>(WAIT_TIMEOUT));
            return;
        }
    }
    m_listenerThread.Reset();
    m_listenerStop.Reset();
}

bool CNoteManager::IsListenerRunning() const
{
    return m_listenerThread && m_listenerStop && !IsSignalled(m_listenerStop.Get());
}

unsigned __stdcall CNoteManager::ListenerThread(void* parameter)
{
    const std::unique_ptr<SListenerStart> start(static_cast<SListenerStart*>(parameter));
    const CListenerApartment apartment;
    const WinEventDelegate listener = fastdelegate::MakeDelegate<&CNoteManager::PostWindowEvent>(start->manager);
    AddWinEventListener(listener);
    if (!InstallWinEventHook())
        QLOG(L"Failed to hook window events (%lu); attached notes do not follow their windows", GetLastError());
    PumpUntilStopped(start->stop);
    RemoveWinEventHook();
    RemoveWinEventListener(listener);
    return 0;
}

bool CNoteManager::PostWindowEvent(DWORD event, const wchar_t* title, HWND window)
{
    const HWND main = g_hwndApp;
    if (!IsWindow(main))
        return true;
    auto record = std::make_unique<CWinEventMessage>(event, title, window);
    if (PostMessageW(main, WM_ATTACHED_WINDOW_EVENT, 0, reinterpret_cast<LPARAM>(record.get())))
        record.release();   // the main window's
    return true;
}

// ---------------------------------------------------------------- the title map

bool CNoteManager::FindWindowTitle(HWND window, CStdStr& title) const
{
    const auto found = m_windowTitles.find(window);
    if (found == m_windowTitles.end())
        return false;
    title = found->second;
    return true;
}

void CNoteManager::SetWindowTitle(HWND window, const CStdStr& title)
{
    CLockedStlGuard inUse(m_windowTitles);
    m_windowTitles[window] = title;
}

void CNoteManager::ForgetWindowTitle(HWND window)
{
    CLockedStlGuard inUse(m_windowTitles);
    m_windowTitles.erase(window);
}

// A handle the system reuses must not carry the title of the window it was.
void CNoteManager::ForgetGoneWindows()
{
    CLockedStlGuard inUse(m_windowTitles);
    for (auto entry = m_windowTitles.begin(); entry != m_windowTitles.end();)
        entry = IsWindow(entry->first) ? std::next(entry) : m_windowTitles.erase(entry);
}

// ---------------------------------------------------------------- placing notes

bool CNoteManager::IsWindowUncovered(HWND window)
{
    // The clip box of another program's window reports its whole client area
    // even when covered (Wine, composited Windows): only sampling tells.
    if (!IsWindow(window) || !IsWindowVisible(window) || IsIconic(window))
        return false;
    RECT rect;
    if (!GetWindowRect(window, &rect))
        return false;
    const int width = RectWidth(rect);
    const int height = RectHeight(rect);
    const POINT samples[] = {{rect.left, rect.top},
                             {rect.left + width / 4, rect.top + height / 4},
                             {rect.left + 3 * width / 4, rect.top + 3 * height / 4}};
    for (const POINT& sample : samples)
        if (ShowsWindowAt(window, sample))
            return true;
    return false;
}

void CNoteManager::PlaceAttachedNote(HWND window, CNote* note)
{
    if (!note)
        return;
    const HWND target = note->Attachment().GetMatchedWindow();
    if (!IsWindow(target) || !IsWindowUncovered(target) || IsIconic(target))
        return;
    if (!note->IsVisible() || !note->GetHwnd()) {
        note->Show(false, true);
        note->Attachment().SetMatchedWindow(target);   // showing reads the attachment again
    }
    const int moveWith = note->Attachment().GetMoveWith();
    RECT targetRect, noteRect;
    if (moveWith < 1 || moveWith > 4 || !GetVisibleWindowRect(window, targetRect) || !note->GetHwnd() ||
        !GetWindowRect(note->GetHwnd(), &noteRect))
        return;
    const SIZE size = {RectWidth(noteRect), RectHeight(noteRect)};
    POINT topLeft = AttachedNotePosition(moveWith, targetRect, size, nullptr);
    if (g_prefs.SmartFit) {
        RECT fitted = {topLeft.x, topLeft.y, topLeft.x + size.cx, topLeft.y + size.cy};
        FitRectToMonitor(fitted, kFitWorkAreaOnPrimary);
        topLeft = {fitted.left, fitted.top};
    }
    SetWindowPos(note->GetHwnd(), nullptr, topLeft.x, topLeft.y, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
}

// ---------------------------------------------------------------- events and sweeps

bool CNoteManager::HandleWindowEvent(DWORD event, const wchar_t* eventTitle, HWND window, bool nested)
{
    const CStdStr title(eventTitle);
    if (title.empty())
        return true;
    CStdStr used = title;
    CStdStr pendingTitle;
    CStdStr oldTitle;
    if (!nested && FindWindowTitle(window, oldTitle)) {
        if (CNoteAttachment::GetNotesForTitle(title).empty())
            used = oldTitle;
        if (event == EVENT_OBJECT_NAMECHANGE && !CNoteAttachment::GetNotesForTitle(oldTitle).empty())
            pendingTitle = oldTitle;
    }
    const std::vector<std::int64_t> ids = CNoteAttachment::GetNotesForTitle(used);
    if (ids.empty())
        return true;
    {
        CDBUseGuard inUse(*this);
        if (!GetDB())
            return true;
        for (std::int64_t id : ids) {
            // Looked up again each time: hiding one note may run code that frees another.
            if (CNote* note = GetNote(id))
                HandleNoteWindowEvent(*note, event, title, window, nested, pendingTitle);
        }
    }
    if (!pendingTitle.empty())
        HandleWindowEvent(EVENT_OBJECT_NAMECHANGE, pendingTitle.c_str(), window, true);
    return true;
}

void CNoteManager::HandleNoteWindowEvent(CNote& note, DWORD event, const CStdStr& title, HWND window, bool nested,
                                         CStdStr& pendingTitle)
{
    note.Attachment().SetMatchedWindow(window);
    switch (event) {
    case EVENT_SYSTEM_FOREGROUND:
    case EVENT_SYSTEM_MOVESIZEEND:
    case EVENT_SYSTEM_MINIMIZEEND:
    case EVENT_OBJECT_SHOW:
    case EVENT_OBJECT_LOCATIONCHANGE:
        PlaceAttachedNote(window, &note);
        break;
    case EVENT_SYSTEM_MINIMIZESTART:
        HideAttachedNote(note);
        break;
    case EVENT_OBJECT_CREATE:
        SetWindowTitle(window, title);
        PlaceAttachedNote(window, &note);
        break;
    case EVENT_OBJECT_DESTROY:
        ForgetWindowTitle(window);
        HideAttachedNote(note);
        break;
    case EVENT_OBJECT_HIDE:
        if (!IsWindowUncovered(window))
            HideAttachedNote(note);
        break;
    case EVENT_OBJECT_NAMECHANGE:
        if (nested || note.Attachment().GetWindowTitle() != title) {
            HideAttachedNote(note);
            if (!nested)
                SetWindowTitle(window, title);
        } else {
            pendingTitle.clear();
            SetWindowTitle(window, title);
            if (!IsIconic(window))
                PlaceAttachedNote(window, &note);
        }
        break;
    default:
        break;
    }
}

void CNoteManager::RefreshAttachedNotes()
{
    ForgetGoneWindows();
    const CWindowTitles open = OpenProgramWindows();
    for (const auto& [window, title] : open)
        SetWindowTitle(window, title);
    const std::map<CStdStr, HWND> windows = TopmostByTitle(open);
    std::vector<std::int64_t> rowIds;
    CNoteAttachment rows;
    {
        CDBUseGuard inUse(*this);
        if (!GetDB() || !rows.GetAllIDs(rowIds))
            return;
        for (std::int64_t rowId : rowIds) {
            if (!rows.GetData(rowId))
                continue;
            CNote* const note = GetNote(rows.GetNoteId());
            if (!note)
                continue;
            const auto found = windows.find(rows.GetWindowTitle());
            if (found != windows.end() && IsWindowUncovered(found->second) && !IsIconic(found->second)) {
                note->Attachment().SetMatchedWindow(found->second);
                PlaceAttachedNote(found->second, note);
            } else {
                HideAttachedNote(*note);
            }
        }
    }
    if (!rowIds.empty() && !IsListenerRunning()) {
        const bool started = StartListener();
        QLOG(L"Creating window thread listener %d", started ? 1 : 0);
    } else if (rowIds.empty() && IsListenerRunning()) {
        StopListener();
        QLOG(L"Closing window thread listener");
    }
}

void CNoteManager::HideOrphanedAttachedNotes()
{
    if (!IsListenerRunning())
        return;
    ForgetGoneWindows();
    std::vector<CNote*> orphans;
    for (CNote* note : WindowNotes(nullptr)) {
        const HWND target = note->Attachment().GetMatchedWindow();
        if (note->Attachment().GetWindowTitle().empty() || !target)
            continue;
        if (!IsWindow(target) || !IsWindowUncovered(target) || IsIconic(target))
            orphans.push_back(note);
    }
    for (CNote* note : orphans)
        HideAttachedNote(*note);
}
