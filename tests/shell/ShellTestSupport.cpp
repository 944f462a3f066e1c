#include "ShellTestSupport.h"

#include <objbase.h>
#include <shlobj.h>

#include <mutex>

#include "foundation/ResModule.h"
#include "framework/ComPtr.h"

namespace {

std::mutex g_boxLock;
std::vector<std::wstring> g_shownTexts;
int g_answer = IDOK;

int ScriptedBox(HWND, const wchar_t* text, const wchar_t*, UINT)
{
    const std::lock_guard<std::mutex> lock(g_boxLock);
    g_shownTexts.emplace_back(text ? text : L"");
    return g_answer;
}

MCIERROR RecordSoundCommand(const wchar_t* command, HWND)
{
    CRecordedSound::Commands().emplace_back(command);
    return 0;
}

UINT FixedSoundDevice(const wchar_t*)
{
    return 1;
}

}  // namespace

CRecordedSound::CRecordedSound() : m_override(g_soundSeam, SSoundSeam{&RecordSoundCommand, &FixedSoundDevice})
{
    Commands().clear();
}

std::vector<std::wstring>& CRecordedSound::Commands()
{
    static std::vector<std::wstring> commands;
    return commands;
}

void PumpPosted()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
}

CScriptedMessageBox::CScriptedMessageBox(int answer) : m_override(g_messageBoxSeam, SMessageBoxSeam{&ScriptedBox})
{
    const std::lock_guard<std::mutex> lock(g_boxLock);
    g_shownTexts.clear();
    g_answer = answer;
}

CScriptedMessageBox::~CScriptedMessageBox() = default;

void CScriptedMessageBox::SetAnswer(int answer)
{
    const std::lock_guard<std::mutex> lock(g_boxLock);
    g_answer = answer;
}

const std::vector<std::wstring>& CScriptedMessageBox::ShownTexts() const
{
    return g_shownTexts;
}

std::vector<UINT> CScriptedMessageBox::ShownIds() const
{
    const std::lock_guard<std::mutex> lock(g_boxLock);
    std::vector<UINT> ids;
    for (const std::wstring& text : g_shownTexts) {
        UINT found = 0;
        for (UINT id = 1; id < 1000 && !found; ++id) {
            wchar_t entry[1024] = {};
            if (CResModule::LoadString(id, entry, 1024) > 0 && text == entry)
                found = id;
        }
        ids.push_back(found);
    }
    return ids;
}

std::wstring UniqueName()
{
    GUID guid = {};
    CoCreateGuid(&guid);
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

bool MakeShortcut(const std::wstring& linkPath, const wchar_t* arguments)
{
    wchar_t target[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, target, MAX_PATH);
    CComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.Receive())))
        return false;
    link->SetPath(target);
    link->SetArguments(arguments);
    link->SetDescription(L"Quillet");
    CComPtr<IPersistFile> file;
    return SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.Receive())) &&
           SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
}
