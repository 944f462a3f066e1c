// The send dialog and the list editors, run for real with steps inside their
// loops: rows deleted and double-clicked, a cancel that sends nothing,
// renames kept or refused, and "ALIAS.INI" written when an editor closes.
#include "ExchangeTestSupport.h"
#include "LanTestSupport.h"
#include "MainWindowTestSupport.h"

#include <commctrl.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "exchange/NetLists.h"
#include "exchange/NetSendDlg.h"
#include "resources/resource.h"
#include "shell/mainwnd.h"
#include "tests/support/ScopedUiScript.h"

namespace {

using Steps = std::function<void(HWND dialog)>;
std::deque<Steps> g_pendingSteps;

// The innermost modal box: the one of this thread's dialogs still enabled.
HWND InnermostDialog()
{
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM context) {
            wchar_t className[16] = {};
            GetClassNameW(window, className, 16);
            if (std::wstring(className) == L"#32770" && IsWindowEnabled(window))
                *reinterpret_cast<HWND*>(context) = window;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// The next modal run of the template shows for real; the steps run inside its
// loop and must end it.
void QueueSteps(ScopedUiScript& script, UINT templateId, Steps steps)
{
    script.HandleModal(templateId, [steps](const SModalRun& run) {
        g_pendingSteps.push_back(steps);
        SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            Steps next = g_pendingSteps.back();
            g_pendingSteps.pop_back();
            next(InnermostDialog());
        });
        return run.realRun(run.context);
    });
}

void Click(HWND dialog, int id)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

HWND List(HWND dialog, int id)
{
    return GetDlgItem(dialog, id);
}

std::vector<std::wstring> Column(HWND list, int column)
{
    std::vector<std::wstring> texts;
    for (int row = 0; row < ListView_GetItemCount(list); ++row) {
        wchar_t text[256] = {};
        ListView_GetItemText(list, row, column, text, 256);
        texts.push_back(text);
    }
    return texts;
}

int RowOf(HWND list, const wchar_t* text, int after = -1)
{
    LVFINDINFOW find = {};
    find.flags = LVFI_STRING;
    find.psz = text;
    return ListView_FindItem(list, after, &find);
}

void Select(HWND list, std::initializer_list<int> rows)
{
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    for (const int row : rows)
        ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
}

void PressDelete(HWND dialog, HWND list)
{
    NMLVKEYDOWN key = {};
    key.hdr = {list, static_cast<UINT_PTR>(GetDlgCtrlID(list)), LVN_KEYDOWN};
    key.wVKey = VK_DELETE;
    SendMessageW(dialog, WM_NOTIFY, key.hdr.idFrom, reinterpret_cast<LPARAM>(&key));
}

void DoubleClick(HWND dialog, HWND list, int row)
{
    NMITEMACTIVATE activate = {};
    activate.hdr = {list, static_cast<UINT_PTR>(GetDlgCtrlID(list)), NM_DBLCLK};
    activate.iItem = row;
    SendMessageW(dialog, WM_NOTIFY, activate.hdr.idFrom, reinterpret_cast<LPARAM>(&activate));
}

// An entry dialog's fields typed and confirmed.
Steps TypeAndConfirm(std::vector<std::pair<int, std::wstring>> fields)
{
    return [fields](HWND dialog) {
        for (const auto& [id, text] : fields)
            SetDlgItemTextW(dialog, id, text.c_str());
        Click(dialog, IDOK);
    };
}

class NetSendDlgTest : public CMainWindowTest {
protected:
    void SetUp() override
    {
        CMainWindowTest::SetUp();
        ASSERT_TRUE(NoteClassesRegistered());
        m_ini = m_dir.File(L"ALIAS.INI");
        ASSERT_EQ(NetLists().LoadNetSends(m_ini.c_str()), 1);
    }

    std::vector<std::wstring> Section(const wchar_t* name) const
    {
        std::vector<std::wstring> lines;
        for (const auto& entry : ReadProfileSection(name, m_ini.c_str()))
            lines.push_back(entry.key + L"=" + entry.value);
        return lines;
    }

    std::wstring m_ini;
    CModalWatchdog m_watchdog;
};

TEST_F(NetSendDlgTest, DeletingHistoryRowsRemovesExactlyThoseEntries)
{
    for (const wchar_t* host : {L"host0", L"host1", L"host2", L"host3", L"host4"})
        NetLists().UpdateNetSends({host, 3023, kNetSendSent});
    NetLists().UpdateNetSends({L"host4", 3023, 7});   // an unknown status shows as failed
    ScopedUiScript script;
    std::vector<std::wstring> hosts, statuses;
    QueueSteps(script, IDD_NET_SEND, [&](HWND dialog) {
        const HWND list = List(dialog, IDC_NETSEND_HISTORY);
        Select(list, {1, 2, 4});
        PressDelete(dialog, list);
        hosts = Column(list, 0);
        statuses = Column(list, 1);
        Click(dialog, IDCANCEL);
    });
    EXPECT_FALSE(ShowNetSendDlg(nullptr));
    EXPECT_EQ(hosts, (std::vector<std::wstring>{L"host0", L"host3"}));
    EXPECT_EQ(statuses, (std::vector<std::wstring>{L"Sent", L"Sent"}));
    ASSERT_EQ(NetLists().GetNetSendCount(), 2);
    SNetSend entry;
    ASSERT_TRUE(NetLists().GetNetSend(1, entry));
    EXPECT_EQ(entry.host, L"host3");
}

// A note of its own and the network on a port of the test's own.
class NetSendDlgNetworkTest : public NetSendDlgTest {
protected:
    void SetUp() override
    {
        NetSendDlgTest::SetUp();
        ASSERT_TRUE(m_sockets.Started());
        m_savedPort = g_prefs.NetworkPort;
        g_prefs.NetworkPort = FreePort();
        ASSERT_EQ(StartNetwork(), 1);
        m_note = m_manager.CreateNewNote();
        ASSERT_NE(m_note, nullptr);
        m_note->SetText(L"over the wire");
    }
    void TearDown() override
    {
        StopNetwork();
        g_prefs.NetworkPort = m_savedPort;
        NetSendDlgTest::TearDown();
    }

    CWinSockSession m_sockets;
    CSeamOverride<SNetBoundsSeam> m_bounds{g_netBoundsSeam, ShortNetBounds()};
    CNote* m_note = nullptr;
    int m_savedPort = 0;
};

TEST_F(NetSendDlgNetworkTest, DoubleClickingAHistoryRowSendsToThatHost)
{
    NetLists().UpdateNetSends({L"127.0.0.1", g_prefs.NetworkPort, kNetSendFailed});
    ScopedUiScript script;
    QueueSteps(script, IDD_NET_SEND, [](HWND dialog) {
        const HWND list = List(dialog, IDC_NETSEND_HISTORY);
        DoubleClick(dialog, list, RowOf(list, L"127.0.0.1"));
    });
    EXPECT_TRUE(ShowNetSendDlg(m_note->GetHwnd()));
    EXPECT_TRUE(PumpUntil([this] {
        SNetSend entry;
        return m_manager.GetNoteCount() == 2 && NetLists().GetNetSend(0, entry) && entry.status == kNetSendSent;
    }));
}

HWND g_openDialog = nullptr;
bool g_stillOpen = false;

TEST_F(NetSendDlgNetworkTest, CancelSendsNothingAndABlankRecipientIsRefused)
{
    ScopedUiScript script;
    g_stillOpen = false;
    QueueSteps(script, IDD_NET_SEND, [](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_NETSEND_RECIPIENT, L"  ");
        Click(dialog, IDOK);
        // A box that ended is destroyed by the time its loop has returned.
        g_openDialog = dialog;
        SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            g_stillOpen = IsWindow(g_openDialog) != FALSE;
            if (!g_stillOpen)
                return;
            SetDlgItemTextW(g_openDialog, IDC_NETSEND_RECIPIENT, L"127.0.0.1");
            Click(g_openDialog, IDCANCEL);
        });
    });
    EXPECT_FALSE(ShowNetSendDlg(m_note->GetHwnd()));
    PumpUntil([] { return false; }, 500);
    EXPECT_TRUE(g_stillOpen);
    EXPECT_EQ(script.Beeps().size(), 1u);
    EXPECT_EQ(NetLists().GetNetSendCount(), 0);
    EXPECT_EQ(m_manager.GetNoteCount(), 1);
}

TEST_F(NetSendDlgTest, AliasEditsKeepWhatARefusedRenameWouldLoseAndTheFileFollows)
{
    CNetLists& lists = NetLists();
    ASSERT_TRUE(lists.AddAlias(L"10.0.0.1", L"alpha"));
    ASSERT_TRUE(lists.AddAlias(L"10.0.0.2", L"beta"));
    ASSERT_TRUE(lists.AddAlias(L"10.0.0.3", L"dup"));
    ASSERT_TRUE(lists.AddAlias(L"10.0.0.4", L"dup"));
    ScopedUiScript script;
    script.AnswerMessageBox(IDOK);   // the refused name
    std::vector<std::wstring> names;
    QueueSteps(script, IDD_NET_SEND, [&](HWND dialog) {
        Click(dialog, IDC_NETSEND_EDIT_ALIASES);
        const HWND combo = GetDlgItem(dialog, IDC_NETSEND_RECIPIENT);
        for (int i = 0; i < static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0)); ++i) {
            wchar_t text[64] = {};
            SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            names.push_back(text);
        }
        Click(dialog, IDCANCEL);
    });
    QueueSteps(script, IDD_EDIT_ALIAS, [](HWND editor) {
        const HWND list = List(editor, IDC_ALIAS_LIST);
        Select(list, {RowOf(list, L"alpha")});
        Click(editor, IDC_LIST_EDIT);
        Select(list, {RowOf(list, L"beta")});
        Click(editor, IDC_LIST_EDIT);
        // The second of two rows of one name.
        Select(list, {RowOf(list, L"dup", RowOf(list, L"dup"))});
        PressDelete(editor, list);
        Click(editor, IDCANCEL);
    });
    QueueSteps(script, IDD_ADD_ALIAS, TypeAndConfirm({{IDC_ALIAS_NAME, L"gamma"}}));
    QueueSteps(script, IDD_ADD_ALIAS, TypeAndConfirm({{IDC_ALIAS_NAME, L"a=b"}}));
    EXPECT_FALSE(ShowNetSendDlg(nullptr));
    const std::vector<std::wstring> expected = {L"beta=10.0.0.2", L"dup=10.0.0.3", L"gamma=10.0.0.1"};
    EXPECT_EQ(Section(L"Aliases"), expected);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"beta", L"dup", L"gamma"}));
}

TEST_F(NetSendDlgTest, IgnoreEditsKeepAnEntryThatAnAliasStandsForAndTheFileFollows)
{
    CNetLists& lists = NetLists();
    ASSERT_TRUE(lists.AddAlias(L"10.0.0.7", L"pc7"));
    ASSERT_FALSE(lists.AddIgnore(L"10.0.0.7").empty());
    ASSERT_FALSE(lists.AddIgnore(L"10.0.0.9").empty());
    ScopedUiScript script;
    std::vector<std::wstring> rows;
    QueueSteps(script, IDD_NET_SEND, [](HWND dialog) {
        Click(dialog, IDC_NETSEND_EDIT_IGNORE);
        Click(dialog, IDCANCEL);
    });
    QueueSteps(script, IDD_EDIT_IGNORE_LIST, [&rows](HWND editor) {
        const HWND list = List(editor, IDC_ALIAS_LIST);
        Select(list, {RowOf(list, L"10.0.0.7")});
        Click(editor, IDC_LIST_EDIT);   // to the alias of the same address
        Select(list, {RowOf(list, L"10.0.0.9")});
        Click(editor, IDC_LIST_EDIT);   // to another address
        rows = Column(list, 0);
        Click(editor, IDCANCEL);
    });
    QueueSteps(script, IDD_ADD_IGNORE, TypeAndConfirm({{IDC_IGNORE_NAME, L"pc7"}}));
    QueueSteps(script, IDD_ADD_IGNORE, TypeAndConfirm({{IDC_IGNORE_NAME, L"10.0.0.10"}}));
    EXPECT_FALSE(ShowNetSendDlg(nullptr));
    EXPECT_EQ(rows, (std::vector<std::wstring>{L"10.0.0.10", L"10.0.0.7"}));
    EXPECT_EQ(Section(L"IgnoreList"),
              (std::vector<std::wstring>{L"10.0.0.10=255.255.255.255", L"10.0.0.7=255.255.255.255"}));
}

}  // namespace
