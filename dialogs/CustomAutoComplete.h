// The quick search's recent texts: kept under a registry key of the current
// user and offered to an edit through the system's auto-complete, for which
// this object is the string source (IEnumString).
#pragma once

#include <windows.h>
#include <objidl.h>

#include <string>
#include <vector>

#include "foundation/RegKey.h"
#include "framework/ComPtr.h"
#include "framework/UnknownImpl.h"

// The recent texts' key under HKEY_CURRENT_USER.
extern const wchar_t kQuickSearchRecentKey[];

class CCustomAutoComplete : public CUnknownImpl<IEnumString> {
public:
    // A heap object holding its creator's reference; nothing is opened yet.
    explicit CCustomAutoComplete(std::wstring subkey = kQuickSearchRecentKey);

    // Opens or creates the key; false (logged) leaves the list in memory only.
    bool OpenKey();
    // The key's value names, in order.
    void LoadItems();
    // Adds a text not yet in the list, and stores it while the key is open.
    void AddRecent(const std::wstring& text);
    // Binds the system's auto-complete to the edit; false when it can't be had.
    bool Attach(HWND edit);
    // Releases the system's object; safe twice.
    void Detach();

    const std::vector<std::wstring>& Items() const { return m_items; }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, LPOLESTR* strings, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumString** clone) override;

private:
    ~CCustomAutoComplete() override;

    std::wstring m_subkey;
    std::vector<std::wstring> m_items;
    CRegKeyHandle m_key;
    CComPtr<IUnknown> m_autoComplete;
    ULONG m_position = 0;
};
