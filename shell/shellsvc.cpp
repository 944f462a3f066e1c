// Shell services.
#include "shellsvc.h"

#include <htmlhelp.h>
#include <urlmon.h>

#include <vector>

#include "foundation/DataPaths.h"
#include "foundation/LogFile.h"
#include "foundation/MessageBoxSeam.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "foundation/Seams.h"
#include "foundation/ShellExecSeam.h"
#include "foundation/ShellServices.h"
#include "foundation/SysFuncs.h"
#include "foundation/fileio.h"
#include "framework/Library.h"
#include "mainwnd.h"
#include "notestore/Note.h"
#include "notestore/notemgr.h"
#include "resources/resource.h"

// No site answers there: the check fails quietly until a real one is set.
SVersionCheckSeam g_versionCheckSeam = {kProductAddress};

SVersionTexts VersionTextsOf(const VS_FIXEDFILEINFO& info)
{
    SVersionTexts texts;
    texts.version.Format(L"%d.%d%d.%d", HIWORD(info.dwFileVersionMS), LOWORD(info.dwFileVersionMS),
                         HIWORD(info.dwFileVersionLS), LOWORD(info.dwFileVersionLS));
    texts.address.Format(L"%d.%d%d%%20Build%%20%d", HIWORD(info.dwProductVersionMS), LOWORD(info.dwProductVersionMS),
                         HIWORD(info.dwProductVersionLS), LOWORD(info.dwProductVersionLS));
    return texts;
}

bool GetVersionText(CStdStr& version, CStdStr& address, DWORD& fileVersionHigh, DWORD& fileVersionLow)
{
    VS_FIXEDFILEINFO info = {};
    if (!GetOwnFileVersion(info))
        return false;
    const SVersionTexts texts = VersionTextsOf(info);
    version = texts.version;
    address = texts.address;
    fileVersionHigh = info.dwFileVersionMS;
    fileVersionLow = info.dwFileVersionLS;
    return true;
}

namespace {

// Reads a decimal number of 0-65535 at text; false when there is none.
bool ReadWord(const char*& text, WORD& value)
{
    if (*text < '0' || *text > '9')
        return false;
    unsigned number = 0;
    while (*text >= '0' && *text <= '9') {
        number = number * 10 + static_cast<unsigned>(*text++ - '0');
        if (number > 0xFFFF)
            return false;
    }
    value = static_cast<WORD>(number);
    return true;
}

constexpr size_t kMaxReplyAddress = 1023;

bool IsReplySpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

bool ParseVersionReply(const char* reply, SVersionReply& parsed)
{
    const char* at = reply;
    for (int part = 0; part < 4; ++part) {
        if (!ReadWord(at, parsed.version[part]))
            return false;
        if (part < 3 && *at++ != '.')
            return false;
    }
    // The reply's line end, read as any white space: LF alone or blanks too.
    if (!IsReplySpace(*at))
        return false;
    while (IsReplySpace(*at))
        ++at;
    std::string address;
    while (*at && !IsReplySpace(*at)) {
        if (address.size() == kMaxReplyAddress)
            return false;
        address += *at++;
    }
    if (address.empty())
        return false;
    parsed.address.AssignNarrow(address.c_str());
    return true;
}

bool IsNewerVersion(const SVersionReply& reply, DWORD fileVersionHigh, DWORD fileVersionLow)
{
    const DWORD high = MAKELONG(reply.version[1], reply.version[0]);
    const DWORD low = MAKELONG(reply.version[3], reply.version[2]);
    return high > fileVersionHigh || (high == fileVersionHigh && low > fileVersionLow);
}

namespace {

constexpr __time64_t kSecondsPerDay = 86400;
constexpr DWORD kMaxReplyBytes = 2047;

__time64_t ReadLastVersionCheck()
{
    wchar_t text[32] = {};
    GetPrivateProfileStringW(L"Preferences", L"LastVerCheck", L"0", text, 32, GetDataPath(EDataPath::Settings));
    return _wcstoi64(text, nullptr, 10);
}

void WriteLastVersionCheck(__time64_t now)
{
    wchar_t text[32] = {};
    FormatText(text, 32, L"%I64d", now);
    MyWritePrivateProfileString(L"Preferences", L"LastVerCheck", text, GetDataPath(EDataPath::Settings));
}

bool IsWebAddress(const CStdStr& address)
{
    return address.compare(0, 7, L"http://") == 0 || address.compare(0, 8, L"https://") == 0;
}

// The reply in the thread's ANSI code page.
CStdStr ReplyText(const char* reply)
{
    const int length = MultiByteToWideChar(CP_THREAD_ACP, 0, reply, -1, nullptr, 0);
    if (length <= 0)
        return CStdStr();
    std::vector<wchar_t> wide(length);
    MultiByteToWideChar(CP_THREAD_ACP, 0, reply, -1, wide.data(), length);
    return CStdStr(wide.data());
}

void OfferNewerVersion(const char* reply, bool automatic, DWORD fileVersionHigh, DWORD fileVersionLow)
{
    SVersionReply parsed;
    if (!ParseVersionReply(reply, parsed))
        return;
    if (IsNewerVersion(parsed, fileVersionHigh, fileVersionLow)) {
        if (AppMessageBox(GetAppWindow(), IDS_NEW_VERSION, MB_YESNO) == IDYES && IsWebAddress(parsed.address))
            g_shellExecuteSeam.shellExecute(GetAppWindow(), L"open", parsed.address.c_str(), nullptr, nullptr,
                                            SW_SHOWNORMAL);
    } else if (!automatic) {
        AppMessageBox(GetAppWindow(), IDS_LATEST_VERSION, MB_OK);
    }
}

bool DownloadToTempFile(const wchar_t* url, wchar_t (&file)[MAX_PATH])
{
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH || !GetTempFileNameW(folder, L"qlv", 0, file))
        return false;
    if (SUCCEEDED(URLDownloadToFileW(nullptr, url, file, 0, nullptr)))
        return true;
    DeleteFileW(file);
    return false;
}

}  // namespace

bool CheckVersionOnline(bool automatic)
{
    const __time64_t now = g_clockSeam.now();
    if (automatic && now < ReadLastVersionCheck() + g_prefs.CheckVersionNumDays * kSecondsPerDay)
        return false;
    CStdStr version, address;
    DWORD fileVersionHigh = 0, fileVersionLow = 0;
    GetVersionText(version, address, fileVersionHigh, fileVersionLow);
    CStdStr site(g_versionCheckSeam.siteAddress);
    site += L"checkver/";
    CStdStr url;
    url.Format(L"%s%s/%s/%d/%d", site.c_str(), address.c_str(), g_prefs.GUID.c_str(),
               static_cast<int>(GetUserDefaultUILanguage()), static_cast<int>(sizeof(void*) * 8));
    QLOG(L"CheckVersionOnline running url (%s)", url.c_str());

    // Into a file of our own: the cache names its files after the address,
    // which some systems can't do for an address with dots in its path.
    wchar_t replyFile[MAX_PATH] = {};
    if (!DownloadToTempFile(url.c_str(), replyFile)) {
        if (automatic)
            WriteLastVersionCheck(now);
        else
            AppMessageBox(GetAppWindow(), IDS_NO_INTERNET, MB_OK);
        return false;
    }
    char reply[kMaxReplyBytes + 1] = {};
    {
        CWinFile file;
        if (!file.Open(replyFile, CWinFile::accessRead | CWinFile::shareRead)) {
            DeleteFileW(replyFile);
            return false;
        }
        DWORD read = 0;
        try {
            read = file.Read(reply, kMaxReplyBytes);
        } catch (const CWinFileException& e) {
            QLOG(L"CheckVersionOnline read failed %lu", e.Error());
        }
        reply[read] = '\0';
        if (read > 0) {
            QLOG(L"CheckVer returned: %s", ReplyText(reply).c_str());
            OfferNewerVersion(reply, automatic, fileVersionHigh, fileVersionLow);
        }
    }
    DeleteFileW(replyFile);
    WriteLastVersionCheck(now);
    return true;
}

namespace {

CLibrary g_shellLibrary;
BOOL(WINAPI* g_notifyIcon)(DWORD, NOTIFYICONDATAW*) = nullptr;

}  // namespace

BOOL NotifyIconCall(DWORD operation, NOTIFYICONDATAW* record)
{
    if (!g_notifyIcon) {
        if (!g_shellLibrary)
            g_shellLibrary.Reset(LoadLibraryW(L"SHELL32.DLL"));
        if (!g_shellLibrary)
            return FALSE;
        g_notifyIcon = reinterpret_cast<decltype(g_notifyIcon)>(
            reinterpret_cast<void*>(GetProcAddress(g_shellLibrary.Get(), "Shell_NotifyIconW")));
        if (!g_notifyIcon)
            return FALSE;
    }
    return g_notifyIcon(operation, record);
}

void FreeTrayLibrary()
{
    g_notifyIcon = nullptr;
    g_shellLibrary.Reset();
}

bool RegisterForRawInput()
{
    QLOG(L"Registering for Raw Input");
    RAWINPUTDEVICE devices[2] = {};
    const USHORT usages[2] = {2, 6};  // mouse, keyboard
    for (int i = 0; i < 2; ++i) {
        devices[i].usUsagePage = 1;
        devices[i].usUsage = usages[i];
        devices[i].dwFlags = RIDEV_INPUTSINK;
        devices[i].hwndTarget = GetParentWindow();
    }
    if (!RegisterRawInputDevices(devices, 2, sizeof(RAWINPUTDEVICE))) {
        QLOG(L"RegisterRawInputDevices failed %08lx", GetLastError());
        return false;
    }
    return true;
}

bool IsInputIdle(DWORD now, DWORD lastInput, int autoFade)
{
    const DWORD limit = autoFade == 1 ? 5000 : 10000;
    // Unsigned difference: right across the 49.7-day wrap of the tick count.
    return now - lastInput > limit;
}

namespace {

bool IsOwnThreadWindow(HWND window)
{
    return window && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

// The focus window of this thread, else this thread's window under the cursor.
HWND InputWindow()
{
    const HWND focus = GetFocus();
    if (IsOwnThreadWindow(focus))
        return focus;
    POINT cursor = {};
    if (!MyGetPhysicalCursorPos(&cursor))
        return nullptr;
    const HWND pointed = MyWindowFromPhysicalPoint(cursor);
    return IsOwnThreadWindow(pointed) ? pointed : nullptr;
}

// The note of a window: its note frame's for a window inside one, else its
// own (a frame itself, or none).
CNote* NoteOfWindow(HWND window)
{
    CNote* const framed = NoteManager().GetNoteFromWindow(GetAncestor(window, GA_ROOT));
    return framed ? framed : NoteManager().GetNoteFromWindow(window);
}

}  // namespace

void CheckInputActivity()
{
    if (IsApplicationActive() || g_prefs.AutoFade == 0)
        return;
    const HWND input = InputWindow();
    if (input) {
        // The user works in a dimmed note: that note alone comes back.
        CNote* const note = NoteOfWindow(input);
        if (note && note->IsFadedOut()) {
            TempFadeOut(false, note);
            return;
        }
    }
    // Input to one of the program's windows is activity.
    const bool idle = !input && IsInputIdle(g_clockSeam.tickCount(), GetLastInputTick(), g_prefs.AutoFade);
    if (idle != NoteManager().IsFadedOut())
        TempFadeOut(idle, nullptr);
}
