// The main and parent windows.
#include "mainwnd.h"

#include <mmsystem.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dialogcalls.h"
#include "dialogs/AboutDlg.h"
#include "dialogs/DlgUtils.h"
#include "dialogs/QuickSearchDlg.h"
#include "dialogs/ShowHideDlg.h"
#include "exchange/NetLists.h"
#include "exchange/NetSendRecord.h"
#include "foundation/LogFile.h"
#include "foundation/MessageBoxSeam.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "foundation/Seams.h"
#include "foundation/SysFuncs.h"
#include "foundation/WinPlacement.h"
#include "foundation/WinVersion.h"
#include "framework/AppModule.h"
#include "framework/Library.h"
#include "hotkeys.h"
#include "mainmenus.h"
#include "maintimers.h"
#include "notecalls.h"
#include "notestore/AttachedNotes.h"
#include "notestore/Note.h"
#include "notestore/SQLiteHelp.h"
#include "notestore/groups.h"
#include "notestore/notemgr.h"
#include "notewindows/itsycmd.h"
#include "resources/resource.h"
#include "sessionsave.h"
#include "shellsvc.h"
#include "toolkit/CustomMenu.h"
#include "trayicon.h"

namespace {

constexpr wchar_t kMainClass[] = L"MainWClass";
constexpr wchar_t kParentClass[] = L"ParentWClass";
constexpr wchar_t kNoteClass[] = L"NoteWClass";
constexpr int kNoteWindowExtraBytes = 8;  // the window's note object
// Windows keep at most 63 characters of a caption.
constexpr int kCaptionChars = 64;

HWND g_parentWindow = nullptr;
CLibrary g_msftEdit;
bool g_closing = false;
bool g_applicationActive = false;
DWORD g_lastInputTick = 0;
UINT g_taskbarCreatedMessage = 0;
// The failure box of a received note: one pending or shown at a time, for
// this sender; failures meanwhile are only logged.
bool g_receiveFailurePending = false;
CStdStr g_failedSender;
// The save dialog of Export All and the quick search are open: hot keys and
// menus may not stack a second one.
bool g_exportOpen = false;
bool g_quickSearchOpen = false;

// Sets a flag for its life.
class CBusyScope {
public:
    explicit CBusyScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~CBusyScope() { m_flag = false; }
    CBusyScope(const CBusyScope&) = delete;
    CBusyScope& operator=(const CBusyScope&) = delete;

private:
    bool& m_flag;
};

bool RegisterOne(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, int extraBytes, HICON icon,
                 HBRUSH background)
{
    WNDCLASSW windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = procedure;
    windowClass.cbWndExtra = extraBytes;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    if (RegisterClassW(&windowClass))
        return true;
    QLOG(L"Failed to init window class %s", name);
    return false;
}

// The editor's class: the newer rich edit when its library loads.
bool HasRichEditClass()
{
    WNDCLASSW found = {};
    if (!g_msftEdit)
        g_msftEdit.Reset(LoadLibraryW(L"Msftedit.dll"));
    if (g_msftEdit) {
        if (GetClassInfoW(nullptr, L"RICHEDIT50W", &found))
            return true;
        QLOG(L"Failed to init window class MSFTEDIT_CLASS");
        return false;
    }
    if (GetClassInfoW(nullptr, L"RichEdit20W", &found))
        return true;
    QLOG(L"Failed to init window class RICHEDIT_CLASS");
    return false;
}

// A 256-entry palette from the system's, on 8-bit palette screens only.
bool CreatePaletteWhenNeeded()
{
    const HDC screen = GetDC(nullptr);
    const bool paletted = (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) && GetDeviceCaps(screen, BITSPIXEL) == 8;
    if (!paletted || !g_prefs.EnableCustomColors) {
        ReleaseDC(nullptr, screen);
        return true;
    }
    QLOG(L"Creating custom palette");
    std::vector<BYTE> block(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
    auto* palette = reinterpret_cast<LOGPALETTE*>(block.data());
    palette->palVersion = 0x300;
    palette->palNumEntries = 256;
    GetSystemPaletteEntries(screen, 0, 255, palette->palPalEntry);
    const int reserved = GetDeviceCaps(screen, NUMRESERVED);
    ReleaseDC(nullptr, screen);
    g_appModule.SetPalette(CreatePalette(palette), static_cast<UINT>(reserved));
    if (g_appModule.GetPalette())
        QLOG(L"Palette created successfully.");
    return true;
}

// Each note whose change is in no row, by id and name: the last word on it.
void LogNotesLeftUnsaved(const wchar_t* when)
{
    for (CNote* note : NoteManager().GetModifiedNotes())
        QLOG(L"%s: note %I64d \"%s\" is not saved", when, note->GetId(), note->GetDisplayName().c_str());
}

// The notes saved before the program closes; false when the save failed and
// the user chose to keep the program running.
bool SaveBeforeClosing(HWND window)
{
    if (!g_prefs.AutoSave)
        return true;
    while (!NoteManager().SaveModifiedNotes()) {
        QLOG(L"Closing: the notes could not be saved");
        const int answer = AppMessageBox(window, IDS_CLOSE_NOT_SAVED, MB_CANCELTRYCONTINUE | MB_ICONWARNING);
        if (answer == IDCONTINUE) {
            LogNotesLeftUnsaved(L"Closing anyway");
            return true;
        }
        if (answer != IDTRYAGAIN) {
            QLOG(L"Closing cancelled: the program keeps running");
            return false;
        }
    }
    return true;
}

void OnMainClose(HWND window)
{
    if (!SaveBeforeClosing(window))
        return;
    QLOG(L"Close window event thread!");
    NoteManager().StopListener();
    FreeQueuedWindowEvents(window);
    g_closing = true;
    DestroyWindow(window);
}

void OnMainDestroy(HWND window)
{
    if (IsTrayMode()) {
        NotifyTrayIcon(window, kTrayDelete, nullptr, nullptr, nullptr);
        KillTimer(window, kBlinkTimerId);
        FreeTrayIcons();
    }
    KillTimer(window, kUpkeepTimerId);
    KillTimer(window, kMainTimerId);
    CloseAllHelp();
    DestroyMainMenus();
    if (g_parentWindow)
        PostMessageW(g_parentWindow, WM_DESTROY, 0, 0);
}

// Windows may end the process as soon as this returns.
void OnEndSession(bool ending)
{
    if (!ending)
        return;
    // Nothing can be asked now: whatever is not saved is at least named.
    if (g_prefs.AutoSave)
        NoteManager().SaveModifiedNotes();
    LogNotesLeftUnsaved(L"Session ends");
    SaveSessionState();
}

void OnParentSize(HWND parent, WPARAM kind)
{
    const HWND main = g_hwndApp;
    if (kind != SIZE_RESTORED && kind != SIZE_MAXIMIZED) {
        SendMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        ShowWindow(main, SW_HIDE);
        return;
    }
    if (!g_prefs.VisibleInTaskbar)
        ShowWindow(parent, SW_HIDE);
    if (IsTrayMode() && main && IsWindow(main)) {
        ReAddTrayIcon(main);
        // A bar minimised by "&Minimize" comes back in its place.
        if (!g_prefs.HideToolbar && IsIconic(main))
            ShowWindow(main, SW_RESTORE);
        ShowWindow(main, g_prefs.HideToolbar ? SW_HIDE : SW_SHOW);
        SetForegroundWindow(main);
        NoteManager().ShowAllNotes();
    }
}

void OnParentActivateApp(bool active)
{
    if (!active && g_prefs.AutoSave && !g_closing)
        NoteManager().SaveModifiedNotes();
    if (active && g_hwndApp)
        PostMessageW(g_hwndApp, WM_NULL, 0, 0);
    g_applicationActive = active;
}

// The window the raw input went to: the focus for keys, the window under
// the cursor for the mouse; null for other devices.
HWND RawInputTarget(LPARAM input)
{
    RAWINPUTHEADER header = {};
    UINT size = sizeof(header);
    if (GetRawInputData(reinterpret_cast<HRAWINPUT>(input), RID_HEADER, &header, &size, sizeof(RAWINPUTHEADER)) ==
        static_cast<UINT>(-1))
        return nullptr;
    if (header.dwType == RIM_TYPEKEYBOARD)
        return GetFocus();
    if (header.dwType != RIM_TYPEMOUSE)
        return nullptr;
    POINT cursor = {};
    return MyGetPhysicalCursorPos(&cursor) ? MyWindowFromPhysicalPoint(cursor) : nullptr;
}

void OnParentInput(LPARAM input)
{
    const HWND target = RawInputTarget(input);
    const HWND main = g_hwndApp;
    if (!target || !main)
        return;
    if (GetWindowThreadProcessId(target, nullptr) != GetWindowThreadProcessId(main, nullptr))
        return;
    g_lastInputTick = g_clockSeam.tickCount();
    PostMessageW(main, WM_INPUT_ACTIVITY, 0, 0);
}

void ReportReceiveFailure(const wchar_t* sender)
{
    QLOG(L"Failed to receive note from external host %s", sender);
    if (g_receiveFailurePending)
        return;
    g_failedSender = sender;
    g_receiveFailurePending = PostMessageW(GetAppWindow(), WM_RECEIVE_FAILED_BOX, 0, 0) != FALSE;
}

void OnReceiveFailedBox()
{
    if (!g_receiveFailurePending)
        return;
    CStdStr text;
    text.Format(LoadResString(IDS_RECEIVE_FAILED), g_failedSender.c_str());
    ForegroundNudge();
    AppMessageBox(GetAppWindow(), text.c_str(), MB_OK);
    g_receiveFailurePending = false;
}

// The note of a received record, made safe and stored; null when the record
// holds nothing that reads as a note.
CNote* NoteFromRecord(const CNetSendRecord& record)
{
    if (record.xmlText) {
        std::wstring document;
        if (record.xmlLength <= 1 || !Utf8ToWide(record.xmlText.get(), record.xmlLength - 1, document))
            return nullptr;
        return NoteManager().CreateNoteFromXml(document.c_str());
    }
    if (record.legacyBuffer && record.legacyLength > 0)
        return NoteManager().CreateNoteFromBuffer(record.legacyBuffer.get(), record.legacyLength);
    return nullptr;
}

void AnnounceReceivedNote(CNote& note, const wchar_t* sender)
{
    const std::int64_t id = note.GetId();
    note.ShowAndStore(true, true);
    // Showing may ask for the note's password, and a modal loop can free it.
    const CNote* const shown = NoteManager().GetNote(id);
    if (shown && shown->GetHwnd())
        KeepWindowOnScreen(shown->GetHwnd());
    PlaySoundFile(g_prefs.NoteReceived);
    if (!g_prefs.ReceiveNotify)
        return;
    CStdStr text;
    text.Format(LoadResString(IDS_NOTE_RECEIVED), sender);
    ForegroundNudge();
    // The icon and tip stay as they are: a modify without them would blank both.
    NotifyTrayIcon(GetAppWindow(), kTrayModify, GetTrayIcon(kTrayIconNormal), GetAppCaption(), text.c_str());
}

void OnNewNote()
{
    if (NoteManager().CreateNewNote())
        PlaySoundFile(g_prefs.CreateNote);
}

// The commands of the last "&Display Note" build; true when the command is one.
bool OnNotesMenuCommand(UINT command)
{
    if (const auto note = NotesMenuMap().NoteAt(command)) {
        ShowNoteById(*note);
        return true;
    }
    if (const auto group = NotesMenuMap().GroupAt(command)) {
        if (CGroups::FindById(*group))
            ToggleGroupNotes(*group);
        return true;
    }
    return false;
}

HWND ToolbarOf(HWND window)
{
    return GetDlgItem(window, kToolbarControlId);
}

void OnMainMenuButton(HWND window)
{
    BuildNotesMenu();
    POINT point = {8, 8};
    ClientToScreen(window, &point);
    g_trayMenu.TrackPopupMenu(TPM_LEFTBUTTON, point.x, point.y, window);
}

void OnMinimize(HWND window)
{
    SetToolbarPosition(g_prefs, window, ToolbarOf(window), g_parentWindow);
    if (!IsWindowVisible(window))
        ShowWindow(window, SW_SHOWNOACTIVATE);
    ShowWindow(g_parentWindow, SW_MINIMIZE);
    HideEveryNote();
}

void OnAlwaysOnTop(HWND window)
{
    g_prefs.AlwaysOnTop = !g_prefs.AlwaysOnTop;
    if (!g_prefs.Save())
        QLOG(L"Always on top: the settings could not be saved");
    ApplyAlwaysOnTop(window);
}

void OnShowHideAll(HWND window)
{
    SetForegroundWindow(window);
    if (AnyNoteShown()) {
        HideEveryNote();
        SetMenuItemText(GetTrayMenu(), ID_SHOW_HIDE_ALL, LoadResString(IDS_SHOW_ALL));
    } else {
        NoteManager().ShowAllNotes();
        SetMenuItemText(GetTrayMenu(), ID_SHOW_HIDE_ALL, LoadResString(IDS_HIDE_ALL));
    }
}

void OnExportAll(HWND window)
{
    if (g_exportOpen)
        return;
    const CBusyScope open(g_exportOpen);
    CStdStr path;
    const std::optional<EExportFormat> format = ChooseExportFile(window, path);
    if (format && !ExportEveryNote(path.c_str(), *format))
        ShowExportFailed(window, path.c_str());
}

void OnQuickSearch(HWND window)
{
    if (g_quickSearchOpen)
        return;
    const CBusyScope open(g_quickSearchOpen);
    SetForegroundWindow(window);
    RunQuickSearchDlg(GetActiveWindow());
}

void ShowToolbar(HWND window)
{
    g_prefs.HideToolbar = false;
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetToolbarPosition(g_prefs, window, ToolbarOf(window), g_parentWindow);
    SetMenuItemText(GetTrayMenu(), ID_TOGGLE_TOOLBAR, LoadResString(IDS_HIDE_TOOLBAR));
}

void HideToolbar(HWND window)
{
    ShowWindow(window, SW_HIDE);
    ReAddTrayIcon(window);
    SetMenuItemText(GetTrayMenu(), ID_TOGGLE_TOOLBAR, LoadResString(IDS_SHOW_TOOLBAR));
    g_prefs.HideToolbar = true;
    SetToolbarPosition(g_prefs, window, ToolbarOf(window), g_parentWindow);
}

void OnToggleToolbar(HWND window)
{
    if (!IsTrayMode())
        return;
    if (IsWindowVisible(window))
        HideToolbar(window);
    else
        ShowToolbar(window);
}

LRESULT OnPowerBroadcast(WPARAM event)
{
    NoteManager().ResetNextAlarm();
    if (event == PBT_APMRESUMEAUTOMATIC) {
        QLOG(L"Refreshing from suspend");
        RestoreNotesZOrder();
    }
    return TRUE;
}

}  // namespace

const wchar_t* GetAppCaption()
{
    // Per thread: a caller on another thread must not see its text rewritten.
    thread_local wchar_t caption[kCaptionChars] = {};
    CResModule::LoadString(IDS_APP_NAME, caption, kCaptionChars);
    return caption;
}

bool IsTrayMode()
{
    return WindowsVersion().winXP;
}

HWND GetAppWindow()
{
    return __atomic_load_n(&g_hwndApp, __ATOMIC_ACQUIRE);
}

void SetAppWindow(HWND window)
{
    __atomic_store_n(&g_hwndApp, window, __ATOMIC_RELEASE);
}

void PlaceToolbar(HWND window, CPreferences& prefs)
{
    SetToolbarPosition(prefs, window, ToolbarOf(window), g_parentWindow);
}

void ApplyAlwaysOnTop(HWND window)
{
    CheckMenuItem(GetTrayMenu(), ID_ALWAYS_ON_TOP, MF_BYCOMMAND | (g_prefs.AlwaysOnTop ? MF_CHECKED : MF_UNCHECKED));
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetToolbarPosition(g_prefs, window, ToolbarOf(window), g_parentWindow);
    SetNotesTopmost(g_prefs.AlwaysOnTop);
}

HWND GetParentWindow()
{
    return g_parentWindow;
}

void SetParentWindow(HWND window)
{
    g_parentWindow = window;
    SetSoundNotifyWindow(window);
}

HPALETTE GetAppPalette()
{
    return g_appModule.GetPalette();
}

void DeleteAppPalette()
{
    g_appModule.SetPalette(nullptr);
}

int RegisterWindowClasses(HINSTANCE instance)
{
    QLOG(L"Creating main window class");
    if (!RegisterOne(instance, kMainClass, &MainWndProc, 0, g_appModule.GetAppIcon(),
                     static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))))
        return 0;
    QLOG(L"Creating ParentWClass window class");
    if (!RegisterOne(instance, kParentClass, &ParentWndProc, 0, g_appModule.GetAppIcon(),
                     reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)))
        return 0;
    QLOG(L"Creating NoteWClass window class");
    if (!RegisterOne(instance, kNoteClass, &NoteFrameWndProcEntry, kNoteWindowExtraBytes, nullptr,
                     reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)))
        return 0;
    if (!HasRichEditClass())
        return 0;
    QLOG(L"Window class creating complete!");
    return 1;
}

int CreateMain(HINSTANCE instance)
{
    const HWND window =
        IsTrayMode()
            ? CreateWindowExW(WS_EX_TOOLWINDOW, kMainClass, GetAppCaption(), WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                              0, 0, 0, 0, nullptr, nullptr, instance, nullptr)
            : CreateWindowExW(0, kMainClass, GetAppCaption(), WS_POPUP | WS_BORDER | WS_SYSMENU | WS_MINIMIZEBOX, 24, 0,
                              125, 19, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 0;
    SetAppWindow(window);
    QLOG(L"Setting Always On Top %d", g_prefs.AlwaysOnTop ? 1 : 0);
    SetWindowPos(window, g_prefs.AlwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return CreatePaletteWhenNeeded() ? 1 : 0;
}

bool InitMainWindow(HWND)
{
    SMenuOptions options;
    options.trayMode = IsTrayMode();
    options.mapi = GetProfileIntW(L"Mail", L"MAPI", 0) != 0;
    options.layered = CanUseLayeredWindows();
    if (!PrepareMainMenus(options))
        return false;
    // The icon's version is set once an icon exists: after each add.
    if (options.trayMode)
        LoadTrayIcons();
    return true;
}

void OnMainCommand(HWND window, UINT command)
{
    if (OnNotesMenuCommand(command))
        return;
    switch (command) {
    case ID_NOTE_ORGANIZER: ToggleNoteOrganizer(); break;
    case ID_NEW_NOTE:
    case ID_NEW_NOTE_TOOLBAR: OnNewNote(); break;
    case ID_EXIT: SendMessageW(window, WM_CLOSE, 0, 0); break;
    case ID_PREFERENCES:
    case ID_PREFERENCES_TOOLBAR: ShowPreferences(); break;
    case ID_SAVE_ALL:
    case ID_SAVE_ALL_TOOLBAR: NoteManager().SaveModifiedNotes(); break;
    case ID_HELP_TOOLBAR:
    case ID_HELP: ShowHelp(0); break;
    case ID_MAIN_MENU: OnMainMenuButton(window); break;
    case ID_ABOUT_MENU:
    case ID_ABOUT: ShowAboutDlg(); break;
    case ID_MINIMIZE: OnMinimize(window); break;
    case ID_ALWAYS_ON_TOP: OnAlwaysOnTop(window); break;
    case ID_SHOW_HIDE_ALL: OnShowHideAll(window); break;
    case ID_CHECK_VERSION: CheckVersionOnline(false); break;
    case ID_EXPORT_ALL: OnExportAll(window); break;
    case ID_QUICK_SEARCH: OnQuickSearch(window); break;
    case ID_TOGGLE_TOOLBAR: OnToggleToolbar(window); break;
    default: break;
    }
}

void OnAttachedWindowEvent(CWinEventMessage* posted)
{
    const std::unique_ptr<CWinEventMessage> event(posted);
    if (event)
        NoteManager().HandleWindowEvent(event->GetEvent(), event->GetTitle().c_str(), event->GetWindow(), false);
}

void ForegroundNudge()
{
    const HWND main = GetAppWindow();
    SetForegroundWindow(main);
    PostMessageW(main, WM_FOREGROUND_NUDGE, 0, 0);
}

void OnNetSendStatus(WPARAM status, CNetSendRecord* reported)
{
    const std::unique_ptr<CNetSendRecord> record(reported);
    if (!record)
        return;
    // The sender's code is 32 bits wide, whatever the width of WPARAM.
    const int code = static_cast<int>(static_cast<DWORD>(status));
    const int outcome = code == kNetSendStartedCode     ? kNetSendSending
                        : code == kNetSendDeliveredCode ? kNetSendSent
                                                        : kNetSendFailed;
    NetLists().UpdateNetSends({record->host, record->port, outcome});
    if (outcome != kNetSendFailed)
        return;
    QLOG(L"Sending note to %s failed - %d", record->host, code);
    if (code <= 0)
        return;
    CStdStr text;
    text.Format(LoadResString(IDS_NETSEND_ERROR), record->host);
    ForegroundNudge();
    AppMessageBox(GetAppWindow(), text.c_str(), MB_OK);
}

bool OnNoteReceived(CNetSendRecord* received)
{
    const std::unique_ptr<CNetSendRecord> record(received);
    if (!record)
        return false;
    // The LAN stops after the notes are closed: nothing may be made now.
    if (IsMainWindowClosing()) {
        QLOG(L"Note from %s refused: the program is closing", record->senderName);
        return false;
    }
    CNote* const note = NoteFromRecord(*record);
    if (!note) {
        ReportReceiveFailure(record->senderName);
        return false;
    }
    AnnounceReceivedNote(*note, record->senderName);
    return true;
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (IsTrayMode()) {
        if (message == WM_CREATE)
            g_taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
        if (g_taskbarCreatedMessage != 0 && message == g_taskbarCreatedMessage)
            ReAddTrayIcon(window);
    }
    if ((message == WM_DRAWITEM || message == WM_MEASUREITEM) &&
        g_trayMenu.OnOwnerDrawMessage(window, message, lParam))
        return 1;
    switch (message) {
    case WM_CREATE: return InitMainWindow(window) ? 0 : -1;
    case WM_DESTROY: OnMainDestroy(window); return 0;
    case WM_CLOSE: OnMainClose(window); return 0;
    case WM_ENDSESSION: OnEndSession(wParam != FALSE); break;
    case WM_COMMAND: OnMainCommand(window, LOWORD(wParam)); return 0;
    case WM_TIMER: OnMainTimer(window, wParam); return 0;
    case WM_INPUT_ACTIVITY: CheckInputActivity(); break;
    case WM_POWERBROADCAST: return OnPowerBroadcast(wParam);
    case WM_HOTKEY: HandleHotKey(wParam); break;
    case WM_TRAY_NOTIFY:
        if (IsTrayMode())
            OnTrayNotify(window, lParam);
        return 0;
    case WM_ATTACHED_WINDOW_EVENT: OnAttachedWindowEvent(reinterpret_cast<CWinEventMessage*>(lParam)); return 0;
    case WM_NETSEND_STATUS: OnNetSendStatus(wParam, reinterpret_cast<CNetSendRecord*>(lParam)); return 0;
    case WM_NOTE_RECEIVED: return OnNoteReceived(reinterpret_cast<CNetSendRecord*>(lParam)) ? 1 : 0;
    case WM_RECEIVE_FAILED_BOX: OnReceiveFailedBox(); return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK ParentWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_SIZE: OnParentSize(window, wParam); return 0;
    case WM_CREATE:
    case WM_WININICHANGE: return 0;
    case WM_CLOSE:
        if (g_hwndApp && IsWindow(g_hwndApp))
            SendMessageW(g_hwndApp, WM_COMMAND, ID_EXIT, reinterpret_cast<LPARAM>(window));
        return 0;
    case WM_ACTIVATEAPP: OnParentActivateApp(wParam != FALSE); return 0;
    case WM_INPUT:
        OnParentInput(lParam);
        // Frees the system's copy of the input.
        DefWindowProcW(window, message, wParam, lParam);
        return 0;
    case MM_MCINOTIFY: OnSoundNotify(wParam, lParam); return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool IsMainWindowClosing()
{
    return g_closing;
}

bool IsApplicationActive()
{
    return g_applicationActive;
}

DWORD GetLastInputTick()
{
    return g_lastInputTick;
}
