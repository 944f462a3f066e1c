// Shell services that windows below the shell need too.
#include "ShellServices.h"

#include <htmlhelp.h>

#include <vector>

#include "AppWindow.h"
#include "DataPaths.h"
#include "LogFile.h"
#include "Preferences.h"
#include "ResModule.h"
#include "Seams.h"
#include "ShellExecSeam.h"
#include "SysFuncs.h"
#include "fileio.h"
#include "framework/UiSeams.h"
#include "resources/resource.h"

bool CanUseLayeredWindows()
{
    static FARPROC setLayered = nullptr;
    if (!setLayered)
        setLayered = FindSystemFunction(L"USER32.DLL", "SetLayeredWindowAttributes");
    return setLayered != nullptr;
}

bool HasAnimateMenu()
{
    BOOL animate = FALSE;
    return SystemParametersInfoW(SPI_GETMENUANIMATION, 0, &animate, 0) && animate;
}

BOOL TrackMenuInForeground(HMENU menu, int x, int y, HWND window, const RECT* rect)
{
    SetForegroundWindow(window);
    const BOOL result = SeamedTrackPopupMenu(menu, TPM_LEFTBUTTON, x, y, window, rect);
    // The menu closes properly on the next click elsewhere only after the
    // owner has seen a message of its own.
    PostMessageW(window, WM_NULL, 0, 0);
    return result;
}

int GetAnimationDuration()
{
    if (GetSystemMetrics(SM_REMOTESESSION))
        return 0;
    switch (g_prefs.AnimationSpeed) {
    case 1: return 120;
    case 2: return 75;
    case 3: return 0;
    default: return 200;
    }
}

bool ShellOpen(const wchar_t* pathOrAddress)
{
    const HINSTANCE result =
        g_shellExecuteSeam.shellExecute(nullptr, L"open", pathOrAddress, nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

namespace {

// GetDateFormatW and GetTimeFormatW alike.
using DateTextFn = int(WINAPI*)(LCID, DWORD, const SYSTEMTIME*, LPCWSTR, LPWSTR, int);

void FormatOleDate(double date, DateTextFn format, DWORD flags, wchar_t* text, int size)
{
    if (size <= 0)
        return;
    text[0] = L'\0';
    SYSTEMTIME time = {};
    if (!VariantTimeToSystemTime(date, &time) || format(LOCALE_USER_DEFAULT, flags, &time, nullptr, text, size) == 0)
        text[0] = L'\0';
}

}  // namespace

void FormatDateShort(double date, wchar_t* text, int size)
{
    FormatOleDate(date, &GetDateFormatW, DATE_SHORTDATE, text, size);
}

void FormatDateLong(double date, wchar_t* text, int size)
{
    FormatOleDate(date, &GetDateFormatW, DATE_LONGDATE, text, size);
}

void FormatTimeShort(double date, wchar_t* text, int size)
{
    FormatOleDate(date, &GetTimeFormatW, TIME_NOSECONDS, text, size);
}

namespace {

std::vector<CStdStr> SplitTokens(const wchar_t* command)
{
    std::vector<CStdStr> tokens;
    CStdStr token;
    bool quoted = false;
    const auto finish = [&tokens, &token] {
        if (!token.empty())
            tokens.push_back(token);
        token.clear();
    };
    for (const wchar_t* at = command; *at; ++at) {
        if (*at == L'"') {
            quoted = !quoted;
            finish();
        } else if (*at == L' ' && !quoted) {
            finish();
        } else {
            token += *at;
        }
    }
    finish();
    return tokens;
}

}  // namespace

bool SplitCommandLine(const wchar_t* command, SCommandParts& parts)
{
    parts = SCommandParts();
    if (!command)
        return false;
    if (FileExists(command)) {
        parts.program = command;
        return true;
    }
    const std::vector<CStdStr> tokens = SplitTokens(command);
    if (tokens.empty())
        return false;
    parts.program = L"\"" + tokens[0] + L"\"";
    for (size_t i = 1; i < tokens.size(); ++i) {
        // A file name with blanks stays one parameter.
        if (tokens[i].Find(L' ') >= 0)
            parts.parameters += L"\"" + tokens[i] + L"\" ";
        else
            parts.parameters += tokens[i] + L" ";
    }
    return true;
}

void ExecuteCommandLine(const wchar_t* command)
{
    SCommandParts parts;
    if (!SplitCommandLine(command, parts))
        return;
    g_shellExecuteSeam.shellExecute(g_hwndApp, L"open", parts.program.c_str(),
                                    parts.parameters.empty() ? nullptr : parts.parameters.c_str(), nullptr,
                                    SW_SHOWNORMAL);
}

void ShowHelp(DWORD contextId)
{
    wchar_t program[MAX_PATH] = {};
    if (!g_folderRootsSeam.programFile(program))
        return;
    wchar_t* const slash = wcsrchr(program, L'\\');
    if (slash)
        *slash = L'\0';
    CStdStr helpFile;
    helpFile.Format(L"%s\\%s", program, LoadResString(IDS_HELP_FILE));
    HWND shown = nullptr;
    if (contextId != 0) {
        shown = HtmlHelpW(g_hwndApp, helpFile.c_str(), HH_HELP_CONTEXT, contextId);
    } else {
        CStdStr topic;
        topic.Format(L"%s::/html/welcome.htm", helpFile.c_str());
        shown = HtmlHelpW(g_hwndApp, topic.c_str(), HH_DISPLAY_TOPIC, 0);
    }
    if (!shown)
        QLOG(L"Help file %s could not be shown", helpFile.c_str());
}

void CloseAllHelp()
{
    HtmlHelpW(nullptr, nullptr, HH_CLOSE_ALL, 0);
}

// The product has no public site yet: a host that never resolves.
const wchar_t kProductAddress[] = L"http://www.quillet.invalid/";

bool GetOwnFileVersion(VS_FIXEDFILEINFO& info)
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &handle);
    if (size == 0)
        return false;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(path, 0, size, block.data()))
        return false;
    void* fixed = nullptr;
    UINT fixedSize = 0;
    if (!VerQueryValueW(block.data(), L"\\", &fixed, &fixedSize) || !fixed || fixedSize < sizeof(VS_FIXEDFILEINFO))
        return false;
    info = *static_cast<const VS_FIXEDFILEINFO*>(fixed);
    return true;
}
