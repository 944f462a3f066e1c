// The owner of one VARIANT: cleared when the owner goes or receives another.
#pragma once

#include <windows.h>
#include <oleauto.h>

class CComVariant {
public:
    CComVariant() { VariantInit(&m_value); }
    explicit CComVariant(bool value) : CComVariant()
    {
        m_value.vt = VT_BOOL;
        m_value.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    }
    ~CComVariant() { Clear(); }
    CComVariant(const CComVariant&) = delete;
    CComVariant& operator=(const CComVariant&) = delete;

    const VARIANT& Get() const { return m_value; }
    VARTYPE Type() const { return m_value.vt; }

    void Clear() { VariantClear(&m_value); }

    // For an out parameter.
    VARIANT* Receive()
    {
        Clear();
        return &m_value;
    }

private:
    VARIANT m_value;
};
