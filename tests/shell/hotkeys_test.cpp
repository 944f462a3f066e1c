// The global hot keys: what [HotKeys] gives, which combinations the main
// window then holds, the commands they post, their texts, and dialog 136
// changing one while another window holds a combination.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "foundation/AppWindow.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "foundation/Seams.h"
#include "resources/resource.h"
#include "shell/hotkeydlg.h"
#include "shell/hotkeys.h"
#include "tests/shell/HotKeyInput.h"
#include "tests/support/ScopedUiScript.h"
#include "tests/support/TestDir.h"

namespace {

constexpr UINT kAltCtrl = MOD_ALT | MOD_CONTROL;
const HotKeyTable kDefaults = { { { 'N', kAltCtrl }, { 'D', kAltCtrl }, { 'H', kAltCtrl }, { 'Z', kAltCtrl } } };
constexpr UINT kPageUpExtended = kExtendedHotKey | VK_PRIOR;  // 289

struct SRecorded {
    UINT msg;
    WPARAM wParam;
};
std::vector<SRecorded> g_recorded;

LRESULT CALLBACK RecordingProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND || msg == WM_HOTKEY)
        g_recorded.push_back({ msg, wParam });
    return DefWindowProcW(window, msg, wParam, lParam);
}

HWND CreateRecordingWindow()
{
    static const ATOM atom = [] {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = RecordingProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"QuilletHotKeyTestWindow";
        return RegisterClassW(&windowClass);
    }();
    return atom ? CreateWindowExW(0, L"QuilletHotKeyTestWindow", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr)
                : nullptr;
}

// The values the window received of one kind, in order.
std::vector<WPARAM> Recorded(UINT msg)
{
    std::vector<WPARAM> values;
    for (const SRecorded& recorded : g_recorded)
        if (recorded.msg == msg)
            values.push_back(recorded.wParam);
    return values;
}

bool LogHas(const CLogCapture& log, const std::wstring& part)
{
    for (const std::wstring& line : log.Lines())
        if (line.find(part) != std::wstring::npos)
            return true;
    return false;
}

// A window of the test's own standing for the main window, over a settings
// file of its own; the hot-key table starts at the defaults, unregistered.
class CHotKeyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(g_prefs.SetIniPath(m_dir.File(L"RERUZADU.INI").c_str()));
        m_savedApp = g_hwndApp;
        m_main = CreateRecordingWindow();
        ASSERT_NE(m_main, nullptr);
        g_hwndApp = m_main;
        RestoreHotKeys(kDefaults);
        for (int number = 1; number <= kHotKeyCount; ++number)
            UnregisterHotKey(m_main, number);
        g_recorded.clear();
    }

    void TearDown() override
    {
        if (m_other)
            DestroyWindow(m_other);
        DestroyWindow(m_main);
        g_hwndApp = m_savedApp;
    }

    // Another window, standing for another program.
    HWND Other()
    {
        if (!m_other)
            m_other = CreateRecordingWindow();
        return m_other;
    }

    // Whether the combination is held: another window is refused it with 1409.
    bool Taken(UINT modifiers, UINT key)
    {
        constexpr int kProbeId = 0x7000;
        if (RegisterHotKey(Other(), kProbeId, modifiers, key)) {
            UnregisterHotKey(Other(), kProbeId);
            return false;
        }
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HOTKEY_ALREADY_REGISTERED));
        return true;
    }

    void WriteValue(const wchar_t* key, const wchar_t* value)
    {
        ASSERT_TRUE(MyWritePrivateProfileString(L"HotKeys", key, value, g_prefs.IniPath()));
    }

    int ReadValue(const wchar_t* key) { return ReadPrivateProfileInt(L"HotKeys", key, -99, g_prefs.IniPath()); }

    CTestDir m_dir;
    HWND m_main = nullptr;
    HWND m_other = nullptr;
    HWND m_savedApp = nullptr;
};

TEST_F(CHotKeyTest, WithoutASectionTheDefaultsAreHeldAndPostTheirCommands)
{
    LoadHotKeys();
    for (const SHotKey& key : kDefaults)
        EXPECT_TRUE(Taken(key.modifiers, key.key)) << key.key;
    for (WPARAM number = 0; number <= 5; ++number)
        HandleHotKey(number);
    PumpMessagesFor(50);
    EXPECT_EQ(Recorded(WM_COMMAND), (std::vector<WPARAM>{ 208, 200, 20014, 21039 }));
}

TEST_F(CHotKeyTest, KeysPressedReachTheMainWindowExtendedOnesToo)
{
    WriteValue(L"M_QuickSearch", L"6");
    WriteValue(L"V_QuickSearch", L"289");
    LoadHotKeys();
    PressHotKey(kAltCtrl, 'N');
    PumpMessagesFor(200);
    PressHotKey(MOD_CONTROL | MOD_SHIFT, kPageUpExtended);
    PumpMessagesFor(200);
    EXPECT_EQ(Recorded(WM_HOTKEY), (std::vector<WPARAM>{ 1, 4 }));
    StoreHotKeys();
    EXPECT_EQ(ReadValue(L"V_QuickSearch"), 289);
    EXPECT_EQ(ReadValue(L"M_QuickSearch"), 6);
    EXPECT_EQ(ReadValue(L"V_NewNote"), 'N');
    EXPECT_EQ(ReadValue(L"M_NewNote"), 3);
}

TEST_F(CHotKeyTest, BadValuesGiveTheEntrysDefaultLogged)
{
    struct Case { const wchar_t* key; const wchar_t* value; };
    const Case cases[] = {
        { L"V_NewNote", L"abc" },    // not decimal
        { L"V_NewNote", L"-1" },     // below 1
        { L"V_NewNote", L"768" },    // 0x300, above 0x1FF
        { L"V_NewNote", L"256" },    // 0x100: no key in the low byte
        { L"V_NewNote", L"78x" },    // trailing letters
        { L"M_NewNote", L"16" },     // a modifier bit RegisterHotKey lacks
        { L"M_NewNote", L"-1" },
    };
    for (const Case& c : cases) {
        // A good value first, so that the default is seen to replace it.
        RestoreHotKeys({ { { 'Q', MOD_SHIFT }, kDefaults[1], kDefaults[2], kDefaults[3] } });
        WritePrivateProfileStringW(L"HotKeys", nullptr, nullptr, g_prefs.IniPath());
        WriteValue(c.key, c.value);
        CLogCapture log;
        LoadHotKeys();
        const SHotKey key = CurrentHotKey(1);
        const bool isModifier = c.key[0] == L'M';
        EXPECT_EQ(isModifier ? key.modifiers : key.key, isModifier ? kAltCtrl : UINT{ 'N' }) << c.key << c.value;
        EXPECT_EQ(isModifier ? key.key : key.modifiers, isModifier ? UINT{ 'Q' } : UINT{ MOD_SHIFT }) << c.value;
        EXPECT_TRUE(LogHas(log, std::wstring(c.key) + L"=" + c.value)) << c.key << c.value;
    }
}

TEST_F(CHotKeyTest, AKeyTakenElsewhereIsLoggedKeptAndStoredUnchanged)
{
    ASSERT_TRUE(RegisterHotKey(Other(), 1, kAltCtrl, 'N'));
    ScopedUiScript script;  // any box would fail the test
    CLogCapture log;
    LoadHotKeys();
    EXPECT_TRUE(LogHas(log, L"Hot key 1 (modifiers 3, key 78) could not be registered, error 1409"));
    EXPECT_EQ(CurrentHotKey(1).key, UINT{ 'N' });
    EXPECT_TRUE(Taken(kAltCtrl, 'D'));  // the others still register
    StoreHotKeys();
    EXPECT_EQ(ReadValue(L"V_NewNote"), 'N');
}

TEST_F(CHotKeyTest, TextsNameTheModifiersInOrderThenTheKey)
{
    const CStdStr n = HotKeyName('N');
    ASSERT_EQ(n, L"N");
    struct Case { SHotKey key; std::wstring expected; };
    const Case cases[] = {
        { { 'N', kAltCtrl }, L"CTRL+ALT+N" },
        { { 'N', MOD_WIN | MOD_SHIFT | MOD_ALT | MOD_CONTROL }, L"CTRL+ALT+SHIFT+WIN+N" },
        { { 'N', MOD_SHIFT | MOD_WIN }, L"SHIFT+WIN+N" },
        { { 'N', 0 }, L"N" },
        { { kPageUpExtended, MOD_CONTROL }, L"CTRL+" + HotKeyName(kPageUpExtended) },
    };
    for (const Case& c : cases) {
        RestoreHotKeys({ { c.key, kDefaults[1], kDefaults[2], kDefaults[3] } });
        EXPECT_EQ(GetHotKeyText(1), c.expected) << c.key.key << "," << c.key.modifiers;
    }
    // Page Up and the numeric pad's 9 share a virtual key; only the flag tells.
    EXPECT_FALSE(HotKeyName(kPageUpExtended).empty());
    EXPECT_NE(HotKeyName(kPageUpExtended), HotKeyName(VK_PRIOR));
    EXPECT_EQ(GetHotKeyText(0), L"");
    EXPECT_EQ(GetHotKeyText(5), L"");
}

TEST_F(CHotKeyTest, RestoringPutsTheKeptKeysBackRegistered)
{
    LoadHotKeys();
    const HotKeyTable kept = GetHotKeys();
    ASSERT_TRUE(ChangeHotKey(2, { 'K', MOD_ALT | MOD_SHIFT }));
    EXPECT_TRUE(Taken(MOD_ALT | MOD_SHIFT, 'K'));
    EXPECT_FALSE(Taken(kAltCtrl, 'D'));
    RestoreHotKeys(kept);
    EXPECT_FALSE(Taken(MOD_ALT | MOD_SHIFT, 'K'));
    EXPECT_TRUE(Taken(kAltCtrl, 'D'));
    EXPECT_EQ(CurrentHotKey(2).key, UINT{ 'D' });
}

// ---- dialog 136

// How a run of dialog 136 went.
struct SDialogRun {
    bool ok = false;
    bool stayedOpen = false;  // still open a while after the steps
    std::vector<std::wstring> boxTexts;
};

HWND g_dialog = nullptr;
bool g_stayedOpen = false;

// Runs dialog 136 for real with the steps inside its loop; message boxes are
// answered OK. A dialog the steps leave open is ended a while later.
SDialogRun RunDialog(int number, std::function<void(HWND dialog)> steps, int boxes = 0)
{
    static std::function<void(HWND)> s_steps;
    s_steps = std::move(steps);
    g_stayedOpen = false;
    static UINT_PTR s_endTimer = 0;
    ScopedUiScript script;
    CModalWatchdog watchdog;
    for (int i = 0; i < boxes; ++i)
        script.AnswerMessageBox(IDOK);
    script.HandleModal(IDD_SET_HOT_KEY, [](const SModalRun& run) {
        SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            g_dialog = FindThreadWindow(L"Set Hot Key");
            s_steps(g_dialog);
            // An ended dialog is gone by then: its loop has returned.
            s_endTimer = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR endId, DWORD) {
                KillTimer(nullptr, endId);
                g_stayedOpen = IsWindow(g_dialog) != FALSE;
                if (g_stayedOpen)
                    EndDialog(g_dialog, -2);
            });
        });
        return run.realRun(run.context);
    });
    SDialogRun result;
    result.ok = ShowSetHotKeyDlg(nullptr, number);
    KillTimer(nullptr, s_endTimer);
    result.stayedOpen = g_stayedOpen;
    result.boxTexts = script.MessageBoxTexts();
    return result;
}

// The list item that holds the key, or -1.
int ItemOfKey(HWND dialog, UINT key)
{
    const HWND list = GetDlgItem(dialog, IDC_HOTKEY_KEYS);
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int item = 0; item < count; ++item)
        if (static_cast<UINT>(SendMessageW(list, LB_GETITEMDATA, item, 0)) == key)
            return item;
    return -1;
}

void Choose(HWND dialog, UINT modifiers, UINT key)
{
    SendDlgItemMessageW(dialog, IDC_HOTKEY_KEYS, LB_SETCURSEL, ItemOfKey(dialog, key), 0);
    CheckDlgButton(dialog, IDC_HOTKEY_ALT, (modifiers & MOD_ALT) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_HOTKEY_CTRL, (modifiers & MOD_CONTROL) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_HOTKEY_SHIFT, (modifiers & MOD_SHIFT) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_HOTKEY_WIN, (modifiers & MOD_WIN) ? BST_CHECKED : BST_UNCHECKED);
}

TEST_F(CHotKeyTest, DialogShowsTheCurrentKeyAndBoxes)
{
    RestoreHotKeys({ { kDefaults[0], kDefaults[1], { kPageUpExtended, MOD_SHIFT | MOD_WIN }, kDefaults[3] } });
    int selected = -2, wanted = -3, count = 0;
    UINT checks[4] = {};
    const SDialogRun run = RunDialog(3, [&](HWND dialog) {
        ASSERT_NE(dialog, nullptr);
        selected = static_cast<int>(SendDlgItemMessageW(dialog, IDC_HOTKEY_KEYS, LB_GETCURSEL, 0, 0));
        wanted = ItemOfKey(dialog, kPageUpExtended);
        count = static_cast<int>(SendDlgItemMessageW(dialog, IDC_HOTKEY_KEYS, LB_GETCOUNT, 0, 0));
        const int boxes[] = { IDC_HOTKEY_ALT, IDC_HOTKEY_CTRL, IDC_HOTKEY_SHIFT, IDC_HOTKEY_WIN };
        for (int i = 0; i < 4; ++i)
            checks[i] = IsDlgButtonChecked(dialog, boxes[i]);
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_FALSE(run.ok);
    EXPECT_FALSE(run.stayedOpen);
    EXPECT_EQ(selected, wanted);
    EXPECT_GE(wanted, 0);
    EXPECT_GT(count, 60);  // the layout's nameless keys are left out
    EXPECT_EQ(checks[0], UINT{ BST_UNCHECKED });
    EXPECT_EQ(checks[1], UINT{ BST_UNCHECKED });
    EXPECT_EQ(checks[2], UINT{ BST_CHECKED });
    EXPECT_EQ(checks[3], UINT{ BST_CHECKED });
}

TEST_F(CHotKeyTest, DialogRefusesATakenKeyKeepsTheOldOneAndCancelKeepsItToo)
{
    LoadHotKeys();
    ASSERT_TRUE(RegisterHotKey(Other(), 9, kAltCtrl, 'X'));
    bool oldHeldMeanwhile = false;
    const SDialogRun refused = RunDialog(1, [&](HWND dialog) {
        Choose(dialog, kAltCtrl, 'X');
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        oldHeldMeanwhile = Taken(kAltCtrl, 'N');
    }, 1);
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.stayedOpen);
    EXPECT_EQ(refused.boxTexts, (std::vector<std::wstring>{ LoadResString(IDS_HOT_KEY_IN_USE) }));
    EXPECT_TRUE(oldHeldMeanwhile);
    // Then Cancel: the old key still fires.
    const SDialogRun cancelled = RunDialog(1, [&](HWND dialog) {
        Choose(dialog, kAltCtrl, 'X');
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }, 1);
    EXPECT_FALSE(cancelled.ok);
    EXPECT_FALSE(cancelled.stayedOpen);
    g_recorded.clear();
    PressHotKey(kAltCtrl, 'N');
    PumpMessagesFor(200);
    EXPECT_EQ(Recorded(WM_HOTKEY), (std::vector<WPARAM>{ 1 }));
    EXPECT_TRUE(Taken(kAltCtrl, 'N'));
    EXPECT_EQ(CurrentHotKey(1).key, UINT{ 'N' });
    EXPECT_EQ(CurrentHotKey(1).modifiers, kAltCtrl);
}

TEST_F(CHotKeyTest, DialogTakesAFreeKeyAndFreesTheOldOneAfterRepeatedLoads)
{
    LoadHotKeys();
    LoadHotKeys();  // a leftover registration would keep Ctrl+Alt+N on Windows
    const SDialogRun run = RunDialog(1, [&](HWND dialog) {
        Choose(dialog, MOD_CONTROL | MOD_SHIFT, kPageUpExtended);
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_TRUE(run.ok);
    EXPECT_FALSE(run.stayedOpen);
    EXPECT_FALSE(Taken(kAltCtrl, 'N'));
    EXPECT_TRUE(Taken(MOD_CONTROL | MOD_SHIFT, VK_PRIOR));
    EXPECT_EQ(CurrentHotKey(1).key, kPageUpExtended);
    EXPECT_EQ(GetHotKeyText(1), L"CTRL+SHIFT+" + HotKeyName(kPageUpExtended));
}

TEST_F(CHotKeyTest, DialogWithoutASelectionStaysOpenAndBadNumbersShowNothing)
{
    const SDialogRun run = RunDialog(1, [&](HWND dialog) {
        SendDlgItemMessageW(dialog, IDC_HOTKEY_KEYS, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_FALSE(run.ok);
    EXPECT_TRUE(run.stayedOpen);
    ScopedUiScript script;  // a modal run here would fail the test
    EXPECT_FALSE(ShowSetHotKeyDlg(nullptr, 0));
    EXPECT_FALSE(ShowSetHotKeyDlg(nullptr, 5));
    EXPECT_FALSE(ShowSetHotKeyDlg(nullptr, -1));
}

}  // namespace
