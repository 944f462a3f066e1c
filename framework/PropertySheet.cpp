#include "PropertySheet.h"

#include <utility>

#include "UiSeams.h"
#include "foundation/LogFile.h"
#include "foundation/ResModule.h"

namespace {

constexpr DWORD kNoResource = 0xFFFFFFFF;
constexpr int kCaptionChars = 256;

// The sheet whose window the system is creating on this thread.
thread_local CPropertySheetBase* t_openingSheet = nullptr;

}  // namespace

bool CPropertyPageBase::OnApply()
{
    return ExchangeData(true);
}

void CPropertyPageBase::OnDataExchangeError(int controlId)
{
    if (m_sheet)
        m_sheet->SelectPageById(TemplateId());
    CFrameworkDialog::OnDataExchangeError(controlId);
}

bool CPropertyPageBase::ProcessWindowMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT& result)
{
    if (msg != WM_NOTIFY)
        return false;
    const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
    if (header.code != PSN_APPLY && header.code != PSN_RESET)
        return false;
    result = OnNotify(header, lParam);
    return true;
}

LRESULT CPropertyPageBase::OnNotify(const NMHDR& header, LPARAM lParam)
{
    if (header.code == PSN_RESET) {
        if (m_sheet)
            m_sheet->m_okApplied = false;
        return 0;
    }
    const bool applied = OnApply();
    // The pages apply in order and the first refusal stops the rest, so the
    // last verdict is the sheet's; lParam tells OK from Apply.
    if (m_sheet)
        m_sheet->m_okApplied = applied && reinterpret_cast<const PSHNOTIFY*>(lParam)->lParam;
    return applied ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
}

bool CPropertyPageBase::LoadTemplate()
{
    const LPCWSTR name = MAKEINTRESOURCEW(TemplateId());
    const DWORD size = CResModule::LoadRawResource(name, nullptr, 0, RT_DIALOG);
    if (size == kNoResource || size == 0) {
        WriteToLogFile(L"Property page %u has no template and is left out", TemplateId());
        return false;
    }
    m_template.resize(size);
    if (CResModule::LoadRawResource(name, m_template.data(), size, RT_DIALOG) != size) {
        WriteToLogFile(L"Property page %u template could not be read and is left out", TemplateId());
        m_template.clear();
        return false;
    }
    return true;
}

PROPSHEETPAGEW CPropertyPageBase::Describe()
{
    PROPSHEETPAGEW page = {};
    page.dwSize = sizeof(page);
    page.dwFlags = PSP_DLGINDIRECT;
    page.hInstance = CResModule::GetInstance();
    page.pResource = reinterpret_cast<LPCDLGTEMPLATEW>(m_template.data());
    page.pfnDlgProc = PageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return page;
}

INT_PTR CALLBACK CPropertyPageBase::PageProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CFrameworkDialog* initializing = nullptr;
    if (msg == WM_INITDIALOG)
        initializing = reinterpret_cast<CPropertyPageBase*>(reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam);
    return RouteDialogMessage(window, msg, wParam, lParam, initializing);
}

void CPropertySheetBase::AddPage(CPropertyPageBase& page)
{
    if (!page.LoadTemplate())
        return;
    page.m_sheet = this;
    m_pages.push_back(&page);
}

bool CPropertySheetBase::DoModal(HWND owner)
{
    m_owner = owner;
    m_okApplied = false;
    return RunModal(SModalRun{ m_captionId, owner, RealModalRun, this }) == 1;
}

INT_PTR CPropertySheetBase::RealModalRun(void* context)
{
    auto* const sheet = static_cast<CPropertySheetBase*>(context);
    std::vector<PROPSHEETPAGEW> pages;
    for (CPropertyPageBase* page : sheet->m_pages)
        pages.push_back(page->Describe());
    wchar_t caption[kCaptionChars] = {};
    CResModule::LoadString(sheet->m_captionId, caption, kCaptionChars);

    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK | sheet->m_flags;
    header.hwndParent = sheet->m_owner;
    header.hInstance = CResModule::GetInstance();
    header.pszCaption = caption;
    header.nPages = static_cast<UINT>(pages.size());
    header.ppsp = pages.data();
    header.pfnCallback = SheetCallback;

    CPropertySheetBase* const outer = std::exchange(t_openingSheet, sheet);
    const INT_PTR result = PropertySheetW(&header);
    t_openingSheet = outer;
    if (result < 0)
        WriteToLogFile(L"Property sheet %u could not be run, error %u", sheet->m_captionId, GetLastError());
    return sheet->m_okApplied ? 1 : 0;
}

int CALLBACK CPropertySheetBase::SheetCallback(HWND window, UINT msg, LPARAM)
{
    if (msg == PSCB_INITIALIZED && t_openingSheet)
        t_openingSheet->SubclassWindow(window);
    return 0;
}

bool CPropertySheetBase::SelectPageById(UINT templateId)
{
    for (size_t index = 0; index < m_pages.size(); ++index)
        if (m_pages[index]->TemplateId() == templateId)
            return SendMessageW(GetHwnd(), PSM_SETCURSEL, index, 0) != FALSE;
    return false;
}
