#include "FindDlg.h"

#include <richedit.h>

#include <string>
#include <vector>

#include "DlgUtils.h"
#include "foundation/Preferences.h"
#include "framework/AppModule.h"
#include "framework/UiSeams.h"
#include "notestore/Note.h"
#include "notestore/NoteAlarm.h"
#include "notestore/notemgr.h"
#include "notewindows/itsycmd.h"
#include "resources/resource.h"
#include "toolkit/QLDialog.h"

namespace {

constexpr int kFindChars = 256;
constexpr wchar_t kSearchSection[] = L"Search";
constexpr wchar_t kPlacementName[] = L"FindDlg";

std::wstring ReadSearchText(const wchar_t* key)
{
    wchar_t text[kFindChars] = {};
    GetPrivateProfileStringW(kSearchSection, key, L"", text, kFindChars, g_prefs.IniPath());
    return text;
}

bool ReadSearchFlag(const wchar_t* key, bool defaultValue)
{
    return ReadPrivateProfileInt(kSearchSection, key, defaultValue ? 1 : 0, g_prefs.IniPath()) != 0;
}

// The editor's selection, or empty.
std::wstring SelectedText(HWND editor)
{
    CHARRANGE range = {};
    SendMessageW(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    if (range.cpMax <= range.cpMin)
        return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(GetWindowTextLengthW(editor)) + 2);
    SendMessageW(editor, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(buffer.data()));
    buffer.back() = L'\0';
    return buffer.data();
}

class CFindDlg : public CQLDialog {
public:
    bool Open(int templateId, HWND parent)
    {
        SetTemplateId(templateId);
        m_noteWindow = parent;
        m_textChanged = true;
        return Create(parent);
    }

protected:
    int OnInitDialog() override
    {
        SendDlgItemMessageW(GetHwnd(), IDC_FIND_WHAT, EM_LIMITTEXT, kFindChars, 0);
        SendDlgItemMessageW(GetHwnd(), IDC_REPLACE_WITH, EM_LIMITTEXT, kFindChars, 0);
        SetItemText(IDC_FIND_WHAT, ReadSearchText(L"SearchText").c_str());
        SetItemText(IDC_REPLACE_WITH, ReadSearchText(L"ReplaceText").c_str());
        if (const HWND editor = Editor()) {
            const std::wstring selected = SelectedText(editor);
            if (!selected.empty())
                SetItemText(IDC_FIND_WHAT, selected.substr(0, kFindChars).c_str());
        }
        CheckDlgButton(GetHwnd(), IDC_FIND_MATCH_CASE, ReadSearchFlag(L"Uppercase", false) ? BST_CHECKED : BST_UNCHECKED);
        const bool forward = ReadSearchFlag(L"Forward", true);
        CheckRadioButton(GetHwnd(), IDC_FIND_UP, IDC_FIND_DOWN, forward ? IDC_FIND_DOWN : IDC_FIND_UP);
        EnableButtons();
        SetDialogIcons(GetHwnd());
        CenterOnScreen(false);
        RestorePlacement(kPlacementName);
        ShowWindow(GetHwnd(), SW_SHOW);
        return TRUE;
    }

    int OnCommand(int id, HWND control, int code) override
    {
        if (id == IDC_FIND_WHAT || id == IDC_REPLACE_WITH) {
            // Focus moving to Replace must not count as typing: the match
            // shown would be skipped instead of replaced.
            if (code == EN_CHANGE)
                m_textChanged = true;
            EnableButtons();
            return 1;
        }
        if (id == IDC_REPLACE && code == BN_CLICKED) {
            OnReplace();
            return 1;
        }
        return CQLDialog::OnCommand(id, control, code);
    }

    void OnOK() override
    {
        Find();
        const wchar_t* const ini = g_prefs.IniPath();
        MyWritePrivateProfileString(kSearchSection, L"SearchText", m_search.c_str(), ini);
        MyWritePrivateProfileString(kSearchSection, L"ReplaceText", m_replace.c_str(), ini);
        MyWritePrivateProfileInt(kSearchSection, L"Forward", m_forward ? 1 : 0, ini);
        MyWritePrivateProfileInt(kSearchSection, L"Uppercase", m_matchCase ? 1 : 0, ini);
        m_textChanged = false;
    }

    // However the box closes: Cancel, Escape, its note's window going.
    void OnDestroy() override
    {
        SavePlacement(kPlacementName);
        if (g_appModule.GetFindDlg() == GetHwnd())
            g_appModule.SetFindDlg(nullptr);
        SetFindTargetWindow(nullptr);
    }

private:
    CNote* Note() const { return m_noteWindow ? NoteManager().GetNoteFromWindow(m_noteWindow) : nullptr; }
    HWND Editor() const
    {
        const CNote* const note = Note();
        return note ? note->GetEditHwnd() : nullptr;
    }

    void EnableButtons()
    {
        const bool hasText = GetWindowTextLengthW(GetItem(IDC_FIND_WHAT)) > 0;
        EnableWindow(GetItem(IDOK), hasText);
        if (const HWND replace = GetItem(IDC_REPLACE))
            EnableWindow(replace, hasText);
    }

    void Find()
    {
        m_search = GetItemText(IDC_FIND_WHAT);
        m_replace = GetItemText(IDC_REPLACE_WITH);
        m_forward = IsDlgButtonChecked(GetHwnd(), IDC_FIND_DOWN) == BST_CHECKED;
        m_matchCase = IsDlgButtonChecked(GetHwnd(), IDC_FIND_MATCH_CASE) == BST_CHECKED;
        if (CNote* const note = Note())
            note->FindText(GetHwnd(), m_search.c_str(), m_forward, m_matchCase);
    }

    void OnReplace()
    {
        if (m_textChanged) {
            Find();
            m_textChanged = false;
            return;
        }
        ReplaceSelection();
        Find();
    }

    // The found text becomes the replace text, undoably; a read-only note
    // keeps its text.
    void ReplaceSelection()
    {
        const CNote* const note = Note();
        const HWND editor = Editor();
        if (!note || !editor)
            return;
        if ((note->Alarm().flags & kNoteReadOnly) || (GetWindowLongPtrW(editor, GWL_STYLE) & ES_READONLY)) {
            SeamedMessageBeep(MB_ICONEXCLAMATION);
            return;
        }
        CHARRANGE range = {};
        SendMessageW(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
        if (range.cpMax <= range.cpMin)
            return;
        const std::wstring replace = GetItemText(IDC_REPLACE_WITH);
        SendMessageW(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(replace.c_str()));
        CHARRANGE inserted = { range.cpMin, range.cpMin + static_cast<LONG>(replace.size()) };
        SendMessageW(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&inserted));
    }

    HWND m_noteWindow = nullptr;
    bool m_textChanged = true;
    bool m_forward = true;
    bool m_matchCase = false;
    std::wstring m_search;
    std::wstring m_replace;
};

// The one find dialog of the process; its box is destroyed by CloseFindDlg
// at shut-down, so the static's destructor finds nothing to do.
CFindDlg& FindDialog()
{
    static CFindDlg dialog;
    return dialog;
}

bool OpenFindDlg(int templateId, HWND parent)
{
    const HWND open = g_appModule.GetFindDlg();
    if (open && IsWindow(open)) {
        SeamedMessageBeep(MB_ICONEXCLAMATION);
        return false;
    }
    CFindDlg& dialog = FindDialog();
    if (!dialog.Open(templateId, parent))
        return false;
    g_appModule.SetFindDlg(dialog.GetHwnd());
    SetFindTargetWindow(parent);
    return true;
}

}  // namespace

bool ShowFindDlg(HWND parent)
{
    return OpenFindDlg(IDD_FIND, parent);
}

bool ShowReplaceDlg(HWND parent)
{
    return OpenFindDlg(IDD_REPLACE, parent);
}

void CloseFindDlg()
{
    const HWND open = g_appModule.GetFindDlg();
    if (open && IsWindow(open))
        DestroyWindow(open);
    g_appModule.SetFindDlg(nullptr);
}
