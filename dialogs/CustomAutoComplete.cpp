// The recent list is not built yet: it holds nothing and binds nothing.
#include "CustomAutoComplete.h"

const wchar_t kQuickSearchRecentKey[] = L"Software\\Tarnwell Software\\Quillet\\Quick Search\\Recent";

CCustomAutoComplete::CCustomAutoComplete(std::wstring subkey)
    : CUnknownImpl(EObjectLifetime::Heap, {{&IID_IUnknown, static_cast<IEnumString*>(this)},
                                           {&IID_IEnumString, static_cast<IEnumString*>(this)}}),
      m_subkey(std::move(subkey))
{
}

CCustomAutoComplete::~CCustomAutoComplete() = default;

bool CCustomAutoComplete::OpenKey()
{
    return false;
}

void CCustomAutoComplete::LoadItems() {}

void CCustomAutoComplete::AddRecent(const std::wstring&) {}

bool CCustomAutoComplete::Attach(HWND)
{
    return false;
}

void CCustomAutoComplete::Detach() {}

HRESULT STDMETHODCALLTYPE CCustomAutoComplete::Next(ULONG, LPOLESTR*, ULONG* fetched)
{
    if (fetched)
        *fetched = 0;
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE CCustomAutoComplete::Skip(ULONG)
{
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE CCustomAutoComplete::Reset()
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCustomAutoComplete::Clone(IEnumString** clone)
{
    if (clone)
        *clone = nullptr;
    return E_NOTIMPL;
}
