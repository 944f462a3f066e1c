// COM on the test's thread for the life of the object, as the program has it
// from start-up: the XML parser and other COM servers need it.
#pragma once

#include <objbase.h>

class CComApartment {
public:
    CComApartment() : m_initialised(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~CComApartment()
    {
        if (m_initialised)
            CoUninitialize();
    }
    CComApartment(const CComApartment&) = delete;
    CComApartment& operator=(const CComApartment&) = delete;

    bool Initialised() const { return m_initialised; }

private:
    const bool m_initialised;
};
