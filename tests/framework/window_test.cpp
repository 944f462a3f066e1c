// Our own windows: dispatch through message maps for own classes, superclasses
// and subclassed controls, the final message, and reflection to child controls.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "foundation/Seams.h"
#include "framework/Dialog.h"
#include "framework/Library.h"
#include "framework/Window.h"
#include "tests/framework/FrameworkTestIds.h"

namespace {

constexpr UINT WM_T_DESTROY_SELF = WM_APP + 1;
constexpr UINT WM_T_CHAINED = WM_APP + 2;
constexpr UINT WM_T_UNHANDLED = WM_APP + 3;

// Records every message its map sees; optionally answers some.
class CRecordingWindow : public CWindowBase {
public:
    std::vector<UINT> seen;
    std::vector<const char*>* events = nullptr;
    int finalMessages = 0;
    bool deleteOnFinal = false;

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        seen.push_back(msg);
        bool handled = true;
        switch (msg) {
        case WM_T_DESTROY_SELF: OnDestroySelf(); break;
        case WM_T_CHAINED:      handled = false; break;  // left to the chained map
        case WM_GETTEXTLENGTH:  handled = false; break;  // left to the original procedure
        default:                handled = false;
        }
        return handled || ChainedMap(msg, wParam, lParam, result);
    }

    void OnFinalMessage(HWND) override
    {
        ++finalMessages;
        if (events)
            events->push_back("final");
        if (deleteOnFinal)
            delete this;
    }

private:
    void OnDestroySelf()
    {
        DestroyWindow(GetHwnd());
        // The object lives until the outermost handler has returned.
        events->push_back("handler returned");
    }

    bool ChainedMap(UINT msg, WPARAM, LPARAM, LRESULT& result)
    {
        if (msg != WM_T_CHAINED)
            return false;
        result = 17;
        return true;
    }
};

WindowClassInfo g_recordingClass = { L"QuilletTestRecording", nullptr, 0, nullptr, nullptr, 0, nullptr };
WindowClassInfo g_richEditClass = { L"QuilletTestRichEdit", MSFTEDIT_CLASS, 0, nullptr, nullptr, 0, nullptr };

WindowCreateArgs ChildArgs(HWND parent, UINT id)
{
    WindowCreateArgs args;
    args.parent = parent;
    args.style = WS_CHILD | WS_VISIBLE;
    args.x = args.y = 0;
    args.width = 100;
    args.height = 30;
    args.idOrMenu = id;
    return args;
}

TEST(WindowDispatch, OwnClassSeesCreationMessagesFromTheFirst)
{
    CRecordingWindow window;
    ASSERT_TRUE(window.Create(g_recordingClass, WindowCreateArgs()));
    ASSERT_GE(window.seen.size(), 2u);
    // The link exists before WM_NCCREATE: nothing before it went past the map.
    EXPECT_EQ(window.seen[0], static_cast<UINT>(WM_GETMINMAXINFO));
    EXPECT_NE(std::find(window.seen.begin(), window.seen.end(), WM_NCCREATE), window.seen.end());
    EXPECT_NE(std::find(window.seen.begin(), window.seen.end(), WM_CREATE), window.seen.end());
    EXPECT_FALSE(window.Create(g_recordingClass, WindowCreateArgs())) << "one window per object";
    EXPECT_EQ(window.Window().Send(WM_T_CHAINED), 17) << "a cleared flag goes on to the chained map";
    EXPECT_EQ(window.Window().Send(WM_T_UNHANDLED), 0);
    DestroyWindow(window.GetHwnd());
    EXPECT_EQ(window.finalMessages, 1);
    EXPECT_EQ(window.GetHwnd(), nullptr);
}

TEST(WindowDispatch, SuperclassedRichEditKeepsItsOwnBehaviour)
{
    CLibrary richEdit(LoadLibraryW(L"msftedit.dll"));
    ASSERT_TRUE(richEdit);
    CRecordingWindow window;
    WindowCreateArgs args;
    args.style = WS_POPUP | ES_MULTILINE;
    args.text = L"rich";
    ASSERT_TRUE(window.Create(g_richEditClass, args));
    EXPECT_NE(std::find(window.seen.begin(), window.seen.end(), WM_NCCREATE), window.seen.end());
    EXPECT_EQ(window.Window().Text(), L"rich") << "the base procedure got the creation text";
    EXPECT_EQ(window.Window().Send(WM_GETTEXTLENGTH), 4) << "a cleared flag reaches the original procedure";
    window.Window().Send(EM_SETSEL, 1, 3);
    CHARRANGE range = {};
    window.Window().Send(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.cpMin, 1);
    EXPECT_EQ(range.cpMax, 3);
    DestroyWindow(window.GetHwnd());
    EXPECT_EQ(window.finalMessages, 1);
}

TEST(WindowDispatch, SubclassedButtonKeepsItsUserData)
{
    const HWND button = CreateWindowExW(0, L"BUTTON", L"b", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(button);
    SetWindowLongPtrW(button, GWLP_USERDATA, 0x1234);
    CRecordingWindow window;
    ASSERT_TRUE(window.SubclassWindow(button));
    EXPECT_FALSE(window.SubclassWindow(button)) << "one object subclasses once";
    EXPECT_EQ(GetWindowLongPtrW(button, GWLP_USERDATA), 0x1234);
    EXPECT_EQ(window.Window().Send(WM_T_CHAINED), 17);
    EXPECT_EQ(window.Window().Text(), L"b");
    EXPECT_NE(std::find(window.seen.begin(), window.seen.end(), WM_GETTEXT), window.seen.end());
    DestroyWindow(button);
    EXPECT_EQ(window.finalMessages, 1);
}

TEST(WindowDispatch, SubclassRefusesWhatItCannotOwn)
{
    CRecordingWindow window;
    EXPECT_FALSE(window.SubclassWindow(nullptr));
    // A window of another thread.
    HWND foreign = nullptr;
    const HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    struct Shared { HWND* window; HANDLE ready; HANDLE done; } shared = { &foreign, ready, done };
    const HANDLE thread = CreateThread(nullptr, 0, [](void* context) -> DWORD {
        auto* s = static_cast<Shared*>(context);
        *s->window = CreateWindowExW(0, L"BUTTON", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        SetEvent(s->ready);
        WaitForSingleObject(s->done, INFINITE);
        DestroyWindow(*s->window);
        return 0;
    }, &shared, 0, nullptr);
    WaitForSingleObject(ready, 10000);
    ASSERT_TRUE(foreign);
    EXPECT_FALSE(window.SubclassWindow(foreign));
    SetEvent(done);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    CloseHandle(ready);
    CloseHandle(done);
}

TEST(WindowDispatch, FailedRegistrationOrCreationIsFalseAndLogged)
{
    WindowClassInfo orphan = { L"QuilletTestOrphan", L"NoSuchBaseClass", 0, nullptr, nullptr, 0, nullptr };
    WindowCreateArgs childWithoutParent;
    childWithoutParent.style = WS_CHILD;
    CLogCapture log;
    CRecordingWindow first;
    EXPECT_FALSE(first.Create(orphan, WindowCreateArgs()));
    CRecordingWindow second;
    EXPECT_FALSE(second.Create(g_recordingClass, childWithoutParent));
    EXPECT_EQ(second.GetHwnd(), nullptr);
    EXPECT_EQ(log.Lines().size(), 2u);
}

TEST(WindowDispatch, DestroyInAHandlerEndsWithOneFinalMessageAfterIt)
{
    std::vector<const char*> events;
    auto owned = std::make_unique<CRecordingWindow>();
    owned->events = &events;
    owned->deleteOnFinal = true;
    ASSERT_TRUE(owned->Create(g_recordingClass, WindowCreateArgs()));
    const HWND window = owned->GetHwnd();
    owned.release()->Window().Send(WM_T_DESTROY_SELF);
    EXPECT_FALSE(IsWindow(window));
    const std::vector<const char*> expected = { "handler returned", "final" };
    EXPECT_EQ(events, expected);
}

// A child control that answers reflected messages with a mark of its own.
class CReflectedChild : public CWindowBase {
public:
    std::vector<UINT> reflected;

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override
    {
        if (msg < kReflectedMessageBase || msg > kReflectedMessageBase + WM_USER)
            return false;
        reflected.push_back(msg);
        result = 500 + static_cast<LRESULT>(msg - kReflectedMessageBase);
        return true;
    }
};

// An owner whose map answers one message itself.
class COwnerWindow : public CWindowBase {
public:
    UINT answers = 0;

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override
    {
        if (msg != answers)
            return false;
        result = 99;
        return true;
    }
};

struct ReflectionCase {
    const char* name;
    UINT msg;
    bool menu;        // from a menu (or an accelerator for WM_COMMAND)
    bool reflected;   // the child gets message + 0x2000
};

const ReflectionCase kReflectionCases[] = {
    { "draw control", WM_DRAWITEM, false, true },
    { "draw menu", WM_DRAWITEM, true, false },          // an HMENU is no window
    { "measure control", WM_MEASUREITEM, false, true },
    { "measure menu", WM_MEASUREITEM, true, false },
    { "delete", WM_DELETEITEM, false, true },
    { "compare", WM_COMPAREITEM, false, true },
    { "command from control", WM_COMMAND, false, true },
    { "command from menu or accelerator", WM_COMMAND, true, false },
    { "notify", WM_NOTIFY, false, false },              // only the note frame asks for it
};

// Sends one notification to the owner as the system would, naming the child.
LRESULT SendNotification(HWND owner, HWND child, const ReflectionCase& c)
{
    const UINT id = static_cast<UINT>(GetDlgCtrlID(child));
    const HWND item = c.menu ? nullptr : child;
    switch (c.msg) {
    case WM_DRAWITEM: {
        DRAWITEMSTRUCT draw = {};
        draw.CtlType = c.menu ? ODT_MENU : ODT_BUTTON;
        draw.CtlID = c.menu ? 0 : id;
        // A menu's hwndItem holds its HMENU: make it look like a window.
        draw.hwndItem = c.menu ? child : item;
        return SendMessageW(owner, WM_DRAWITEM, draw.CtlID, reinterpret_cast<LPARAM>(&draw));
    }
    case WM_MEASUREITEM: {
        MEASUREITEMSTRUCT measure = {};
        measure.CtlType = c.menu ? ODT_MENU : ODT_LISTBOX;
        measure.CtlID = id;
        return SendMessageW(owner, WM_MEASUREITEM, id, reinterpret_cast<LPARAM>(&measure));
    }
    case WM_DELETEITEM: {
        DELETEITEMSTRUCT deleted = { ODT_LISTBOX, id, 0, item, 0 };
        return SendMessageW(owner, WM_DELETEITEM, id, reinterpret_cast<LPARAM>(&deleted));
    }
    case WM_COMPAREITEM: {
        COMPAREITEMSTRUCT compare = {};
        compare.CtlType = ODT_LISTBOX;
        compare.CtlID = id;
        compare.hwndItem = item;
        return SendMessageW(owner, WM_COMPAREITEM, id, reinterpret_cast<LPARAM>(&compare));
    }
    case WM_COMMAND:
        return SendMessageW(owner, WM_COMMAND, MAKEWPARAM(id, c.menu ? 1 : BN_CLICKED),
                            reinterpret_cast<LPARAM>(item));
    case WM_NOTIFY: {
        NMHDR header = { child, id, NM_CLICK };
        return SendMessageW(owner, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&header));
    }
    }
    return -1;
}

// What the owner answered and the child saw: the owner's own 99 when its map
// handled the message, else the child's reflected answer for the messages
// that are reflected.
void ExpectReflection(const ReflectionCase& c, bool ownerHandles, const CReflectedChild& child, LRESULT answer)
{
    const bool expectReflected = c.reflected && !ownerHandles;
    EXPECT_EQ(child.reflected.size(), expectReflected ? 1u : 0u) << c.name << " handled " << ownerHandles;
    if (expectReflected) {
        EXPECT_EQ(answer, 500 + static_cast<LRESULT>(c.msg)) << c.name;
    }
    if (ownerHandles) {
        EXPECT_EQ(answer, 99) << c.name;
    }
}

TEST(Reflection, WindowOwnerReflectsWhatItsMapLeaves)
{
    for (const ReflectionCase& c : kReflectionCases) {
        for (const bool ownerHandles : { false, true }) {
            COwnerWindow owner;
            owner.answers = ownerHandles ? c.msg : 0;
            ASSERT_TRUE(owner.Create(g_recordingClass, WindowCreateArgs()));
            CReflectedChild child;
            ASSERT_TRUE(child.Create(g_recordingClass, ChildArgs(owner.GetHwnd(), 7)));
            const LRESULT answer = SendNotification(owner.GetHwnd(), child.GetHwnd(), c);
            ExpectReflection(c, ownerHandles, child, answer);
            DestroyWindow(owner.GetHwnd());
        }
    }
}

// A dialog owner whose map answers one message itself.
class COwnerDialog : public CFrameworkDialog {
public:
    COwnerDialog() : CFrameworkDialog(IDD_T_CONTROLS) {}
    UINT answers = 0;

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override
    {
        if (msg != answers)
            return false;
        result = 99;
        return true;
    }
};

TEST(Reflection, DialogOwnerReflectsWhatItsMapLeaves)
{
    for (const ReflectionCase& c : kReflectionCases) {
        for (const bool ownerHandles : { false, true }) {
            COwnerDialog owner;
            owner.answers = ownerHandles ? c.msg : 0;
            ASSERT_TRUE(owner.Create(nullptr));
            CReflectedChild child;
            ASSERT_TRUE(child.SubclassWindow(GetDlgItem(owner.GetHwnd(), IDC_T_DRAWN)));
            // Through the dialog manager: most answers go by DWLP_MSGRESULT.
            const LRESULT answer = SendNotification(owner.GetHwnd(), child.GetHwnd(), c);
            ExpectReflection(c, ownerHandles, child, answer);
            DestroyWindow(owner.GetHwnd());
        }
    }
}

TEST(Reflection, OnlyChildrenOfTheOwnerAndNotifyOnRequest)
{
    COwnerWindow owner;
    ASSERT_TRUE(owner.Create(g_recordingClass, WindowCreateArgs()));
    CReflectedChild child;
    ASSERT_TRUE(child.Create(g_recordingClass, ChildArgs(owner.GetHwnd(), 7)));
    CReflectedChild stranger;  // a top-level window of its own
    ASSERT_TRUE(stranger.Create(g_recordingClass, WindowCreateArgs()));

    LRESULT result = 0;
    EXPECT_FALSE(ReflectToChild(owner.GetHwnd(), WM_COMMAND, MAKEWPARAM(7, 0),
                                reinterpret_cast<LPARAM>(stranger.GetHwnd()), result));
    EXPECT_TRUE(stranger.reflected.empty());

    NMHDR header = { child.GetHwnd(), 7, NM_CLICK };
    EXPECT_TRUE(ReflectToChild(owner.GetHwnd(), WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&header), result, true));
    EXPECT_EQ(result, 500 + WM_NOTIFY);
    EXPECT_FALSE(ReflectToChild(owner.GetHwnd(), WM_COMMAND, 7, 0, result)) << "a command without a control";
    DestroyWindow(stranger.GetHwnd());
    DestroyWindow(owner.GetHwnd());
}

TEST(Reflection, ListBoxFreesItsItemsThroughTheOwnerToTheEnd)
{
    COwnerWindow owner;
    ASSERT_TRUE(owner.Create(g_recordingClass, WindowCreateArgs()));
    const HWND list = CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD | LBS_OWNERDRAWFIXED, 0, 0, 100, 100,
                                      owner.GetHwnd(), reinterpret_cast<HMENU>(8), nullptr, nullptr);
    ASSERT_TRUE(list);
    CReflectedChild child;
    ASSERT_TRUE(child.SubclassWindow(list));
    SendMessageW(list, LB_ADDSTRING, 0, 1);
    SendMessageW(list, LB_ADDSTRING, 0, 2);
    std::vector<UINT>* const reflected = &child.reflected;
    DestroyWindow(owner.GetHwnd());
    EXPECT_EQ(std::count(reflected->begin(), reflected->end(), OCM_DELETEITEM), 2);
}

}  // namespace
