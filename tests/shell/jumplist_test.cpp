// The jump list against a destination list, an object collection and shell
// links of the test's own, registered as class objects: the calls in order,
// what each task link carries, and failures that must leave the list
// uncommitted with every object released. Then the list and the link as this
// system offers them.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <propkey.h>
#include <propsys.h>
#include <shobjidl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/AppWindow.h"
#include "foundation/ResModule.h"
#include "foundation/Seams.h"
#include "framework/ComPtr.h"
#include "resources/resource.h"
#include "shell/MainCommands.h"
#include "shell/jumplist.h"
#include "shell/singleinst.h"
#include "tests/support/ComApartment.h"

namespace {

// What the fakes do and saw.
struct SFakeScript {
    HRESULT beginList = S_OK;
    int failingAddObject = 0;  // 1-based; 0 for none
    HRESULT addUserTasks = S_OK;
    HRESULT setIconLocation = S_OK;
};
SFakeScript g_script;
std::vector<std::wstring> g_calls;
LONG g_liveObjects = 0;

// One task as the destination list received it.
struct STask {
    bool separator = false;
    std::wstring path, arguments, iconPath, title;
    int icon = 0;
};
std::vector<STask> g_tasks;

template <class... Interfaces>
class CFakeObject : public Interfaces... {
public:
    CFakeObject() { InterlockedIncrement(&g_liveObjects); }
    virtual ~CFakeObject() { InterlockedDecrement(&g_liveObjects); }

    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_references); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = InterlockedDecrement(&m_references);
        if (left == 0)
            delete this;
        return left;
    }

protected:
    // The interface of the first base that answers riid.
    template <class Interface>
    bool Answer(REFIID riid, REFIID wanted, void** object)
    {
        if (!IsEqualIID(riid, wanted))
            return false;
        *object = static_cast<Interface*>(this);
        AddRef();
        return true;
    }

private:
    LONG m_references = 1;
};

class CFakeCollection : public CFakeObject<IObjectCollection> {
public:
    ~CFakeCollection() override { ClearObjects(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        *object = nullptr;
        if (Answer<IObjectCollection>(riid, IID_IUnknown, object) ||
            Answer<IObjectCollection>(riid, IID_IObjectArray, object) ||
            Answer<IObjectCollection>(riid, IID_IObjectCollection, object))
            return S_OK;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE GetCount(UINT* count) override
    {
        *count = static_cast<UINT>(m_objects.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAt(UINT index, REFIID riid, void** object) override
    {
        *object = nullptr;
        return index < m_objects.size() ? m_objects[index]->QueryInterface(riid, object) : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE AddObject(IUnknown* object) override
    {
        g_calls.push_back(L"AddObject");
        if (++m_added == g_script.failingAddObject)
            return E_OUTOFMEMORY;
        object->AddRef();
        m_objects.push_back(object);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AddFromArray(IObjectArray*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveObjectAt(UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clear() override
    {
        g_calls.push_back(L"Clear");
        ClearObjects();
        return S_OK;
    }

private:
    void ClearObjects()
    {
        for (IUnknown* object : m_objects)
            object->Release();
        m_objects.clear();
    }

    std::vector<IUnknown*> m_objects;
    int m_added = 0;
};

// A shell link that keeps what it is given and answers with it.
class CFakeShellLink : public CFakeObject<IShellLinkW, IPropertyStore> {
public:
    ~CFakeShellLink() override
    {
        PropVariantClear(&m_title);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        *object = nullptr;
        if (Answer<IShellLinkW>(riid, IID_IUnknown, object) || Answer<IShellLinkW>(riid, IID_IShellLinkW, object) ||
            Answer<IPropertyStore>(riid, IID_IPropertyStore, object))
            return S_OK;
        return E_NOINTERFACE;
    }

    HRESULT STDMETHODCALLTYPE GetPath(LPWSTR file, int chars, WIN32_FIND_DATAW*, DWORD) override
    {
        return Copy(m_path, file, chars);
    }
    HRESULT STDMETHODCALLTYPE GetIDList(PIDLIST_ABSOLUTE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetIDList(PCIDLIST_ABSOLUTE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDescription(LPWSTR, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDescription(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPWSTR, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetArguments(LPWSTR arguments, int chars) override
    {
        return Copy(m_arguments, arguments, chars);
    }
    HRESULT STDMETHODCALLTYPE SetArguments(LPCWSTR arguments) override
    {
        m_arguments = arguments;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetHotkey(WORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetHotkey(WORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetShowCmd(int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetShowCmd(int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIconLocation(LPWSTR path, int chars, int* icon) override
    {
        *icon = m_icon;
        return Copy(m_iconPath, path, chars);
    }
    HRESULT STDMETHODCALLTYPE SetIconLocation(LPCWSTR path, int icon) override
    {
        if (FAILED(g_script.setIconLocation))
            return g_script.setIconLocation;
        m_iconPath = path;
        m_icon = icon;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetRelativePath(LPCWSTR, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Resolve(HWND, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPath(LPCWSTR path) override
    {
        m_path = path;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetCount(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAt(DWORD, PROPERTYKEY*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key, PROPVARIANT* value) override
    {
        PropVariantInit(value);
        if (IsEqualPropertyKey(key, PKEY_Title))
            return PropVariantCopy(value, &m_title);
        if (IsEqualPropertyKey(key, PKEY_AppUserModel_IsDestListSeparator) && m_separator) {
            value->vt = VT_BOOL;
            value->boolVal = VARIANT_TRUE;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY key, REFPROPVARIANT value) override
    {
        if (IsEqualPropertyKey(key, PKEY_Title))
            return PropVariantCopy(&m_title, &value);
        if (IsEqualPropertyKey(key, PKEY_AppUserModel_IsDestListSeparator))
            m_separator = value.vt == VT_BOOL && value.boolVal == VARIANT_TRUE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Commit() override { return S_OK; }

private:
    static HRESULT Copy(const std::wstring& text, LPWSTR buffer, int chars)
    {
        if (chars <= 0 || text.size() >= static_cast<size_t>(chars))
            return E_INVALIDARG;
        wcscpy(buffer, text.c_str());
        return S_OK;
    }

    std::wstring m_path, m_arguments, m_iconPath;
    int m_icon = 0;
    PROPVARIANT m_title = {};
    bool m_separator = false;
};

std::wstring TitleOf(IUnknown* object)
{
    CComPtr<IPropertyStore> store;
    PROPVARIANT value;
    PropVariantInit(&value);
    std::wstring title;
    if (SUCCEEDED(object->QueryInterface(IID_IPropertyStore, store.Receive())) &&
        SUCCEEDED(store->GetValue(PKEY_Title, &value)) && value.vt == VT_LPWSTR)
        title = value.pwszVal;
    PropVariantClear(&value);
    return title;
}

bool IsSeparator(IUnknown* object)
{
    CComPtr<IPropertyStore> store;
    PROPVARIANT value;
    PropVariantInit(&value);
    const bool flagged = SUCCEEDED(object->QueryInterface(IID_IPropertyStore, store.Receive())) &&
                         SUCCEEDED(store->GetValue(PKEY_AppUserModel_IsDestListSeparator, &value)) &&
                         value.vt == VT_BOOL && value.boolVal == VARIANT_TRUE;
    PropVariantClear(&value);
    return flagged;
}

STask ReadTask(IObjectArray* tasks, UINT index)
{
    STask task;
    CComPtr<IShellLinkW> link;
    if (FAILED(tasks->GetAt(index, IID_IShellLinkW, link.Receive())))
        return task;
    task.separator = IsSeparator(link.Get());
    wchar_t text[MAX_PATH] = {};
    if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, 0)))
        task.path = text;
    text[0] = L'\0';
    if (SUCCEEDED(link->GetArguments(text, MAX_PATH)))
        task.arguments = text;
    text[0] = L'\0';
    if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH, &task.icon)))
        task.iconPath = text;
    task.title = TitleOf(link.Get());
    return task;
}

class CFakeDestinationList : public CFakeObject<ICustomDestinationList> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        *object = nullptr;
        if (Answer<ICustomDestinationList>(riid, IID_IUnknown, object) ||
            Answer<ICustomDestinationList>(riid, IID_ICustomDestinationList, object))
            return S_OK;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE SetAppID(LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE BeginList(UINT* slots, REFIID riid, void** removed) override
    {
        g_calls.push_back(L"BeginList");
        *removed = nullptr;
        if (FAILED(g_script.beginList))
            return g_script.beginList;
        *slots = 10;
        CFakeCollection* const none = new CFakeCollection;
        const HRESULT hr = none->QueryInterface(riid, removed);
        none->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE AppendCategory(LPCWSTR, IObjectArray*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AppendKnownCategory(KNOWNDESTCATEGORY) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddUserTasks(IObjectArray* tasks) override
    {
        UINT count = 0;
        tasks->GetCount(&count);
        g_calls.push_back(L"AddUserTasks " + std::to_wstring(count));
        for (UINT i = 0; i < count; ++i)
            g_tasks.push_back(ReadTask(tasks, i));
        return g_script.addUserTasks;
    }
    HRESULT STDMETHODCALLTYPE CommitList() override
    {
        g_calls.push_back(L"CommitList");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRemovedDestinations(REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteList(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AbortList() override
    {
        g_calls.push_back(L"AbortList");
        return S_OK;
    }
};

// A class object that makes one kind of fake; it lives as long as the test.
template <class Fake>
class CFakeFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        *object = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory))
            return E_NOINTERFACE;
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override
    {
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        Fake* const fake = new Fake;
        const HRESULT hr = fake->QueryInterface(riid, object);
        fake->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

// The fakes registered for the span of a test.
class CRegisteredFakes {
public:
    CRegisteredFakes()
    {
        m_listOk = SUCCEEDED(CoRegisterClassObject(CLSID_DestinationList, &m_list, CLSCTX_INPROC_SERVER,
                                                   REGCLS_MULTIPLEUSE, &m_listCookie));
        m_collectionOk = SUCCEEDED(CoRegisterClassObject(CLSID_EnumerableObjectCollection, &m_collection,
                                                         CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                                         &m_collectionCookie));
        m_linkOk = SUCCEEDED(CoRegisterClassObject(CLSID_ShellLink, &m_link, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                                   &m_linkCookie));
    }
    ~CRegisteredFakes()
    {
        if (m_listOk)
            CoRevokeClassObject(m_listCookie);
        if (m_collectionOk)
            CoRevokeClassObject(m_collectionCookie);
        if (m_linkOk)
            CoRevokeClassObject(m_linkCookie);
    }
    bool Registered() const { return m_listOk && m_collectionOk && m_linkOk; }

private:
    CFakeFactory<CFakeDestinationList> m_list;
    CFakeFactory<CFakeCollection> m_collection;
    CFakeFactory<CFakeShellLink> m_link;
    DWORD m_listCookie = 0;
    DWORD m_collectionCookie = 0;
    DWORD m_linkCookie = 0;
    bool m_listOk = false;
    bool m_collectionOk = false;
    bool m_linkOk = false;
};

class CJumpListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_com.Initialised());
        g_script = SFakeScript{};
        g_calls.clear();
        g_tasks.clear();
        g_liveObjects = 0;
    }

    CComApartment m_com;
};

std::wstring ProgramFile()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

TEST_F(CJumpListTest, TasksGoInTableOrderWithPathArgumentsTitleAndIcon)
{
    {
        CRegisteredFakes fakes;
        ASSERT_TRUE(fakes.Registered());
        EXPECT_TRUE(BuildJumpList());
    }
    EXPECT_EQ(g_calls, (std::vector<std::wstring>{ L"BeginList", L"Clear", L"AddObject", L"AddObject", L"AddObject",
                                                   L"AddObject", L"AddObject", L"AddObject", L"AddUserTasks 6",
                                                   L"CommitList" }));
    struct Row { const wchar_t* arguments; UINT title; int icon; };
    const Row rows[] = {
        { L"/c newnote", IDS_TASK_NEW_NOTE, IDI_TASK_NEW_NOTE },
        { L"/c noteorganizer", IDS_TASK_NOTE_ORGANIZER, IDI_TASK_NOTE_ORGANIZER },
        { L"/c showhide", IDS_TASK_SHOW_HIDE, IDI_TASK_SHOW_HIDE },
        { nullptr, 0, 0 },
        { L"/c preferences", IDS_TASK_PREFERENCES, IDI_TASK_PREFERENCES },
        { nullptr, 0, 0 },
    };
    ASSERT_EQ(g_tasks.size(), 6u);
    const std::wstring program = ProgramFile();
    for (size_t i = 0; i < 6; ++i) {
        const STask& task = g_tasks[i];
        EXPECT_EQ(task.separator, rows[i].arguments == nullptr) << i;
        if (!rows[i].arguments)
            continue;
        EXPECT_EQ(task.arguments, rows[i].arguments) << i;
        EXPECT_EQ(task.title, LoadResString(rows[i].title)) << i;
        EXPECT_EQ(_wcsicmp(task.path.c_str(), program.c_str()), 0) << i;
        EXPECT_EQ(_wcsicmp(task.iconPath.c_str(), program.c_str()), 0) << i;
        EXPECT_EQ(task.icon, -rows[i].icon) << i;
    }
    EXPECT_EQ(g_liveObjects, 0);
}

TEST_F(CJumpListTest, AFailureAnywhereCommitsNothingAndReleasesEverything)
{
    struct Case { const char* name; SFakeScript script; std::wstring last; };
    const Case cases[] = {
        { "BeginList", { E_ACCESSDENIED, 0, S_OK }, L"BeginList" },
        { "third AddObject", { S_OK, 3, S_OK }, L"AbortList" },
        { "AddUserTasks", { S_OK, 0, E_FAIL }, L"AbortList" },
        { "SetIconLocation", { S_OK, 0, S_OK, E_INVALIDARG }, L"AbortList" },
    };
    for (const Case& c : cases) {
        g_script = c.script;
        g_calls.clear();
        CLogCapture log;
        {
            CRegisteredFakes fakes;
            ASSERT_TRUE(fakes.Registered());
            EXPECT_TRUE(BuildJumpList()) << c.name;
        }
        EXPECT_EQ(std::count(g_calls.begin(), g_calls.end(), L"CommitList"), 0) << c.name;
        ASSERT_FALSE(g_calls.empty());
        EXPECT_EQ(g_calls.back(), c.last) << c.name;
        EXPECT_EQ(g_liveObjects, 0) << c.name;
        size_t failures = 0;
        for (const std::wstring& line : log.Lines())
            failures += line.find(L"The jump list was not built, error 0x") == 0;
        EXPECT_EQ(failures, 1u) << c.name;
    }
    // The third AddObject ends the building: no fourth task is made.
    g_script = { S_OK, 3, S_OK };
    g_calls.clear();
    {
        CRegisteredFakes fakes;
        BuildJumpList();
    }
    EXPECT_EQ(std::count(g_calls.begin(), g_calls.end(), L"AddObject"), 3);
}

TEST_F(CJumpListTest, EachTaskForwardedToTheRunningCopyPostsItsCommand)
{
    {
        CRegisteredFakes fakes;
        ASSERT_TRUE(fakes.Registered());
        ASSERT_TRUE(BuildJumpList());
    }
    const HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    const HWND saved = g_hwndApp;
    g_hwndApp = window;
    std::vector<UINT> commands;
    for (const STask& task : g_tasks) {
        if (task.separator)
            continue;
        const wchar_t* arguments[] = { task.arguments.c_str() };
        OnInstanceCommand(arguments, 1);
        MSG msg;
        while (PeekMessageW(&msg, window, 0, 0, PM_REMOVE))
            if (msg.message == WM_COMMAND)
                commands.push_back(LOWORD(msg.wParam));
    }
    g_hwndApp = saved;
    DestroyWindow(window);
    EXPECT_EQ(commands, (std::vector<UINT>{ ID_NEW_NOTE, ID_NOTE_ORGANIZER, ID_SHOW_HIDE_ALL, ID_PREFERENCES }));
}

// This system's own destination list: when it can be made the result is true
// whether or not its list could be begun; the application id is set either way.
TEST_F(CJumpListTest, TheSystemsListGivesTrueWhenItExists)
{
    CComPtr<ICustomDestinationList> list;
    const bool offered = SUCCEEDED(CoCreateInstance(CLSID_DestinationList, nullptr, CLSCTX_INPROC_SERVER,
                                                    IID_ICustomDestinationList, list.Receive()));
    list.Reset();
    EXPECT_EQ(BuildJumpList(), offered);
    EXPECT_EQ(SetAppUserModelId(), S_OK);
    // The system's own shell link takes a task as built.
    CComPtr<IShellLinkW> link;
    ASSERT_EQ(AddJumpListTask(L"/c showhide", IDS_TASK_SHOW_HIDE, IDI_TASK_SHOW_HIDE, link.ReceiveTyped()), S_OK);
    CFakeCollection* const one = new CFakeCollection;
    one->AddObject(link.Get());
    const STask task = ReadTask(one, 0);
    one->Release();
    EXPECT_EQ(task.arguments, L"/c showhide");
    EXPECT_EQ(_wcsicmp(task.path.c_str(), ProgramFile().c_str()), 0);
    EXPECT_EQ(task.icon, -IDI_TASK_SHOW_HIDE);
}

}  // namespace
