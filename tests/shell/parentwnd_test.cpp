// The parent and main windows' start-up paths: minimising from the taskbar,
// saving when the program loses the foreground or the session ends, and raw
// input of other threads. Real window procedures on stand-in windows, with a
// note manager of the test's own.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "foundation/MessageBoxSeam.h"
#include "foundation/Preferences.h"
#include "foundation/Seams.h"
#include "foundation/WinVersion.h"
#include "framework/KernelHandle.h"
#include "notestore/Note.h"
#include "notestore/notemgr.h"
#include "shell/MainCommands.h"
#include "shell/mainwnd.h"
#include "tests/support/ComApartment.h"
#include "tests/support/TestDir.h"

namespace {

std::vector<UINT> g_mainMessages;

LRESULT CALLBACK MainStandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INPUT_ACTIVITY)
        g_mainMessages.push_back(message);
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterClassOnce(const wchar_t* name, WNDPROC procedure, int extraBytes)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.cbWndExtra = extraBytes;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = name;
    RegisterClassW(&windowClass);   // a second registration fails harmlessly
}

HWND MakeWindow(const wchar_t* className, DWORD style, int x)
{
    return CreateWindowExW(WS_EX_TOPMOST, className, L"", style, x, 600, 60, 40, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

DWORD FixedTick()
{
    return 0x5eed;
}

class ParentWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_com.Initialised());
        m_manager.SetDatabasePath(m_dir.File(L"QUILLT40.DAT").c_str());
        m_savedPrefs = g_prefs;
        m_savedVersion = WindowsVersion();
        WindowsVersion().winXP = false;   // no tray icon to keep in step
        RegisterClassOnce(L"QuilletTestMainStandIn", &MainStandInProc, 0);
        RegisterClassOnce(L"QuilletTestParent", &ParentWndProc, 0);
        RegisterClassOnce(L"NoteWClass", &DefWindowProcW, sizeof(LONG_PTR));
        m_main = MakeWindow(L"QuilletTestMainStandIn", WS_POPUP | WS_VISIBLE, 700);
        m_parent = MakeWindow(L"QuilletTestParent", WS_POPUPWINDOW, 0);
        ASSERT_TRUE(m_main && m_parent);
        g_hwndApp = m_main;
        SetParentWindow(m_parent);
        g_mainMessages.clear();
    }
    void TearDown() override
    {
        m_manager.CloseAll();
        g_hwndApp = nullptr;
        SetParentWindow(nullptr);
        DestroyWindow(m_parent);
        if (IsWindow(m_main))
            DestroyWindow(m_main);
        g_prefs = m_savedPrefs;
        WindowsVersion() = m_savedVersion;
    }

    // A stored note with a window, modified since.
    CNote* ModifiedNote()
    {
        CNote* note = m_manager.AddNote(std::make_unique<CNote>());
        EXPECT_TRUE(m_manager.StoreNote(note));
        EXPECT_TRUE(note->CreateBareWindow());
        m_manager.AddWindow(note);
        note->SetModified(true);
        return note;
    }

    CComApartment m_com;
    CTestDir m_dir;
    CLogCapture m_log;
    CNoteManager m_manager;
    CSeamOverride<SNoteManagerSeam> m_seam{g_noteManagerSeam, {&m_manager}};
    CPreferences m_savedPrefs;
    WindowsVersionFlags m_savedVersion;
    HWND m_main = nullptr;
    HWND m_parent = nullptr;
};

TEST_F(ParentWindowTest, MinimisingTheTaskbarButtonHidesTheMainWindow)
{
    SendMessageW(m_parent, WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_FALSE(IsWindowVisible(m_main));
}

TEST_F(ParentWindowTest, AutoSaveWhenTheProgramLosesTheForegroundOrTheSessionEnds)
{
    struct Case {
        const char* name;
        HWND window;
        UINT message;
        WPARAM wParam;
        bool autoSave;
        bool saved;
    };
    const Case cases[] = {
        {"another program activated", m_parent, WM_ACTIVATEAPP, FALSE, true, true},
        {"this program activated", m_parent, WM_ACTIVATEAPP, TRUE, true, false},
        {"deactivated without AutoSave", m_parent, WM_ACTIVATEAPP, FALSE, false, false},
        {"the session ends", m_main, WM_ENDSESSION, TRUE, true, true},
        {"the session goes on", m_main, WM_ENDSESSION, FALSE, true, false},
        {"the session ends without AutoSave", m_main, WM_ENDSESSION, TRUE, false, false},
    };
    for (const Case& c : cases) {
        g_prefs.AutoSave = c.autoSave;
        CNote* note = ModifiedNote();
        if (c.message == WM_ENDSESSION)
            MainWndProc(c.window, c.message, c.wParam, 0);
        else
            SendMessageW(c.window, c.message, c.wParam, 0);
        EXPECT_EQ(note->IsModified(), !c.saved) << c.name;
        if (c.message == WM_ACTIVATEAPP) {
            EXPECT_EQ(IsApplicationActive(), c.wParam != FALSE) << c.name;
        }
    }
}

// ---- Raw input ------------------------------------------------------------

int g_rawInputs = 0;

LRESULT CALLBACK CountRawInput(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == WM_INPUT)
        ++g_rawInputs;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// A window of a thread of its own, pumping until it is closed.
class COtherThreadWindow {
public:
    COtherThreadWindow()
    {
        m_thread = std::thread([this] {
            m_window = MakeWindow(L"QuilletTestMainStandIn", WS_POPUP | WS_VISIBLE, 800);
            SetEvent(m_made.Get());
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0)
                DispatchMessageW(&msg);
        });
        WaitForSingleObject(m_made.Get(), 10000);
    }
    ~COtherThreadWindow()
    {
        PostMessageW(m_window, WM_QUIT, 0, 0);
        m_thread.join();
    }
    COtherThreadWindow(const COtherThreadWindow&) = delete;
    COtherThreadWindow& operator=(const COtherThreadWindow&) = delete;

    HWND Get() const { return m_window; }

private:
    CKernelHandle m_made{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    HWND m_window = nullptr;
    std::thread m_thread;
};

// Moves the mouse onto the window's middle as a user would, then pumps this
// thread until the parent window has had the raw input of it (or the
// watchdog's span has passed) and everything it posted.
bool MouseInputOver(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    const int x = (rect.left + rect.right) / 2;
    const int y = (rect.top + rect.bottom) / 2;
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(x, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
    input.mi.dy = MulDiv(y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    const int before = g_rawInputs;
    if (SendInput(1, &input, sizeof(input)) != 1)
        return false;
    MSG msg;
    for (DWORD waited = 0; g_rawInputs == before && waited < 10000; waited += 10) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(10);
    }
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    return g_rawInputs != before;
}

TEST_F(ParentWindowTest, RawInputCountsOnlyOverThisThreadsWindows)
{
    const CSeamOverride<SClockSeam> clock(g_clockSeam, {g_clockSeam.now, &FixedTick});
    RAWINPUTDEVICE mouse = {1, 2, RIDEV_INPUTSINK, m_parent};
    ASSERT_TRUE(RegisterRawInputDevices(&mouse, 1, sizeof(mouse)));
    const HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, &CountRawInput, nullptr, GetCurrentThreadId());
    ASSERT_TRUE(hook);
    const COtherThreadWindow other;
    ASSERT_TRUE(other.Get());

    ASSERT_TRUE(MouseInputOver(other.Get())) << "no raw input arrived";
    EXPECT_TRUE(g_mainMessages.empty()) << "input over another thread's window is not the user's work here";
    EXPECT_NE(GetLastInputTick(), FixedTick());

    ASSERT_TRUE(MouseInputOver(m_main));
    EXPECT_EQ(g_mainMessages, std::vector<UINT>{WM_INPUT_ACTIVITY});
    EXPECT_EQ(GetLastInputTick(), FixedTick());

    UnhookWindowsHookEx(hook);
    mouse.dwFlags = RIDEV_REMOVE;
    mouse.hwndTarget = nullptr;
    RegisterRawInputDevices(&mouse, 1, sizeof(mouse));
}

TEST_F(ParentWindowTest, AtTheEndOfTheSessionEachNoteLeftUnsavedIsLoggedByIdAndName)
{
    g_prefs.AutoSave = true;
    CNote* refused = ModifiedNote();
    refused->Row().name = L"Shopping";
    m_manager.GetDB()->execDML(L"CREATE TRIGGER refuse BEFORE UPDATE ON notes BEGIN SELECT RAISE(ROLLBACK, 'x'); END;");
    MainWndProc(m_main, WM_ENDSESSION, TRUE, 0);
    const std::wstring line = L"Session ends: note " + std::to_wstring(refused->GetId()) + L" \"Shopping\" is not saved";
    bool logged = false;
    for (const std::wstring& logLine : m_log.Lines())
        logged = logged || logLine.compare(0, line.size(), line) == 0;
    EXPECT_TRUE(logged) << testing::PrintToString(m_log.Lines());
    m_manager.GetDB()->execDML(L"DROP TRIGGER refuse;");
}

// The close's box: each answer recorded, the refusal dropped before a retry.
struct SCloseBoxScript {
    static int Answer(HWND, const wchar_t*, const wchar_t*, UINT type)
    {
        buttons.push_back(type & MB_TYPEMASK);
        const int answer = answers.empty() ? IDCANCEL : answers.front();
        if (!answers.empty())
            answers.erase(answers.begin());
        if (answer == IDTRYAGAIN && beforeRetry)
            beforeRetry();
        return answer;
    }
    static inline std::vector<int> answers;
    static inline std::vector<UINT> buttons;
    static inline std::function<void()> beforeRetry;
};

// Last in this program: the closing flag stays set for the process.
TEST_F(ParentWindowTest, AFailedFinalSaveAsksAndOnlyThenTheClosingEndsTheSavingOnDeactivation)
{
    g_prefs.AutoSave = true;
    CNote* edited = ModifiedNote();
    const std::int64_t id = edited->GetId();
    CppSQLite3DB& db = *m_manager.GetDB();
    db.execDML(L"CREATE TRIGGER refuse BEFORE UPDATE ON notes BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    const CSeamOverride<SMessageBoxSeam> boxes(g_messageBoxSeam, {&SCloseBoxScript::Answer});
    SCloseBoxScript::answers = {IDCANCEL};
    MainWndProc(m_main, WM_CLOSE, 0, 0);
    EXPECT_EQ(SCloseBoxScript::buttons, std::vector<UINT>{MB_CANCELTRYCONTINUE}) << testing::PrintToString(m_log.Lines());
    EXPECT_FALSE(IsMainWindowClosing()) << "Cancel keeps the program running";
    EXPECT_TRUE(IsWindow(m_main));
    ASSERT_EQ(m_manager.GetNote(id), edited);
    EXPECT_TRUE(edited->IsModified());

    SCloseBoxScript::answers = {IDTRYAGAIN};
    SCloseBoxScript::beforeRetry = [&db] { db.execDML(L"DROP TRIGGER refuse;"); };
    MainWndProc(m_main, WM_CLOSE, 0, 0);   // saves on the retry and marks the closing
    SCloseBoxScript::beforeRetry = nullptr;
    EXPECT_EQ(SCloseBoxScript::buttons.size(), 2u) << "one box for the failed save, none after the retry";
    ASSERT_TRUE(IsMainWindowClosing());
    EXPECT_FALSE(edited->IsModified()) << "the retry saved the note";
    CNote* note = ModifiedNote();
    SendMessageW(m_parent, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_TRUE(note->IsModified()) << "the notes are being saved by the close";
}

}  // namespace
