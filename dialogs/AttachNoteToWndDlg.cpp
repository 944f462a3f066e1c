#include "AttachNoteToWndDlg.h"

#include "DlgUtils.h"
#include "foundation/ResModule.h"
#include "foundation/ShellServices.h"
#include "notestore/AttachedNotes.h"
#include "notestore/Note.h"
#include "notestore/notemgr.h"
#include "resources/resource.h"

namespace {

constexpr DWORD kAttachHelpContext = 269;
constexpr UINT kHelpCommand = 57670;

// The radios in move-with order 1-4, then "Doesn't move" (0).
constexpr int kCornerRadios[] = {IDC_ATTACH_TOP_LEFT, IDC_ATTACH_TOP_RIGHT, IDC_ATTACH_BOTTOM_LEFT,
                                 IDC_ATTACH_BOTTOM_RIGHT};

} // namespace

bool ShowAttachNoteToWndDlg(HWND noteWindow)
{
    const CNote* const note = NoteManager().GetNoteFromWindow(noteWindow);
    if (!note)
        return false;
    CAttachNoteToWndDlg dialog(note->GetId(), noteWindow);
    return dialog.DoModal() == 1;
}

CAttachNoteToWndDlg::CAttachNoteToWndDlg(std::int64_t noteId, HWND owner)
    : CQLDialog(IDD_ATTACH_NOTE_TO_WND, owner), m_noteId(noteId)
{
}

INT_PTR CAttachNoteToWndDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    m_picker.OnMessage(msg, wParam, lParam);
    return CQLDialog::HandleMessage(msg, wParam, lParam);
}

int CAttachNoteToWndDlg::OnInitDialog()
{
    CenterOnScreen(false);
    SetDialogIcons(GetHwnd());
    m_finder = GetItem(IDC_ATTACH_FINDER);
    m_picker.Reset(GetHwnd());
    m_finderWithTarget = CResModule::LoadIcon(MAKEINTRESOURCEW(IDI_FINDER_WITH_TARGET));
    m_finderEmpty = CResModule::LoadIcon(MAKEINTRESOURCEW(IDI_FINDER_EMPTY));
    ShowFinder(false);
    CDBUseGuard inUse(NoteManager());
    if (CNote* const note = NoteManager().GetNote(m_noteId)) {
        const CStdStr title = note->Attachment().GetWindowTitle();
        SetItemText(IDC_ATTACH_TITLE, title.c_str());
        CheckMoveWith(note->Attachment().GetMoveWith());
        m_picker.SetTitle(title.c_str());
    }
    return TRUE;
}

int CAttachNoteToWndDlg::OnCommand(int id, HWND control, int code)
{
    if (id == static_cast<int>(kHelpCommand)) {
        ShowHelp(kAttachHelpContext);
        return 1;
    }
    return CQLDialog::OnCommand(id, control, code);
}

void CAttachNoteToWndDlg::OnOK()
{
    CNote* const note = NoteManager().GetNote(m_noteId);
    if (note) {
        const std::wstring title = GetItemText(IDC_ATTACH_TITLE);
        note->Attachment().SetAttachment(*note, title, CheckedMoveWith());
        // As if the window had come to the front, so the note takes its place now.
        if (const HWND target = title.empty() ? nullptr : TargetFor(title))
            NoteManager().PostWindowEvent(EVENT_SYSTEM_FOREGROUND, title.c_str(), target);
    }
    CQLDialog::OnOK();
}

// Esc (made IDCANCEL by the dialog manager, capture or not) ends a pick only.
void CAttachNoteToWndDlg::OnCancel()
{
    if (m_picking) {
        EndPickUnchanged();
        return;
    }
    CQLDialog::OnCancel();
}

void CAttachNoteToWndDlg::OnLButtonDown(UINT, POINT point)
{
    RECT finder;
    if (!m_finder || !GetWindowRect(m_finder, &finder))
        return;
    MapWindowPoints(nullptr, GetHwnd(), reinterpret_cast<POINT*>(&finder), 2);
    if (!PtInRect(&finder, point))
        return;
    ShowFinder(true);
    m_picker.Reset(GetHwnd());
    m_picker.BeginPick(GetHwnd());
    m_picking = true;
}

void CAttachNoteToWndDlg::OnLButtonUp(UINT, POINT)
{
    if (!m_picking)
        return;
    if (m_picker.EndedByEscape()) {
        EndPickUnchanged();
        return;
    }
    m_picking = false;
    ShowFinder(false);
    const int zone = m_picker.GetZone();
    CheckMoveWith(zone);
    m_pickedWindow = m_picker.GetTarget();
    m_pickedTitle = m_picker.GetTitle();
    SetItemText(IDC_ATTACH_TITLE, m_pickedTitle.c_str());
}

void CAttachNoteToWndDlg::OnDestroy()
{
    // Another program's frame must not stay inverted.
    m_picker.EndPick();
    m_picking = false;
}

void CAttachNoteToWndDlg::EndPickUnchanged()
{
    m_picker.EndPick();
    m_picking = false;
    ShowFinder(false);
}

// 1-4 the corners, 0 "Doesn't move", anything else (no pick) none.
void CAttachNoteToWndDlg::CheckMoveWith(int moveWith)
{
    for (int corner = 0; corner < 4; ++corner)
        CheckDlgButton(GetHwnd(), kCornerRadios[corner], moveWith == corner + 1 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(GetHwnd(), IDC_ATTACH_DOES_NOT_MOVE, moveWith == 0 ? BST_CHECKED : BST_UNCHECKED);
}

int CAttachNoteToWndDlg::CheckedMoveWith() const
{
    for (int corner = 3; corner >= 0; --corner)
        if (IsDlgButtonChecked(GetHwnd(), kCornerRadios[corner]) == BST_CHECKED)
            return corner + 1;
    return 0;
}

void CAttachNoteToWndDlg::ShowFinder(bool picking)
{
    if (m_finder)
        SendMessageW(m_finder, STM_SETICON, reinterpret_cast<WPARAM>(picking ? m_finderEmpty : m_finderWithTarget), 0);
}

// The picked window while the title still names it, else the top-most open
// window with exactly that title; null for none.
HWND CAttachNoteToWndDlg::TargetFor(const std::wstring& title) const
{
    if (m_pickedWindow && title == m_pickedTitle && ::IsWindow(m_pickedWindow))
        return m_pickedWindow;
    return TopmostWindowTitled(title);
}
