// The window framework's application module: the program instance and the
// user-interface thread that the framework's windows belong to. Start-up
// initialises it after the common controls; shut-down terminates it.
#pragma once

#include <windows.h>

class CAppModule {
public:
    // Fails with E_INVALIDARG for a null instance, E_UNEXPECTED when it is
    // initialised already.
    HRESULT Init(HINSTANCE instance);
    void Term();

    bool IsInitialized() const { return m_instance != nullptr; }
    HINSTANCE GetModuleInstance() const { return m_instance; }
    DWORD GetMainThreadId() const { return m_mainThreadId; }

private:
    HINSTANCE m_instance = nullptr;
    DWORD m_mainThreadId = 0;
};

extern CAppModule g_appModule;
