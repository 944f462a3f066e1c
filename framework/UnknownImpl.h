// IUnknown for the program's own COM objects: QueryInterface over a table of
// the interfaces the object answers for, and a plain reference count (the
// objects live on the UI thread). A heap object deletes itself at the last
// Release; an embedded one (a member of another object) never does.
#pragma once

#include <unknwn.h>

#include <initializer_list>
#include <vector>

struct SInterfaceEntry {
    const IID* iid;
    void* pointer;  // the object as that interface
};

enum class EObjectLifetime { Heap, Embedded };

// Answers the entry for the IID (IUnknown: the first entry); false for none.
bool FindInterface(const std::vector<SInterfaceEntry>& table, REFIID iid, void*& pointer);

template <class... Interfaces>
class CUnknownImpl : public Interfaces... {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        void* pointer = nullptr;
        if (!FindInterface(m_interfaces, iid, pointer)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = pointer;
        AddRef();
        return S_OK;
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }

    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_references;
        if (left == 0 && m_lifetime == EObjectLifetime::Heap)
            delete this;
        return left;
    }

protected:
    // A heap object starts with the one reference its creator holds.
    CUnknownImpl(EObjectLifetime lifetime, std::initializer_list<SInterfaceEntry> interfaces)
        : m_interfaces(interfaces), m_lifetime(lifetime), m_references(lifetime == EObjectLifetime::Heap ? 1 : 0)
    {
    }
    virtual ~CUnknownImpl() = default;
    CUnknownImpl(const CUnknownImpl&) = delete;
    CUnknownImpl& operator=(const CUnknownImpl&) = delete;

private:
    const std::vector<SInterfaceEntry> m_interfaces;
    const EObjectLifetime m_lifetime;
    ULONG m_references;
};
