// The note's own editor: a superclassed rich-edit control whose map adds the
// context menu, the paste and copy variants, link opening and copying,
// dropped file names and caret placement. Every other command goes up to the
// note frame.
#pragma once

#include <windows.h>

#include <optional>

#include "RichEditCtrl.h"
#include "foundation/StdStr.h"
#include "framework/MenuHandle.h"
#include "framework/Window.h"
#include "toolkit/CustomMenu.h"

class CNote;

class CNoteEditWndT : public CRichEditCtrl50WT, public CWindowBase {
public:
    // WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN
    static constexpr DWORD kDefaultStyle = 0x56000000;

    CNoteEditWndT() = default;
    ~CNoteEditWndT() override;

    // The superclass of the rich-edit class; it keeps the library loaded.
    static WindowClassInfo& GetWndClassInfo();

    // Style 0 means kDefaultStyle. False (logged) when no window results.
    bool Create(HWND parent, const RECT& rect, DWORD style = 0, DWORD exStyle = 0, UINT id = 0);
    // Create, then Initialize.
    bool CreateEditor(HWND parent, const RECT& rect, DWORD style = 0, DWORD exStyle = 0, UINT id = 0);

    // The whole text or the selection (kept), as RTF or plain text, with or
    // without the text object model. False, text untouched, when streaming
    // fails: callers keep what they stored.
    bool ReadContent(CStdStr& text, bool selection, bool rtf) const;
    // 0 left, 1 centre, 2 right: the selection's paragraph alignment.
    int GetAlignment() const;
    // CF_UNICODETEXT; false when the clipboard refuses it.
    bool CopyTextToClipboard(const CStdStr& text) const;

    // The context menu as it would open now, with or without the link
    // entries; tracking is OnContextMenu's.
    CMenuHandle BuildContextMenu(bool overLink) const;

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnFinalMessage(HWND window) override;

private:
    CNote* NoteOfParent() const;
    CStdStr LinkAt(POINT screenPoint) const;
    POINT CaretScreenPoint() const;

    void OnDestroy();
    void RevokeDropTarget(CNote& note);
    void OnContextMenu(LPARAM lParam);
    bool OnCommand(WPARAM wParam, LPARAM lParam);
    void OnLButtonDown(LPARAM lParam);
    bool OnReflectedNotify(LPARAM lParam, LRESULT& result);
    bool OnKeyDown(WPARAM key);
    bool PasteUnsafeRtfAsPlain();
    void OnPasteOther();
    void OnCopyPlain();
    bool OnOpenUrl();
    bool OnCopyUrl();
    LRESULT OnLink(const ENLINK& link);
    LRESULT OnDropFiles(const ENDROPFILES& drop);

    // The link under the last menu's point: Open URL and Copy URL act on it.
    CStdStr TakeMenuLink();

    std::optional<POINT> m_menuPoint;
    CCustomMenu m_menuDrawer;  // draws the context menu while it is tracked
};
