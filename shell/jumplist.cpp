#include "jumplist.h"

#include <objbase.h>
#include <propidl.h>
#include <propsys.h>
#include <shlwapi.h>
// The property keys are defined here, the one user of them.
#include <initguid.h>
#include <propkey.h>

#include "singleinst.h"
#include "foundation/LogFile.h"
#include "foundation/ResModule.h"
#include "foundation/Seams.h"
#include "framework/ComPtr.h"
#include "resources/resource.h"

namespace {

struct SJumpListRow {
    const wchar_t* arguments;  // null for a separator
    UINT titleId;
    int iconId;
};

const SJumpListRow kJumpListRows[] = {
    { L"/c newnote", IDS_TASK_NEW_NOTE, IDI_TASK_NEW_NOTE },
    { L"/c noteorganizer", IDS_TASK_NOTE_ORGANIZER, IDI_TASK_NOTE_ORGANIZER },
    { L"/c showhide", IDS_TASK_SHOW_HIDE, IDI_TASK_SHOW_HIDE },
    { nullptr, 0, 0 },
    { L"/c preferences", IDS_TASK_PREFERENCES, IDI_TASK_PREFERENCES },
    { nullptr, 0, 0 },
};

// Sets one property and commits the store.
HRESULT SetLinkProperty(IUnknown* link, const PROPERTYKEY& key, PROPVARIANT& value)
{
    CComPtr<IPropertyStore> store;
    HRESULT hr = link->QueryInterface(IID_IPropertyStore, store.Receive());
    if (SUCCEEDED(hr))
        hr = store->SetValue(key, value);
    if (SUCCEEDED(hr))
        hr = store->Commit();
    PropVariantClear(&value);
    return hr;
}

// Hands out a counted reference of the link as IShellLinkW.
HRESULT HandOut(IUnknown* object, IShellLinkW** link)
{
    return object->QueryInterface(IID_IShellLinkW, reinterpret_cast<void**>(link));
}

HRESULT ProgramPath(wchar_t* path)
{
    // The seam refuses a path that does not fit: a cut one names another file.
    if (!g_folderRootsSeam.programFile(path))
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    return S_OK;
}

}  // namespace

HRESULT SetAppUserModelId()
{
    using SetIdFunction = HRESULT(WINAPI*)(PCWSTR);
    const HMODULE shell = GetModuleHandleW(L"shell32.dll");
    const auto setId = shell ? reinterpret_cast<SetIdFunction>(reinterpret_cast<void*>(
                                   GetProcAddress(shell, "SetCurrentProcessExplicitAppUserModelID")))
                             : nullptr;
    return setId ? setId(kApplicationId) : S_OK;
}

HRESULT AddJumpListTask(const wchar_t* arguments, UINT titleId, int iconId, IShellLinkW** link)
{
    *link = nullptr;
    CComPtr<IShellLinkW> task;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, task.Receive());
    if (FAILED(hr))
        return hr;
    wchar_t path[MAX_PATH] = {};
    hr = ProgramPath(path);
    if (SUCCEEDED(hr))
        hr = task->SetPath(path);
    // A negative index names the icon group by its resource id.
    if (SUCCEEDED(hr))
        hr = task->SetIconLocation(path, -iconId);
    if (SUCCEEDED(hr))
        hr = task->SetArguments(arguments);
    if (FAILED(hr))
        return hr;
    PROPVARIANT title;
    PropVariantInit(&title);
    hr = SHStrDupW(LoadResString(titleId), &title.pwszVal);
    if (FAILED(hr))
        return hr;
    title.vt = VT_LPWSTR;
    hr = SetLinkProperty(task.Get(), PKEY_Title, title);
    return SUCCEEDED(hr) ? HandOut(task.Get(), link) : hr;
}

HRESULT AddJumpListSeparator(IShellLinkW** link)
{
    *link = nullptr;
    CComPtr<IPropertyStore> separator;
    HRESULT hr =
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyStore, separator.Receive());
    if (FAILED(hr))
        return hr;
    PROPVARIANT flag;
    PropVariantInit(&flag);
    flag.vt = VT_BOOL;
    flag.boolVal = VARIANT_TRUE;
    hr = SetLinkProperty(separator.Get(), PKEY_AppUserModel_IsDestListSeparator, flag);
    return SUCCEEDED(hr) ? HandOut(separator.Get(), link) : hr;
}

HRESULT AddJumpListTasks(ICustomDestinationList* list)
{
    CComPtr<IObjectCollection> tasks;
    HRESULT hr = CoCreateInstance(CLSID_EnumerableObjectCollection, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                  IID_IObjectCollection, tasks.Receive());
    if (FAILED(hr))
        return hr;
    hr = tasks->Clear();
    for (const SJumpListRow& row : kJumpListRows) {
        if (FAILED(hr))
            return hr;
        CComPtr<IShellLinkW> link;
        hr = row.arguments ? AddJumpListTask(row.arguments, row.titleId, row.iconId, link.ReceiveTyped())
                           : AddJumpListSeparator(link.ReceiveTyped());
        if (SUCCEEDED(hr))
            hr = tasks->AddObject(link.Get());
    }
    if (FAILED(hr))
        return hr;
    CComPtr<IObjectArray> array;
    hr = tasks->QueryInterface(IID_IObjectArray, array.Receive());
    return SUCCEEDED(hr) ? list->AddUserTasks(array.Get()) : hr;
}

bool BuildJumpList()
{
    const HRESULT idResult = SetAppUserModelId();
    if (FAILED(idResult))
        QLOG(L"The application id could not be set, error 0x%08lX", static_cast<unsigned long>(idResult));
    CComPtr<ICustomDestinationList> list;
    if (FAILED(CoCreateInstance(CLSID_DestinationList, nullptr, CLSCTX_INPROC_SERVER, IID_ICustomDestinationList,
                                list.Receive())))
        return false;
    UINT slots = 0;
    CComPtr<IObjectArray> removed;
    HRESULT hr = list->BeginList(&slots, IID_IObjectArray, removed.Receive());
    if (SUCCEEDED(hr)) {
        hr = AddJumpListTasks(list.Get());
        // An open list left unended would keep its half-built session.
        hr = SUCCEEDED(hr) ? list->CommitList() : (list->AbortList(), hr);
    }
    if (FAILED(hr))
        QLOG(L"The jump list was not built, error 0x%08lX", static_cast<unsigned long>(hr));
    return true;
}
