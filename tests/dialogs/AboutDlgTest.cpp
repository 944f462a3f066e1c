// The About box: its text with the program's version, its buttons and the
// links in its text, run as a real modal dialog.
#include <gtest/gtest.h>

#include <windows.h>
#include <richedit.h>

#include <string>

#include "dialogs/AboutDlg.h"
#include "foundation/ShellExecSeam.h"
#include "foundation/ShellServices.h"
#include "framework/AppModule.h"
#include "resources/resource.h"
#include "tests/support/ScopedUiScript.h"
#include "tests/support/ShellExecuteRecorder.h"

namespace {

// What the running box gets, once it is up: a link notice over the range,
// then the button.
CHARRANGE g_link = {0, 0};
std::wstring g_shownText;
int g_button = IDOK;

void DriveAbout(HWND dialog)
{
    wchar_t text[1024] = {};
    GetDlgItemTextW(dialog, IDC_ABOUT_TEXT, text, 1024);
    g_shownText = text;
    if (g_link.cpMax > g_link.cpMin) {
        ENLINK link = {};
        link.nmhdr.hwndFrom = GetDlgItem(dialog, IDC_ABOUT_TEXT);
        link.nmhdr.idFrom = IDC_ABOUT_TEXT;
        link.nmhdr.code = EN_LINK;
        link.msg = WM_LBUTTONUP;
        link.chrg = g_link;
        SendMessageW(dialog, WM_NOTIFY, IDC_ABOUT_TEXT, reinterpret_cast<LPARAM>(&link));
    }
    PostMessageW(dialog, WM_COMMAND, g_button, 0);
}

INT_PTR RunDriven(const SModalRun& run)
{
    WhenThreadWindowShows(L"Quillet - About", &DriveAbout);
    return run.realRun(run.context);
}

class CAboutTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_library = LoadLibraryW(L"RICHED20.DLL");
        ASSERT_NE(m_library, nullptr);
        m_saved = IsRichEdit20();
        g_appModule.SetRichEdit20(true);
        ExecutedCalls().clear();
        g_link = {0, 0};
        g_button = IDOK;
    }
    void TearDown() override
    {
        g_appModule.SetRichEdit20(m_saved);
        FreeLibrary(m_library);
    }

    CModalWatchdog m_watchdog;
    CSeamOverride<SShellExecuteSeam> m_shell{g_shellExecuteSeam, {&RecordingShellExecute}};
    HMODULE m_library = nullptr;
    bool m_saved = false;
};

TEST_F(CAboutTest, TheTextNamesTheProgramsVersion)
{
    const CStdStr text = CAboutDlg::AboutText();
    EXPECT_EQ(text.find(L"<buildnum>"), CStdStr::npos);
    EXPECT_NE(text.find(L"Desktop utility V4.1 Build 1"), CStdStr::npos);
    EXPECT_NE(text.find(kProductAddress), CStdStr::npos);
}

TEST_F(CAboutTest, CloseOpensNothingAndVisitOpensTheSite)
{
    for (const int button : {IDOK, IDCANCEL, IDC_VISIT_WEBSITE}) {
        ScopedUiScript script;
        ExecutedCalls().clear();
        g_button = button;
        script.HandleModal(IDD_ABOUT_20, &RunDriven);
        ShowAboutDlg();
        EXPECT_EQ(g_shownText.find(L"Quillet Desktop utility V4.1 Build 1\r"), 0u) << g_shownText;
        EXPECT_NE(g_shownText.find(kProductAddress), std::wstring::npos) << g_shownText;
        if (button == IDC_VISIT_WEBSITE) {
            ASSERT_EQ(ExecutedCalls().size(), 1u);
            EXPECT_EQ(ExecutedCalls()[0].file, kProductAddress);
        } else {
            EXPECT_TRUE(ExecutedCalls().empty()) << button;
        }
    }
}

TEST_F(CAboutTest, AShortLinkOpensAndOneOf256CharactersNot)
{
    const struct {
        LONG length;
        bool opened;
    } rows[] = {{1, true}, {255, true}, {256, false}};
    for (const auto& row : rows) {
        ScopedUiScript script;
        ExecutedCalls().clear();
        g_link = {0, row.length};
        script.HandleModal(IDD_ABOUT_20, &RunDriven);
        ShowAboutDlg();
        EXPECT_EQ(ExecutedCalls().size(), row.opened ? 1u : 0u) << row.length;
    }
}

}  // namespace
