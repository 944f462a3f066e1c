#include "GlobalFindDlg.h"

#include "DlgUtils.h"
#include "foundation/DBUseGuard.h"
#include "foundation/Preferences.h"
#include "notestore/Note.h"
#include "notestore/notemgr.h"
#include "resources/resource.h"

namespace {

constexpr int kSearchChars = 256;
constexpr wchar_t kSection[] = L"Global Search";
constexpr wchar_t kPlacementName[] = L"Global Search";

int CompareLocale(DWORD flags, const wchar_t* first, int firstLength, const wchar_t* second)
{
    return CompareStringW(LOCALE_USER_DEFAULT, flags, first, firstLength, second, -1);
}

// Whether the pattern starts the rest: the shortest prefix of the rest that
// no longer sorts before the pattern must equal it. Linguistic equality
// does not go by length, so every prefix length is tried.
bool StartsRest(DWORD flags, const wchar_t* rest, int restLength, const wchar_t* pattern, bool& failed)
{
    int length = 0;
    int result = CompareLocale(flags, rest, length, pattern);
    while (result == CSTR_LESS_THAN && length < restLength)
        result = CompareLocale(flags, rest, ++length, pattern);
    failed = result == 0;
    return result == CSTR_EQUAL;
}

}  // namespace

int FindSubstringLocale(DWORD compareFlags, const wchar_t* text, const wchar_t* pattern)
{
    const int textLength = lstrlenW(text);
    for (int start = 0; start <= textLength; ++start) {
        const wchar_t* const rest = text + start;
        const int whole = CompareLocale(compareFlags, rest, -1, pattern);
        if (whole == 0)
            return -1;
        if (whole == CSTR_LESS_THAN)
            continue;
        bool failed = false;
        if (StartsRest(compareFlags, rest, textLength - start, pattern, failed))
            return start;
        if (failed)
            return -1;
    }
    SetLastError(ERROR_SUCCESS);
    return -1;
}

bool MatchesGlobalSearch(const CNoteDisplayInfo& record, DWORD compareFlags, const wchar_t* search)
{
    if (!record.locked && FindSubstringLocale(compareFlags, record.text.c_str(), search) >= 0)
        return true;
    return FindSubstringLocale(compareFlags, record.name.c_str(), search) >= 0;
}

CGlobalFindDlg::CGlobalFindDlg(HWND owner) : CQLDialog(IDD_FIND, owner)
{
}

int CGlobalFindDlg::OnInitDialog()
{
    const HWND window = GetHwnd();
    SendDlgItemMessageW(window, IDC_FIND_WHAT, EM_LIMITTEXT, kSearchChars, 0);
    SendDlgItemMessageW(window, IDC_REPLACE_WITH, EM_LIMITTEXT, kSearchChars, 0);
    const wchar_t* const ini = g_prefs.IniPath();
    wchar_t text[kSearchChars] = {};
    GetPrivateProfileStringW(kSection, L"SearchText", L"", text, kSearchChars, ini);
    SetItemText(IDC_FIND_WHAT, text);
    const bool matchCase = ReadPrivateProfileInt(kSection, L"MatchCase", 0, ini) != 0;
    CheckDlgButton(window, IDC_FIND_MATCH_CASE, matchCase ? BST_CHECKED : BST_UNCHECKED);
    const bool forward = ReadPrivateProfileInt(kSection, L"Forward", 1, ini) != 0;
    CheckRadioButton(window, IDC_FIND_UP, IDC_FIND_DOWN, forward ? IDC_FIND_DOWN : IDC_FIND_UP);
    // Setting an edit's text to what it holds may send no change.
    EnableFindButton();
    SetDialogIcons(window);
    CenterOnScreen(false);
    RestorePlacement(kPlacementName);
    return TRUE;
}

int CGlobalFindDlg::OnCommand(int id, HWND control, int code)
{
    if (id == IDC_FIND_WHAT || id == IDC_REPLACE_WITH) {
        ReadControls();
        EnableFindButton();
        m_textChanged = true;
    }
    return CQLDialog::OnCommand(id, control, code);
}

void CGlobalFindDlg::OnOK()
{
    // Enter reaches here with the button disabled too: there is nothing to find.
    if (!IsWindowEnabled(GetItem(IDOK)))
        return;
    ReadControls();
    const wchar_t* const ini = g_prefs.IniPath();
    MyWritePrivateProfileString(kSection, L"SearchText", m_search.c_str(), ini);
    MyWritePrivateProfileString(kSection, L"Forward", m_forward ? L"1" : L"0", ini);
    MyWritePrivateProfileString(kSection, L"MatchCase", m_matchCase ? L"1" : L"0", ini);
    SavePlacement(kPlacementName);
    CQLDialog::OnOK();
}

void CGlobalFindDlg::OnCancel()
{
    SavePlacement(kPlacementName);
    CQLDialog::OnCancel();
}

void CGlobalFindDlg::ReadControls()
{
    m_search = GetItemText(IDC_FIND_WHAT);
    m_replace = GetItemText(IDC_REPLACE_WITH);
    m_forward = IsDlgButtonChecked(GetHwnd(), IDC_FIND_DOWN) == BST_CHECKED;
    m_matchCase = IsDlgButtonChecked(GetHwnd(), IDC_FIND_MATCH_CASE) == BST_CHECKED;
}

void CGlobalFindDlg::EnableFindButton()
{
    EnableWindow(GetItem(IDOK), GetWindowTextLengthW(GetItem(IDC_FIND_WHAT)) > 0);
}

void ShowFoundNotes(const std::vector<std::int64_t>& ids)
{
    CNoteManager& manager = NoteManager();
    const CDBUseGuard inUse(manager);
    if (!manager.GetDB())
        return;
    for (const std::int64_t id : ids) {
        CNote* note = manager.GetNote(id);
        if (!note)
            continue;
        note->ShowSticky();
        // The unlock prompt's loop may have freed the note.
        note = manager.GetNote(id);
        if (note && note->GetEditHwnd())
            SendMessageW(note->GetEditHwnd(), EM_SCROLLCARET, 0, 0);
    }
}
