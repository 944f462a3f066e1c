// The owner of one BSTR: freed when the owner goes or receives another.
#pragma once

#include <windows.h>
#include <oleauto.h>

class CComBstr {
public:
    CComBstr() = default;
    // Null when the text is null or the string cannot be allocated.
    explicit CComBstr(const wchar_t* text) : m_bstr(SysAllocString(text)) {}
    CComBstr(const wchar_t* text, UINT length) : m_bstr(SysAllocStringLen(text, length)) {}
    ~CComBstr() { Reset(); }
    CComBstr(const CComBstr&) = delete;
    CComBstr& operator=(const CComBstr&) = delete;

    BSTR Get() const { return m_bstr; }
    explicit operator bool() const { return m_bstr != nullptr; }
    // A null BSTR counts as empty, as COM treats it.
    UINT Length() const { return SysStringLen(m_bstr); }

    void Reset()
    {
        SysFreeString(m_bstr);
        m_bstr = nullptr;
    }

    // For an out parameter.
    BSTR* Receive()
    {
        Reset();
        return &m_bstr;
    }

private:
    BSTR m_bstr = nullptr;
};
