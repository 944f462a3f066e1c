// The rich-edit control of the notes: one library use per control (the
// newest rich-edit library, loaded once and freed with the last control), an
// embedded OLE callback that decides what a paste may bring in, and text
// streamed in and out as RTF or plain text. Hidden controls serve measuring,
// sorting, printing and RtfToPlainText. User-interface thread only.
#pragma once

#include <windows.h>
#include <richedit.h>
#include <richole.h>

#include <string>
#include <vector>

#include "foundation/StdStr.h"
#include "framework/ComPtr.h"
#include "framework/UnknownImpl.h"

// Loading and freeing "Msftedit.dll": the real calls by default.
struct SRichEditLibrarySeam {
    HMODULE (*load)();
    BOOL (*free)(HMODULE module);
};
extern SRichEditLibrarySeam g_richEditLibrarySeam;

// One use of the rich-edit library: the first loads it, the last frees it.
class CRichEditLibraryUse {
public:
    CRichEditLibraryUse();
    ~CRichEditLibraryUse();
    CRichEditLibraryUse(const CRichEditLibraryUse&) = delete;
    CRichEditLibraryUse& operator=(const CRichEditLibraryUse&) = delete;

    // "RICHEDIT50W" while the library is held, else "RichEdit20W".
    static const wchar_t* ClassName();
    static int Uses();
};

// The registered names a paste is decided by.
struct SRichEditFormats {
    CLIPFORMAT rtf = 0;          // "Rich Text Format"
    CLIPFORMAT richObjects = 0;  // "RichEdit Text and Objects"
    UINT pasteMessage = 0;       // "RichEditCtrl50WTClipboardPaste"
};

// What the control asks and what the clipboard offers.
struct SPasteRequest {
    bool really = true;           // a paste, not a question
    bool ownerInProcess = false;  // the clipboard's owner is one of ours
    CLIPFORMAT requested = 0;     // 0: none chosen yet
    bool forcePlain = false;
    std::vector<CLIPFORMAT> available;
};

struct SPasteDecision {
    HRESULT result;
    CLIPFORMAT format;
    bool announce;  // post the paste message with the format
};

// The paste rules. Plain text is CF_UNICODETEXT, CF_TEXT only when no
// Unicode text exists (CF_TEXT turns what the code page lacks into "?").
SPasteDecision DecidePaste(const SPasteRequest& request, const SRichEditFormats& formats);
// CF_UNICODETEXT, else CF_TEXT.
CLIPFORMAT PlainTextFormat(bool hasUnicodeText);

// The text limit of a note and of every control that holds a note's text.
constexpr LONG kNoteTextLimit = 0x7FFFFFF;

class CRichEditCtrl50WT {
public:
    // A wrapper over a control that exists already: it installs nothing and
    // destroys nothing.
    explicit CRichEditCtrl50WT(HWND window = nullptr);
    virtual ~CRichEditCtrl50WT();
    CRichEditCtrl50WT(const CRichEditCtrl50WT&) = delete;
    CRichEditCtrl50WT& operator=(const CRichEditCtrl50WT&) = delete;

    HWND Handle() const { return m_window; }

    // A plain rich edit (ES_MULTILINE | ES_WANTRETURN) owned by this object,
    // then Initialize. False (logged) when none is made.
    bool CreatePlain(HWND parent, const RECT& rect);
    // Installs the callback, registers the formats and the message, and
    // raises the text limit to kNoteTextLimit.
    void Initialize();
    bool IsCallbackInstalled() const { return m_callbackInstalled; }
    // The embedded callback, as the control holds it.
    IRichEditOleCallback* OleCallback() { return &m_callback; }
    const SRichEditFormats& Formats() const { return m_formats; }

    // The program-wide force-plain-paste flag (the PasteAsText setting).
    static void SetForcePlainPaste(bool plainText);
    static bool IsForcePlainPaste();

    // EM_STREAMIN's result: 0 when nothing was read, as for RTF that fails
    // CheckRtf (logged), which never reaches the control. RTF goes in 7-bit, with
    // every character above U+007F written as \uN? (N signed, one per UTF-16
    // unit): the control garbles raw bytes above 0x7F.
    LRESULT StreamInText(const CStdStr& text, bool rtf, bool intoSelection);
    // The whole text or the selection; false (text untouched) when the
    // stream fails. RTF holds every character of the text (KeepEveryCharacter).
    bool StreamOutText(CStdStr& text, bool rtf, bool selection) const;
    // Makes RTF streamed out of this control for the whole text or the
    // selection hold each of its characters: one the writer put as a look-alike
    // of the font's code page (Wine's does) is written again as \uN?. RTF
    // that cannot be lined up with the text is kept as written (logged).
    // False when the text cannot be streamed out to compare.
    bool KeepEveryCharacter(CStdStr& rtf, bool selection) const;

    // Thin wrappers, one message each.
    CHARRANGE GetSel() const;
    void SetSel(LONG start, LONG end) const;
    void SelectAll() const { SetSel(0, -1); }
    DWORD SetEventMask(DWORD mask) const;
    bool GetParaFormat(PARAFORMAT2& format) const;
    bool SetParaFormat(const PARAFORMAT2& format) const;
    DWORD GetCharFormat(CHARFORMAT2W& format, bool selection) const;
    bool SetCharFormat(const CHARFORMAT2W& format, DWORD scope) const;
    bool SetReadOnly(bool readOnly) const;
    bool SetTextMode(UINT mode) const;
    bool SetAutoUrlDetect(bool detect) const;
    LONG GetTextLengthEx(DWORD flags = GTL_NUMCHARS) const;
    void LimitText(LONG limit = kNoteTextLimit) const;
    LONG LineFromChar(LONG index) const;
    void ReplaceSel(const wchar_t* text, bool undoable = true) const;
    LRESULT StreamIn(DWORD format, EDITSTREAM& stream) const;
    LRESULT StreamOut(DWORD format, EDITSTREAM& stream) const;
    bool SetOleCallback(IRichEditOleCallback* callback) const;

protected:
    // For an editor whose window its own class creates.
    void AttachHandle(HWND window) { m_window = window; }

private:
    bool StreamOutRaw(std::string& bytes, bool rtf, bool selection) const;

    // Embedded in its control: the control's own AddRef and Release only
    // count; the control's destruction ends it.
    class IExRichEditOleCallback : public CUnknownImpl<IRichEditOleCallback> {
    public:
        IExRichEditOleCallback();

        void SetOwner(HWND owner, const SRichEditFormats& formats);

        HRESULT STDMETHODCALLTYPE GetNewStorage(LPSTORAGE* storage) override;
        HRESULT STDMETHODCALLTYPE GetInPlaceContext(LPOLEINPLACEFRAME* frame, LPOLEINPLACEUIWINDOW* document,
                                                    LPOLEINPLACEFRAMEINFO frameInfo) override;
        HRESULT STDMETHODCALLTYPE ShowContainerUI(WINBOOL show) override;
        HRESULT STDMETHODCALLTYPE QueryInsertObject(LPCLSID classId, LPSTORAGE storage, LONG position) override;
        HRESULT STDMETHODCALLTYPE DeleteObject(LPOLEOBJECT object) override;
        HRESULT STDMETHODCALLTYPE QueryAcceptData(LPDATAOBJECT data, CLIPFORMAT* format, DWORD operation,
                                                  WINBOOL really, HGLOBAL metafile) override;
        HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(WINBOOL enterMode) override;
        HRESULT STDMETHODCALLTYPE GetClipboardData(CHARRANGE* range, DWORD operation, LPDATAOBJECT* data) override;
        HRESULT STDMETHODCALLTYPE GetDragDropEffect(WINBOOL drag, DWORD keyState, LPDWORD effect) override;
        HRESULT STDMETHODCALLTYPE GetContextMenu(WORD selectionType, LPOLEOBJECT object, CHARRANGE* range,
                                                 HMENU* menu) override;

    private:
        SRichEditFormats m_formats;
        LONG m_storages = 0;
        CComPtr<IStorage> m_root;  // made by the first GetNewStorage
        HWND m_owner = nullptr;
    };

    CRichEditLibraryUse m_libraryUse;  // first in, last out: the window goes before the library
    HWND m_window;
    SRichEditFormats m_formats;
    IExRichEditOleCallback m_callback;
    bool m_callbackInstalled = false;
    bool m_ownsWindow = false;
};

// The plain text of a note text: text beginning "{\rtf" goes through one
// hidden control kept for the run; anything else comes back unchanged. RTF
// that loads nothing gives "" (logged).
CStdStr RtfToPlainText(const CStdStr& text);
