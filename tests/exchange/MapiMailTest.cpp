// A note handed to the mail program: which Simple MAPI entry is called and
// with what, what the user sees of the result, and how the mail client's
// library is found in the registry. Libraries come from a fake table, so no
// real MAPI entry is ever called.
#include <gtest/gtest.h>

#include <windows.h>
#include <msi.h>

#include <map>
#include <string>
#include <vector>

#include "exchange/mapimail.h"
#include "foundation/ResModule.h"
#include "foundation/Seams.h"
#include "foundation/TextFormat.h"
#include "resources/resource.h"
#include "tests/notestore/WindowedStoreTest.h"
#include "tests/support/ScopedUiScript.h"

namespace {

std::wstring SystemLibrary(const wchar_t* name)
{
    wchar_t folder[MAX_PATH] = {};
    GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder) + L"\\" + name;
}

// What an entry was called with.
struct SSent {
    std::wstring entry;
    FLAGS flags = 0;
    ULONG reserved = 0;
    std::wstring subject;
    std::wstring body;
    std::string ansiSubject;
    std::string ansiBody;
};

// Libraries by path, each with the exports the test gives it; every load and
// free is recorded.
class CFakeMailLibraries {
public:
    CFakeMailLibraries() : m_override(g_mailLibrarySeam, SMailLibrarySeam{Load, Find, Free}) { s_self = this; }
    ~CFakeMailLibraries()
    {
        EXPECT_EQ(Unfreed(), 0) << "every loaded library is freed once";
        s_self = nullptr;
    }

    void Add(const std::wstring& path, std::map<std::string, FARPROC> exports)
    {
        m_libraries.push_back({path, std::move(exports)});
    }

    int Unfreed() const
    {
        int open = 0;
        for (const auto& [module, count] : m_openCounts) {
            EXPECT_GE(count, 0) << "freed more often than loaded";
            open += count;
        }
        return open;
    }

    std::vector<std::wstring> loads;
    std::vector<SSent> sent;
    ULONG result = SUCCESS_SUCCESS;

    static ULONG WINAPI MapiWide(LHANDLE session, ULONG_PTR, MapiMessageW* message, FLAGS flags, ULONG reserved)
    {
        return s_self->RecordWide(L"mapi32 W", session, *message, flags, reserved);
    }
    static ULONG WINAPI ClientWide(LHANDLE session, ULONG_PTR, MapiMessageW* message, FLAGS flags, ULONG reserved)
    {
        return s_self->RecordWide(L"client W", session, *message, flags, reserved);
    }
    static ULONG WINAPI MapiAnsi(LHANDLE, ULONG_PTR, lpMapiMessage message, FLAGS flags, ULONG)
    {
        SSent call;
        call.entry = L"mapi32 A";
        call.flags = flags;
        call.reserved = message->ulReserved;
        call.ansiSubject = message->lpszSubject ? message->lpszSubject : "";
        call.ansiBody = message->lpszNoteText ? message->lpszNoteText : "";
        s_self->sent.push_back(call);
        return s_self->result;
    }

    template <class Function>
    static FARPROC Export(Function function)
    {
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
    }

private:
    struct SLibrary {
        std::wstring path;
        std::map<std::string, FARPROC> exports;
    };

    ULONG RecordWide(const wchar_t* entry, LHANDLE session, const MapiMessageW& message, FLAGS flags,
                     ULONG reserved)
    {
        EXPECT_EQ(session, 0u);
        EXPECT_EQ(message.nRecipCount, 0u);
        EXPECT_EQ(message.nFileCount, 0u);
        SSent call;
        call.entry = entry;
        call.flags = flags;
        call.reserved = reserved;
        call.subject = message.lpszSubject ? message.lpszSubject : L"";
        call.body = message.lpszNoteText ? message.lpszNoteText : L"";
        sent.push_back(call);
        return result;
    }

    static HMODULE Load(const wchar_t* path)
    {
        s_self->loads.push_back(path);
        for (size_t index = 0; index < s_self->m_libraries.size(); ++index)
            if (CompareStringOrdinal(path, -1, s_self->m_libraries[index].path.c_str(), -1, TRUE) == CSTR_EQUAL) {
                const auto module = reinterpret_cast<HMODULE>(0x10000 + 0x100 * index);
                ++s_self->m_openCounts[module];
                return module;
            }
        return nullptr;
    }
    static FARPROC Find(HMODULE module, const char* name)
    {
        const size_t index = (reinterpret_cast<ULONG_PTR>(module) - 0x10000) / 0x100;
        EXPECT_LT(index, s_self->m_libraries.size());
        const auto& exports = s_self->m_libraries.at(index).exports;
        const auto found = exports.find(name);
        return found == exports.end() ? nullptr : found->second;
    }
    static BOOL WINAPI Free(HMODULE module)
    {
        --s_self->m_openCounts[module];
        return TRUE;
    }

    static inline CFakeMailLibraries* s_self = nullptr;
    std::vector<SLibrary> m_libraries;
    std::map<HMODULE, int> m_openCounts;
    CSeamOverride<SMailLibrarySeam> m_override;
};

// A user root and a machine root of the test's own, removed at the end.
class CTestRoots {
public:
    CTestRoots()
    {
        wchar_t name[96] = {};
        FormatText(name, 96, L"Software\\QuilletTests\\Mail-%lu-%lu", GetCurrentProcessId(), GetTickCount());
        m_base = name;
        user = Create(HKEY_CURRENT_USER, m_base + L"\\user");
        machine = Create(HKEY_CURRENT_USER, m_base + L"\\machine");
    }
    ~CTestRoots()
    {
        RegCloseKey(user);
        RegCloseKey(machine);
        RegDeleteTreeW(HKEY_CURRENT_USER, m_base.c_str());
    }

    static HKEY Create(HKEY parent, const std::wstring& path)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }
    // Writes a value under the root's path; the data as given, no terminator
    // added.
    static void Set(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const void* data,
                    DWORD bytes)
    {
        const HKEY key = Create(root, path);
        EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    static void SetString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& text,
                          DWORD type = REG_SZ)
    {
        Set(root, path, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    static void SetDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value)
    {
        Set(root, path, name, REG_DWORD, &value, sizeof(value));
    }
    // A client named as the default of Software\Clients\Mail, with its library.
    static void SetClient(HKEY root, const std::wstring& client, const std::wstring& dllPath)
    {
        SetString(root, L"Software\\Clients\\Mail", nullptr, client);
        if (!dllPath.empty())
            SetString(root, L"Software\\Clients\\Mail\\" + client, L"DLLPath", dllPath);
    }

    HKEY user = nullptr;
    HKEY machine = nullptr;

private:
    std::wstring m_base;
};

const std::wstring kMapi32 = SystemLibrary(L"mapi32.dll");
const std::wstring kMapi32x = SystemLibrary(L"mapi32x.dll");
const std::wstring kClient = L"C:\\Clients\\client.dll";

// The library the lookup loads, freed again; empty for none.
std::wstring FoundClient(CFakeMailLibraries& libraries, const CTestRoots& roots, bool& utf8)
{
    libraries.loads.clear();
    const HMODULE module = FindMailClientDll(utf8, roots.user, roots.machine);
    if (!module)
        return std::wstring();
    g_mailLibrarySeam.free(module);
    return libraries.loads.empty() ? std::wstring() : libraries.loads.back();
}

}  // namespace

TEST(MapiMail, TheWideEntriesComeFirstThenTheAnsiOneInTheClientsCodePage)
{
    struct SCase {
        const wchar_t* what;
        bool mapiWide;
        bool mapiAnsi;
        bool clientWide;
        bool utf8;
        std::wstring subject;
        const wchar_t* entry;
        ULONG reserved;
        std::string ansiSubject;
    };
    const std::wstring polish = L"Za\u017C\u00F3\u0142\u0107 \U0001F600";
    const SCase cases[] = {
        {L"mapi32's wide entry", true, true, true, false, polish, L"mapi32 W", 0, ""},
        {L"the client's wide entry", false, true, true, false, polish, L"client W", 0, ""},
        {L"the ANSI entry", false, true, false, false, L"Plain subject", L"mapi32 A", 0, "Plain subject"},
        {L"the ANSI entry in UTF-8", false, true, false, true, polish, L"mapi32 A", 65001,
         "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 \xF0\x9F\x98\x80"},
    };
    for (const SCase& c : cases) {
        CFakeMailLibraries libraries;
        std::map<std::string, FARPROC> mapi;
        if (c.mapiWide)
            mapi["MAPISendMailW"] = CFakeMailLibraries::Export(&CFakeMailLibraries::MapiWide);
        if (c.mapiAnsi)
            mapi["MAPISendMail"] = CFakeMailLibraries::Export(&CFakeMailLibraries::MapiAnsi);
        libraries.Add(kMapi32, mapi);
        std::map<std::string, FARPROC> client;
        if (c.clientWide)
            client["MAPISendMailW"] = CFakeMailLibraries::Export(&CFakeMailLibraries::ClientWide);
        libraries.Add(kClient, client);
        CTestRoots roots;
        CTestRoots::SetClient(roots.machine, L"Test Client", kClient);
        if (c.utf8)
            CTestRoots::SetDword(roots.machine, L"Software\\Clients\\Mail\\Test Client", L"SupportUTF8", 1);

        std::wstring subject = c.subject;
        std::wstring body = L"line one\r\nline two";
        MapiMessageW message = {};
        message.lpszSubject = &subject[0];
        message.lpszNoteText = &body[0];
        EXPECT_EQ(SendMapiMail(message, roots.user, roots.machine), SUCCESS_SUCCESS) << c.what;
        ASSERT_EQ(libraries.sent.size(), 1u) << c.what;
        const SSent& sent = libraries.sent[0];
        EXPECT_EQ(sent.entry, c.entry) << c.what;
        EXPECT_EQ(sent.flags, 9u) << c.what;
        EXPECT_EQ(sent.reserved, c.reserved) << c.what;
        if (sent.entry == L"mapi32 A") {
            EXPECT_EQ(sent.ansiSubject, c.ansiSubject) << c.what;
            EXPECT_EQ(sent.ansiBody, "line one\r\nline two") << c.what;
        } else {
            EXPECT_EQ(sent.subject, c.subject) << c.what;
            EXPECT_EQ(sent.body, body) << c.what;
        }
        EXPECT_EQ(libraries.loads.front(), kMapi32) << "by its full path";
        EXPECT_EQ(subject, c.subject) << "the caller's message stays as it was";
    }
}

TEST(MapiMail, NothingToLoadOrConvertIsAGeneralFailure)
{
    std::wstring subject = L"lone \xD800 surrogate";
    std::wstring body = L"body";
    MapiMessageW message = {};
    message.lpszSubject = &subject[0];
    message.lpszNoteText = &body[0];
    CTestRoots roots;
    {
        CFakeMailLibraries none;
        EXPECT_EQ(SendMapiMail(message, roots.user, roots.machine), ULONG{MAPI_E_FAILURE});
        EXPECT_EQ(none.loads, std::vector<std::wstring>{kMapi32});
    }
    {
        CFakeMailLibraries libraries;
        libraries.Add(kMapi32, {{"MAPISendMail", CFakeMailLibraries::Export(&CFakeMailLibraries::MapiAnsi)}});
        libraries.Add(kClient, {});
        CTestRoots::SetClient(roots.machine, L"Test Client", kClient);
        CTestRoots::SetDword(roots.machine, L"Software\\Clients\\Mail\\Test Client", L"SupportUTF8", 1);
        EXPECT_EQ(SendMapiMail(message, roots.user, roots.machine), ULONG{MAPI_E_FAILURE});
        EXPECT_TRUE(libraries.sent.empty()) << "a lone surrogate is no UTF-8";
    }
}

TEST(MapiMailClient, TheClientsLibraryIsFoundUnderTheUserThenTheMachine)
{
    CFakeMailLibraries libraries;
    for (const wchar_t* path : {L"C:\\user.dll", L"C:\\machine.dll", L"C:\\shared.dll", L"C:\\Windows\\exp.dll"})
        libraries.Add(path, {});
    bool utf8 = true;
    {
        CTestRoots roots;
        CTestRoots::SetClient(roots.user, L"Mine", L"C:\\user.dll");
        CTestRoots::SetClient(roots.machine, L"Theirs", L"C:\\machine.dll");
        EXPECT_EQ(FoundClient(libraries, roots, utf8), L"C:\\user.dll");
        EXPECT_FALSE(utf8) << "cleared";
    }
    {
        CTestRoots roots;
        CTestRoots::SetClient(roots.machine, L"Theirs", L"C:\\machine.dll");
        CTestRoots::SetDword(roots.machine, L"Software\\Clients\\Mail\\Theirs", L"SupportUTF8", 1);
        EXPECT_EQ(FoundClient(libraries, roots, utf8), L"C:\\machine.dll");
        EXPECT_TRUE(utf8);
    }
    {
        // The user names a client that only the machine registers.
        CTestRoots roots;
        CTestRoots::SetClient(roots.user, L"Shared", L"");
        CTestRoots::SetClient(roots.machine, L"Shared", L"C:\\shared.dll");
        EXPECT_EQ(FoundClient(libraries, roots, utf8), L"C:\\shared.dll");
    }
    {
        CTestRoots roots;
        SetEnvironmentVariableW(L"QUILLET_MAIL_TEST", L"C:\\Windows");
        CTestRoots::SetClient(roots.machine, L"Expanded", L"");
        CTestRoots::SetString(roots.machine, L"Software\\Clients\\Mail\\Expanded", L"DLLPath",
                              L"%QUILLET_MAIL_TEST%\\exp.dll", REG_EXPAND_SZ);
        EXPECT_EQ(FoundClient(libraries, roots, utf8), L"C:\\Windows\\exp.dll");
    }
    {
        CTestRoots roots;
        CTestRoots::SetClient(roots.machine, L"System", L"MAPI32.DLL");
        EXPECT_EQ(FoundClient(libraries, roots, utf8), L"") << "mapi32.dll was tried already";
    }
}

TEST(MapiMailClient, ValuesOfTheWrongShapeCountAsMissing)
{
    CFakeMailLibraries libraries;
    libraries.Add(L"C:\\bad.dll", {});
    const std::wstring key = L"Software\\Clients\\Mail\\Bad";
    const std::wstring longest = L"C:\\" + std::wstring(252, L'x') + L".dll";
    const std::wstring tooLong = L"C:\\" + std::wstring(253, L'x') + L".dll";
    ASSERT_EQ(longest.size(), 259u);
    libraries.Add(longest, {});
    struct SCase {
        const wchar_t* what;
        void (*write)(HKEY machine, const std::wstring& key, const std::wstring& tooLong);
    };
    const SCase cases[] = {
        {L"a DWORD", [](HKEY m, const std::wstring& k, const std::wstring&) { CTestRoots::SetDword(m, k, L"DLLPath", 7); }},
        {L"over 259 characters",
         [](HKEY m, const std::wstring& k, const std::wstring& t) { CTestRoots::SetString(m, k, L"DLLPath", t); }},
        {L"unterminated",
         [](HKEY m, const std::wstring& k, const std::wstring&) {
             // The character after the data is no NUL, so nothing terminates it.
             const wchar_t text[] = L"C:\\bad.dllX";
             CTestRoots::Set(m, k, L"DLLPath", REG_SZ, text, 10 * sizeof(wchar_t));
         }},
    };
    for (const SCase& c : cases) {
        CTestRoots roots;
        CTestRoots::SetClient(roots.machine, L"Bad", L"");
        c.write(roots.machine, key, tooLong);
        bool utf8 = false;
        EXPECT_EQ(FoundClient(libraries, roots, utf8), L"") << c.what;
    }
    CTestRoots roots;
    CTestRoots::SetClient(roots.machine, L"Bad", longest);
    bool utf8 = false;
    EXPECT_EQ(FoundClient(libraries, roots, utf8), longest) << "259 characters fit";
}

TEST(MapiMailClient, ALoadedMapiApplicationPicksItsClient)
{
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    const std::wstring self = wcsrchr(module, L'\\') + 1;
    const std::wstring apps = L"SOFTWARE\\Microsoft\\Windows Messaging Subsystem\\MSMapiApps";
    CFakeMailLibraries libraries;
    libraries.Add(L"C:\\app.dll", {});
    libraries.Add(L"C:\\default.dll", {});
    bool utf8 = false;
    {
        CTestRoots roots;
        CTestRoots::SetClient(roots.machine, L"Default", L"C:\\default.dll");
        CTestRoots::SetString(roots.machine, L"Software\\Clients\\Mail\\App", L"DLLPath", L"C:\\app.dll");
        CTestRoots::SetString(roots.machine, apps, L"not-loaded-here.exe", L"Default");
        CTestRoots::SetString(roots.machine, apps, self.c_str(), L"App");
        EXPECT_EQ(FoundClient(libraries, roots, utf8), L"C:\\app.dll");
    }
    {
        // Its empty entry ends the lookup; a loaded MAPI application then
        // brings in the system's MAPI library.
        CTestRoots roots;
        CTestRoots::SetClient(roots.machine, L"Default", L"C:\\default.dll");
        CTestRoots::SetString(roots.machine, apps, self.c_str(), L"");
        libraries.loads.clear();
        EXPECT_EQ(FindMailClientDll(utf8, roots.user, roots.machine), nullptr);
        EXPECT_EQ(libraries.loads, std::vector<std::wstring>{kMapi32x});
    }
}

namespace {

struct SProvided {
    std::wstring component;
    std::wstring qualifier;
    DWORD mode;
};
std::vector<SProvided> g_provided;
std::wstring g_providedAnswer;   // the qualifier that gives a path

UINT WINAPI FakeProvide(LPCWSTR component, LPCWSTR qualifier, DWORD mode, LPWSTR path, DWORD* pathChars)
{
    g_provided.push_back({component, qualifier, mode});
    if (qualifier != g_providedAnswer || mode != static_cast<DWORD>(INSTALLMODE_EXISTING))
        return ERROR_UNKNOWN_COMPONENT;
    const std::wstring found = L"C:\\Office\\msmapi.dll";
    wcscpy_s(path, *pathChars, found.c_str());
    *pathChars = static_cast<DWORD>(found.size());
    return ERROR_SUCCESS;
}

}  // namespace

TEST(MapiMailClient, AnInstallerComponentIsAskedForByLanguageExistingFirst)
{
    CFakeMailLibraries libraries;
    libraries.Add(SystemLibrary(L"msi.dll"),
                  {{"MsiProvideQualifiedComponentW", CFakeMailLibraries::Export(&FakeProvide)}});
    libraries.Add(L"C:\\Office\\msmapi.dll", {});
    libraries.Add(L"C:\\fallback.dll", {});
    const std::wstring client = L"Software\\Clients\\Mail\\Office";
    const wchar_t languages[] = L"Office\\Languages\0Ui\0Help\0";
    const std::wstring component = L"{11111111-2222-3333-4444-555555555555}";
    for (const std::wstring& answer : {std::wstring(L"1045"), std::wstring(L"none")}) {
        CTestRoots roots;
        CTestRoots::SetClient(roots.machine, L"Office", L"C:\\fallback.dll");
        CTestRoots::SetString(roots.machine, client, L"MSIComponentID", component);
        CTestRoots::Set(roots.machine, client, L"MSIApplicationLCID", REG_MULTI_SZ, languages, sizeof(languages));
        CTestRoots::SetDword(roots.user, L"Software\\Office\\Languages", L"Ui", 1045);
        CTestRoots::SetDword(roots.user, L"Software\\Office\\Languages", L"Help", 1031);
        g_provided.clear();
        g_providedAnswer = answer;
        bool utf8 = false;
        const std::wstring found = FoundClient(libraries, roots, utf8);
        EXPECT_EQ(libraries.loads.front(), SystemLibrary(L"msi.dll")) << "by its full path";
        ASSERT_GE(g_provided.size(), 3u);
        const DWORD existing = static_cast<DWORD>(INSTALLMODE_EXISTING);
        const DWORD install = static_cast<DWORD>(INSTALLMODE_DEFAULT);
        EXPECT_EQ(g_provided[0].component, component);
        EXPECT_EQ(g_provided[0].qualifier, L"1045\\NT");
        EXPECT_EQ(g_provided[0].mode, existing);
        EXPECT_EQ(g_provided[1].qualifier, L"1045\\NT");
        EXPECT_EQ(g_provided[1].mode, install);
        EXPECT_EQ(g_provided[2].qualifier, L"1045");
        EXPECT_EQ(g_provided[2].mode, existing);
        if (answer == L"1045") {
            EXPECT_EQ(found, L"C:\\Office\\msmapi.dll");
            EXPECT_EQ(g_provided.size(), 3u);
        } else {
            EXPECT_EQ(found, L"C:\\fallback.dll") << "no component: the registered library";
            EXPECT_EQ(g_provided[4].qualifier, L"1031\\NT");
            EXPECT_EQ(g_provided.back().qualifier, L"1033");
            EXPECT_EQ(g_provided.back().mode, install);
        }
    }
}

// The note's side: what it sends and what the user sees of the result.
class MapiMailNoteTest : public CWindowedStoreTest {};

TEST_F(MapiMailNoteTest, OnlyAFailureReachesTheUser)
{
    CNote* const note = m_manager.CreateNewNote();
    ASSERT_NE(note, nullptr);
    Type(*note, L"Zak\u0142ady \u0130stanbul\r\nVi\u1EC7t \u03A9 \u041C \u6F22 \U0001F600");
    ASSERT_TRUE(m_manager.SaveModifiedNotes());
    const std::wstring subject = note->GetDisplayName().c_str();
    ASSERT_EQ(subject.compare(0, 7, L"Zak\u0142ady"), 0) << "an untitled note's derived name";
    struct SCase {
        bool mapiLoads;
        ULONG result;
        int returned;
    };
    for (const SCase& c : {SCase{true, 0, 1}, SCase{true, 1, 1}, SCase{true, 2, 0}, SCase{true, 3, 0},
                           SCase{true, 26, 0}, SCase{false, 0, 0}}) {
        CFakeMailLibraries libraries;
        if (c.mapiLoads)
            libraries.Add(kMapi32, {{"MAPISendMailW", CFakeMailLibraries::Export(&CFakeMailLibraries::MapiWide)}});
        libraries.result = c.result;
        const std::int64_t changes = Scalar(L"select total_changes()");
        ScopedUiScript script;
        if (c.returned == 0)
            script.AnswerMessageBox(IDOK);
        EXPECT_EQ(note->SendByEmail(), c.returned) << c.result;
        const std::vector<std::wstring> boxes =
            c.returned == 0 ? std::vector<std::wstring>{LoadResString(IDS_EMAIL_FAILED)} : std::vector<std::wstring>{};
        EXPECT_EQ(script.MessageBoxTexts(), boxes) << c.result;
        if (c.mapiLoads) {
            ASSERT_EQ(libraries.sent.size(), 1u);
            EXPECT_EQ(libraries.sent[0].subject, subject);
            EXPECT_EQ(libraries.sent[0].body, note->GetPlainText().c_str());
        }
        EXPECT_EQ(Scalar(L"select total_changes()"), changes) << "sending writes no row";
    }
}
