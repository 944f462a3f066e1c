// Only one copy of the program runs for a user. The first copy holds a lock
// file (or a mutex) and serves a named pipe; a second start hands its command
// line over that pipe and ends, and the first turns the command word into a
// command of its main window. Also: the "/f" and "/c" options, restart
// registration and the conversion of an old Startup-folder shortcut.
#pragma once

#include <windows.h>

#include <array>
#include <vector>

#include "foundation/StdStr.h"
#include "framework/KernelHandle.h"

// Receives the strings of one forwarded command line, on the pipe thread.
using InstanceCommandCallback = void (*)(const wchar_t* const* arguments, int count);

// Names the pipe (with the user name) and the taskbar identity.
constexpr wchar_t kApplicationId[] = L"Quillet.TarnwellSoftware.4.0";
// The largest pipe message the server takes.
constexpr DWORD kMaxPipeMessageBytes = 65534;
// Pipe instances the server keeps listening, so that starts at once need not
// queue for one.
constexpr DWORD kPipeInstances = 4;
// How long a second start keeps trying a busy pipe.
constexpr DWORD kBusyRetryMs = 10000;

// Whether a process at the other end of the command pipe runs as this user in
// this session; a command line may hold folder paths, so it goes to no one
// else, and no one else's commands are taken.
struct SPipePeerSeam {
    bool (*sameUserAndSession)(DWORD processId);
};
extern SPipePeerSeam g_pipePeerSeam;

// The real check: false also when the process can't be asked.
bool IsSameUserAndSession(DWORD processId);

class CSingleInstance {
public:
    // Forms the lock-file path and the pipe name; claims nothing yet.
    CSingleInstance(const wchar_t* instanceName, const wchar_t* applicationId);
    // Closes what Close has not closed.
    ~CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    void SetCallback(InstanceCommandCallback callback) { m_callback = callback; }

    // True when this process may run, or when its command line went to the
    // running copy (then HandedOver is true); false when neither worked.
    bool ClaimSingleInstance(const wchar_t* commandLine);
    // True when the whole message was written to a server of this user and
    // session; a failure is logged.
    bool SendToRunningInstance(const wchar_t* commandLine);
    // False only when the server's own objects can't be made. A pipe whose
    // name another process holds is logged and leaves this copy running
    // without forwarding: true, with the running flag 0.
    bool StartPipeServer();
    // Stops the server thread and closes every handle (the lock file goes).
    // The program calls it at shut-down; later calls do nothing.
    void Close();

    bool IsRunning() const { return m_running != 0; }
    bool HandedOver() const { return m_handedOver; }
    const CStdStr& PipePath() const { return m_pipePath; }
    const CStdStr& LockFilePath() const { return m_lockFilePath; }

private:
    enum class EState { ToListen, Listening, ToRead, Reading, Broken };
    // One server end of the pipe and its pending operation.
    struct SPipeInstance {
        CKernelHandle pipe;
        CKernelHandle event;
        OVERLAPPED io = {};
        EState state = EState::Broken;
        DWORD readStart = 0;
        std::vector<wchar_t> buffer;
    };

    bool CreateInstances();
    void CloseServer();
    static unsigned __stdcall InstancePipeServer(void* self);
    unsigned ServeClients();
    DWORD NextReadTimeout() const;
    bool Step(SPipeInstance& instance);
    void Listen(SPipeInstance& instance);
    bool ListenDone(SPipeInstance& instance);
    void StopServing(SPipeInstance& instance, DWORD error);
    void StartRead(SPipeInstance& instance);
    bool ReadDone(SPipeInstance& instance);
    void Finish(SPipeInstance& instance);
    void CancelAll();
    void Deliver(const wchar_t* text, DWORD bytes) const;
    HANDLE OpenServerEnd(DWORD& error) const;

    CStdStr m_instanceName;
    CStdStr m_lockFilePath;
    CStdStr m_pipePath;
    CKernelHandle m_mutex;
    CKernelHandle m_lockFile;
    std::array<SPipeInstance, kPipeInstances> m_instances;
    CKernelHandle m_thread;
    CKernelHandle m_stopEvent;
    volatile LONG m_running = 0;
    bool m_handedOver = false;
    InstanceCommandCallback m_callback = nullptr;
};

// The program's one object, named by the installer's GUID.
extern CSingleInstance g_singleInstance;

// The command callback: the command word of the first string becomes a
// command posted to the main window; nothing else is touched from the pipe
// thread.
void OnInstanceCommand(const wchar_t* const* arguments, int count);

// The main-window command of a command word, 0 for none ("delay" included).
UINT CommandFromWord(const wchar_t* word);
// Posts the command of a word to the main window (bringing it to the front
// first for "noteorganizer"); false when the word has no command.
bool PostCommandWord(HWND mainWindow, const wchar_t* word);

// What a command line asks for.
struct SCommandLine {
    bool valid = false;      // the options parsed and something was given
    CStdStr commandWord;     // "/c": the last one given
    CStdStr folder;          // "/f"; once applied, the full folder path
    UINT messageId = 0;      // the message the text calls for, 0 for none
    bool folderApplied = false;  // apply mode: the data paths now name the folder
};

// Reads the options only: no message, no file system.
SCommandLine ScanCommandLine(const wchar_t* commandLine);

// Check mode (checkMode true) reads the options and, when showMessages, shows
// messages 10 and 879. Apply mode also probes a "/f" folder that exists and
// sets the data paths to it as a full path (a relative one is resolved
// against the current directory once, here); there only message 12 is shown
// (when showMessages), since the check at start-up showed the others.
SCommandLine ParseCommandLine(const wchar_t* commandLine, bool checkMode, bool showMessages);

// Registers the command line for restart by the system, where it can.
void RegisterRestart(const wchar_t* commandLine);

// Turns an old "Quillet.lnk" in the Startup folder into the start-with-Windows
// settings of the settings file, then deletes it. True when converted. The
// caller runs UpdateStartupReg after loading the settings.
bool UpdateStartupShortcut();
