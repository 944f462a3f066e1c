// The About box: the program's name and version, a few lines about it and
// its web site, from the "ABOUT" text.
#pragma once

#include <windows.h>
#include <richedit.h>

#include "foundation/StdStr.h"
#include "toolkit/QLDialog.h"

class CAboutDlg : public CQLDialog {
public:
    CAboutDlg();

    // The "ABOUT" text with "<buildnum>" as "major.minor Build n" of the
    // program's file version; left as it is when no version can be read.
    static CStdStr AboutText();

protected:
    int OnInitDialog() override;
    int OnCommand(int id, HWND control, int code) override;
    bool OnNotify(int id, NMHDR* header, LRESULT* result) override;

private:
    void OpenLink(const CHARRANGE& range);
};

// The About box, modal, without an owner.
void ShowAboutDlg();
