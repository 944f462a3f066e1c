// Data paths, the string table and the language module.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "foundation/DataPaths.h"
#include "foundation/ResModule.h"
#include "foundation/Seams.h"
#include "resources/resource.h"
#include "tests/foundation/ResTestIds.h"

namespace {

const wchar_t kTestModule[] = L"QLTESTLANG.DLL";

// Fails the test run instead of hanging it when a modal loop never ends.
class CWatchdog {
public:
    CWatchdog() : m_done(CreateEventW(nullptr, TRUE, FALSE, nullptr))
    {
        m_thread = std::thread([this] {
            if (WaitForSingleObject(m_done, 20000) == WAIT_TIMEOUT) {
                fprintf(stderr, "watchdog: a dialog did not end\n");
                ExitProcess(3);
            }
        });
    }
    ~CWatchdog()
    {
        SetEvent(m_done);
        m_thread.join();
        CloseHandle(m_done);
    }

private:
    HANDLE m_done;
    std::thread m_thread;
};

class ResModuleTest : public testing::Test {
protected:
    ~ResModuleTest() override { CResModule::FreeLanguage(); }
    static void LoadTestModule() { ASSERT_EQ(CResModule::LoadLanguage(kTestModule), 1); }
};

enum class ESource { None, Program, Module };

// Program images are red, module images blue.
ESource SourceOfBitmap(HBITMAP bitmap)
{
    if (!bitmap)
        return ESource::None;
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    const COLORREF pixel = GetPixel(dc, 1, 1);
    SelectObject(dc, old);
    DeleteDC(dc);
    return pixel == RGB(255, 0, 0) ? ESource::Program : pixel == RGB(0, 0, 255) ? ESource::Module : ESource::None;
}

ESource SourceOfIcon(HICON icon)
{
    ICONINFO info = {};
    if (!icon || !GetIconInfo(icon, &info))
        return ESource::None;
    const ESource source = SourceOfBitmap(info.hbmColor);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return source;
}

ESource SourceOfText(const std::wstring& text)
{
    if (text.rfind(L"program", 0) == 0)
        return ESource::Program;
    return text.rfind(L"module", 0) == 0 ? ESource::Module : ESource::None;
}

ESource SourceOfString(UINT id)
{
    wchar_t text[64];
    CResModule::LoadString(id, text, 64);
    return SourceOfText(text);
}

ESource SourceOfMenu(UINT id)
{
    const HMENU menu = CResModule::LoadMenu(MAKEINTRESOURCEW(id));
    if (!menu)
        return ESource::None;
    const UINT item = GetMenuItemID(menu, 0);
    DestroyMenu(menu);
    return item == ID_T_PROGRAM_ITEM ? ESource::Program : item == ID_T_MODULE_ITEM ? ESource::Module : ESource::None;
}

ESource SourceOfLoadedBitmap(UINT id)
{
    const HBITMAP bitmap = CResModule::LoadBitmap(MAKEINTRESOURCEW(id));
    const ESource source = SourceOfBitmap(bitmap);
    DeleteObject(bitmap);
    return source;
}

ESource SourceOfMappedBitmap(UINT id)
{
    const COLORMAP map = {RGB(1, 2, 3), RGB(4, 5, 6)};   // maps nothing in the images
    const HBITMAP bitmap = CResModule::CreateMappedBitmap(id, map);
    const ESource source = SourceOfBitmap(bitmap);
    DeleteObject(bitmap);
    return source;
}

ESource SourceOfRaw(UINT id)
{
    char text[32] = {};
    if (CResModule::LoadRawResource(MAKEINTRESOURCEW(id), text, sizeof(text) - 1, MAKEINTRESOURCEW(RT_QUILLET_RTF)) ==
        0xFFFFFFFF)
        return ESource::None;
    const std::string raw(text);
    return raw == "program raw" ? ESource::Program : raw == "module raw" ? ESource::Module : ESource::None;
}

struct SDialogRun {
    bool modal;
    wchar_t label[64];
};

INT_PTR CALLBACK ReadLabelProc(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* run = reinterpret_cast<SDialogRun*>(lParam);
    GetDlgItemTextW(dialog, IDC_T_LABEL, run->label, 64);
    if (run->modal)
        EndDialog(dialog, 7);
    return TRUE;
}

// Runs the dialog modally and modelessly; the source each time.
std::pair<ESource, ESource> SourceOfDialog(UINT id)
{
    CWatchdog watchdog;
    SDialogRun modal = {true, {}};
    const INT_PTR result =
        CResModule::DialogBoxById(id, nullptr, &ReadLabelProc, reinterpret_cast<LPARAM>(&modal));
    SDialogRun modeless = {false, {}};
    const HWND window = CResModule::CreateDialogParam(MAKEINTRESOURCEW(id), nullptr, &ReadLabelProc,
                                                      reinterpret_cast<LPARAM>(&modeless));
    if (window)
        DestroyWindow(window);
    return {result == 7 ? SourceOfText(modal.label) : ESource::None,
            window ? SourceOfText(modeless.label) : ESource::None};
}

}  // namespace

TEST_F(ResModuleTest, EachKindComesFromTheModuleWhenItHasIt)
{
    struct Kind { const char* name; std::function<ESource(UINT)> source; UINT programOnly; UINT shared; };
    const Kind kinds[] = {
        {"string", SourceOfString, IDS_T_PROGRAM_ONLY, IDS_T_SHARED},
        {"menu", SourceOfMenu, IDM_T_PROGRAM_ONLY, IDM_T_SHARED},
        {"bitmap", SourceOfLoadedBitmap, IDB_T_PROGRAM_ONLY, IDB_T_SHARED},
        {"mapped bitmap", SourceOfMappedBitmap, IDB_T_PROGRAM_ONLY, IDB_T_SHARED},
        {"icon", [](UINT id) { return SourceOfIcon(CResModule::LoadIcon(MAKEINTRESOURCEW(id))); },
         IDI_T_PROGRAM_ONLY, IDI_T_SHARED},
        {"cursor", [](UINT id) { return SourceOfIcon(CResModule::LoadCursor(MAKEINTRESOURCEW(id))); },
         IDC_T_PROGRAM_ONLY, IDC_T_SHARED},
        {"type 699", SourceOfRaw, IDR_T_PROGRAM_ONLY, IDR_T_SHARED},
    };
    for (const Kind& kind : kinds)
        EXPECT_EQ(kind.source(kind.shared), ESource::Program) << kind.name << ", no module";
    LoadTestModule();
    for (const Kind& kind : kinds) {
        EXPECT_EQ(kind.source(kind.programOnly), ESource::Program) << kind.name << ", module lacks it";
        EXPECT_EQ(kind.source(kind.shared), ESource::Module) << kind.name << ", module has it";
        EXPECT_EQ(kind.source(59999), ESource::None) << kind.name << ", nobody has it";
    }
}

TEST_F(ResModuleTest, DialogsFromTheModuleFallBackToTheProgram)
{
    using Sources = std::pair<ESource, ESource>;
    EXPECT_EQ(SourceOfDialog(IDD_T_SHARED), Sources(ESource::Program, ESource::Program));
    LoadTestModule();
    EXPECT_EQ(SourceOfDialog(IDD_T_PROGRAM_ONLY), Sources(ESource::Program, ESource::Program));
    EXPECT_EQ(SourceOfDialog(IDD_T_SHARED), Sources(ESource::Module, ESource::Module));
    // The module's template fails to build: the program's serves.
    EXPECT_EQ(SourceOfDialog(IDD_T_BAD_CLASS), Sources(ESource::Program, ESource::Program));
}

TEST_F(ResModuleTest, LongTextsAreCutNeverOverrun)
{
    LoadTestModule();
    wchar_t buffer[520];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    EXPECT_EQ(CResModule::LoadString(IDS_T_LONG, buffer, 512), 511);
    EXPECT_EQ(buffer[511], L'\0');
    EXPECT_EQ(std::wstring(buffer + 512, 8), std::wstring(8, L'#'));
    EXPECT_EQ(wcslen(LoadResString(IDS_T_LONG)), 511u);
}

TEST_F(ResModuleTest, LoadResStringRotatesThreeBuffers)
{
    const wchar_t* first = LoadResString(IDS_T_PROGRAM_ONLY);
    const wchar_t* second = LoadResString(IDS_T_SHARED);
    LoadResString(IDS_T_SECOND);
    EXPECT_STREQ(second, L"program shared");   // still valid after two further calls
    const wchar_t* fourth = LoadResString(IDS_T_THIRD);
    EXPECT_EQ(first, fourth);
    EXPECT_STREQ(first, L"third");
    EXPECT_STREQ(LoadResString(59999), L"");
}

TEST_F(ResModuleTest, LoadResStringKeepsBuffersPerThread)
{
    std::atomic<int> wrong{0};
    auto reader = [&wrong](UINT a, const wchar_t* textA, UINT b, const wchar_t* textB) {
        for (int i = 0; i < 20000; ++i) {
            const wchar_t* pa = LoadResString(a);
            const wchar_t* pb = LoadResString(b);
            if (wcscmp(pa, textA) != 0 || wcscmp(pb, textB) != 0)
                ++wrong;
        }
    };
    std::thread one(reader, IDS_T_PROGRAM_ONLY, L"program only", IDS_T_SECOND, L"second");
    std::thread two(reader, IDS_T_THIRD, L"third", IDS_APP_NAME, L"Quillet");
    one.join();
    two.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST_F(ResModuleTest, RawResourceReturnsItsFullSize)
{
    char buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), '#');
    EXPECT_EQ(CResModule::LoadRawResource(MAKEINTRESOURCEW(IDR_T_PROGRAM_ONLY), buffer, 4,
                                          MAKEINTRESOURCEW(RT_QUILLET_RTF)),
              11u);   // "program raw"
    EXPECT_EQ(std::string(buffer, 8), "prog####");
    EXPECT_EQ(CResModule::LoadRawResource(L"MISSING", buffer, 8, MAKEINTRESOURCEW(RT_QUILLET_RTF)), 0xFFFFFFFFu);
}

TEST_F(ResModuleTest, LanguageLoadsFromTheProgramFolderOnly)
{
    wchar_t folder[MAX_PATH];
    GetModuleFileNameW(nullptr, folder, MAX_PATH);
    *wcsrchr(folder, L'\\') = L'\0';
    const std::wstring fullPath = std::wstring(folder) + L"\\" + kTestModule;
    const wchar_t* refused[] = {fullPath.c_str(), L".\\QLTESTLANG.DLL", L"C:QLTESTLANG.DLL", L"MISSING.DLL", L""};
    for (const wchar_t* name : refused) {
        CLogCapture capture;
        EXPECT_EQ(CResModule::LoadLanguage(name), 0) << name;
        EXPECT_EQ(capture.Lines().size(), 1u) << name;
        EXPECT_EQ(CResModule::GetLanguageModule(), nullptr) << name;
        EXPECT_EQ(SourceOfString(IDS_T_SHARED), ESource::Program) << name;
    }
    LoadTestModule();
    EXPECT_NE(CResModule::GetLanguageModule(), nullptr);
}

TEST_F(ResModuleTest, DataPathsFromFolderOrFileAlike)
{
    const std::wstring names[] = {L"RERUZADU.INI", L"NOTES.DAT", L"NOTES.BAK", L"QUILLT40.DAT", L"QUILLT.DAT",
                                  L"ALIAS.INI", L"groups.ini", L"Errors\\", L"Backup\\"};
    struct Case { const wchar_t* given; const wchar_t* folder; };
    const Case cases[] = {
        {L"C:\\d\\", L"C:\\d\\"},
        {L"C:\\d\\QUILL32.exe", L"C:\\d\\"},
        {L"\\\\server\\share\\d\\", L"\\\\server\\share\\d\\"},
    };
    LoadTestModule();   // its own file names must not rename the user's files
    for (const Case& c : cases) {
        ASSERT_TRUE(SetDataFilePaths(c.given)) << c.given;
        for (int i = 0; i < static_cast<int>(EDataPath::Count); ++i)
            EXPECT_EQ(GetDataPath(static_cast<EDataPath>(i)), c.folder + names[i]) << c.given;
    }
    const std::wstring tooLong = L"C:\\" + std::wstring(300, L'd') + L"\\";
    EXPECT_FALSE(SetDataFilePaths(tooLong.c_str()));
    // Each would follow the current directory.
    for (const wchar_t* relative : {L"C:", L"C:d\\", L"data\\", L".\\data\\", L"\\d\\"})
        EXPECT_FALSE(SetDataFilePaths(relative)) << relative;
    EXPECT_STREQ(GetDataPath(EDataPath::Database), L"\\\\server\\share\\d\\QUILLT40.DAT");
    ClearDataPath(EDataPath::BackupFolder);
    EXPECT_STREQ(GetDataPath(EDataPath::BackupFolder), L"");
}
