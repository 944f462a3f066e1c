// Runs the attach dialog for real with a script that works it from a timer
// in its modal loop, for the dialog's tests of both tiers.
#pragma once

#include "dialogs/AttachNoteToWndDlg.h"
#include "notestore/AttachedNotes.h"
#include "resources/resource.h"
#include "tests/notestore/AttachedNotesTest.h"

#include <functional>
#include <string>

// Runs the dialog of a note with a script that works the open dialog; a
// watchdog cancels a dialog still open after 10 s.
class CDialogDriver {
public:
    using Script = std::function<void(HWND dialog)>;

    static bool Run(CNote& note, Script script)
    {
        s_script = std::move(script);
        s_ran = false;
        s_started = GetTickCount64();
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, OnTimer);
        const bool ok = ShowAttachNoteToWndDlg(note.GetHwnd());
        KillTimer(nullptr, timer);
        EXPECT_TRUE(s_ran) << "the dialog never opened";
        EXPECT_LT(GetTickCount64() - s_started, 10000u) << "the watchdog ended the dialog";
        return ok;
    }

    static void Click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
    static std::wstring Text(HWND dialog, int id)
    {
        wchar_t text[256] = {};
        GetDlgItemTextW(dialog, id, text, 256);
        return text;
    }

    // Presses on the finder, where the dialog takes the mouse for a pick.
    static void PressFinder(HWND dialog)
    {
        RECT finder;
        GetWindowRect(GetDlgItem(dialog, IDC_ATTACH_FINDER), &finder);
        POINT press = {(finder.left + finder.right) / 2, (finder.top + finder.bottom) / 2};
        ScreenToClient(dialog, &press);
        SendMessageW(dialog, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(press.x, press.y));
    }

private:
    static HWND OwnDialog()
    {
        HWND found = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), [](HWND window, LPARAM found) {
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (wcscmp(name, L"#32770") != 0 || !IsWindowVisible(window))
                return TRUE;
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        }, reinterpret_cast<LPARAM>(&found));
        return found;
    }

    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD)
    {
        const HWND dialog = OwnDialog();
        if (dialog && !s_ran) {
            s_ran = true;
            s_script(dialog);
        } else if (dialog && GetTickCount64() - s_started > 10000) {
            EndDialog(dialog, 0);
        }
    }

    static inline Script s_script;
    static inline bool s_ran = false;
    static inline ULONGLONG s_started = 0;
};

class CAttachDialogTest : public CAttachedNotesTest {
protected:
    std::int64_t Rows() { return Scalar(L"select count(*) from attachnotes"); }
};
