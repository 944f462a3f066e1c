// Real pointer and keyboard input for the Xvfb tier: it goes through the X
// server, so it reaches whichever window X gives it, in any process.
#pragma once

#include <windows.h>

#include <cwctype>

// A pointer event at a screen point, in screen pixels.
inline void SendMouse(DWORD flags, POINT at)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
}

inline void SendKey(WORD key, bool down)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof(input));
}

// Letters and digits as their keys, each pressed and released.
inline void SendKeys(const wchar_t* letters)
{
    for (const wchar_t* letter = letters; *letter; ++letter) {
        const auto key = static_cast<WORD>(towupper(*letter));
        SendKey(key, true);
        SendKey(key, false);
        Sleep(30);
    }
}
