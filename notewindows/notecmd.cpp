// The commands of one note.
#include "notecmd.h"

#include <richedit.h>

#include <cstdint>
#include <optional>

#include "NoteCommandIds.h"
#include "VeduVure.h"
#include "itsycmd.h"
#include "dialogs/AlarmDisplayDlg.h"
#include "dialogs/AlarmDlg.h"
#include "dialogs/AttachNoteToWndDlg.h"
#include "dialogs/DlgUtils.h"
#include "dialogs/FindDlg.h"
#include "dialogs/NoteDialogs.h"
#include "exchange/NetSendDlg.h"
#include "foundation/AppWindow.h"
#include "foundation/MessageBoxSeam.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "foundation/ShellServices.h"
#include "foundation/SoundPlayer.h"
#include "framework/CommonDialogs.h"
#include "notestore/GroupDlg.h"
#include "notestore/GroupMenu.h"
#include "notestore/Note.h"
#include "notestore/NoteAlarm.h"
#include "notestore/groups.h"
#include "notestore/notemgr.h"
#include "resources/resource.h"

namespace {

int PrintNote(CNote& note)
{
    return note.Print();
}

int MailNote(CNote& note)
{
    return note.SendByEmail();
}

} // namespace

SNoteDialogSeam g_noteDialogSeam = {
    &ShowAlarmDlg,   &ShowSetTitleDlg,         &ShowLockNoteDlg,      &ShowFindDlg,
    &ShowReplaceDlg, &ShowGroupList,           &ShowAttachNoteToWndDlg, &ShowSnoozeDisplayDlg,
    &ShowNetSendDlg, &PrintNote,               &MailNote,             &ShowHelp,
};

namespace {

constexpr std::uint32_t kAlarmActiveAndSet = kAlarmActive | kAlarmSet;
constexpr std::uint32_t kQuickSnoozedBits = kAlarmActive | kAlarmSet | kAlarmQuickSnoozed;
constexpr int kDateTextChars = 256;

CNote* NoteOf(HWND frame)
{
    return NoteManager().GetNoteFromWindow(frame);
}

bool IsReadOnly(const CNote& note)
{
    return (note.Alarm().flags & kNoteReadOnly) != 0;
}

void FocusEditor(HWND frame)
{
    const CNote* note = NoteOf(frame);
    if (const HWND editor = note ? note->GetEditHwnd() : nullptr)
        SetFocus(editor);
}

// The frame's caption follows a new title or state.
void RetitleFrame(HWND frame)
{
    if (CNote* note = NoteOf(frame)) {
        SetWindowTextW(frame, note->GetDisplayName().c_str());
        RedrawWindow(frame, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    }
}

void MarkEdited(CNote& note)
{
    note.TouchUpdateDate();
    note.SetModified(true);
}

// ---------------------------------------------------------------- which command needs what

// The commands that run on a note hidden behind its password without it.
bool RunsWithoutPassword(UINT id)
{
    switch (id) {
    case ID_HIDE_NOTE:
    case ID_NOTE_HELP:
    case ID_NOTE_LOCK:
    case ID_DELETE_NOTE:
    case ID_NEXT_NOTE:
    case ID_PREVIOUS_NOTE: return true;
    }
    return false;
}

// The commands that change the editor's text or its format.
bool EditsText(UINT id)
{
    switch (id) {
    case ID_SELECT_FONT:
    case ID_NOTE_CUT:
    case ID_NOTE_PASTE:
    case ID_INSERT_DATE:
    case ID_INSERT_TIME:
    case ID_SORT_LINES:
    case ID_EFFECT_BOLD:
    case ID_EFFECT_UNDERLINE:
    case ID_EFFECT_ITALIC:
    case ID_EFFECT_STRIKEOUT:
    case ID_NUMBERING_NONE:
    case ID_NUMBERING_BULLETS:
    case ID_NUMBERING_NUMBERS:
    case ID_NUMBERING_LETTERS: return true;
    }
    return false;
}

// A read-only note keeps these out, as its editor keeps typing out.
bool ChangesText(UINT id)
{
    return EditsText(id) || (id >= ID_ALIGN_LEFT && id <= ID_ALIGN_CENTER);
}

// Without an editor these do nothing.
bool NeedsEditor(UINT id)
{
    return EditsText(id) || id == ID_NOTE_COPY;
}

// ---------------------------------------------------------------- the handlers
// Each returns true when the note or its window has ended: nothing may touch
// either afterwards.

using Handler = bool (*)(HWND frame, CNote& note, UINT id);

bool OnAlign(HWND /*frame*/, CNote& note, UINT id)
{
    const int style = id == ID_ALIGN_RIGHT ? 2 : id == ID_ALIGN_CENTER ? 1 : 0;
    note.SetEditAlignment(style);
    if (const HMENU menu = GetNoteFrameMenu())
        CheckMenuRadioItem(menu, ID_ALIGN_LEFT, ID_ALIGN_CENTER, id, MF_BYCOMMAND);
    note.ShowSticky();
    return false;
}

CStdStr RichTextOf(const CNote& note)
{
    CStdStr text;
    note.GetText(true, false, true, text);
    return text;
}

bool OnSelectFont(HWND frame, CNote& note, UINT /*id*/)
{
    CHARFORMAT2W format = {};
    format.cbSize = sizeof(format);
    SendMessageW(note.GetEditHwnd(), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    const bool chosen = ChooseRichEditFont(GetActiveWindow(), format);
    CNote* same = NoteOf(frame);
    if (!same)
        return true;
    const HWND editor = same->GetEditHwnd();
    if (chosen && editor) {
        const CStdStr before = RichTextOf(*same);
        SendMessageW(editor, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        bool changed = RichTextOf(*same) != before;
        if ((format.dwMask & CFM_COLOR) && !(format.dwEffects & CFE_AUTOCOLOR) &&
            same->Row().colorText != format.crTextColor) {
            same->Row().colorText = format.crTextColor;
            changed = true;
        }
        if (changed)
            MarkEdited(*same);
    }
    FocusEditor(frame);
    return false;
}

COLORREF FixedColorOf(UINT id)
{
    switch (id) {
    case ID_COLOR_YELLOW: return 0xB6FFFF;
    case ID_COLOR_GREEN: return 0xB7F4BD;
    case ID_COLOR_BLUE: return 0xFDF2C0;
    case ID_COLOR_PINK: return 0xFEC0FE;
    case ID_COLOR_PURPLE: return 0xFECCC5;
    }
    return 0xFCFCFC;
}

bool OnFixedColor(HWND /*frame*/, CNote& note, UINT id)
{
    note.SetColor(FixedColorOf(id));
    return false;
}

bool OnAdjustColor(HWND frame, CNote& note, UINT /*id*/)
{
    COLORREF color = note.GetColor() & 0xFFFFFF;
    if (!ChooseColorDialog(GetActiveWindow(), color))
        return false;
    CNote* same = NoteOf(frame);
    if (!same)
        return true;
    same->SetColor(color);
    return false;
}

bool OnTransparency(HWND /*frame*/, CNote& note, UINT id)
{
    note.SetTransparency(AlphaOfTransparencyCommand(id));
    return false;
}

bool OnSetAlarm(HWND frame, CNote& note, UINT /*id*/)
{
    const bool visible = note.IsVisible();
    g_noteDialogSeam.showAlarm(&note, visible ? frame : nullptr);
    if (visible)
        FocusEditor(frame);
    return false;
}

// The sheet runs in the shell; the send returns once it has closed.
bool OnPreferences(HWND frame, CNote& /*note*/, UINT /*id*/)
{
    if (g_hwndApp)
        SendMessageW(g_hwndApp, WM_COMMAND, ID_PREFERENCES, 0);
    FocusEditor(frame);
    return false;
}

bool OnPrintOrMail(HWND frame, CNote& note, UINT id)
{
    if (id == ID_PRINT_NOTE)
        g_noteDialogSeam.print(note);
    else
        g_noteDialogSeam.sendByEmail(note);
    FocusEditor(frame);
    return false;
}

bool OnClipboard(HWND /*frame*/, CNote& note, UINT id)
{
    const UINT message = id == ID_NOTE_CUT ? WM_CUT : id == ID_NOTE_COPY ? WM_COPY : WM_PASTE;
    SendMessageW(note.GetEditHwnd(), message, 0, 0);
    return false;
}

bool OnHide(HWND /*frame*/, CNote& note, UINT /*id*/)
{
    PlaySoundFile(g_prefs.ShowHideNote);
    note.HideSticky(false);
    return true;
}

bool OnRename(HWND frame, CNote& /*note*/, UINT /*id*/)
{
    if (g_noteDialogSeam.setTitle(frame))
        RetitleFrame(frame);
    FocusEditor(frame);
    return false;
}

bool OnInsertNow(HWND /*frame*/, CNote& note, UINT id)
{
    wchar_t text[kDateTextChars] = {};
    const double now = COleDateTime::Now().m_dt;
    if (id == ID_INSERT_DATE)
        FormatDateLong(now, text, kDateTextChars);
    else
        FormatTimeShort(now, text, kDateTextChars);
    SendMessageW(note.GetEditHwnd(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
    MarkEdited(note);
    return false;
}

bool OnDuplicate(HWND frame, CNote& note, UINT /*id*/)
{
    if (!note.Duplicate())
        FocusEditor(frame);
    return false;
}

bool OnHelp(HWND /*frame*/, CNote& /*note*/, UINT /*id*/)
{
    g_noteDialogSeam.help(kNoteHelpContext);
    return false;
}

bool OnLock(HWND frame, CNote& note, UINT /*id*/)
{
    const bool unlocking = note.IsLocked();
    const bool done = unlocking ? ShowUnlockNoteDlg(frame, nullptr) : g_noteDialogSeam.lock(frame);
    CNote* same = NoteOf(frame);
    if (!same)
        return true;
    if (done) {
        if (unlocking)
            same->ShowText();
        else
            same->HideText();
    }
    return false;
}

bool OnExport(HWND frame, CNote& /*note*/, UINT /*id*/)
{
    ExportNoteCommand(frame);
    return NoteOf(frame) == nullptr;
}

bool OnDelete(HWND frame, CNote& /*note*/, UINT /*id*/)
{
    return DeleteNoteCommand(frame) || NoteOf(frame) == nullptr;
}

bool OnFind(HWND frame, CNote& /*note*/, UINT id)
{
    SetFindTargetWindow(frame);
    if (id == ID_FIND_IN_NOTE)
        g_noteDialogSeam.find(frame);
    else
        g_noteDialogSeam.replace(frame);
    return false;
}

bool OnNextOrPrevious(HWND /*frame*/, CNote& note, UINT id)
{
    if (id == ID_NEXT_NOTE)
        note.ShowNextNote();
    else
        note.ShowPreviousNote();
    return false;
}

bool OnNetSend(HWND frame, CNote& /*note*/, UINT /*id*/)
{
    if (IsNoteNetworkOn())
        g_noteDialogSeam.netSend(frame);
    return false;
}

bool OnQuickSnooze(HWND frame, CNote& /*note*/, UINT /*id*/)
{
    return QuickSnoozeCommand(frame) || NoteOf(frame) == nullptr;
}

bool OnToggleView(HWND frame, CNote& /*note*/, UINT /*id*/)
{
    PostMessageW(frame, WM_ITSY_MAXIMIZE, 0, 0);
    return false;
}

bool OnEditGroups(HWND frame, CNote& /*note*/, UINT /*id*/)
{
    g_noteDialogSeam.groupList(frame);
    return false;
}

void JoinGroup(CNote& note, const CGroup* group)
{
    if (group)
        note.SetGroup(group->GetId(), group->GetColor());
}

bool OnNoGroup(HWND /*frame*/, CNote& note, UINT /*id*/)
{
    note.SetGroup(0, 0);
    return false;
}

bool OnGroupPosition(HWND /*frame*/, CNote& note, UINT id)
{
    const int position = GroupPositionFromCommand(id);
    if (position >= 0 && position < CGroups::GetCount())
        JoinGroup(note, CGroups::GetAt(position));
    return false;
}

bool OnNextOrPreviousGroup(HWND /*frame*/, CNote& note, UINT id)
{
    const std::int64_t group = note.GetGroup();
    JoinGroup(note, id == ID_NEXT_GROUP ? CGroups::GetNext(group) : CGroups::GetPrevious(group));
    return false;
}

bool OnSort(HWND /*frame*/, CNote& note, UINT /*id*/)
{
    note.SortLines();
    return false;
}

bool OnAttach(HWND frame, CNote& /*note*/, UINT /*id*/)
{
    g_noteDialogSeam.attach(frame);
    return false;
}

bool OnSizeToFit(HWND /*frame*/, CNote& note, UINT /*id*/)
{
    note.AutoSize(true);
    return false;
}

bool OnCharEffect(HWND /*frame*/, CNote& note, UINT id)
{
    const DWORD effect = id == ID_EFFECT_BOLD        ? CFE_BOLD
                         : id == ID_EFFECT_UNDERLINE ? CFE_UNDERLINE
                         : id == ID_EFFECT_ITALIC    ? CFE_ITALIC
                                                     : CFE_STRIKEOUT;
    note.ToggleCharEffect(effect, effect);
    return false;
}

bool OnNumbering(HWND /*frame*/, CNote& note, UINT id)
{
    note.ToggleNumbering(static_cast<WORD>(id - ID_NUMBERING_NONE));
    return false;
}

bool OnToggleGroup(HWND /*frame*/, CNote& note, UINT /*id*/)
{
    NoteManager().ShowGroupOf(&note);
    return false;
}

bool OnHideOtherNotes(HWND /*frame*/, CNote& note, UINT /*id*/)
{
    NoteManager().ToggleOtherNotes(&note);
    return false;
}

bool OnAutoResize(HWND /*frame*/, CNote& note, UINT /*id*/)
{
    note.Row().autoResize = !note.Row().autoResize;
    MarkEdited(note);
    return false;
}

bool OnReadOnly(HWND frame, CNote& note, UINT /*id*/)
{
    note.ToggleReadOnly();
    RetitleFrame(frame);
    return false;
}

// The table's ids match before the group range that follows it.
Handler HandlerFor(UINT id)
{
    switch (id) {
    case ID_ALIGN_LEFT:
    case ID_ALIGN_RIGHT:
    case ID_ALIGN_CENTER: return &OnAlign;
    case ID_SELECT_FONT: return &OnSelectFont;
    case ID_COLOR_YELLOW:
    case ID_COLOR_GREEN:
    case ID_COLOR_BLUE:
    case ID_COLOR_PINK:
    case ID_COLOR_PURPLE:
    case ID_COLOR_WHITE: return &OnFixedColor;
    case ID_ADJUST_COLOR: return &OnAdjustColor;
    case ID_SET_ALARM: return &OnSetAlarm;
    case ID_PREFERENCES: return &OnPreferences;
    case ID_EMAIL_NOTE:
    case ID_PRINT_NOTE: return &OnPrintOrMail;
    case ID_NOTE_CUT:
    case ID_NOTE_COPY:
    case ID_NOTE_PASTE: return &OnClipboard;
    case ID_HIDE_NOTE: return &OnHide;
    case ID_RENAME_NOTE: return &OnRename;
    case ID_INSERT_DATE:
    case ID_INSERT_TIME: return &OnInsertNow;
    case ID_DUPLICATE_NOTE: return &OnDuplicate;
    case ID_NOTE_HELP: return &OnHelp;
    case ID_NOTE_LOCK: return &OnLock;
    case ID_EXPORT_NOTE: return &OnExport;
    case ID_DELETE_NOTE: return &OnDelete;
    case ID_FIND_IN_NOTE:
    case ID_REPLACE_IN_NOTE: return &OnFind;
    case ID_NEXT_NOTE:
    case ID_PREVIOUS_NOTE: return &OnNextOrPrevious;
    case ID_NET_SEND_NOTE: return &OnNetSend;
    case ID_QUICK_SNOOZE: return &OnQuickSnooze;
    case ID_TOGGLE_VIEW: return &OnToggleView;
    case ID_EDIT_GROUPS: return &OnEditGroups;
    case ID_NOTE_NO_GROUP: return &OnNoGroup;
    case ID_SORT_LINES: return &OnSort;
    case ID_ATTACH_TO_WINDOW: return &OnAttach;
    case ID_SIZE_TO_FIT: return &OnSizeToFit;
    case ID_EFFECT_BOLD:
    case ID_EFFECT_UNDERLINE:
    case ID_EFFECT_ITALIC:
    case ID_EFFECT_STRIKEOUT: return &OnCharEffect;
    case ID_NUMBERING_NONE:
    case ID_NUMBERING_BULLETS:
    case ID_NUMBERING_NUMBERS:
    case ID_NUMBERING_LETTERS: return &OnNumbering;
    case ID_TOGGLE_GROUP: return &OnToggleGroup;
    case ID_NEXT_GROUP:
    case ID_PREVIOUS_GROUP: return &OnNextOrPreviousGroup;
    case ID_AUTO_RESIZE: return &OnAutoResize;
    case ID_READ_ONLY: return &OnReadOnly;
    case ID_HIDE_OTHER_NOTES: return &OnHideOtherNotes;
    }
    if (id >= ID_TRANSPARENCY_FIRST && id <= ID_TRANSPARENCY_LAST)
        return &OnTransparency;
    if (GroupPositionFromCommand(id) >= 0)
        return &OnGroupPosition;
    return nullptr;
}

// A window made only so that a command could run on a hidden note goes again.
void ReleaseBareWindow(HWND frame)
{
    CNote* note = NoteOf(frame);
    if (note && !note->IsVisible() && note->WindowExists())
        note->HideSticky(true);
}

bool RunHandler(HWND frame, UINT id, Handler handler)
{
    CNote* note = NoteOf(frame);
    if ((NeedsEditor(id) && !note->GetEditHwnd()) || (ChangesText(id) && IsReadOnly(*note)))
        return false;
    if (!RunsWithoutPassword(id)) {
        // A refused password drops the command without a word.
        if (!note->UnlockText())
            return false;
        note = NoteOf(frame);
        if (!note)
            return true;
    }
    return handler(frame, *note, id);
}

// The question before a quick snooze resets an alarm still ahead; the start
// of the snooze, or none when the user keeps the alarm.
std::optional<COleDateTime> QuickSnoozeStart(HWND frame)
{
    const CNote* note = NoteOf(frame);
    const COleDateTime alarm = note->Alarm().alarmDate;
    const COleDateTime now = COleDateTime::Now();
    if ((note->Alarm().flags & kAlarmActiveAndSet) != kAlarmActiveAndSet || !(now < alarm))
        return alarm;
    if (AppMessageBox(g_hwndApp, IDS_QUICK_SNOOZE_RESETS, MB_YESNO) != IDYES)
        return std::nullopt;
    return now;
}

} // namespace

void RunNoteCommand(HWND frame, UINT id)
{
    const Handler handler = HandlerFor(id);
    if (!handler || !NoteOf(frame))
        return;
    if (!RunHandler(frame, id, handler))
        ReleaseBareWindow(frame);
}

bool DeleteNoteCommand(HWND frame)
{
    CNote* note = NoteOf(frame);
    if (!note)
        return false;
    if (note->IsLocked()) {
        const bool unlocked = ShowUnlockNoteDlg(frame, LoadResString(IDS_UNLOCK_TO_DELETE));
        note = NoteOf(frame);
        if (!unlocked || !note)
            return false;
    }
    // Without an editor (a hidden note's bare window) the stored text decides.
    if (g_prefs.ConfirmNoteDelete && !note->GetPlainText().empty()) {
        const int answer = AppMessageBox(frame, IDS_CONFIRM_NOTE_DELETE, MB_ICONQUESTION | MB_YESNO);
        note = NoteOf(frame);
        if (answer != IDYES || !note)
            return false;
    }
    PlaySoundFile(g_prefs.DeleteNote);
    note->Delete();
    return true;
}

void ExportNoteCommand(HWND frame)
{
    CStdStr path;
    const std::optional<EExportFormat> format = ChooseExportFile(frame, path);
    CNote* note = NoteOf(frame);
    if (!format || !note)
        return;
    const bool xml = *format == kExportXml;
    if (!note->ExportSticky(path.c_str(), xml ? kExportXml : kExportText, false, xml))
        ShowExportFailed(frame, path.c_str());
}

bool QuickSnoozeCommand(HWND frame)
{
    const CAlarmCheckPause pause;
    if (!NoteOf(frame))
        return false;
    const std::optional<COleDateTime> start = QuickSnoozeStart(frame);
    CNote* note = NoteOf(frame);
    if (!start || !note)
        return false;
    const bool snoozed = g_noteDialogSeam.snooze(note->IsVisible() ? frame : nullptr, note, *start);
    note = NoteOf(frame);
    if (!snoozed || !note)
        return false;
    note->Alarm().flags |= kQuickSnoozedBits;
    note->HideSticky(false);
    return true;
}

UINT TransparencyCommandFor(int alpha)
{
    if (alpha <= 0 || alpha >= 255)
        return ID_TRANSPARENCY_FIRST;
    const int level = static_cast<int>((255 - alpha) / 255.0 * 10) % 10;
    return ID_TRANSPARENCY_FIRST + static_cast<UINT>(level);
}

int AlphaOfTransparencyCommand(UINT id)
{
    return 255 - MulDiv(static_cast<int>(id - ID_TRANSPARENCY_FIRST), 2550, 100);
}

namespace {

void Check(HMENU menu, UINT id, bool checked)
{
    CheckMenuItem(menu, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

int AlignmentOf(const CNote& note)
{
    const HWND editor = note.GetEditHwnd();
    if (!editor)
        return 0;
    PARAFORMAT2 format = {};
    format.cbSize = sizeof(format);
    format.dwMask = PFM_ALIGNMENT;
    SendMessageW(editor, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format));
    return format.wAlignment == PFA_CENTER ? 1 : format.wAlignment == PFA_RIGHT ? 2 : 0;
}

// Only the text: the entry keeps its owner-draw type, state and data.
void SetItemText(HMENU menu, UINT id, const wchar_t* text)
{
    CStdStr copy(text);
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    info.dwTypeData = &copy[0];
    SetMenuItemInfoW(menu, id, FALSE, &info);
}

} // namespace

void MarkNoteMenu(HMENU menu, HWND frame)
{
    const CNote* note = NoteOf(frame);
    if (!menu || !note)
        return;
    const int alignment = AlignmentOf(*note);
    Check(menu, ID_ALIGN_LEFT, alignment == 0);
    Check(menu, ID_ALIGN_CENTER, alignment == 1);
    Check(menu, ID_ALIGN_RIGHT, alignment == 2);
    SetItemText(menu, ID_NOTE_LOCK, LoadResString(note->IsLocked() ? IDS_MENU_UNLOCK : IDS_MENU_LOCK));
    DrawMenuBar(frame);
    if (CanUseLayeredWindows()) {
        const UINT level = TransparencyCommandFor(note->Row().transparency);
        for (UINT id = ID_TRANSPARENCY_FIRST; id <= ID_TRANSPARENCY_LAST; ++id)
            Check(menu, id, id == level);
    }
    Check(menu, ID_AUTO_RESIZE, note->Row().autoResize);
    Check(menu, ID_READ_ONLY, IsReadOnly(*note));
}
