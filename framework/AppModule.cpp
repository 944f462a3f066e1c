// The window framework's application module.
#include "AppModule.h"

CAppModule g_appModule;

HRESULT CAppModule::Init(HINSTANCE instance)
{
    if (!instance)
        return E_INVALIDARG;
    if (m_instance)
        return E_UNEXPECTED;
    m_instance = instance;
    m_mainThreadId = GetCurrentThreadId();
    return S_OK;
}

void CAppModule::Term()
{
    m_instance = nullptr;
    m_mainThreadId = 0;
    m_richEdit20 = false;
    m_captionBitmap.Reset();
    m_palette.Reset();
    m_paletteBase = 0;
}
