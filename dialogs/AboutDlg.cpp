// The About box.
#include "AboutDlg.h"

#include <richedit.h>

#include <vector>

#include "DlgUtils.h"
#include "foundation/ShellExecSeam.h"
#include "foundation/ShellServices.h"
#include "framework/AppModule.h"
#include "resources/resource.h"

namespace {

// Links this long or longer are not opened.
constexpr LONG kMaxLinkChars = 256;

}  // namespace

CAboutDlg::CAboutDlg() : CQLDialog(IsRichEdit20() ? IDD_ABOUT_20 : IDD_ABOUT, nullptr)
{
}

CStdStr CAboutDlg::AboutText()
{
    CStdStr text = LoadRtfResource(L"ABOUT");
    VS_FIXEDFILEINFO info = {};
    if (GetOwnFileVersion(info)) {
        CStdStr build;
        build.Format(L"%d.%d Build %d", static_cast<int>(info.dwFileVersionMS >> 16),
                     static_cast<int>(info.dwFileVersionMS & 0xFFFF), static_cast<int>(info.dwFileVersionLS));
        text.Replace(L"<buildnum>", build.c_str());
    }
    return text;
}

int CAboutDlg::OnInitDialog()
{
    const HWND text = GetItem(IDC_ABOUT_TEXT);
    if (IsRichEdit20()) {
        SendMessageW(text, EM_AUTOURLDETECT, TRUE, 0);
        SendMessageW(text, EM_SETEVENTMASK, 0, ENM_LINK | ENM_SELCHANGE);
    }
    StreamTextToRichEdit(text, AboutText(), true, false);
    SetDialogIcons(GetHwnd());
    CenterOnScreen(true);
    SetFocus(GetItem(IDOK));
    return 0;
}

int CAboutDlg::OnCommand(int id, HWND, int code)
{
    if (code != 0)
        return 0;
    switch (id) {
    case IDOK:
    case IDCANCEL:
        EndDialog(TRUE);
        return 1;
    case IDC_VISIT_WEBSITE:
        EndDialog(TRUE);
        ShellOpen(kProductAddress);
        return 1;
    default:
        return 0;
    }
}

bool CAboutDlg::OnNotify(int id, NMHDR* header, LRESULT* result)
{
    if (id != IDC_ABOUT_TEXT || header->code != EN_LINK)
        return false;
    const auto* const link = reinterpret_cast<const ENLINK*>(header);
    if (link->msg == WM_LBUTTONUP)
        OpenLink(link->chrg);
    *result = 1;
    return true;
}

void CAboutDlg::OpenLink(const CHARRANGE& range)
{
    const LONG length = range.cpMax - range.cpMin;
    if (length <= 0 || length >= kMaxLinkChars)
        return;
    std::vector<wchar_t> address(static_cast<size_t>(length) + 1, L'\0');
    TEXTRANGEW request = {range, address.data()};
    SendMessageW(GetItem(IDC_ABOUT_TEXT), EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&request));
    g_shellExecuteSeam.shellExecute(GetHwnd(), L"open", address.data(), nullptr, nullptr, SW_SHOW);
}

void ShowAboutDlg()
{
    CAboutDlg dialog;
    dialog.DoModal();
}
