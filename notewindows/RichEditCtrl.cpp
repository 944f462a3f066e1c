#include "RichEditCtrl.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "RichEditIds.h"
#include "RtfCharacters.h"
#include "RtfSafety.h"
#include "foundation/LogFile.h"

namespace {

constexpr wchar_t kLibraryName[] = L"Msftedit.dll";
constexpr wchar_t kStorageFormat[] = L"REOLEStorage%d";
constexpr DWORD kRootStorageMode =
    STGM_DELETEONRELEASE | STGM_TRANSACTED | STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE;
constexpr DWORD kSubStorageMode = STGM_TRANSACTED | STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE;

HMODULE RealLoadLibrary()
{
    return LoadLibraryW(kLibraryName);
}

BOOL RealFreeLibrary(HMODULE module)
{
    return FreeLibrary(module);
}

struct SLibraryState {
    HMODULE module = nullptr;
    int uses = 0;
};

SLibraryState& Library()
{
    static SLibraryState state;
    return state;
}

bool g_forcePlainPaste = false;

// The static pictures OLE makes of a metafile, a bitmap or an enhanced
// metafile: pictures a note may keep, since they run no code.
constexpr GUID kStaticPictureClasses[] = {
    { 0x00000315, 0x0000, 0x0000, { 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } },
    { 0x00000316, 0x0000, 0x0000, { 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } },
    { 0x00000319, 0x0000, 0x0000, { 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } },
};

bool Contains(const std::vector<CLIPFORMAT>& formats, CLIPFORMAT format)
{
    return format != 0 && std::find(formats.begin(), formats.end(), format) != formats.end();
}

// Escapes what the control would garble; RTF itself is 7-bit.
std::string SevenBitRtf(const CStdStr& text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (const wchar_t ch : text) {
        if (ch < 0x80) {
            bytes += static_cast<char>(ch);
            continue;
        }
        bytes += "\\u";
        bytes += std::to_string(static_cast<short>(ch));
        bytes += '?';
    }
    return bytes;
}

struct SReadBuffer {
    const BYTE* data;
    size_t size;
    size_t position;
};

DWORD CALLBACK EditStreamReadBuffer(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given)
{
    auto& source = *reinterpret_cast<SReadBuffer*>(cookie);
    const size_t count = std::min(static_cast<size_t>(std::max(wanted, 0L)), source.size - source.position);
    std::memcpy(buffer, source.data + source.position, count);
    source.position += count;
    *given = static_cast<LONG>(count);
    return 0;
}

// Collects the bytes; they are converted once the stream has ended, so no
// chunk boundary splits a character.
DWORD CALLBACK EditStreamAppendBytes(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* taken)
{
    reinterpret_cast<std::string*>(cookie)->append(reinterpret_cast<const char*>(buffer),
                                                     static_cast<size_t>(std::max(count, 0L)));
    *taken = count;
    return 0;
}

// RTF arrives as 7-bit bytes.
CStdStr EditStreamAppendNarrow(const std::string& bytes)
{
    CStdStr text;
    text.reserve(bytes.size());
    for (const char byte : bytes)
        text += static_cast<wchar_t>(static_cast<unsigned char>(byte));
    return text;
}

// Plain text arrives as UTF-16 units.
CStdStr EditStreamAppendWide(const std::string& bytes)
{
    CStdStr text;
    text.resize(bytes.size() / sizeof(wchar_t));
    if (!text.empty())
        std::memcpy(&text[0], bytes.data(), text.size() * sizeof(wchar_t));
    return text;
}

HINSTANCE ControlInstance()
{
    return GetModuleHandleW(nullptr);
}

}  // namespace

SRichEditLibrarySeam g_richEditLibrarySeam = { RealLoadLibrary, RealFreeLibrary };

CRichEditLibraryUse::CRichEditLibraryUse()
{
    SLibraryState& state = Library();
    ++state.uses;
    if (!state.module)
        state.module = g_richEditLibrarySeam.load();
}

CRichEditLibraryUse::~CRichEditLibraryUse()
{
    SLibraryState& state = Library();
    if (--state.uses == 0 && state.module) {
        g_richEditLibrarySeam.free(state.module);
        state.module = nullptr;
    }
}

const wchar_t* CRichEditLibraryUse::ClassName()
{
    return Library().module ? MSFTEDIT_CLASS : RICHEDIT_CLASSW;
}

int CRichEditLibraryUse::Uses()
{
    return Library().uses;
}

CLIPFORMAT PlainTextFormat(bool hasUnicodeText)
{
    return hasUnicodeText ? CF_UNICODETEXT : CF_TEXT;
}

SPasteDecision DecidePaste(const SPasteRequest& request, const SRichEditFormats& formats)
{
    if (!request.really)
        return { S_FALSE, request.requested, false };
    // Text copied between notes keeps all its formatting.
    if (request.ownerInProcess)
        return { S_OK, request.requested, false };
    const bool hasUnicodeText = Contains(request.available, CF_UNICODETEXT);
    CLIPFORMAT chosen = request.requested;
    if (chosen == 0) {
        if (Contains(request.available, formats.richObjects))
            chosen = formats.richObjects;
        else if (Contains(request.available, formats.rtf))
            chosen = formats.rtf;
        else
            chosen = PlainTextFormat(hasUnicodeText);
    }
    if (!request.forcePlain)
        return { S_OK, chosen, true };
    if (hasUnicodeText || Contains(request.available, CF_TEXT))
        return { S_OK, PlainTextFormat(hasUnicodeText), true };
    return { S_FALSE, chosen, true };
}

// ---- the embedded callback

CRichEditCtrl50WT::IExRichEditOleCallback::IExRichEditOleCallback()
    : CUnknownImpl(EObjectLifetime::Embedded,
                   { { &kIidRichEditOleCallback, static_cast<IRichEditOleCallback*>(this) } })
{
}

void CRichEditCtrl50WT::IExRichEditOleCallback::SetOwner(HWND owner, const SRichEditFormats& formats)
{
    m_owner = owner;
    m_formats = formats;
}

HRESULT CRichEditCtrl50WT::IExRichEditOleCallback::GetNewStorage(LPSTORAGE* storage)
{
    if (!storage)
        return E_POINTER;
    *storage = nullptr;
    if (!m_root) {
        const HRESULT made = StgCreateDocfile(nullptr, kRootStorageMode, 0, m_root.ReceiveTyped());
        if (FAILED(made)) {
            WriteToLogFile(L"Rich edit: no root storage for objects, error 0x%08X", static_cast<unsigned>(made));
            return made;
        }
    }
    CStdStr name;
    name.Format(kStorageFormat, static_cast<int>(++m_storages));
    return m_root->CreateStorage(name.c_str(), kSubStorageMode, 0, 0, storage);
}

// In-place activation is not offered; nothing is handed out.
HRESULT CRichEditCtrl50WT::IExRichEditOleCallback::GetInPlaceContext(LPOLEINPLACEFRAME* frame,
                                                                     LPOLEINPLACEUIWINDOW* document,
                                                                     LPOLEINPLACEFRAMEINFO)
{
    if (frame)
        *frame = nullptr;
    if (document)
        *document = nullptr;
    return E_NOTIMPL;
}

HRESULT CRichEditCtrl50WT::IExRichEditOleCallback::ShowContainerUI(WINBOOL)
{
    return S_OK;
}

// An embedded or linked object would start its handler in our process
// whenever the note is shown.
HRESULT CRichEditCtrl50WT::IExRichEditOleCallback::QueryInsertObject(LPCLSID classId, LPSTORAGE, LONG)
{
    if (classId)
        for (const GUID& picture : kStaticPictureClasses)
            if (IsEqualGUID(*classId, picture))
                return S_OK;
    WriteToLogFile(L"Rich edit: an embedded or linked object was not inserted");
    return S_FALSE;
}

HRESULT CRichEditCtrl50WT::IExRichEditOleCallback::DeleteObject(LPOLEOBJECT)
{
    return S_OK;
}

HRESULT CRichEditCtrl50WT::IExRichEditOleCallback::QueryAcceptData(LPDATAOBJECT, CLIPFORMAT* format, DWORD,
                                                                   WINBOOL really, HGLOBAL)
{
    SPasteRequest request;
    request.really = really != FALSE;
    DWORD ownerProcess = 0;
    const HWND clipboardOwner = GetClipboardOwner();
    if (clipboardOwner)
        GetWindowThreadProcessId(clipboardOwner, &ownerProcess);
    request.ownerInProcess = clipboardOwner && ownerProcess == GetCurrentProcessId();
    request.requested = format ? *format : 0;
    request.forcePlain = g_forcePlainPaste;
    for (const CLIPFORMAT offered : { m_formats.richObjects, m_formats.rtf, CLIPFORMAT(CF_UNICODETEXT),
                                      CLIPFORMAT(CF_TEXT) })
        if (offered && IsClipboardFormatAvailable(offered))
            request.available.push_back(offered);
    const SPasteDecision decision = DecidePaste(request, m_formats);
    if (decision.announce) {
        POINT cursor = {};
        GetCursorPos(&cursor);
        PostMessageW(m_owner, m_formats.pasteMessage, decision.format, MAKELPARAM(cursor.x, cursor.y));
    }
    if (format)
        *format = decision.format;
    return decision.result;
}

HRESULT CRichEditCtrl50WT::IExRichEditOleCallback::ContextSensitiveHelp(WINBOOL)
{
    return S_OK;
}

HRESULT CRichEditCtrl50WT::IExRichEditOleCallback::GetClipboardData(CHARRANGE*, DWORD, LPDATAOBJECT* data)
{
    if (data)
        *data = nullptr;
    return E_NOTIMPL;
}

HRESULT CRichEditCtrl50WT::IExRichEditOleCallback::GetDragDropEffect(WINBOOL, DWORD, LPDWORD)
{
    return E_NOTIMPL;
}

HRESULT CRichEditCtrl50WT::IExRichEditOleCallback::GetContextMenu(WORD, LPOLEOBJECT, CHARRANGE*, HMENU* menu)
{
    if (menu)
        *menu = nullptr;
    POINT cursor = {};
    GetCursorPos(&cursor);
    PostMessageW(m_owner, WM_CONTEXTMENU, 0, MAKELPARAM(cursor.x, cursor.y));
    return E_NOTIMPL;
}

// ---- the control

CRichEditCtrl50WT::CRichEditCtrl50WT(HWND window) : m_window(window)
{
}

CRichEditCtrl50WT::~CRichEditCtrl50WT()
{
    if (!m_window || !IsWindow(m_window))
        return;
    // A window that outlives us must not call the embedded callback.
    if (m_callbackInstalled)
        SetOleCallback(nullptr);
    if (m_ownsWindow)
        DestroyWindow(m_window);
}

bool CRichEditCtrl50WT::CreatePlain(HWND parent, const RECT& rect)
{
    const wchar_t* const className = CRichEditLibraryUse::ClassName();
    const HWND window = CreateWindowExW(0, className, L"", ES_MULTILINE | ES_WANTRETURN, rect.left, rect.top,
                                       rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                                       ControlInstance(), nullptr);
    if (!window) {
        WriteToLogFile(L"Rich edit of class %s not created, error %u", className, GetLastError());
        return false;
    }
    m_window = window;
    m_ownsWindow = true;
    Initialize();
    return true;
}

void CRichEditCtrl50WT::Initialize()
{
    m_formats.rtf = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(CF_RTF));
    m_formats.richObjects = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(CF_RETEXTOBJ));
    m_formats.pasteMessage = RegisterWindowMessageW(L"RichEditCtrl50WTClipboardPaste");
    m_callback.SetOwner(m_window, m_formats);
    m_callbackInstalled = SetOleCallback(&m_callback);
    // Before any text goes in: a stream stops at the default 32,767 characters.
    LimitText(kNoteTextLimit);
}

void CRichEditCtrl50WT::SetForcePlainPaste(bool plainText)
{
    g_forcePlainPaste = plainText;
}

bool CRichEditCtrl50WT::IsForcePlainPaste()
{
    return g_forcePlainPaste;
}

LRESULT CRichEditCtrl50WT::StreamInText(const CStdStr& text, bool rtf, bool intoSelection)
{
    if (rtf) {
        const ERtfCheck check = CheckRtf(text);
        if (check != ERtfCheck::safe) {
            WriteToLogFile(L"Rich text of %d characters not loaded: it %s", static_cast<int>(text.size()),
                           DescribeRtfCheck(check).c_str());
            return 0;
        }
    }
    const std::string rtfBytes = rtf ? SevenBitRtf(text) : std::string();
    SReadBuffer source = {};
    if (rtf)
        source = { reinterpret_cast<const BYTE*>(rtfBytes.data()), rtfBytes.size(), 0 };
    else
        source = { reinterpret_cast<const BYTE*>(text.data()), text.size() * sizeof(wchar_t), 0 };
    EDITSTREAM stream = { reinterpret_cast<DWORD_PTR>(&source), 0, EditStreamReadBuffer };
    const DWORD format = (rtf ? SF_RTF : SF_TEXT | SF_UNICODE) | (intoSelection ? SFF_SELECTION : 0);
    return StreamIn(format, stream);
}

bool CRichEditCtrl50WT::StreamOutRaw(std::string& bytes, bool rtf, bool selection) const
{
    if (!m_window || !IsWindow(m_window))
        return false;
    EDITSTREAM stream = { reinterpret_cast<DWORD_PTR>(&bytes), 0, EditStreamAppendBytes };
    const DWORD format = (rtf ? SF_RTF : SF_TEXT) | SF_UNICODE | (selection ? SFF_SELECTION : 0);
    StreamOut(format, stream);
    // A control that answers no RTF at all has failed: RTF always has a head.
    return stream.dwError == 0 && !(rtf && bytes.empty());
}

bool CRichEditCtrl50WT::StreamOutText(CStdStr& text, bool rtf, bool selection) const
{
    std::string bytes;
    if (!StreamOutRaw(bytes, rtf, selection))
        return false;
    if (!rtf) {
        text = EditStreamAppendWide(bytes);
        return true;
    }
    CStdStr written = EditStreamAppendNarrow(bytes);
    if (!KeepEveryCharacter(written, selection))
        return false;
    text = std::move(written);
    return true;
}

bool CRichEditCtrl50WT::KeepEveryCharacter(CStdStr& rtf, bool selection) const
{
    std::string bytes;
    if (!StreamOutRaw(bytes, false, selection))
        return false;
    int mended = 0;
    if (!RestoreRtfCharacters(rtf, EditStreamAppendWide(bytes), mended)) {
        WriteToLogFile(L"Rich edit: the RTF written does not line up with the text (%d characters); kept as written",
                       static_cast<int>(bytes.size() / sizeof(wchar_t)));
        return true;
    }
    return true;
}

CHARRANGE CRichEditCtrl50WT::GetSel() const
{
    CHARRANGE range = {};
    SendMessageW(m_window, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range;
}

void CRichEditCtrl50WT::SetSel(LONG start, LONG end) const
{
    CHARRANGE range = { start, end };
    SendMessageW(m_window, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

DWORD CRichEditCtrl50WT::SetEventMask(DWORD mask) const
{
    return static_cast<DWORD>(SendMessageW(m_window, EM_SETEVENTMASK, 0, mask));
}

bool CRichEditCtrl50WT::GetParaFormat(PARAFORMAT2& format) const
{
    format.cbSize = sizeof(format);
    return SendMessageW(m_window, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format)) != 0;
}

bool CRichEditCtrl50WT::SetParaFormat(const PARAFORMAT2& format) const
{
    return SendMessageW(m_window, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format)) != 0;
}

DWORD CRichEditCtrl50WT::GetCharFormat(CHARFORMAT2W& format, bool selection) const
{
    format.cbSize = sizeof(format);
    return static_cast<DWORD>(SendMessageW(m_window, EM_GETCHARFORMAT, selection ? SCF_SELECTION : SCF_DEFAULT,
                                           reinterpret_cast<LPARAM>(&format)));
}

bool CRichEditCtrl50WT::SetCharFormat(const CHARFORMAT2W& format, DWORD scope) const
{
    return SendMessageW(m_window, EM_SETCHARFORMAT, scope, reinterpret_cast<LPARAM>(&format)) != 0;
}

bool CRichEditCtrl50WT::SetReadOnly(bool readOnly) const
{
    return SendMessageW(m_window, EM_SETREADONLY, readOnly, 0) != 0;
}

// Both answer 0 on success.
bool CRichEditCtrl50WT::SetTextMode(UINT mode) const
{
    return SendMessageW(m_window, EM_SETTEXTMODE, mode, 0) == 0;
}

bool CRichEditCtrl50WT::SetAutoUrlDetect(bool detect) const
{
    return SendMessageW(m_window, EM_AUTOURLDETECT, detect, 0) == 0;
}

LONG CRichEditCtrl50WT::GetTextLengthEx(DWORD flags) const
{
    GETTEXTLENGTHEX request = { flags, 1200 };
    return static_cast<LONG>(SendMessageW(m_window, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&request), 0));
}

void CRichEditCtrl50WT::LimitText(LONG limit) const
{
    SendMessageW(m_window, EM_EXLIMITTEXT, 0, limit);
}

LONG CRichEditCtrl50WT::LineFromChar(LONG index) const
{
    return static_cast<LONG>(SendMessageW(m_window, EM_EXLINEFROMCHAR, 0, index));
}

void CRichEditCtrl50WT::ReplaceSel(const wchar_t* text, bool undoable) const
{
    SendMessageW(m_window, EM_REPLACESEL, undoable, reinterpret_cast<LPARAM>(text));
}

LRESULT CRichEditCtrl50WT::StreamIn(DWORD format, EDITSTREAM& stream) const
{
    return SendMessageW(m_window, EM_STREAMIN, format, reinterpret_cast<LPARAM>(&stream));
}

LRESULT CRichEditCtrl50WT::StreamOut(DWORD format, EDITSTREAM& stream) const
{
    return SendMessageW(m_window, EM_STREAMOUT, format, reinterpret_cast<LPARAM>(&stream));
}

bool CRichEditCtrl50WT::SetOleCallback(IRichEditOleCallback* callback) const
{
    return SendMessageW(m_window, EM_SETOLECALLBACK, 0, reinterpret_cast<LPARAM>(callback)) != 0;
}

// ---- plain text of a note text

namespace {

// Made on first use and kept for the run.
CRichEditCtrl50WT& PlainTextConverter()
{
    static CRichEditCtrl50WT converter;
    if (!converter.Handle()) {
        const RECT screen = { GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                              GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                              GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN) };
        if (converter.CreatePlain(nullptr, screen)) {
            converter.SetTextMode(TM_RICHTEXT | TM_MULTICODEPAGE);
            converter.SetEventMask(0);
            converter.SetAutoUrlDetect(false);
        }
    }
    return converter;
}

}  // namespace

CStdStr RtfToPlainText(const CStdStr& text)
{
    if (text.compare(0, 5, L"{\\rtf") != 0)
        return text;
    CRichEditCtrl50WT& converter = PlainTextConverter();
    if (!converter.Handle())
        return CStdStr();
    // An earlier note's text must never come back for this one.
    SetWindowTextW(converter.Handle(), L"");
    CStdStr plain;
    if (converter.StreamInText(text, true, false) == 0 || !converter.StreamOutText(plain, false, false)) {
        WriteToLogFile(L"RtfToPlainText: no text loaded from %d characters of RTF", static_cast<int>(text.size()));
        return CStdStr();
    }
    return plain;
}
