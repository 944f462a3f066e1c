#include "hotkeydlg.h"

#include "hotkeys.h"
#include "foundation/MessageBoxSeam.h"
#include "framework/Dialog.h"
#include "resources/resource.h"
#include "toolkit/QLDialog.h"

namespace {

// The keys offered, in list order: extended keys carry kExtendedHotKey.
constexpr UINT kExt = kExtendedHotKey;
const UINT kKeyList[] = {
    VK_BACK, VK_TAB, VK_RETURN, VK_ESCAPE, VK_SPACE,
    kExt | VK_PRIOR, kExt | VK_NEXT, kExt | VK_END, kExt | VK_HOME,
    kExt | VK_LEFT, kExt | VK_UP, kExt | VK_RIGHT, kExt | VK_DOWN, kExt | VK_SELECT,
    kExt | VK_INSERT, kExt | VK_DELETE,
    '0', '1', '2', '3', '4', '5', '6', '7', '8', '9',
    'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M',
    'N', 'O', 'P', 'Q', 'R', 'S', 'T', 'U', 'V', 'W', 'X', 'Y', 'Z',
    VK_NUMPAD0, VK_NUMPAD1, VK_NUMPAD2, VK_NUMPAD3, VK_NUMPAD4, VK_NUMPAD5, VK_NUMPAD6, VK_NUMPAD7,
    VK_NUMPAD8, VK_NUMPAD9, VK_MULTIPLY, VK_ADD, VK_SEPARATOR, VK_SUBTRACT, VK_DECIMAL, VK_DIVIDE,
    VK_F1, VK_F2, VK_F3, VK_F4, VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_F10, VK_F11, VK_F12,
};

// Check box and modifier bit, in the template's order.
const struct {
    int id;
    UINT bit;
} kModifierBoxes[] = {
    { IDC_HOTKEY_ALT, MOD_ALT },
    { IDC_HOTKEY_CTRL, MOD_CONTROL },
    { IDC_HOTKEY_SHIFT, MOD_SHIFT },
    { IDC_HOTKEY_WIN, MOD_WIN },
};

// The hot key the open dialog edits; -1 while none is open.
int g_editedHotKey = -1;

class CEditedHotKey {
public:
    explicit CEditedHotKey(int number) { g_editedHotKey = number; }
    ~CEditedHotKey() { g_editedHotKey = -1; }
    CEditedHotKey(const CEditedHotKey&) = delete;
    CEditedHotKey& operator=(const CEditedHotKey&) = delete;
};

class CSetHotKeyDlg : public CFrameworkDialog {
public:
    CSetHotKeyDlg() : CFrameworkDialog(IDD_SET_HOT_KEY) {}

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) override
    {
        switch (msg) {
        case WM_INITDIALOG:
            result = OnInitDialog();
            return true;
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam));
        }
        return false;
    }

private:
    HWND KeyList() const { return GetDlgItem(GetHwnd(), IDC_HOTKEY_KEYS); }

    LRESULT OnInitDialog()
    {
        CenterWindowOnScreen(GetHwnd(), false);
        const SHotKey current = CurrentHotKey(g_editedHotKey);
        FillKeyList(current.key);
        for (const auto& box : kModifierBoxes)
            CheckDlgButton(GetHwnd(), box.id, (current.modifiers & box.bit) ? BST_CHECKED : BST_UNCHECKED);
        SetFocus(KeyList());
        return FALSE;
    }

    // Keys the keyboard layout has no name for are left out.
    void FillKeyList(UINT currentKey)
    {
        const HWND list = KeyList();
        int selection = 0;
        for (const UINT key : kKeyList) {
            const CStdStr name = HotKeyName(key);
            if (name.empty())
                continue;
            const int item = static_cast<int>(SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str())));
            if (item < 0)
                continue;
            SendMessageW(list, LB_SETITEMDATA, item, key);
            if (key == currentKey)
                selection = item;
        }
        SendMessageW(list, LB_SETCURSEL, selection, 0);
    }

    bool OnCommand(UINT id)
    {
        switch (id) {
        case IDOK: OnOK(); return true;
        case IDCANCEL: EndDialog(FALSE); return true;
        }
        return false;
    }

    void OnOK()
    {
        const int item = static_cast<int>(SendMessageW(KeyList(), LB_GETCURSEL, 0, 0));
        if (item < 0)
            return;
        SHotKey key{ static_cast<UINT>(SendMessageW(KeyList(), LB_GETITEMDATA, item, 0)), 0 };
        for (const auto& box : kModifierBoxes) {
            if (IsDlgButtonChecked(GetHwnd(), box.id) == BST_CHECKED)
                key.modifiers |= box.bit;
        }
        if (!ChangeHotKey(g_editedHotKey, key)) {
            AppMessageBox(GetHwnd(), IDS_HOT_KEY_IN_USE, MB_OK);
            return;
        }
        EndDialog(TRUE);
    }
};

}  // namespace

bool ShowSetHotKeyDlg(HWND owner, int hotKey)
{
    if (hotKey < 1 || hotKey > kHotKeyCount)
        return false;
    const CEditedHotKey edited(hotKey);
    CSetHotKeyDlg dialog;
    return dialog.DoModal(owner) == TRUE;
}
