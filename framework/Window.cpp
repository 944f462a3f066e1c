#include "Window.h"

#include <commctrl.h>

#include <utility>
#include <vector>

#include "AppModule.h"
#include "foundation/LogFile.h"

namespace {

// The link from a window to its object: a property, so the window's user data
// and extra bytes stay free for the class and for whoever else uses them.
constexpr wchar_t kObjectProperty[] = L"QuilletWindowObject";
constexpr UINT_PTR kSubclassId = 1;

// The object whose window is being created on this thread: its first message
// links them, before WM_NCCREATE.
thread_local CWindowBase* t_creating = nullptr;

// Superclasses by atom, for windows that have lost their object.
std::vector<std::pair<ATOM, WNDPROC>>& BaseProcs()
{
    static std::vector<std::pair<ATOM, WNDPROC>> procs;
    return procs;
}

WNDPROC BaseProcOf(HWND window)
{
    const ATOM atom = static_cast<ATOM>(GetClassWord(window, GCW_ATOM));
    for (const auto& entry : BaseProcs())
        if (entry.first == atom)
            return entry.second;
    return DefWindowProcW;
}

HINSTANCE ModuleInstance()
{
    return g_appModule.IsInitialized() ? g_appModule.GetModuleInstance() : GetModuleHandleW(nullptr);
}

// The child a notification names, or null for a menu, an accelerator or no
// control at all.
HWND NotifyingChild(HWND owner, UINT msg, LPARAM lParam, bool includeNotify)
{
    switch (msg) {
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        return item && item->CtlType != ODT_MENU ? item->hwndItem : nullptr;
    }
    case WM_MEASUREITEM: {
        const auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
        return item && item->CtlType != ODT_MENU ? GetDlgItem(owner, static_cast<int>(item->CtlID)) : nullptr;
    }
    case WM_DELETEITEM: {
        const auto* item = reinterpret_cast<const DELETEITEMSTRUCT*>(lParam);
        return item ? item->hwndItem : nullptr;
    }
    case WM_COMPAREITEM: {
        const auto* item = reinterpret_cast<const COMPAREITEMSTRUCT*>(lParam);
        return item ? item->hwndItem : nullptr;
    }
    case WM_COMMAND:
        return reinterpret_cast<HWND>(lParam);
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        return includeNotify && header ? header->hwndFrom : nullptr;
    }
    }
    return nullptr;
}

bool RegisterWindowClass(WindowClassInfo& info, WNDPROC windowProc)
{
    if (info.atom)
        return true;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    info.baseProc = DefWindowProcW;
    if (info.baseClassName) {
        if (!GetClassInfoExW(nullptr, info.baseClassName, &windowClass) &&
            !GetClassInfoExW(ModuleInstance(), info.baseClassName, &windowClass)) {
            WriteToLogFile(L"Window class %s has no base class %s", info.className, info.baseClassName);
            return false;
        }
        info.baseProc = windowClass.lpfnWndProc;
    } else {
        windowClass.style = info.style;
        windowClass.hCursor = info.cursor ? info.cursor : LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = info.background;
    }
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = ModuleInstance();
    windowClass.lpszClassName = info.className;
    info.atom = RegisterClassExW(&windowClass);
    if (!info.atom) {
        WriteToLogFile(L"Window class %s not registered, error %u", info.className, GetLastError());
        return false;
    }
    BaseProcs().emplace_back(info.atom, info.baseProc);
    return true;
}

}  // namespace

std::wstring CWindowRef::Text() const
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(m_window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(m_window, &text[0], static_cast<int>(text.size()))));
    return text;
}

RECT CWindowRef::WindowRect() const
{
    RECT rect = {};
    GetWindowRect(m_window, &rect);
    return rect;
}

RECT CWindowRef::ClientRect() const
{
    RECT rect = {};
    GetClientRect(m_window, &rect);
    return rect;
}

bool ReflectToChild(HWND owner, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result, bool includeNotify)
{
    const HWND child = NotifyingChild(owner, msg, lParam, includeNotify);
    if (!child || !IsWindow(child) || GetAncestor(child, GA_PARENT) != owner)
        return false;
    result = SendMessageW(child, msg + kReflectedMessageBase, wParam, lParam);
    return true;
}

bool CMessageMap::ProcessWindowMessage(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

void CMessageMap::OnFinalMessage(HWND)
{
}

LRESULT CMessageMap::EndRouting(LRESULT result)
{
    if (--m_depth == 0 && m_destroyed) {
        const HWND window = std::exchange(m_window, nullptr);
        m_destroyed = false;
        OnFinalMessage(window);  // may delete this
    }
    return result;
}

CWindowBase::~CWindowBase()
{
    const HWND window = GetHwnd();
    if (!window || !IsWindow(window))
        return;
    // A control belongs to its dialog: it only loses its link.
    const bool ownWindow = !m_subclassed;
    Unlink(window);
    if (ownWindow)
        DestroyWindow(window);
}

bool CWindowBase::Create(WindowClassInfo& windowClass, const WindowCreateArgs& args)
{
    if (GetHwnd() || !RegisterWindowClass(windowClass, ClassWindowProc))
        return false;
    m_baseProc = windowClass.baseProc;
    m_ownClass = windowClass.baseClassName == nullptr;
    CWindowBase* const outer = std::exchange(t_creating, this);
    const HWND window = CreateWindowExW(args.exStyle, windowClass.className, args.text, args.style, args.x, args.y,
                                       args.width, args.height, args.parent,
                                       reinterpret_cast<HMENU>(args.idOrMenu), ModuleInstance(), nullptr);
    t_creating = outer;
    if (!window) {
        WriteToLogFile(L"Window of class %s not created, error %u", windowClass.className, GetLastError());
        return false;
    }
    return true;
}

bool CWindowBase::SubclassWindow(HWND window)
{
    if (!window || GetHwnd() || !IsWindow(window) ||
        GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId())
        return false;
    if (!SetWindowSubclass(window, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    m_subclassed = true;
    Attach(window);
    return true;
}

LRESULT CWindowBase::DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    const HWND window = GetHwnd();
    if (m_subclassed)
        return DefSubclassProc(window, msg, wParam, lParam);
    return CallWindowProcW(m_baseProc ? m_baseProc : DefWindowProcW, window, msg, wParam, lParam);
}

LRESULT CWindowBase::Dispatch(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    bool answered = false;
    return Route(window, msg, wParam, lParam, m_ownClass, answered, [this, window, msg, wParam, lParam] {
        const LRESULT result = DefaultProc(msg, wParam, lParam);
        if (msg == WM_NCDESTROY)
            Unlink(window);
        return result;
    });
}

void CWindowBase::Unlink(HWND window)
{
    if (std::exchange(m_subclassed, false))
        RemoveWindowSubclass(window, SubclassProc, kSubclassId);
    else
        RemovePropW(window, kObjectProperty);
}

LRESULT CALLBACK CWindowBase::ClassWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* object = static_cast<CWindowBase*>(GetPropW(window, kObjectProperty));
    if (!object && t_creating) {
        object = std::exchange(t_creating, nullptr);
        SetPropW(window, kObjectProperty, object);
        object->Attach(window);
    }
    if (!object)
        return CallWindowProcW(BaseProcOf(window), window, msg, wParam, lParam);
    return object->Dispatch(window, msg, wParam, lParam);
}

LRESULT CALLBACK CWindowBase::SubclassProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR object)
{
    return reinterpret_cast<CWindowBase*>(object)->Dispatch(window, msg, wParam, lParam);
}
