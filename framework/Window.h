// Our own windows: a non-owning window reference with typed helpers, and the
// base of every window object of the program, created from a class of its own
// or a superclass, or subclassing a control. Messages go through the object's
// message map; what the map leaves goes to the original procedure.
#pragma once

#include <windows.h>

#include <string>

// Reflected notifications come back to the control as the message plus this.
constexpr UINT kReflectedMessageBase = 0x2000;
constexpr UINT OCM_DRAWITEM = kReflectedMessageBase + WM_DRAWITEM;
constexpr UINT OCM_MEASUREITEM = kReflectedMessageBase + WM_MEASUREITEM;
constexpr UINT OCM_DELETEITEM = kReflectedMessageBase + WM_DELETEITEM;
constexpr UINT OCM_COMPAREITEM = kReflectedMessageBase + WM_COMPAREITEM;
constexpr UINT OCM_COMMAND = kReflectedMessageBase + WM_COMMAND;
constexpr UINT OCM_NOTIFY = kReflectedMessageBase + WM_NOTIFY;

// A window handle that owns nothing.
class CWindowRef {
public:
    CWindowRef(HWND window = nullptr) : m_window(window) {}

    HWND Get() const { return m_window; }
    operator HWND() const { return m_window; }
    bool IsWindow() const { return m_window && ::IsWindow(m_window); }

    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return SendMessageW(m_window, msg, wParam, lParam);
    }
    bool Post(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return PostMessageW(m_window, msg, wParam, lParam) != FALSE;
    }

    CWindowRef Item(int id) const { return GetDlgItem(m_window, id); }
    CWindowRef Parent() const { return GetParent(m_window); }
    LONG_PTR Style() const { return GetWindowLongPtrW(m_window, GWL_STYLE); }
    LONG_PTR ExStyle() const { return GetWindowLongPtrW(m_window, GWL_EXSTYLE); }
    int ControlId() const { return GetDlgCtrlID(m_window); }

    std::wstring Text() const;
    bool SetText(const wchar_t* text) const { return SetWindowTextW(m_window, text) != FALSE; }
    RECT WindowRect() const;
    RECT ClientRect() const;

    bool Show(int command) const { return ShowWindow(m_window, command) != FALSE; }
    bool Enable(bool enable) const { return EnableWindow(m_window, enable) != FALSE; }
    bool Destroy() const { return DestroyWindow(m_window) != FALSE; }
    bool SetPos(HWND after, int x, int y, int cx, int cy, UINT flags) const
    {
        return SetWindowPos(m_window, after, x, y, cx, cy, flags) != FALSE;
    }

private:
    HWND m_window;
};

// Sends an owner's notification back to the child control it came from as
// the message plus 0x2000, when that control is a child of the owner:
// WM_DRAWITEM, WM_MEASUREITEM, WM_DELETEITEM and WM_COMPAREITEM of controls
// (never of menus), WM_COMMAND from a control (never from a menu or an
// accelerator), and WM_NOTIFY only when includeNotify. True with the child's
// answer in result when it was reflected.
bool ReflectToChild(HWND owner, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result,
                    bool includeNotify = false);

// A window class of the program, registered once on first use. With a base
// class name it is a superclass of that class: the base's procedure gets
// what the map leaves, and its extra bytes are kept.
struct WindowClassInfo {
    const wchar_t* className;
    const wchar_t* baseClassName;  // null for a class of our own
    UINT style;
    HCURSOR cursor;                // own class: null for the arrow
    HBRUSH background;
    ATOM atom;                     // set by the registration
    WNDPROC baseProc;              // the base's procedure, or DefWindowProcW
};

struct WindowCreateArgs {
    HWND parent = nullptr;
    const wchar_t* text = L"";
    DWORD style = WS_OVERLAPPEDWINDOW;
    DWORD exStyle = 0;
    int x = CW_USEDEFAULT;
    int y = CW_USEDEFAULT;
    int width = CW_USEDEFAULT;
    int height = CW_USEDEFAULT;
    UINT_PTR idOrMenu = 0;  // a child's control id, else a menu handle
};

// Routes messages through a message map for windows and dialogs alike; the
// final message comes once, when the outermost handler has returned.
class CMessageMap {
public:
    CMessageMap() = default;
    virtual ~CMessageMap() = default;
    CMessageMap(const CMessageMap&) = delete;
    CMessageMap& operator=(const CMessageMap&) = delete;

    HWND GetHwnd() const { return m_window; }
    CWindowRef Window() const { return m_window; }

protected:
    // The map: a switch to named handlers, each taking a bool& handled that
    // starts true. True when the message was handled, its answer in result;
    // a handler that clears the flag lets the message go on to the next
    // entry, a chained base map (called by the override), then the original
    // procedure.
    virtual bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // After WM_NCDESTROY, once; the object may delete itself here.
    virtual void OnFinalMessage(HWND window);

    // Map, then reflection, then the fallback; false when nothing answered.
    // The object is gone after a call that ran its final message, so callers
    // take nothing from it after this returns.
    // reflect: whether children's notifications go back to them (own-class
    // windows and dialogs); a subclassed or superclassed window leaves them to
    // its original procedure, which may need them (a sheet its buttons').
    template <class Fallback>
    LRESULT Route(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, bool reflect, bool& answered,
                  Fallback fallback);

    void Attach(HWND window) { m_window = window; }

private:
    LRESULT EndRouting(LRESULT result);

    HWND m_window = nullptr;
    int m_depth = 0;
    bool m_destroyed = false;
};

template <class Fallback>
LRESULT CMessageMap::Route(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, bool reflect, bool& answered,
                           Fallback fallback)
{
    ++m_depth;
    LRESULT result = 0;
    answered = ProcessWindowMessage(msg, wParam, lParam, result) ||
               (reflect && ReflectToChild(window, msg, wParam, lParam, result));
    // The original procedure always sees the last message, to free its state.
    if (!answered || msg == WM_NCDESTROY) {
        const LRESULT original = fallback();
        if (!answered)
            result = original;
    }
    if (msg == WM_NCDESTROY)
        m_destroyed = true;
    return EndRouting(result);
}

// The base of every window object: its own class, a superclass or a subclassed
// control. The object outlives its window unless OnFinalMessage deletes it.
// Only windows of an own class reflect notifications to their children.
class CWindowBase : public CMessageMap {
public:
    ~CWindowBase() override;

    // Creates a window of the class; false (logged) when registration or
    // creation fails.
    bool Create(WindowClassInfo& windowClass, const WindowCreateArgs& args);
    // Takes over a control of this thread; false for a null window, another
    // thread's, or when this object has a window already.
    bool SubclassWindow(HWND window);

protected:
    // What the map leaves: the original procedure.
    LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK ClassWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR object);
    LRESULT Dispatch(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    void Unlink(HWND window);

    WNDPROC m_baseProc = nullptr;  // own and superclassed windows
    bool m_ownClass = false;
    bool m_subclassed = false;
};
