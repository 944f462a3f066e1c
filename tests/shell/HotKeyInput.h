// Presses a global hot key through SendInput, as a keyboard would: the
// modifiers down, the key down and up (extended where the kept key says so),
// the modifiers up.
#pragma once

#include <windows.h>

#include <vector>

#include "shell/hotkeys.h"

inline UINT PressHotKey(UINT modifiers, UINT key)
{
    std::vector<INPUT> inputs;
    const auto add = [&](UINT vk, DWORD flags) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = static_cast<WORD>(vk);
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    const struct {
        UINT bit;
        UINT vk;
    } kModifierKeys[] = { { MOD_CONTROL, VK_CONTROL }, { MOD_ALT, VK_MENU }, { MOD_SHIFT, VK_SHIFT } };
    const DWORD keyFlags = (key & kExtendedHotKey) ? KEYEVENTF_EXTENDEDKEY : 0;
    for (const auto& modifier : kModifierKeys)
        if (modifiers & modifier.bit)
            add(modifier.vk, 0);
    add(key & 0xFF, keyFlags);
    add(key & 0xFF, keyFlags | KEYEVENTF_KEYUP);
    for (const auto& modifier : kModifierKeys)
        if (modifiers & modifier.bit)
            add(modifier.vk, KEYEVENTF_KEYUP);
    return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}
