#include "NoteEditWnd.h"

#include <windowsx.h>
#include <shellapi.h>
#include <tom.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <type_traits>
#include <vector>

#include "NoteCommandIds.h"
#include "RichEditIds.h"
#include "RtfSafety.h"
#include "foundation/LogFile.h"
#include "foundation/MessageBoxSeam.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "foundation/ShellServices.h"
#include "framework/EditCommands.h"
#include "framework/GlobalMemory.h"
#include "framework/UiSeams.h"
#include "notestore/NoteAlarm.h"
#include "notestore/Note.h"
#include "notestore/notemgr.h"
#include "resources/resource.h"

namespace {

constexpr wchar_t kEditorClassName[] = L"QuilletNoteEdit";

// Greyed on a read-only note.
constexpr UINT kEditingCommands[] = {
    ID_EDIT_CUT, ID_EDIT_PASTE, ID_EDIT_CLEAR, ID_EDIT_REDO, ID_ALIGN_LEFT, ID_ALIGN_CENTER, ID_ALIGN_RIGHT,
    ID_EFFECT_BOLD, ID_EFFECT_ITALIC, ID_EFFECT_UNDERLINE, ID_EFFECT_STRIKEOUT, ID_NUMBERING_BULLETS,
    ID_NUMBERING_NUMBERS, ID_NUMBERING_LETTERS, ID_PASTE_OTHER, ID_EDIT_UNDO,
};

// The context menu's images, and which items show a check box.
struct SMenuImage {
    UINT command;
    int image;
    bool checkBox;
};
constexpr SMenuImage kContextMenuImages[] = {
    { ID_EDIT_CUT, 15, false }, { ID_EDIT_COPY, 16, false }, { ID_EDIT_PASTE, 17, false },
    { ID_ALIGN_LEFT, 20, true }, { ID_ALIGN_CENTER, 21, true }, { ID_ALIGN_RIGHT, 22, true },
    { ID_EFFECT_BOLD, 23, true }, { ID_EFFECT_ITALIC, 24, true }, { ID_EFFECT_UNDERLINE, 25, true },
    { ID_EFFECT_STRIKEOUT, 26, true }, { ID_NUMBERING_BULLETS, 29, true }, { ID_NUMBERING_NUMBERS, 28, true },
    { ID_NUMBERING_LETTERS, 30, true }, { 205, 5, false }, { 207, 6, false }, { 21031, 7, false },
    { 21032, 8, false }, { 206, 9, false }, { 21033, 10, false }, { 20030, 27, false },
};

bool StartsWithNoCase(const CStdStr& text, const wchar_t* prefix)
{
    return _wcsnicmp(text.c_str(), prefix, wcslen(prefix)) == 0;
}

// A drive, server share or file address: opening it may start a program.
bool IsLocalLink(const CStdStr& link)
{
    const bool drive = link.size() >= 3 && iswalpha(link[0]) && link[1] == L':' && link[2] == L'\\';
    return drive || StartsWithNoCase(link, L"\\\\") || StartsWithNoCase(link, L"file:");
}

// What the shell is given: a scheme added where the text has none.
CStdStr LinkOpenTarget(const CStdStr& link)
{
    if (IsLocalLink(link))
        return link;
    if (StartsWithNoCase(link, L"www."))
        return L"http://" + link;
    if (StartsWithNoCase(link, L"ftp."))
        return L"ftp://" + link;
    if (link.find(L"://") == CStdStr::npos && !StartsWithNoCase(link, L"mailto:") && link.find(L'@') != CStdStr::npos)
        return L"mailto:" + link;
    return link;
}

bool IsWebOrMailTarget(const CStdStr& target)
{
    return StartsWithNoCase(target, L"http://") || StartsWithNoCase(target, L"https://") ||
           StartsWithNoCase(target, L"ftp://") || StartsWithNoCase(target, L"mailto:");
}

// A note can come from the LAN: anything but a web or mail address asks
// first, naming the link.
void OpenLink(HWND owner, const CStdStr& link)
{
    if (link.empty())
        return;
    const CStdStr target = LinkOpenTarget(link);
    if (!IsWebOrMailTarget(target)) {
        CStdStr question;
        question.Format(LoadResString(IDS_CONFIRM_OPEN_LINK), link.c_str());
        if (AppMessageBox(owner, question.c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
    }
    if (!ShellOpen(target.c_str()))
        WriteToLogFile(L"Failed to open link %s", target.c_str());
}

HCURSOR LinkCursor()
{
    const HCURSOR hand = CResModule::LoadCursor(MAKEINTRESOURCEW(IDC_LINK_HAND));
    return hand ? hand : LoadCursorW(nullptr, IDC_HAND);
}

void EnableItem(HMENU menu, UINT id, bool enable)
{
    EnableMenuItem(menu, id, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

void CheckItem(HMENU menu, UINT id, bool check)
{
    CheckMenuItem(menu, id, MF_BYCOMMAND | (check ? MF_CHECKED : MF_UNCHECKED));
}

// The first submenu of a menu resource, owned on its own.
CMenuHandle LoadFirstSubmenu(UINT id)
{
    CMenuHandle top(CResModule::LoadMenu(MAKEINTRESOURCEW(id)));
    const HMENU popup = top ? GetSubMenu(top.Get(), 0) : nullptr;
    if (!popup)
        return CMenuHandle();
    RemoveMenu(top.Get(), 0, MF_BYPOSITION);
    return CMenuHandle(popup);
}

void InsertLinkEntries(HMENU menu)
{
    InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, ID_COPY_URL, LoadResString(IDS_COPY_URL));
    InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, ID_OPEN_URL, LoadResString(IDS_OPEN_URL));
    InsertMenuW(menu, 2, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
}

void MarkAlignment(HMENU menu, int alignment)
{
    CheckItem(menu, ID_ALIGN_LEFT, alignment == 0);
    CheckItem(menu, ID_ALIGN_CENTER, alignment == 1);
    CheckItem(menu, ID_ALIGN_RIGHT, alignment == 2);
}

void MarkEffects(HMENU menu, const CHARFORMAT2W& format)
{
    const auto has = [&format](DWORD mask, DWORD effect) {
        return (format.dwMask & mask) != 0 && (format.dwEffects & effect) != 0;
    };
    CheckItem(menu, ID_EFFECT_BOLD, has(CFM_BOLD, CFE_BOLD));
    CheckItem(menu, ID_EFFECT_ITALIC, has(CFM_ITALIC, CFE_ITALIC));
    CheckItem(menu, ID_EFFECT_UNDERLINE, has(CFM_UNDERLINE, CFE_UNDERLINE));
    CheckItem(menu, ID_EFFECT_STRIKEOUT, has(CFM_STRIKEOUT, CFE_STRIKEOUT));
}

void MarkNumbering(HMENU menu, WORD numbering)
{
    CheckItem(menu, ID_NUMBERING_BULLETS, numbering == 1);
    CheckItem(menu, ID_NUMBERING_NUMBERS, numbering == 2);
    CheckItem(menu, ID_NUMBERING_LETTERS, numbering == 3);
}

bool HasFocus(HWND window)
{
    return GetFocus() == window;
}

bool IsKeyDown(int key)
{
    return GetKeyState(key) < 0;
}

// The clipboard, open for the span of a scope.
class CClipboardScope {
public:
    explicit CClipboardScope(HWND owner) : m_open(OpenClipboard(owner) != FALSE) {}
    ~CClipboardScope()
    {
        if (m_open)
            CloseClipboard();
    }
    CClipboardScope(const CClipboardScope&) = delete;
    CClipboardScope& operator=(const CClipboardScope&) = delete;
    bool IsOpen() const { return m_open; }

private:
    bool m_open;
};

// The text of a clipboard block: bytes of RTF, or UTF-16 units; never past its block.
template <typename Char>
CStdStr ClipboardBlockText(UINT format)
{
    const HANDLE block = GetClipboardData(format);
    const auto* data = block ? static_cast<const Char*>(GlobalLock(block)) : nullptr;
    if (!data)
        return CStdStr();
    const size_t size = GlobalSize(block) / sizeof(Char);
    CStdStr text;
    for (size_t i = 0; i < size && data[i]; ++i)
        text += static_cast<wchar_t>(static_cast<std::make_unsigned_t<Char>>(data[i]));
    GlobalUnlock(block);
    return text;
}

// The first rich text on the clipboard that fails the check; safe when there is none.
ERtfCheck CheckClipboardRtf()
{
    for (const wchar_t* name : { CF_RTF, CF_RETEXTOBJ, CF_RTFNOOBJS }) {
        const UINT format = RegisterClipboardFormatW(name);
        if (!IsClipboardFormatAvailable(format))
            continue;
        const ERtfCheck check = CheckRtf(ClipboardBlockText<char>(format));
        if (check != ERtfCheck::safe)
            return check;
    }
    return ERtfCheck::safe;
}

}  // namespace

CNoteEditWndT::~CNoteEditWndT()
{
    // While the whole object lives, so that its map sees the destruction.
    const HWND window = GetHwnd();
    if (window && IsWindow(window))
        DestroyWindow(window);
}

// The handle may come back for another window.
void CNoteEditWndT::OnFinalMessage(HWND)
{
    AttachHandle(nullptr);
}

WindowClassInfo& CNoteEditWndT::GetWndClassInfo()
{
    // The superclass calls into the library for the rest of the run.
    static CRichEditLibraryUse classUse;
    static WindowClassInfo info = { kEditorClassName, CRichEditLibraryUse::ClassName(), 0, nullptr, nullptr, 0,
                                    nullptr };
    return info;
}

bool CNoteEditWndT::Create(HWND parent, const RECT& rect, DWORD style, DWORD exStyle, UINT id)
{
    WindowCreateArgs args;
    args.parent = parent;
    args.style = style ? style : kDefaultStyle;
    args.exStyle = exStyle;
    args.x = rect.left;
    args.y = rect.top;
    args.width = rect.right - rect.left;
    args.height = rect.bottom - rect.top;
    args.idOrMenu = id;
    if (!CWindowBase::Create(GetWndClassInfo(), args))
        return false;
    AttachHandle(GetHwnd());
    return true;
}

bool CNoteEditWndT::CreateEditor(HWND parent, const RECT& rect, DWORD style, DWORD exStyle, UINT id)
{
    if (!Create(parent, rect, style, exStyle, id))
        return false;
    Initialize();
    return true;
}

bool CNoteEditWndT::ReadContent(CStdStr& text, bool selection, bool rtf) const
{
    // Freezing only spares the display; the text streams without it too.
    CComPtr<IRichEditOle> richEditOle;
    CComPtr<ITextDocument> document;
    if (SendMessageW(Handle(), EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(richEditOle.Receive())) &&
        richEditOle)
        richEditOle->QueryInterface(kIidTextDocument, document.Receive());
    long frozen = 0;
    const bool froze = document && SUCCEEDED(document->Freeze(&frozen));
    const CHARRANGE kept = GetSel();
    const bool read = StreamOutText(text, rtf, selection);
    if (selection)
        SetSel(kept.cpMin, kept.cpMax);
    if (froze)
        document->Unfreeze(&frozen);
    return read;
}

int CNoteEditWndT::GetAlignment() const
{
    PARAFORMAT2 format = {};
    format.dwMask = PFM_ALIGNMENT;
    GetParaFormat(format);
    switch (format.wAlignment) {
    case PFA_CENTER: return 1;
    case PFA_RIGHT:  return 2;
    }
    return 0;
}

bool CNoteEditWndT::CopyTextToClipboard(const CStdStr& text) const
{
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    CGlobalMemory block(GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes));
    if (!block)
        return false;
    void* const target = GlobalLock(block.Get());
    if (!target)
        return false;
    std::memcpy(target, text.c_str(), bytes);
    GlobalUnlock(block.Get());
    if (!OpenClipboard(Handle()))
        return false;
    EmptyClipboard();
    const bool taken = SetClipboardData(CF_UNICODETEXT, block.Get()) != nullptr;
    CloseClipboard();
    if (!taken) {
        WriteToLogFile(L"Copying to the clipboard failed, error %u", GetLastError());
        return false;
    }
    block.Release();  // the clipboard's now
    return true;
}

CMenuHandle CNoteEditWndT::BuildContextMenu(bool overLink) const
{
    CMenuHandle menu = LoadFirstSubmenu(IDR_EDITOR_MENU);
    const HMENU popup = menu.Get();
    if (!popup)
        return menu;
    if (g_prefs.PasteAsText)
        ModifyMenuW(popup, ID_PASTE_OTHER, MF_BYCOMMAND | MF_STRING, ID_PASTE_OTHER,
                    LoadResString(IDS_PASTE_AS_RICH_TEXT));
    if (overLink)
        InsertLinkEntries(popup);
    const CHARRANGE selection = GetSel();
    const bool hasText = IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE;
    EnableItem(popup, ID_EDIT_UNDO, SendMessageW(Handle(), EM_CANUNDO, 0, 0) != 0);
    EnableItem(popup, ID_EDIT_PASTE, hasText);
    EnableItem(popup, ID_PASTE_OTHER, hasText);
    for (const UINT id : { ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_CLEAR })
        EnableItem(popup, id, selection.cpMin != selection.cpMax);
    EnableItem(popup, ID_EDIT_REDO, SendMessageW(Handle(), EM_CANREDO, 0, 0) > 0);
    if (const CNote* note = NoteOfParent()) {
        MarkAlignment(popup, GetAlignment());
        CHARFORMAT2W effects = {};
        effects.dwMask = CFM_COLOR | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
        GetCharFormat(effects, true);
        MarkEffects(popup, effects);
        PARAFORMAT2 paragraph = {};
        paragraph.dwMask = PFM_NUMBERING;
        GetParaFormat(paragraph);
        MarkNumbering(popup, paragraph.wNumbering);
        if (note->Alarm().flags & kNoteReadOnly)
            for (const UINT id : kEditingCommands)
                EnableItem(popup, id, false);
    }
    DeleteMenu(popup, ID_TODO_LIST, MF_BYCOMMAND);
    return menu;
}

bool CNoteEditWndT::ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    // The drawer sees its items first; the control goes on either way.
    if (msg == WM_MEASUREITEM || msg == WM_DRAWITEM)
        m_menuDrawer.OnOwnerDrawMessage(Handle(), msg, lParam);
    switch (msg) {
    // The control still sees its destruction.
    case WM_DESTROY:     OnDestroy(); return false;
    case WM_CONTEXTMENU: OnContextMenu(lParam); result = 0; return true;
    case WM_COMMAND:     result = 0; return OnCommand(wParam, lParam);
    case WM_LBUTTONDOWN: OnLButtonDown(lParam); return false;
    case WM_KEYDOWN:     result = 0; return OnKeyDown(wParam);
    case WM_PASTE:       result = 0; return PasteUnsafeRtfAsPlain();
    case EM_PASTESPECIAL:
        result = 0;
        return wParam != CF_TEXT && wParam != CF_UNICODETEXT && PasteUnsafeRtfAsPlain();
    case OCM_NOTIFY:     return OnReflectedNotify(lParam, result);
    }
    return false;
}

CNote* CNoteEditWndT::NoteOfParent() const
{
    return NoteManager().GetNoteFromWindow(GetParent(Handle()));
}

CStdStr CNoteEditWndT::LinkAt(POINT screenPoint) const
{
    CNote* const note = NoteOfParent();
    return note ? note->UrlDetect().GetLinkAt(screenPoint) : CStdStr();
}

POINT CNoteEditWndT::CaretScreenPoint() const
{
    POINTL position = {};
    SendMessageW(Handle(), EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&position), GetSel().cpMin);
    POINT point = { position.x, position.y };
    ClientToScreen(Handle(), &point);
    return point;
}

void CNoteEditWndT::OnDestroy()
{
    if (CNote* const note = NoteOfParent())
        RevokeDropTarget(*note);
}

void CNoteEditWndT::RevokeDropTarget(CNote& note)
{
    note.RevokeDropTarget();
}

void CNoteEditWndT::OnContextMenu(LPARAM lParam)
{
    POINT point = { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) };
    POINT client = point;
    ScreenToClient(Handle(), &client);
    const RECT area = Window().ClientRect();
    if (!PtInRect(&area, client))
        point = CaretScreenPoint();
    m_menuPoint = point;
    const CMenuHandle menu = BuildContextMenu(!LinkAt(point).empty());
    if (!menu)
        return;
    m_menuDrawer.SetMenu(menu.Get());
    if (!m_menuDrawer.LoadImageLists())
        WriteToLogFile(L"The editor menu's images could not be loaded");
    for (const SMenuImage& entry : kContextMenuImages)
        m_menuDrawer.SetCommandImage(entry.command, entry.image, entry.checkBox);
    m_menuDrawer.TrackPopupMenu(TPM_RIGHTBUTTON, point.x, point.y, Handle());
    m_menuDrawer.SetMenu(nullptr);
}

bool CNoteEditWndT::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(wParam);
    switch (id) {
    case ID_PASTE_OTHER: OnPasteOther(); return true;
    case ID_COPY_PLAIN:  OnCopyPlain(); return true;
    case ID_OPEN_URL:    if (OnOpenUrl()) return true; break;
    case ID_COPY_URL:    if (OnCopyUrl()) return true; break;
    }
    if (HandleEditCommand(Handle(), id))
        return true;
    PostMessageW(GetParent(Handle()), WM_COMMAND, wParam, lParam);
    return false;
}

void CNoteEditWndT::OnLButtonDown(LPARAM lParam)
{
    if (HasFocus(Handle()))
        return;
    POINTL point = { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) };
    const LONG position = static_cast<LONG>(SendMessageW(Handle(), EM_CHARFROMPOS, 0,
                                                         reinterpret_cast<LPARAM>(&point)));
    SetSel(position, position);
}

bool CNoteEditWndT::OnReflectedNotify(LPARAM lParam, LRESULT& result)
{
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header)
        return false;
    switch (header->code) {
    case EN_DROPFILES: result = OnDropFiles(*reinterpret_cast<const ENDROPFILES*>(header)); return true;
    // Protected text may always be changed.
    case EN_PROTECTED: result = 0; return true;
    case EN_LINK:      result = OnLink(*reinterpret_cast<const ENLINK*>(header)); return true;
    }
    return false;
}

// The control pastes Ctrl+V and Shift+Insert without a WM_PASTE.
bool CNoteEditWndT::OnKeyDown(WPARAM key)
{
    const bool paste = (key == 'V' && IsKeyDown(VK_CONTROL) && !IsKeyDown(VK_MENU)) ||
                       (key == VK_INSERT && IsKeyDown(VK_SHIFT) && !IsKeyDown(VK_CONTROL));
    return paste && PasteUnsafeRtfAsPlain();
}

// Wine never asks the paste callback, and its control crashes on some rich
// text: such text is kept from it here, and its plain text pasted instead.
bool CNoteEditWndT::PasteUnsafeRtfAsPlain()
{
    CStdStr plain;
    {
        const CClipboardScope clipboard(Handle());
        if (!clipboard.IsOpen())
            return false;
        const ERtfCheck check = CheckClipboardRtf();
        if (check == ERtfCheck::safe)
            return false;
        WriteToLogFile(L"Pasted rich text %s: its plain text is pasted instead", DescribeRtfCheck(check).c_str());
        plain = ClipboardBlockText<wchar_t>(CF_UNICODETEXT);
    }
    if (!(Window().Style() & ES_READONLY) && !plain.empty())
        ReplaceSel(plain.c_str(), true);
    return true;
}

void CNoteEditWndT::OnPasteOther()
{
    if (g_prefs.PasteAsText) {
        SetForcePlainPaste(false);
        SendMessageW(Handle(), WM_PASTE, 0, 0);
        SetForcePlainPaste(true);
        return;
    }
    REPASTESPECIAL options = {};
    SendMessageW(Handle(), EM_PASTESPECIAL, PlainTextFormat(IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE),
                 reinterpret_cast<LPARAM>(&options));
}

void CNoteEditWndT::OnCopyPlain()
{
    CStdStr text;
    if (ReadContent(text, true, false))
        CopyTextToClipboard(text);
}

CStdStr CNoteEditWndT::TakeMenuLink()
{
    const POINT point = m_menuPoint ? *m_menuPoint : CaretScreenPoint();
    m_menuPoint.reset();
    return LinkAt(point);
}

bool CNoteEditWndT::OnOpenUrl()
{
    const CStdStr link = TakeMenuLink();
    if (link.empty())
        return false;
    OpenLink(Handle(), link);
    return true;
}

bool CNoteEditWndT::OnCopyUrl()
{
    const CStdStr link = TakeMenuLink();
    if (link.empty())
        return false;
    CopyTextToClipboard(link);
    return true;
}

LRESULT CNoteEditWndT::OnLink(const ENLINK& link)
{
    switch (link.msg) {
    case WM_SETCURSOR:
        SetCursor(LinkCursor());
        return 1;
    case WM_LBUTTONDBLCLK: {
        const LONG length = link.chrg.cpMax - link.chrg.cpMin;
        if (link.chrg.cpMin < 0 || length <= 0)
            return 1;
        std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
        TEXTRANGEW range = { link.chrg, buffer.data() };
        const LRESULT copied = SendMessageW(Handle(), EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
        OpenLink(Handle(), CStdStr(buffer.data(), static_cast<size_t>(std::max<LRESULT>(copied, 0))));
        return 1;
    }
    }
    return 0;
}

LRESULT CNoteEditWndT::OnDropFiles(const ENDROPFILES& drop)
{
    const auto files = static_cast<HDROP>(drop.hDrop);
    if (!files)
        return 1;
    CStdStr text;
    if (!(Window().Style() & ES_READONLY)) {
        const UINT count = DragQueryFileW(files, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            // Each length first: a path may be longer than MAX_PATH.
            const UINT length = DragQueryFileW(files, i, nullptr, 0);
            if (length == 0)
                continue;
            std::vector<wchar_t> path(length + 1, L'\0');
            if (DragQueryFileW(files, i, path.data(), length + 1) == 0)
                continue;
            text += path.data();
            text += L"\r\n";
        }
    }
    if (!text.empty()) {
        SetSel(drop.cp, drop.cp);
        ReplaceSel(text.c_str(), true);
        SendMessageW(Handle(), EM_SCROLLCARET, 0, 0);
    }
    DragFinish(files);
    // The paths are in: the control must neither read the freed handle nor
    // insert the files as objects as well.
    return 0;
}
