#include "CustomAutoComplete.h"

#include <shldisp.h>
#include <shlguid.h>

#include <algorithm>
#include <new>

#include "foundation/LogFile.h"

const wchar_t kQuickSearchRecentKey[] = L"Software\\Tarnwell Software\\Quillet\\Quick Search\\Recent";

namespace {

// The longest value name the registry keeps, without its terminator.
constexpr size_t kNameBufferChars = 260;
constexpr DWORD kAutoCompleteOptions = ACO_AUTOSUGGEST | ACO_AUTOAPPEND | ACO_UPDOWNKEYDROPSLIST;
constexpr DWORD kAutoCompleteContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER |
                                       CLSCTX_REMOTE_SERVER;

// Value names ignore case, ordinally: so does the list.
bool SameName(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

LPOLESTR TaskMemCopy(const std::wstring& text)
{
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (copy)
        std::copy(text.c_str(), text.c_str() + text.size() + 1, copy);
    return copy;
}

} // namespace

CCustomAutoComplete::CCustomAutoComplete(std::wstring subkey)
    : CUnknownImpl(EObjectLifetime::Heap, {{&IID_IUnknown, static_cast<IEnumString*>(this)},
                                           {&IID_IEnumString, static_cast<IEnumString*>(this)}}),
      m_subkey(std::move(subkey))
{
}

CCustomAutoComplete::~CCustomAutoComplete() = default;

bool CCustomAutoComplete::OpenKey()
{
    const LONG result = m_key.Create(HKEY_CURRENT_USER, m_subkey.c_str(), KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE);
    if (result == ERROR_SUCCESS)
        return true;
    m_key.Reset();
    QLOG(L"Recent searches kept for this run only: key not opened, error %d\n", static_cast<int>(result));
    return false;
}

void CCustomAutoComplete::LoadItems()
{
    if (!m_key)
        return;
    m_items.clear();
    m_position = 0;
    wchar_t name[kNameBufferChars];
    for (DWORD index = 0;; ++index) {
        DWORD length = kNameBufferChars;
        const LONG result = RegEnumValueW(m_key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS)
            return;
        // A name too long for the buffer is passed over, not the end.
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS) {
            QLOG(L"Recent searches not all read: error %d\n", static_cast<int>(result));
            return;
        }
        m_items.emplace_back(name, length);
    }
}

void CCustomAutoComplete::AddRecent(const std::wstring& text)
{
    // A name of 260 characters or more could not be read back.
    if (text.empty() || text.size() >= kNameBufferChars)
        return;
    if (std::any_of(m_items.begin(), m_items.end(), [&](const std::wstring& item) { return SameName(item, text); }))
        return;
    m_items.push_back(text);
    if (!m_key)
        return;
    const LONG result = RegSetValueExW(m_key.Get(), text.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                       static_cast<DWORD>(text.size() * sizeof(wchar_t)));
    if (result != ERROR_SUCCESS)
        QLOG(L"Recent search not stored: error %d\n", static_cast<int>(result));
}

bool CCustomAutoComplete::Attach(HWND edit)
{
    if (m_autoComplete)
        return true;
    CComPtr<IAutoComplete> autoComplete;
    HRESULT hr = CoCreateInstance(CLSID_AutoComplete, nullptr, kAutoCompleteContext, IID_IAutoComplete,
                                  autoComplete.Receive());
    if (SUCCEEDED(hr)) {
        CComPtr<IAutoComplete2> options;
        if (SUCCEEDED(autoComplete->QueryInterface(IID_IAutoComplete2, options.Receive())))
            options->SetOptions(kAutoCompleteOptions);
        hr = autoComplete->Init(edit, static_cast<IEnumString*>(this), nullptr, nullptr);
    }
    if (FAILED(hr)) {
        QLOG(L"No auto-complete for the recent searches: 0x%08X\n", static_cast<unsigned>(hr));
        return false;
    }
    autoComplete->QueryInterface(IID_IUnknown, m_autoComplete.Receive());
    return true;
}

void CCustomAutoComplete::Detach()
{
    m_autoComplete.Reset();
}

HRESULT STDMETHODCALLTYPE CCustomAutoComplete::Next(ULONG count, LPOLESTR* strings, ULONG* fetched)
{
    if (fetched)
        *fetched = 0;
    if (!strings)
        return E_POINTER;
    ULONG given = 0;
    for (; given < count && m_position < m_items.size(); ++given) {
        strings[given] = TaskMemCopy(m_items[m_position]);
        if (!strings[given]) {
            while (given > 0)
                CoTaskMemFree(strings[--given]);
            return E_OUTOFMEMORY;
        }
        ++m_position;
    }
    if (fetched)
        *fetched = given;
    return given == count ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CCustomAutoComplete::Skip(ULONG count)
{
    const ULONG left = static_cast<ULONG>(m_items.size()) - m_position;
    if (count > left) {
        m_position = static_cast<ULONG>(m_items.size());
        return S_FALSE;
    }
    m_position += count;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCustomAutoComplete::Reset()
{
    m_position = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCustomAutoComplete::Clone(IEnumString** clone)
{
    if (!clone)
        return E_POINTER;
    *clone = nullptr;
    try {
        std::vector<std::wstring> items = m_items;
        // The copy starts with the one reference handed to the caller.
        auto* copy = new CCustomAutoComplete(m_subkey);
        copy->m_items = std::move(items);
        copy->m_position = m_position;
        *clone = copy;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
