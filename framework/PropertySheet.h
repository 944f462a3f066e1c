// Our own property sheet: pages are framework dialogs on templates of the
// language module, the sheet a modal run whose window has a message map of
// its own (placement on WM_SHOWWINDOW, saving it on WM_DESTROY).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "Dialog.h"
#include "Window.h"

class CPropertySheetBase;

class CPropertyPageBase : public CFrameworkDialog {
public:
    explicit CPropertyPageBase(UINT templateId) : CFrameworkDialog(templateId) {}

protected:
    // The page's values into the settings; false keeps the sheet open on the
    // page. The base saves the exchanged controls.
    virtual bool OnApply();
    // Turns the sheet to this page before the message, the selection and the
    // focus.
    void OnDataExchangeError(int controlId) override;

    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    friend class CPropertySheetBase;

    // The template as PSP_DLGINDIRECT wants it; false (logged) when missing.
    bool LoadTemplate();
    PROPSHEETPAGEW Describe();
    LRESULT OnNotify(const NMHDR& header, LPARAM lParam);
    static INT_PTR CALLBACK PageProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

    std::vector<BYTE> m_template;
    CPropertySheetBase* m_sheet = nullptr;
};

class CPropertySheetBase : public CWindowBase {
public:
    CPropertySheetBase(UINT captionId, DWORD flags) : m_captionId(captionId), m_flags(flags) {}

    // A page whose template is missing is left out (logged).
    void AddPage(CPropertyPageBase& page);
    // The pages added whose templates were found.
    size_t PageCount() const { return m_pages.size(); }
    // True only when OK applied every page; the run goes through the modal
    // seam under the caption id.
    bool DoModal(HWND owner);
    // Turns to the page with this template; false when the sheet lacks it.
    bool SelectPageById(UINT templateId);

private:
    friend class CPropertyPageBase;

    static INT_PTR RealModalRun(void* context);
    static int CALLBACK SheetCallback(HWND window, UINT msg, LPARAM lParam);

    UINT m_captionId;
    DWORD m_flags;
    HWND m_owner = nullptr;
    std::vector<CPropertyPageBase*> m_pages;
    bool m_okApplied = false;
};
