// Direct calls the seam policy refuses: 7 here. MessageBoxW(nullptr) in a comment is no call.
void Calls(HWND owner, HMENU menu, OPENFILENAMEW* request, NOTIFYICONDATAW* icon)
{
    MessageBoxW(owner, L"text", L"MessageBeep(0)", MB_OK);
    ::MessageBeep(MB_OK);
    TrackPopupMenu(menu, 0, 0, 0, 0, owner, nullptr);
    GetOpenFileNameW (request);
    ShellExecuteW(owner, L"open", L"x", nullptr, nullptr, SW_SHOW);
    mciSendStringW(L"close all", nullptr, 0, nullptr);
    Shell_NotifyIconW(NIM_ADD, icon);
    /* ChooseColorW(nullptr); */
    seam.MessageBeep(0);
    SeamedMessageBeep(0);
}
