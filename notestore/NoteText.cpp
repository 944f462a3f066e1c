// What a note does with its text in the window: the lock asked for, showing
// it with the password, stepping through the shown notes, formatting the
// selection, sorting the paragraphs and finding text.
#include "Note.h"

#include "QuietEditor.h"
#include "notemgr.h"
#include "dialogs/NoteDialogs.h"
#include "foundation/LogFile.h"
#include "foundation/MessageBoxSeam.h"
#include "foundation/ResModule.h"
#include "foundation/WinPlacement.h"
#include "framework/WaitCursor.h"
#include "notewindows/NoteEditWnd.h"
#include "notewindows/RtfSafety.h"
#include "resources/resource.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// The note of the window (a note without one: of the id) still is this one:
// a modal loop may have freed it.
bool StillTheNote(HWND window, std::int64_t id, const CNote* note)
{
    CNoteManager& manager = NoteManager();
    return (window ? manager.GetNoteFromWindow(window) : manager.GetNote(id)) == note;
}

// One paragraph of a sort: its plain text decides, its rich text moves.
struct SSortedParagraph {
    CStdStr plain;
    CStdStr rtf;
};

// The paragraph spans of the text as the control counts characters: one CR
// ends each paragraph but the last.
std::vector<CHARRANGE> ParagraphSpans(const CStdStr& text)
{
    std::vector<CHARRANGE> spans;
    LONG start = 0;
    for (LONG i = 0; i < static_cast<LONG>(text.size()); ++i) {
        if (text[i] == L'\r') {
            spans.push_back({start, i});
            start = i + 1;
        }
    }
    spans.push_back({start, static_cast<LONG>(text.size())});
    return spans;
}

CStdStr ControlText(HWND control)
{
    GETTEXTLENGTHEX length = {GTL_NUMCHARS | GTL_PRECISE, 1200};
    const LRESULT chars = SendMessageW(control, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
    std::vector<wchar_t> buffer(static_cast<size_t>(chars > 0 ? chars : 0) + 1);
    GETTEXTEX request = {};
    request.cb = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    request.flags = GT_DEFAULT;
    request.codepage = 1200;
    SendMessageW(control, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request), reinterpret_cast<LPARAM>(buffer.data()));
    return CStdStr(buffer.data());
}

bool SameText(const CStdStr& a, const CStdStr& b, bool matchCase)
{
    if (matchCase)
        return a == b;
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

LONG FindIn(HWND editor, const CStdStr& text, bool forward, bool matchCase, CHARRANGE range, CHARRANGE& found)
{
    FINDTEXTEXW find = {};
    find.chrg = range;
    find.lpstrText = text.c_str();
    const WPARAM flags = (forward ? FR_DOWN : 0) | (matchCase ? FR_MATCHCASE : 0);
    const LONG at = static_cast<LONG>(SendMessageW(editor, EM_FINDTEXTEXW, flags, reinterpret_cast<LPARAM>(&find)));
    found = find.chrgText;
    return at;
}

} // namespace

bool CNote::UnlockText()
{
    if (!m_row.locked)
        return true;
    const HWND window = m_hwnd;
    const std::int64_t id = m_row.id;
    if (!ShowUnlockNoteDlg(window, nullptr) || !StillTheNote(window, id, this))
        return false;
    ShowText();
    return true;
}

bool CNote::ShowSticky()
{
    if (!Show(true, true))
        return false;
    const HWND window = m_hwnd;
    const std::int64_t id = m_row.id;
    if (m_row.locked) {
        const bool unlocked = ShowUnlockNoteDlg(window, LoadResString(IDS_UNLOCK_TO_VIEW));
        if (!StillTheNote(window, id, this))
            return false;
        if (unlocked)
            ShowText();
    }
    m_modified = true;
    m_row.alarm.RecalcDue(false);
    return NoteManager().StoreNote(this);
}

namespace {

// ShowSticky of the shown note after (or before) the id, wrapping.
void ShowVisibleNoteBeside(std::int64_t id, bool next)
{
    CNoteManager& manager = NoteManager();
    const std::vector<std::int64_t> ids = manager.GetVisibleNoteIDs();
    if (ids.empty())
        return;
    std::int64_t chosen = 0;
    if (next) {
        const auto after = std::upper_bound(ids.begin(), ids.end(), id);
        chosen = after != ids.end() ? *after : ids.front();
    } else {
        const auto before = std::lower_bound(ids.begin(), ids.end(), id);
        chosen = before != ids.begin() ? *(before - 1) : ids.back();
    }
    if (CNote* note = manager.GetNote(chosen))
        note->ShowSticky();
}

} // namespace

void CNote::ShowNextNote()
{
    ShowVisibleNoteBeside(m_row.id, true);
}

void CNote::ShowPreviousNote()
{
    ShowVisibleNoteBeside(m_row.id, false);
}

void CNote::SetTitle(const CStdStr& name)
{
    // Exact: a rename that changes only the case is still a rename.
    if (name == GetDisplayName())
        return;
    m_row.name = name;
    MarkChanged();
    if (m_hwnd)
        SetWindowTextW(m_hwnd, GetDisplayName().c_str());
    CNoteManager& manager = NoteManager();
    manager.StoreNote(this);
    manager.NotifyDisplay(this, CNoteManager::eNoteChanged);
}

bool CNote::ToggleCharEffect(DWORD mask, DWORD effect)
{
    if (!m_editor)
        return false;
    const CWaitCursor waiting;
    CHARFORMAT2W format = {};
    format.cbSize = sizeof(format);
    m_editor->GetCharFormat(format, true);
    const bool uniform = (format.dwMask & mask) != 0;
    format.dwEffects = uniform ? (format.dwEffects ^ effect) : (format.dwEffects | effect);
    format.dwMask = mask;
    {
        const CQuietEditor quiet(m_editor->Handle());
        m_editor->SetCharFormat(format, SCF_SELECTION);
    }
    // The quiet editor sends no change: the note marks it.
    MarkChanged();
    return true;
}

bool CNote::ToggleNumbering(WORD kind)
{
    if (!m_editor)
        return false;
    const CWaitCursor waiting;
    PARAFORMAT2 format = {};
    format.cbSize = sizeof(format);
    m_editor->GetParaFormat(format);
    format.wNumbering = format.wNumbering == kind ? 0 : kind;
    format.dwMask = PFM_NUMBERING;
    {
        const CQuietEditor quiet(m_editor->Handle());
        m_editor->SetParaFormat(format);
    }
    MarkChanged();
    return true;
}

bool CNote::SortLines()
{
    CStdStr whole;
    // Text that cannot go through a control again would sort into nothing.
    if (!ReadEditor(whole, false, true) || !IsRtfSafe(whole))
        return false;
    const CWaitCursor waiting;
    const RECT screen = VirtualScreenRect();
    CRichEditCtrl50WT sorter;
    if (!sorter.CreatePlain(nullptr, screen))
        return false;
    sorter.SetTextMode(TM_RICHTEXT | TM_MULTICODEPAGE);
    sorter.SetEventMask(0);
    sorter.SetAutoUrlDetect(false);
    sorter.StreamInText(whole, true, false);

    std::vector<SSortedParagraph> paragraphs;
    for (const CHARRANGE& span : ParagraphSpans(ControlText(sorter.Handle()))) {
        SSortedParagraph paragraph;
        sorter.SetSel(span.cpMin, span.cpMax);
        if (span.cpMax > span.cpMin &&
            (!sorter.StreamOutText(paragraph.plain, false, true) || !sorter.StreamOutText(paragraph.rtf, true, true)))
            return false;
        paragraphs.push_back(std::move(paragraph));
    }
    std::stable_sort(paragraphs.begin(), paragraphs.end(),
                     [](const SSortedParagraph& a, const SSortedParagraph& b) { return a.plain < b.plain; });

    sorter.SelectAll();
    sorter.ReplaceSel(L"", false);
    for (size_t i = 0; i < paragraphs.size(); ++i) {
        sorter.SetSel(-1, -1);
        if (i > 0)
            sorter.ReplaceSel(L"\n", false);
        if (!paragraphs[i].rtf.empty()) {
            sorter.SetSel(-1, -1);
            sorter.StreamInText(paragraphs[i].rtf, true, true);
        }
    }
    CStdStr sorted;
    if (!sorter.StreamOutText(sorted, true, false))
        return false;
    const CHARRANGE kept = m_editor->GetSel();
    {
        const CQuietEditor quiet(m_editor->Handle());
        m_editor->StreamInText(sorted, true, false);
        m_editor->SetSel(kept.cpMin, kept.cpMax);
    }
    MarkChanged();
    return true;
}

bool CNote::FindText(HWND owner, const CStdStr& text, bool forward, bool matchCase)
{
    if (!m_editor || text.empty())
        return false;
    const HWND window = m_hwnd;
    const std::int64_t id = m_row.id;
    const HWND editor = m_editor->Handle();
    const LONG length = m_editor->GetTextLengthEx(GTL_NUMCHARS | GTL_PRECISE);
    const CHARRANGE selection = m_editor->GetSel();
    CStdStr selected;
    const bool onMatch = selection.cpMax > selection.cpMin && ReadEditor(selected, true, false) &&
                         SameText(selected, text, matchCase);
    CHARRANGE range = forward ? CHARRANGE{0, -1} : CHARRANGE{length, 0};
    if (onMatch)
        range = forward ? CHARRANGE{selection.cpMax, -1} : CHARRANGE{selection.cpMin, 0};
    CHARRANGE found = {};
    LONG at = FindIn(editor, text, forward, matchCase, range, found);
    if (at < 0)
        at = FindIn(editor, text, forward, matchCase, forward ? CHARRANGE{0, -1} : CHARRANGE{length, 0}, found);
    if (at >= 0) {
        // A store that fails is logged by the manager; the match still shows.
        ShowSticky();
        if (!StillTheNote(window, id, this) || !m_editor)
            return false;
        m_editor->SetSel(found.cpMin, found.cpMax);
        SendMessageW(m_editor->Handle(), EM_SCROLLCARET, 0, 0);
        return true;
    }
    CStdStr message;
    message.Format(LoadResString(IDS_CANNOT_FIND), text.c_str());
    AppMessageBox(owner, message.c_str(), MB_OK);
    if (StillTheNote(window, id, this) && m_editor)
        m_editor->SetSel(0, 0);
    return false;
}
