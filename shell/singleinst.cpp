// Single instance with command forwarding, and the command line.
#include "singleinst.h"

#include <objbase.h>
#include <process.h>
#include <shlobj.h>

#include <algorithm>
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
SPipePeerSeam g_pipePeerSeam = {&IsSameUserAndSession};

namespace {

// A client that connects and then writes nothing is dropped after this long,
// so that it can't keep an instance from the next starts.
constexpr DWORD kReadTimeoutMs = 5000;
// Between tries of a busy pipe whose wait gave up early.
constexpr DWORD kBusyPauseMs = 50;
constexpr DWORD kPipeBufferBytes = 512;

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

struct STokenUser {
    alignas(TOKEN_USER) BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
    PSID Sid() const { return reinterpret_cast<const TOKEN_USER*>(bytes)->User.Sid; }
};

bool ReadTokenUser(HANDLE process, STokenUser& user)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return false;
    const CKernelHandle owner(token);
    DWORD size = 0;
    return GetTokenInformation(token, TokenUser, user.bytes, sizeof user.bytes, &size) != FALSE;
}

bool InThisSession(DWORD processId)
{
    DWORD theirs = 0;
    DWORD ours = 0;
    return ProcessIdToSessionId(processId, &theirs) && ProcessIdToSessionId(GetCurrentProcessId(), &ours) &&
           theirs == ours;
}

// Some systems ignore FILE_FLAG_FIRST_PIPE_INSTANCE (Wine 8 does): a second
// instance then shows that another process made the name first.
bool IsOnlyInstance(HANDLE pipe)
{
    DWORD instances = 0;
    return !GetNamedPipeHandleStateW(pipe, nullptr, &instances, nullptr, nullptr, nullptr, 0) || instances == 1;
}

}  // namespace

bool IsSameUserAndSession(DWORD processId)
{
    if (!InThisSession(processId))
        return false;
    const CKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    STokenUser theirs;
    STokenUser ours;
    return process && ReadTokenUser(process.Get(), theirs) && ReadTokenUser(GetCurrentProcess(), ours) &&
           EqualSid(theirs.Sid(), ours.Sid());
}

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
    Close();
}

void CSingleInstance::Close()
{
    // The pipe goes before the lock: a start that takes the lock must find
    // the name free for its own pipe.
    InterlockedExchange(&m_running, 0);
    if (m_thread) {
        SetEvent(m_stopEvent.Get());
        WaitForSingleObject(m_thread.Get(), INFINITE);
    }
    m_thread.Reset();
    CloseServer();
    m_mutex.Reset();
    m_lockFile.Reset();
}

void CSingleInstance::CloseServer()
{
    m_stopEvent.Reset();
    for (SPipeInstance& instance : m_instances) {
        instance.pipe.Reset();
        instance.event.Reset();
        instance.state = EState::Broken;
    }
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

// Keeps trying a busy pipe: every instance may be serving another start.
HANDLE CSingleInstance::OpenServerEnd(DWORD& error) const
{
    const DWORD start = g_clockSeam.tickCount();
    for (;;) {
        // Identification only: a server may learn who wrote, not act as them.
        const HANDLE pipe = CreateFileW(m_pipePath.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
        if (pipe != INVALID_HANDLE_VALUE)
            return pipe;
        error = GetLastError();
        const DWORD waited = g_clockSeam.tickCount() - start;
        if (error != ERROR_PIPE_BUSY || waited >= kBusyRetryMs)
            return INVALID_HANDLE_VALUE;
        if (!WaitNamedPipeW(m_pipePath.c_str(), kBusyRetryMs - waited))
            Sleep(kBusyPauseMs);
    }
}

bool CSingleInstance::SendToRunningInstance(const wchar_t* commandLine)
{
    DWORD error = ERROR_SUCCESS;
    const CKernelHandle pipe(OpenServerEnd(error));
    if (!pipe) {
        QLOG(L"Command line not delivered: command pipe %s not opened - error %lu", m_pipePath.c_str(), error);
        return false;
    }
    ULONG server = 0;
    if (!GetNamedPipeServerProcessId(pipe.Get(), &server) || !g_pipePeerSeam.sameUserAndSession(server)) {
        QLOG(L"Command line not delivered: command pipe %s is served by process %lu of another user or session",
             m_pipePath.c_str(), server);
        return false;
    }
    const wchar_t* const text = commandLine ? commandLine : L"";
    const DWORD bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
    DWORD written = 0;
    if (WriteFile(pipe.Get(), text, bytes, &written, nullptr) && written == bytes)
        return true;
    QLOG(L"Command line not delivered: writing to command pipe %s failed - error %lu", m_pipePath.c_str(),
         GetLastError());
    return false;
}

// False when not even the first instance is ours (logged).
bool CSingleInstance::CreateInstances()
{
    for (DWORD i = 0; i < kPipeInstances; ++i) {
        // The first instance must make the name: a process that held it
        // before would receive this user's commands.
        const DWORD first = i == 0 ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0;
        SPipeInstance& instance = m_instances[i];
        instance.pipe.Reset(CreateNamedPipeW(m_pipePath.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | first,
                                             PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_REJECT_REMOTE_CLIENTS,
                                             kPipeInstances, kPipeBufferBytes, kPipeBufferBytes, 0, nullptr));
        if (i == 0 && instance.pipe && !IsOnlyInstance(instance.pipe.Get())) {
            instance.pipe.Reset();
            SetLastError(ERROR_ACCESS_DENIED);
        }
        if (!instance.pipe) {
            QLOG(L"Failed to create command pipe %s - error %lu", m_pipePath.c_str(), GetLastError());
            // Fewer instances serve too.
            return i > 0;
        }
        instance.buffer.resize(kMaxPipeMessageBytes / sizeof(wchar_t));
        instance.state = EState::ToListen;
    }
    return true;
}

bool CSingleInstance::StartPipeServer()
{
    // Another process holds the name: this copy still runs, alone.
    if (!CreateInstances()) {
        CloseServer();
        return true;
    }
    m_stopEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    bool events = m_stopEvent.IsValid();
    for (SPipeInstance& instance : m_instances) {
        if (instance.pipe) {
            instance.event.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
            events = events && instance.event.IsValid();
        }
    }
    if (!events) {
        CloseServer();
        return false;
    }
    // Listening starts here, not when the thread gets going: under Wine a
    // client that comes at once is lost otherwise.
    for (SPipeInstance& instance : m_instances)
        if (instance.state == EState::ToListen)
            Listen(instance);
    InterlockedExchange(&m_running, 1);
    m_thread.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &InstancePipeServer, this, 0, nullptr)));
    if (!m_thread) {
        InterlockedExchange(&m_running, 0);
        CancelAll();
        CloseServer();
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
    for (;;) {
        // The stop event first: it wins over an instance that is always busy.
        std::vector<HANDLE> events = {m_stopEvent.Get()};
        for (SPipeInstance& instance : m_instances) {
            while (Step(instance)) {
            }
            if (instance.state != EState::Broken)
                events.push_back(instance.event.Get());
        }
        if (events.size() == 1)
            return 1;
        const DWORD woken =
            WaitForMultipleObjects(static_cast<DWORD>(events.size()), events.data(), FALSE, NextReadTimeout());
        if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED) {
            CancelAll();
            return woken == WAIT_OBJECT_0 ? 0 : 1;
        }
    }
}

// Until the first read of a silent client runs out.
DWORD CSingleInstance::NextReadTimeout() const
{
    DWORD timeout = INFINITE;
    const DWORD now = g_clockSeam.tickCount();
    for (const SPipeInstance& instance : m_instances) {
        if (instance.state != EState::Reading)
            continue;
        const DWORD elapsed = now - instance.readStart;
        timeout = std::min(timeout, elapsed >= kReadTimeoutMs ? 0 : kReadTimeoutMs - elapsed);
    }
    return timeout;
}

// One step of an instance; true when another can follow at once.
bool CSingleInstance::Step(SPipeInstance& instance)
{
    switch (instance.state) {
    case EState::ToListen: Listen(instance); return true;
    case EState::Listening: return ListenDone(instance);
    case EState::ToRead: StartRead(instance); return true;
    case EState::Reading: return ReadDone(instance);
    case EState::Broken: return false;
    }
    return false;
}

void CSingleInstance::Listen(SPipeInstance& instance)
{
    instance.io = OVERLAPPED{};
    instance.io.hEvent = instance.event.Get();
    ResetEvent(instance.event.Get());
    if (ConnectNamedPipe(instance.pipe.Get(), &instance.io)) {
        instance.state = EState::ToRead;
        return;
    }
    const DWORD error = GetLastError();
    switch (error) {
    // A client that came before the call: its event is never signalled.
    case ERROR_PIPE_CONNECTED:
    // A client that wrote and went before the call: read what it left.
    case ERROR_NO_DATA: instance.state = EState::ToRead; return;
    case ERROR_IO_PENDING: instance.state = EState::Listening; return;
    default: StopServing(instance, error);
    }
}

bool CSingleInstance::ListenDone(SPipeInstance& instance)
{
    DWORD unused = 0;
    if (GetOverlappedResult(instance.pipe.Get(), &instance.io, &unused, FALSE) ||
        GetLastError() == ERROR_PIPE_CONNECTED) {
        instance.state = EState::ToRead;
        return true;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_IO_INCOMPLETE)
        StopServing(instance, error);
    return false;
}

void CSingleInstance::StopServing(SPipeInstance& instance, DWORD error)
{
    QLOG(L"Command pipe instance stopped listening - error %lu", error);
    instance.state = EState::Broken;
}

void CSingleInstance::StartRead(SPipeInstance& instance)
{
    ULONG client = 0;
    if (!GetNamedPipeClientProcessId(instance.pipe.Get(), &client) || !g_pipePeerSeam.sameUserAndSession(client)) {
        QLOG(L"Refusing a command from process %lu of another user or session", client);
        Finish(instance);
        return;
    }
    instance.io = OVERLAPPED{};
    instance.io.hEvent = instance.event.Get();
    ResetEvent(instance.event.Get());
    // A read done at once is taken by ReadDone, like one that completes later.
    if (ReadFile(instance.pipe.Get(), instance.buffer.data(), kMaxPipeMessageBytes, nullptr, &instance.io) ||
        GetLastError() == ERROR_IO_PENDING) {
        instance.state = EState::Reading;
        instance.readStart = g_clockSeam.tickCount();
        return;
    }
    QLOG(L"Command pipe read failed - error %lu", GetLastError());
    Finish(instance);
}

// Failed reads, timed out or too long for the buffer, are logged.
bool CSingleInstance::ReadDone(SPipeInstance& instance)
{
    DWORD bytes = 0;
    bool done = GetOverlappedResult(instance.pipe.Get(), &instance.io, &bytes, FALSE) != FALSE;
    if (!done && GetLastError() == ERROR_IO_INCOMPLETE) {
        if (g_clockSeam.tickCount() - instance.readStart < kReadTimeoutMs)
            return false;
        CancelIoEx(instance.pipe.Get(), &instance.io);
        done = GetOverlappedResult(instance.pipe.Get(), &instance.io, &bytes, TRUE) != FALSE;
    }
    if (done)
        Deliver(instance.buffer.data(), bytes);
    else
        QLOG(L"Command pipe read failed - error %lu", GetLastError());
    Finish(instance);
    return true;
}

void CSingleInstance::Finish(SPipeInstance& instance)
{
    DisconnectNamedPipe(instance.pipe.Get());
    instance.state = EState::ToListen;
}

void CSingleInstance::CancelAll()
{
    for (SPipeInstance& instance : m_instances) {
        if (instance.state != EState::Listening && instance.state != EState::Reading)
            continue;
        CancelIoEx(instance.pipe.Get(), &instance.io);
        DWORD unused = 0;
        GetOverlappedResult(instance.pipe.Get(), &instance.io, &unused, TRUE);
        instance.state = EState::Broken;
    }
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
