// Single instance with command forwarding, and the command line.
#include "singleinst.h"

#include <objbase.h>
#include <process.h>
#include <shlobj.h>

#include <vector>

#include "MainCommands.h"
#include "foundation/DataPaths.h"
#include "foundation/LogFile.h"
#include "foundation/MessageBoxSeam.h"
#include "foundation/Preferences.h"
#include "foundation/Seams.h"
#include "foundation/SysFuncs.h"
#include "foundation/fileio.h"
#include "framework/ComPtr.h"
#include "mainwnd.h"
#include "resources/AppGuid.h"
#include "resources/resource.h"

CSingleInstance g_singleInstance(kInstallerAppGuid, kApplicationId);

namespace {

// A client that connects and then writes nothing is dropped after this long,
// so that it can't keep the pipe from the next start.
constexpr DWORD kReadTimeoutMs = 5000;
constexpr DWORD kBusyWaitMs = 5000;

CStdStr TempFolder()
{
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH)
        return CStdStr();
    CStdStr folder(temp);
    AppendBackslash(folder);
    return folder;
}

CStdStr UserName()
{
    wchar_t name[257] = {};
    DWORD size = 257;
    return GetUserNameW(name, &size) ? CStdStr(name) : CStdStr();
}

}  // namespace

CSingleInstance::CSingleInstance(const wchar_t* instanceName, const wchar_t* applicationId)
    : m_instanceName(instanceName)
{
    const CStdStr temp = TempFolder();
    if (!temp.empty())
        m_lockFilePath.Format(L"%sQuillet-%s.lck", temp.c_str(), instanceName);
    CStdStr pipeName;
    pipeName.Format(L"%s:%s", UserName().c_str(), applicationId);
    m_pipePath.Format(L"\\\\.\\pipe\\%s", pipeName.c_str());
}

CSingleInstance::~CSingleInstance()
{
    Stop();
}

void CSingleInstance::Stop()
{
    m_mutex.Reset();
    m_lockFile.Reset();
    InterlockedExchange(&m_running, 0);
    if (m_thread) {
        SetEvent(m_stopEvent.Get());
        WaitForSingleObject(m_thread.Get(), INFINITE);
    }
    m_thread.Reset();
    m_stopEvent.Reset();
    m_pipe.Reset();
    m_ioEvent.Reset();
}

bool CSingleInstance::ClaimSingleInstance(const wchar_t* commandLine)
{
    m_handedOver = false;
    if (m_lockFilePath.empty()) {
        m_mutex.Reset(CreateMutexW(nullptr, TRUE, m_instanceName.c_str()));
        if (!m_mutex)
            return false;
        if (GetLastError() == ERROR_ALREADY_EXISTS) {
            m_mutex.Reset();
            return m_handedOver = SendToRunningInstance(commandLine);
        }
        return StartPipeServer();
    }
    m_lockFile.Reset(CreateFileW(m_lockFilePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (m_lockFile)
        return StartPipeServer();
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
        return m_handedOver = SendToRunningInstance(commandLine);
    return false;
}

bool CSingleInstance::SendToRunningInstance(const wchar_t* commandLine)
{
    const auto open = [this] {
        return CreateFileW(m_pipePath.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    };
    CKernelHandle pipe(open());
    if (!pipe && GetLastError() == ERROR_PIPE_BUSY) {
        if (!WaitNamedPipeW(m_pipePath.c_str(), kBusyWaitMs))
            return false;
        pipe.Reset(open());
    }
    if (!pipe)
        return false;
    const wchar_t* const text = commandLine ? commandLine : L"";
    const DWORD bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
    DWORD written = 0;
    return WriteFile(pipe.Get(), text, bytes, &written, nullptr) && written == bytes;
}

bool CSingleInstance::StartPipeServer()
{
    m_pipe.Reset(CreateNamedPipeW(m_pipePath.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED,
                                  PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE, 1, 512, 512, 0, nullptr));
    if (!m_pipe) {
        // Another process holds the name: this copy still runs, alone.
        QLOG(L"Failed to create command pipe %s - error %lu", m_pipePath.c_str(), GetLastError());
        return true;
    }
    m_stopEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_ioEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_stopEvent || !m_ioEvent) {
        m_pipe.Reset();
        m_stopEvent.Reset();
        m_ioEvent.Reset();
        return false;
    }
    // Listening starts here, not when the thread gets going, so that a client
    // that comes at once is not lost.
    m_firstConnect = BeginConnect();
    InterlockedExchange(&m_running, 1);
    m_thread.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &InstancePipeServer, this, 0, nullptr)));
    if (!m_thread) {
        InterlockedExchange(&m_running, 0);
        m_ioEvent.Reset();
        m_pipe.Reset();
        m_stopEvent.Reset();
        return false;
    }
    return true;
}

unsigned __stdcall CSingleInstance::InstancePipeServer(void* self)
{
    return static_cast<CSingleInstance*>(self)->ServeClients();
}

unsigned CSingleInstance::ServeClients()
{
    EConnect state = m_firstConnect;
    while (m_running) {
        if (state == EConnect::Pending)
            state = AwaitClient();
        if (state == EConnect::Stopped)
            return 0;
        if (state == EConnect::Failed)
            return 1;
        CStdStr text;
        DWORD bytes = 0;
        const EWait read = ReadMessage(text, bytes);
        DisconnectNamedPipe(m_pipe.Get());
        if (read == EWait::Stopped)
            return 0;
        if (read == EWait::Done)
            Deliver(text.c_str(), bytes);
        state = BeginConnect();
    }
    return 0;
}

// Waits for the overlapped operation in m_io or the stop event.
CSingleInstance::EWait CSingleInstance::WaitForIo(DWORD timeout, DWORD& transferred)
{
    const HANDLE events[] = {m_ioEvent.Get(), m_stopEvent.Get()};
    const DWORD woken = WaitForMultipleObjects(2, events, FALSE, timeout);
    if (woken != WAIT_OBJECT_0) {
        CancelIoEx(m_pipe.Get(), &m_io);
        GetOverlappedResult(m_pipe.Get(), &m_io, &transferred, TRUE);
        return woken == WAIT_OBJECT_0 + 1 ? EWait::Stopped : EWait::Failed;
    }
    return GetOverlappedResult(m_pipe.Get(), &m_io, &transferred, FALSE) ? EWait::Done : EWait::Failed;
}

CSingleInstance::EConnect CSingleInstance::BeginConnect()
{
    m_io = OVERLAPPED{};
    m_io.hEvent = m_ioEvent.Get();
    ResetEvent(m_ioEvent.Get());
    if (ConnectNamedPipe(m_pipe.Get(), &m_io))
        return EConnect::Connected;
    switch (GetLastError()) {
    // A client that came before the call: its event is never signalled.
    case ERROR_PIPE_CONNECTED: return EConnect::Connected;
    // A client that wrote and went before the call: read what it left.
    case ERROR_NO_DATA: return EConnect::Connected;
    case ERROR_IO_PENDING: return EConnect::Pending;
    default: return EConnect::Failed;
    }
}

CSingleInstance::EConnect CSingleInstance::AwaitClient()
{
    DWORD unused = 0;
    switch (WaitForIo(INFINITE, unused)) {
    case EWait::Done: return EConnect::Connected;
    case EWait::Stopped: return EConnect::Stopped;
    default: return GetLastError() == ERROR_PIPE_CONNECTED ? EConnect::Connected : EConnect::Failed;
    }
}

// Done with the message in text; Failed for a read that failed, timed out
// or did not fit (logged); Stopped when teardown began.
CSingleInstance::EWait CSingleInstance::ReadMessage(CStdStr& text, DWORD& bytes)
{
    std::vector<wchar_t> buffer(kMaxPipeMessageBytes / sizeof(wchar_t));
    m_io = OVERLAPPED{};
    m_io.hEvent = m_ioEvent.Get();
    ResetEvent(m_ioEvent.Get());
    bytes = 0;
    EWait result = EWait::Done;
    if (!ReadFile(m_pipe.Get(), buffer.data(), kMaxPipeMessageBytes, &bytes, &m_io)) {
        if (GetLastError() != ERROR_IO_PENDING)
            result = EWait::Failed;
        else
            result = WaitForIo(kReadTimeoutMs, bytes);
    }
    if (result == EWait::Stopped)
        return result;
    if (result == EWait::Failed) {
        QLOG(L"Command pipe read failed - error %lu", GetLastError());
        return result;
    }
    text.assign(buffer.data(), bytes / sizeof(wchar_t));
    return EWait::Done;
}

void CSingleInstance::Deliver(const wchar_t* text, DWORD bytes) const
{
    if (bytes == 0 || bytes % sizeof(wchar_t) != 0) {
        QLOG(L"Ignoring command message of %lu bytes", bytes);
        return;
    }
    // The last character becomes the terminator whatever the client sent.
    std::vector<wchar_t> message(text, text + bytes / sizeof(wchar_t));
    message.back() = L'\0';
    std::vector<CStdStr> strings;
    for (size_t at = 0; at < message.size() && message[at] != L'\0';) {
        strings.emplace_back(&message[at]);
        at += strings.back().size() + 1;
    }
    std::vector<const wchar_t*> arguments;
    for (const CStdStr& string : strings)
        arguments.push_back(string.c_str());
    if (m_callback)
        m_callback(arguments.data(), static_cast<int>(arguments.size()));
}

UINT CommandFromWord(const wchar_t* word)
{
    struct SWordCommand {
        const wchar_t* word;
        UINT command;
    };
    static const SWordCommand kWords[] = {
        {L"newnote", ID_NEW_NOTE},          {L"noteorganizer", ID_NOTE_ORGANIZER},
        {L"showhide", ID_SHOW_HIDE_ALL},    {L"preferences", ID_PREFERENCES},
        {L"restart", ID_RESTART},
    };
    if (!word)
        return 0;
    for (const SWordCommand& entry : kWords)
        if (wcscmp(word, entry.word) == 0)
            return entry.command;
    return 0;
}

bool PostCommandWord(HWND mainWindow, const wchar_t* word)
{
    const UINT command = CommandFromWord(word);
    if (command == 0)
        return false;
    if (command == ID_NOTE_ORGANIZER)
        SetForegroundWindow(mainWindow);
    return PostMessageW(mainWindow, WM_COMMAND, command, 0) != FALSE;
}

void OnInstanceCommand(const wchar_t* const* arguments, int count)
{
    if (count == 0)
        return;
    const SCommandLine parsed = ParseCommandLine(arguments[0], true, false);
    if (!parsed.valid || CommandFromWord(parsed.commandWord.c_str()) == 0)
        return;
    const HWND mainWindow = GetAppWindow();
    if (!mainWindow) {
        QLOG(L"Dropping forwarded command %s: no main window yet", parsed.commandWord.c_str());
        return;
    }
    PostCommandWord(mainWindow, parsed.commandWord.c_str());
}

namespace {

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

enum class EOption { Command, Folder, Unknown };

// Reads one value starting at at; at ends after the character that ended it.
CStdStr ScanValue(const CStdStr& text, size_t& at)
{
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    CStdStr value;
    if (at < text.size() && text[at] == L'"') {
        const size_t close = text.find(L'"', at + 1);
        const size_t end = close == CStdStr::npos ? text.size() : close;
        value.append(text, at + 1, end - at - 1);
        at = close == CStdStr::npos ? end : close + 1;
    }
    while (at < text.size() && !IsBlank(text[at]) && text[at] != L'/')
        value += text[at++];
    // The ending character is used up, so "/" right after a value is lost.
    if (at < text.size())
        ++at;
    return value;
}

}  // namespace

SCommandLine ScanCommandLine(const wchar_t* commandLine)
{
    SCommandLine result;
    const CStdStr text(commandLine);
    if (text.empty())
        return result;
    size_t at = 0;
    while (at < text.size()) {
        if (text[at++] != L'/')
            continue;
        const wchar_t letter = at < text.size() ? text[at] : L'\0';
        if (letter == L'i' || letter == L'I' || letter == L'd' || letter == L'D') {
            result.messageId = IDS_OLD_OPTIONS;
            return result;
        }
        EOption option = EOption::Unknown;
        if (letter == L'c' || letter == L'C')
            option = EOption::Command;
        else if (letter == L'f' || letter == L'F')
            option = EOption::Folder;
        if (option != EOption::Unknown)
            ++at;
        const CStdStr value = ScanValue(text, at);
        if (value.empty() || option == EOption::Unknown) {
            result.messageId = IDS_COMMAND_LINE_HELP;
            return result;
        }
        (option == EOption::Command ? result.commandWord : result.folder) = value;
    }
    result.valid = !result.commandWord.empty() || !result.folder.empty();
    if (!result.valid)
        result.messageId = IDS_COMMAND_LINE_HELP;
    return result;
}

namespace {

// Whether the program can create and delete files in the folder. The probe's
// name is this run's own and the file must be new, so a file of the user's
// is never replaced.
bool ProbeFolder(const CStdStr& folder)
{
    CStdStr probe;
    probe.Format(L"%sewquio21ASSSA-%08lx-%08lx.txt", folder.c_str(), GetCurrentProcessId(), g_clockSeam.tickCount());
    const CKernelHandle file(CreateFileW(probe.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_FLAG_DELETE_ON_CLOSE | FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        QLOG(L"Failed to create %s - error %lu", probe.c_str(), GetLastError());
    return file.IsValid();
}

// The folder as a full path with its backslash, so that no data path
// depends on the current directory; empty when it does not fit.
CStdStr FullFolderPath(const CStdStr& folder)
{
    wchar_t full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(folder.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) {
        QLOG(L"Folder %s does not fit as a full path", folder.c_str());
        return CStdStr();
    }
    CStdStr result(full);
    AppendBackslash(result);
    return result;
}

// Sets the data paths to the folder when files can be made there; each
// refusal is logged with its cause.
bool UseFolder(const CStdStr& folder)
{
    if (folder.empty() || !ProbeFolder(folder))
        return false;
    if (SetDataFilePaths(folder.c_str()))
        return true;
    QLOG(L"Folder %s is too long for the data files", folder.c_str());
    return false;
}

void ApplyFolder(SCommandLine& parsed, bool showMessages)
{
    const CStdStr folder = FullFolderPath(parsed.folder);
    if (UseFolder(folder)) {
        parsed.folder = folder;
        parsed.folderApplied = true;
        QLOG(L"Data folder from the command line (%s)", folder.c_str());
        return;
    }
    parsed.valid = false;
    parsed.messageId = IDS_FOLDER_NOT_WRITABLE;
    if (showMessages)
        AppMessageBox(nullptr, IDS_FOLDER_NOT_WRITABLE, MB_OK);
    QLOG(L"Bad security on folder %s", folder.empty() ? parsed.folder.c_str() : folder.c_str());
}

}  // namespace

SCommandLine ParseCommandLine(const wchar_t* commandLine, bool checkMode, bool showMessages)
{
    SCommandLine parsed = ScanCommandLine(commandLine);
    if (checkMode) {
        if (showMessages && parsed.messageId != 0)
            AppMessageBox(nullptr, parsed.messageId, MB_OK);
        return parsed;
    }
    if (parsed.valid && !parsed.folder.empty() && IsDirectory(parsed.folder.c_str()))
        ApplyFolder(parsed, showMessages);
    return parsed;
}

void RegisterRestart(const wchar_t* commandLine)
{
    using RegisterRestartFn = HRESULT(WINAPI*)(PCWSTR, DWORD);
    static const auto registerRestart =
        FindSystemFunctionAs<RegisterRestartFn>(L"Kernel32.dll", "RegisterApplicationRestart");
    if (registerRestart)
        registerRestart(commandLine, 0);
}

namespace {

struct SShortcut {
    wchar_t path[MAX_PATH] = {};
    wchar_t description[MAX_PATH] = {};
    wchar_t arguments[1024] = {};
};

bool ReadShortcut(const wchar_t* linkPath, SShortcut& shortcut)
{
    CComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.Receive())))
        return false;
    CComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.Receive())))
        return false;
    return SUCCEEDED(file->Load(linkPath, STGM_READ)) && SUCCEEDED(link->Resolve(nullptr, SLR_NO_UI)) &&
           SUCCEEDED(link->GetPath(shortcut.path, MAX_PATH, nullptr, 0)) &&
           SUCCEEDED(link->GetDescription(shortcut.description, MAX_PATH)) &&
           SUCCEEDED(link->GetArguments(shortcut.arguments, 1024));
}

}  // namespace

bool UpdateStartupShortcut()
{
    wchar_t folder[MAX_PATH] = {};
    if (!g_folderRootsSeam.startupFolder(folder) || !folder[0])
        return false;
    CStdStr linkPath(folder);
    AppendBackslash(linkPath);
    linkPath += L"Quillet.lnk";
    if (!FileExists(linkPath.c_str()))
        return false;
    SShortcut shortcut;
    if (!ReadShortcut(linkPath.c_str(), shortcut))
        return false;
    // The settings first: a failed write must not lose the start with Windows.
    CPreferences startup;
    startup.StartupWithWindows = true;
    if (!startup.SetIniPath(GetDataPath(EDataPath::Settings)) ||
        wcscpy_s(startup.StartupArguments, CPreferences::kLongTextChars, shortcut.arguments) != 0 ||
        !startup.SaveStartupSettings())
        return false;
    return DeleteFileW(linkPath.c_str()) != FALSE;
}
