#include "ProgramWindows.h"

#include <richedit.h>

namespace {

struct SSearch {
    DWORD processId;
    const wchar_t* className;
    std::vector<HWND> found;
};

BOOL CALLBACK Match(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<SSearch*>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (processId == search->processId && wcscmp(name, search->className) == 0)
        search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK MatchEditor(HWND window, LPARAM lParam)
{
    // Only a rich-edit control answers with a rich-text mode.
    DWORD_PTR mode = 0;
    if (!SendMessageTimeoutW(window, EM_GETTEXTMODE, 0, 0, SMTO_ABORTIFHUNG, 5000, &mode) || !(mode & TM_RICHTEXT))
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = window;
    return FALSE;
}

}  // namespace

std::vector<HWND> WindowsOfClass(DWORD processId, const wchar_t* className)
{
    SSearch search = {processId, className, {}};
    EnumWindows(&Match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindEditor(HWND window)
{
    HWND editor = nullptr;
    EnumChildWindows(window, &MatchEditor, reinterpret_cast<LPARAM>(&editor));
    return editor;
}

std::wstring WindowText(HWND window)
{
    wchar_t text[1024] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}
