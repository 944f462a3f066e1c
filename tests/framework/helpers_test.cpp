// The smaller pieces of the window layer: the dialog resizer, COM identity
// and lifetime, the window theme, the edit commands and the font and colour
// dialogs.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleidl.h>
#include <richedit.h>

#include <cstring>

#include "foundation/CustomColors.h"
#include "framework/CommonDialogs.h"
#include "framework/Dialog.h"
#include "framework/DialogResizer.h"
#include "framework/EditCommands.h"
#include "framework/Library.h"
#include "framework/UnknownImpl.h"
#include "framework/WindowTheme.h"
#include "tests/framework/FrameworkTestIds.h"
#include "tests/support/ScopedUiScript.h"

namespace {

class CResizedDialog : public CFrameworkDialog {
public:
    CResizedDialog() : CFrameworkDialog(IDD_T_SIZABLE) {}
    CDialogResizer resizer;

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT&) override
    {
        switch (msg) {
        case WM_INITDIALOG:
            resizer.Init(GetHwnd(), { { IDC_T_LIST, kResizeSizeX | kResizeSizeY },
                                      { IDC_T_TEXT, kResizeSizeX | kResizeMoveY },
                                      { IDOK, kResizeMoveX | kResizeMoveY } });
            break;
        case WM_SIZE: resizer.OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); break;
        case WM_GETMINMAXINFO: resizer.OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam)); break;
        }
        return false;
    }
};

RECT ControlRect(HWND dialog, int id)
{
    RECT rect = {};
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

TEST(DialogResizer, RulesMoveAndGrowControlsAndTheTemplateIsTheMinimum)
{
    CResizedDialog dialog;
    ASSERT_TRUE(dialog.Create(nullptr));
    const HWND box = dialog.GetHwnd();
    RECT window = {};
    GetWindowRect(box, &window);
    const RECT list = ControlRect(box, IDC_T_LIST);
    const RECT text = ControlRect(box, IDC_T_TEXT);
    const RECT ok = ControlRect(box, IDOK);

    SetWindowPos(box, nullptr, 0, 0, window.right - window.left + 50, window.bottom - window.top + 30,
                 SWP_NOMOVE | SWP_NOZORDER);
    struct Case { const char* name; RECT before; RECT after; int dLeft, dTop, dWidth, dHeight; };
    const Case cases[] = {
        { "list grows both ways", list, ControlRect(box, IDC_T_LIST), 0, 0, 50, 30 },
        { "edit grows and moves down", text, ControlRect(box, IDC_T_TEXT), 0, 30, 50, 0 },
        { "OK moves right and down", ok, ControlRect(box, IDOK), 50, 30, 0, 0 },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.after.left - c.before.left, c.dLeft) << c.name;
        EXPECT_EQ(c.after.top - c.before.top, c.dTop) << c.name;
        EXPECT_EQ((c.after.right - c.after.left) - (c.before.right - c.before.left), c.dWidth) << c.name;
        EXPECT_EQ((c.after.bottom - c.after.top) - (c.before.bottom - c.before.top), c.dHeight) << c.name;
    }
    MINMAXINFO info = {};
    SendMessageW(box, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, window.right - window.left);
    EXPECT_EQ(info.ptMinTrackSize.y, window.bottom - window.top);

    RECT client = {};
    GetClientRect(box, &client);
    const HWND grip = ChildWindowFromPointEx(box, { client.right - 2, client.bottom - 2 }, CWP_SKIPINVISIBLE);
    wchar_t className[32] = {};
    GetClassNameW(grip, className, 32);
    EXPECT_STREQ(className, L"ScrollBar") << "the gripper follows the corner";
}

// A COM object answering two interfaces, counting its deletions.
int g_deleted = 0;

class CTwoFaced : public CUnknownImpl<IDropSource, IDropTarget> {
public:
    explicit CTwoFaced(EObjectLifetime lifetime)
        : CUnknownImpl(lifetime, { { &IID_IDropSource, static_cast<IDropSource*>(this) },
                                   { &IID_IDropTarget, static_cast<IDropTarget*>(this) } })
    {
    }
    ~CTwoFaced() override { ++g_deleted; }

    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD*) override { return S_OK; }
};

TEST(UnknownImpl, OneIdentityAndOneFreeAtTheLastRelease)
{
    g_deleted = 0;
    auto* const object = new CTwoFaced(EObjectLifetime::Heap);
    IDropSource* const source = object;
    IDropTarget* target = nullptr;
    ASSERT_EQ(source->QueryInterface(IID_IDropTarget, reinterpret_cast<void**>(&target)), S_OK);
    IUnknown* fromSource = nullptr;
    IUnknown* fromTarget = nullptr;
    source->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromSource));
    target->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromTarget));
    EXPECT_EQ(fromSource, fromTarget) << "one identity whichever interface asks";

    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(source->QueryInterface(IID_IDataObject, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(source->QueryInterface(IID_IDropTarget, nullptr), E_POINTER);

    fromSource->Release();
    fromTarget->Release();
    target->Release();
    EXPECT_EQ(g_deleted, 0);
    EXPECT_EQ(source->Release(), 0u);
    EXPECT_EQ(g_deleted, 1);

    {
        CTwoFaced embedded(EObjectLifetime::Embedded);
        embedded.AddRef();
        EXPECT_EQ(static_cast<IDropSource&>(embedded).Release(), 0u);
        EXPECT_EQ(g_deleted, 1) << "an embedded object is never deleted by Release";
    }
    EXPECT_EQ(g_deleted, 2);
}

TEST(WindowTheme, ReopensOnChangesAndClosesWithTheWindow)
{
    const HWND button = CreateWindowExW(0, L"BUTTON", L"b", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    CWindowTheme theme;
    const bool themed = theme.Open(button, L"Button");
    EXPECT_EQ(themed, theme.Get() != nullptr);
    theme.OnWindowMessage(WM_THEMECHANGED);
    EXPECT_EQ(theme.Get() != nullptr, themed) << "the same class list is opened again";
    theme.OnWindowMessage(WM_NCDESTROY);
    EXPECT_EQ(theme.Get(), nullptr);
    theme.OnWindowMessage(WM_THEMECHANGED);
    EXPECT_EQ(theme.Get(), nullptr) << "a window that is gone gets no theme";
    DestroyWindow(button);
}

TEST(WindowTheme, NoClassListOpensNothing)
{
    const HWND button = CreateWindowExW(0, L"BUTTON", L"b", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    CWindowTheme theme;
    EXPECT_FALSE(theme.Open(button, nullptr));
    theme.OnWindowMessage(WM_THEMECHANGED);
    EXPECT_EQ(theme.Get(), nullptr);
    DestroyWindow(button);
}

TEST(EditCommands, TheSevenIdsReachTheEditor)
{
    CLibrary richEdit(LoadLibraryW(L"msftedit.dll"));
    const HWND edit = CreateWindowExW(0, MSFTEDIT_CLASS, L"", WS_POPUP | ES_MULTILINE, 0, 0, 200, 100, nullptr, nullptr,
                                      nullptr, nullptr);
    ASSERT_TRUE(edit);
    SendMessageW(edit, EM_SETTEXTMODE, TM_RICHTEXT | TM_MULTILEVELUNDO, 0);
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"hello"));
    struct Step { UINT id; const wchar_t* text; };
    const Step steps[] = {
        { ID_EDIT_SELECT_ALL, L"hello" },
        { ID_EDIT_CLEAR, L"" },
        { ID_EDIT_UNDO, L"hello" },
        { ID_EDIT_REDO, L"" },
    };
    for (const Step& step : steps) {
        EXPECT_TRUE(HandleEditCommand(edit, step.id)) << step.id;
        wchar_t text[16] = {};
        GetWindowTextW(edit, text, 16);
        EXPECT_STREQ(text, step.text) << step.id;
    }
    EXPECT_FALSE(HandleEditCommand(edit, 57633));
    DestroyWindow(edit);
}

CHARFORMAT2W Format(DWORD mask, DWORD effects, LONG twips, const wchar_t* face)
{
    CHARFORMAT2W format = {};
    format.cbSize = sizeof(format);
    format.dwMask = mask;
    format.dwEffects = effects;
    format.yHeight = twips;
    lstrcpynW(format.szFaceName, face, LF_FACESIZE);
    return format;
}

TEST(RichEditFont, FormatsBecomeFontsAndBack)
{
    const wchar_t longFace[] = L"A face of thirty-one characters";  // the most a face holds
    static_assert(sizeof(longFace) / sizeof(wchar_t) == LF_FACESIZE, "31 characters and the terminator");
    const DWORD all = CFM_FACE | CFM_SIZE | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_CHARSET;
    const LOGFONTW font = CharFormatToLogFont(
        Format(all, CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT, 200, longFace), 96);
    EXPECT_EQ(font.lfHeight, -13) << "200 twips at 96 dpi";
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    EXPECT_TRUE(font.lfItalic && font.lfUnderline && font.lfStrikeOut);
    EXPECT_STREQ(font.lfFaceName, longFace);
    // An effect whose mask bit is off is mixed, not set.
    EXPECT_FALSE(CharFormatToLogFont(Format(CFM_SIZE, CFE_BOLD, 200, L""), 96).lfWeight == FW_BOLD);

    struct MaskCase { DWORD mask; DWORD flags; };
    const MaskCase masks[] = {
        { all, 0 },
        { all & ~CFM_FACE, CF_NOFACESEL },
        { all & ~CFM_SIZE, CF_NOSIZESEL },
        { all & ~CFM_ITALIC, CF_NOSTYLESEL },
        { CFM_UNDERLINE, CF_NOFACESEL | CF_NOSIZESEL | CF_NOSTYLESEL | CF_NOSCRIPTSEL },
    };
    for (const MaskCase& c : masks)
        EXPECT_EQ(MixedAttributeFlags(Format(c.mask, 0, 200, L"x")), c.flags) << std::hex << c.mask;
}

TEST(RichEditFont, TheDialogsChoiceReplacesTheFormat)
{
    ScopedUiScript script;
    CHOOSEFONTW seen = {};
    LOGFONTW offered = {};
    script.HandleFont([&](CHOOSEFONTW& request) {
        seen = request;
        offered = *request.lpLogFont;
        lstrcpynW(request.lpLogFont->lfFaceName, L"Courier New", LF_FACESIZE);
        request.lpLogFont->lfWeight = FW_NORMAL;
        request.lpLogFont->lfItalic = TRUE;
        request.iPointSize = 120;
        request.rgbColors = RGB(1, 2, 3);
        request.Flags &= ~CF_NOSIZESEL;
        return TRUE;
    });
    script.HandleFont([](CHOOSEFONTW&) { return FALSE; });
    CHARFORMAT2W format = Format(CFM_FACE | CFM_BOLD | CFM_ITALIC | CFM_CHARSET, CFE_BOLD, 200, L"Arial");
    ASSERT_TRUE(ChooseRichEditFont(nullptr, format));
    EXPECT_TRUE(seen.Flags & CF_INITTOLOGFONTSTRUCT);
    EXPECT_TRUE(seen.Flags & CF_EFFECTS);
    EXPECT_STREQ(offered.lfFaceName, L"Arial");
    EXPECT_STREQ(format.szFaceName, L"Courier New");
    EXPECT_EQ(format.yHeight, 240) << "12 points in twips";
    EXPECT_TRUE(format.dwMask & CFM_SIZE);
    EXPECT_EQ(format.dwEffects & (CFE_BOLD | CFE_ITALIC), static_cast<DWORD>(CFE_ITALIC));
    EXPECT_EQ(format.crTextColor, RGB(1, 2, 3));

    const CHARFORMAT2W before = format;
    EXPECT_FALSE(ChooseRichEditFont(nullptr, format));
    EXPECT_EQ(std::memcmp(&before, &format, sizeof(format)), 0) << "a cancel changes nothing";
}

TEST(ColorDialog, StartsOnTheColourWithTheCustomColours)
{
    ScopedUiScript script;
    bool startedRight = false;
    script.HandleColor([&](CHOOSECOLORW& request) {
        startedRight = request.rgbResult == RGB(10, 20, 30) && (request.Flags & CC_RGBINIT) &&
                       request.lpCustColors == CustomColors().data();
        request.rgbResult = RGB(40, 50, 60);
        return TRUE;
    });
    script.AnswerColor(std::nullopt);
    COLORREF color = RGB(10, 20, 30);
    EXPECT_TRUE(ChooseColorDialog(nullptr, color));
    EXPECT_TRUE(startedRight);
    EXPECT_EQ(color, RGB(40, 50, 60));
    EXPECT_FALSE(ChooseColorDialog(nullptr, color));
    EXPECT_EQ(color, RGB(40, 50, 60));
}

}  // namespace
