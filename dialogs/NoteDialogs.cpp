#include "NoteDialogs.h"

#include <algorithm>

#include "DlgUtils.h"
#include "foundation/MessageBoxSeam.h"
#include "notestore/Note.h"
#include "notestore/notemgr.h"
#include "resources/resource.h"
#include "toolkit/QLDialog.h"

namespace {

constexpr int kTitleChars = 64;
constexpr int kPasswordChars = 32;

// The dialogs keep the note's window, never the note: it is looked up at each
// step, so a note closed meanwhile is simply not there.
class CNoteDialog : public CQLDialog {
public:
    CNoteDialog(int templateId, HWND noteWindow) : CQLDialog(templateId, noteWindow), m_noteWindow(noteWindow) {}

    bool Run() { return DoModal() == 1; }

protected:
    CNote* Note() const { return m_noteWindow ? NoteManager().GetNoteFromWindow(m_noteWindow) : nullptr; }

    // Limit, text selected and focused: the common start of the three boxes.
    void PrepareEdit(int id, int limit, const wchar_t* text)
    {
        const HWND edit = GetItem(id);
        SendMessageW(edit, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
        if (text)
            SetWindowTextW(edit, text);
        SendMessageW(edit, EM_SETSEL, 0, -1);
        SetFocus(edit);
        SetDialogIcons(GetHwnd());
    }

private:
    HWND m_noteWindow;
};

class CSetTitleDlg : public CNoteDialog {
public:
    explicit CSetTitleDlg(HWND noteWindow) : CNoteDialog(IDD_NOTE_TITLE, noteWindow) {}

protected:
    int OnInitDialog() override
    {
        CenterOnScreen(true);
        const CNote* const note = Note();
        PrepareEdit(IDC_NOTE_TITLE, kTitleChars, note ? note->GetName().c_str() : nullptr);
        return FALSE;
    }

    void OnOK() override
    {
        if (CNote* const note = Note())
            note->SetTitle(GetItemText(IDC_NOTE_TITLE).c_str());
        CQLDialog::OnOK();
    }
};

class CLockNoteDlg : public CNoteDialog {
public:
    explicit CLockNoteDlg(HWND noteWindow) : CNoteDialog(IDD_LOCK_NOTE, noteWindow) {}

protected:
    int OnInitDialog() override
    {
        CenterOnScreen(true);
        // OK keeps the password the note already has.
        const CNote* const note = Note();
        PrepareEdit(IDC_NOTE_PASSWORD, kPasswordChars, note ? note->Row().password.c_str() : nullptr);
        return FALSE;
    }

    void OnOK() override
    {
        if (CNote* const note = Note())
            note->SetPassword(GetItemText(IDC_NOTE_PASSWORD).c_str());
        CQLDialog::OnOK();
    }
};

class CUnlockNoteDlg : public CNoteDialog {
public:
    CUnlockNoteDlg(HWND noteWindow, const wchar_t* prompt)
        : CNoteDialog(IDD_UNLOCK_NOTE, noteWindow), m_prompt(prompt ? prompt : L"")
    {
    }

protected:
    int OnInitDialog() override
    {
        CenterOnScreen(false);
        // A password stored longer than the box allows (an old file, a peer)
        // must still be typeable.
        const CNote* const note = Note();
        const int stored = note ? static_cast<int>(note->Row().password.size()) : 0;
        PrepareEdit(IDC_NOTE_PASSWORD, std::max(kPasswordChars, stored), nullptr);
        if (!m_prompt.empty())
            SetItemText(IDC_UNLOCK_PROMPT, m_prompt.c_str());
        return FALSE;
    }

    void OnOK() override
    {
        const CNote* const note = Note();
        if (!note) {
            OnCancel();
            return;
        }
        // Ordinal: a locale-aware compare takes a soft hyphen for nothing.
        if (GetItemText(IDC_NOTE_PASSWORD) != note->Row().password.c_str()) {
            AppMessageBox(GetHwnd(), IDS_WRONG_PASSWORD, MB_OK);
            return;
        }
        CQLDialog::OnOK();
    }

private:
    std::wstring m_prompt;
};

}  // namespace

bool ShowSetTitleDlg(HWND noteWindow)
{
    CSetTitleDlg dialog(noteWindow);
    return dialog.Run();
}

bool ShowLockNoteDlg(HWND noteWindow)
{
    CLockNoteDlg dialog(noteWindow);
    return dialog.Run();
}

bool ShowUnlockNoteDlg(HWND noteWindow, const wchar_t* prompt)
{
    CUnlockNoteDlg dialog(noteWindow, prompt);
    return dialog.Run();
}
