// The dialogs' shared helpers: filters the choosers can read whatever their
// length, the export chooser's format and flags, and its failure box.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>
#include <richedit.h>

#include <optional>
#include <string>
#include <vector>

#include "dialogs/DlgUtils.h"
#include "foundation/MessageBoxSeam.h"
#include "foundation/Seams.h"
#include "framework/AppModule.h"
#include "framework/UiSeams.h"

namespace {

TEST(FileFilter, BangsBecomeNulsAndTheListAlwaysEndsInTwoNuls)
{
    wchar_t buffer[64];
    ConvertFilter(L"Text files!*.TXT!!", buffer, 64);
    EXPECT_EQ(std::wstring(buffer, 20), std::wstring(L"Text files\0*.TXT\0\0\0\0", 20));

    // A translated filter longer than the buffer: cut, still terminated
    // twice, and nothing written past the end.
    constexpr size_t kChars = 260;
    std::vector<wchar_t> guarded(kChars + 4, L'#');
    const std::wstring longFilter = std::wstring(150, L'a') + L"!*.a!" + std::wstring(145, L'b') + L"!*.b!!";
    ConvertFilter(longFilter.c_str(), guarded.data(), kChars);
    EXPECT_EQ(guarded[kChars - 2], L'\0');
    EXPECT_EQ(guarded[kChars - 1], L'\0');
    EXPECT_EQ(guarded[150], L'\0');
    for (size_t index = kChars; index < guarded.size(); ++index)
        EXPECT_EQ(guarded[index], L'#');
}

TEST(ExportFormat, FilterIndexAndNameChooseTheFormat)
{
    const struct {
        DWORD index;
        const wchar_t* path;
        EExportFormat format;
    } rows[] = {{0, L"a.xml", kExportText}, {1, L"a.xml", kExportText}, {2, L"a.txt", kExportXml},
                {3, L"C:\\x.y\\a.XML", kExportXml}, {3, L"a.txt", kExportText}, {3, L"C:\\x.xml\\a", kExportText},
                {3, L"a", kExportText}};
    for (const auto& row : rows)
        EXPECT_EQ(ExportFormatFor(row.index, row.path), row.format) << row.index << L" " << row.path;
}

// The save dialog as a test answers it.
struct SSaveAnswer {
    bool ok = false;
    DWORD filterIndex = 0;
    const wchar_t* path = L"";
    DWORD flags = 0;
    std::vector<std::wstring> filterParts;
};
SSaveAnswer g_answer;

BOOL AnswerSave(OPENFILENAMEW* request)
{
    g_answer.flags = request->Flags;
    for (const wchar_t* part = request->lpstrFilter; *part; part += wcslen(part) + 1)
        g_answer.filterParts.emplace_back(part);
    if (!g_answer.ok)
        return FALSE;
    wcsncpy(request->lpstrFile, g_answer.path, request->nMaxFile - 1);
    request->nFilterIndex = g_answer.filterIndex;
    return TRUE;
}

class CExportChooserTest : public testing::Test {
protected:
    void SetUp() override { g_answer = {}; }

    CSeamOverride<SCommonDialogSeam> m_dialogs{
        g_commonDialogSeam, {nullptr, &AnswerSave, nullptr, nullptr, nullptr}};
};

TEST_F(CExportChooserTest, TheChosenFileAndFormatComeBackAndOverwritingIsAsked)
{
    g_answer.ok = true;
    g_answer.filterIndex = 3;
    g_answer.path = L"C:\\out\\notes.XML";
    CStdStr path;
    EXPECT_EQ(ChooseExportFile(nullptr, path), std::optional<EExportFormat>(kExportXml));
    EXPECT_EQ(path, L"C:\\out\\notes.XML");
    EXPECT_TRUE(g_answer.flags & OFN_OVERWRITEPROMPT);
    EXPECT_TRUE(g_answer.flags & OFN_EXPLORER);
    const std::vector<std::wstring> parts = {L"Text files", L"*.TXT", L"XML files", L"*.XML", L"All Files", L"*.*"};
    EXPECT_EQ(g_answer.filterParts, parts);
}

TEST_F(CExportChooserTest, CancelChoosesNothing)
{
    CStdStr path = L"unchanged";
    EXPECT_EQ(ChooseExportFile(nullptr, path), std::nullopt);
    EXPECT_EQ(path, L"unchanged");
}

std::wstring g_boxText;

int RecordBox(HWND, const wchar_t* text, const wchar_t*, UINT)
{
    g_boxText = text;
    return IDOK;
}

TEST(ExportFailed, TheBoxNamesThePath)
{
    CSeamOverride<SMessageBoxSeam> boxes(g_messageBoxSeam, {&RecordBox});
    ShowExportFailed(nullptr, L"C:\\locked\\notes.txt");
    EXPECT_EQ(g_boxText, L"Failed to export to C:\\locked\\notes.txt");
}

// ---- the open choosers and the font chooser

struct SOpenRequest {
    DWORD size = 0;
    DWORD maxFile = 0;
    std::wstring folder;
    std::vector<std::wstring> filterParts;
};
SOpenRequest g_open;

BOOL RecordOpen(OPENFILENAMEW* request)
{
    g_open.size = request->lStructSize;
    g_open.maxFile = request->nMaxFile;
    g_open.folder = request->lpstrInitialDir ? request->lpstrInitialDir : L"<none>";
    g_open.filterParts.clear();
    for (const wchar_t* part = request->lpstrFilter; *part; part += wcslen(part) + 1)
        g_open.filterParts.emplace_back(part);
    wcscpy(request->lpstrFile, L"C:\\chosen.wav");
    return TRUE;
}

COLORREF g_chosenColor = 0;
DWORD g_fontFlags = 0;

BOOL CancelFont(CHOOSEFONTW* request)
{
    g_fontFlags = request->Flags;
    request->rgbColors = g_chosenColor;
    return FALSE;
}

TEST(Choosers, SoundAndProgramChoosersGetTheirFiltersSizesAndFolder)
{
    CSeamOverride<SCommonDialogSeam> dialogs(g_commonDialogSeam, {&RecordOpen, nullptr, &CancelFont, nullptr, nullptr});
    wchar_t sound[MAX_PATH] = L"old.wav";
    EXPECT_TRUE(ChooseSoundFile(nullptr, sound, L"C:\\Media"));
    EXPECT_EQ(std::wstring(sound), L"C:\\chosen.wav");
    EXPECT_EQ(g_open.size, sizeof(OPENFILENAMEW));
    EXPECT_EQ(g_open.maxFile, static_cast<DWORD>(MAX_PATH));
    EXPECT_EQ(g_open.folder, L"C:\\Media");
    const std::vector<std::wstring> soundParts = {L"Sound files(*.mid;*.rmi;*.wav)", L"*.mid;*.rmi;*.wav",
                                                  L"MIDI files(*.mid;*.rmi)", L"*.mid;*.rmi", L"WAVE files(*.wav)",
                                                  L"*.wav", L"All files(*.*)", L"*.*"};
    EXPECT_EQ(g_open.filterParts, soundParts);

    wchar_t program[kProgramFileChars] = {};
    EXPECT_TRUE(ChooseProgramFile(nullptr, program));
    EXPECT_EQ(g_open.maxFile, static_cast<DWORD>(kProgramFileChars));
    EXPECT_EQ(g_open.folder, L"<none>");
    const std::vector<std::wstring> programParts = {L"Executable files (*.EXE)", L"*.EXE", L"All Files (*.*)", L"*.*"};
    EXPECT_EQ(g_open.filterParts, programParts);

    // The colour comes back even when the chooser is cancelled.
    LOGFONTW font = {};
    COLORREF color = RGB(1, 2, 3);
    g_chosenColor = RGB(9, 8, 7);
    EXPECT_FALSE(ChooseFontDlg(nullptr, font, color));
    EXPECT_EQ(color, RGB(9, 8, 7));
    EXPECT_EQ(g_fontFlags, static_cast<DWORD>(0x541));
}

// ---- rich text into a control

class CRichTextTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_library = LoadLibraryW(L"RICHED20.DLL");
        ASSERT_NE(m_library, nullptr);
        m_edit = CreateWindowExW(0, L"RichEdit20W", L"", WS_POPUP | ES_MULTILINE, 0, 0, 300, 200, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(m_edit, nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(m_edit);
        FreeLibrary(m_library);
    }

    std::wstring Text() const
    {
        std::wstring text(static_cast<size_t>(GetWindowTextLengthW(m_edit)) + 1, L'\0');
        text.resize(static_cast<size_t>(GetWindowTextW(m_edit, &text[0], static_cast<int>(text.size()))));
        return text;
    }

    HMODULE m_library = nullptr;
    HWND m_edit = nullptr;
};

TEST_F(CRichTextTest, EscapedTextReadsBackLiterallyInsideRtf)
{
    const wchar_t* const texts[] = {L"a}b", L"{\\b x", L"C:\\new", L"caf\u00e9", L"\ua000", L"\U0001F600 ok",
                                    L"plain"};
    for (const wchar_t* text : texts) {
        const CStdStr rtf = L"{\\rtf1\\ansi{\\fonttbl{\\f0 Verdana;}}\\f0 [" + EscapeRtfText(text) + L"]}";
        for (const wchar_t unit : EscapeRtfText(text))
            EXPECT_LT(static_cast<unsigned>(unit), 128u);
        EXPECT_NE(StreamTextToRichEdit(m_edit, rtf, true, false), 0);
        EXPECT_EQ(Text(), L"[" + std::wstring(text) + L"]");
    }
    EXPECT_EQ(EscapeRtfText(L"\u00e9"), L"\\u233?");
    EXPECT_EQ(EscapeRtfText(L"abc"), L"abc");
}

TEST_F(CRichTextTest, RawTextAndRtfAboveAsciiComeBackUngarbled)
{
    StreamTextToRichEdit(m_edit, L"{\\rtf1\\ansi caf\u00e9 \u65e5\u672c}", true, false);
    EXPECT_EQ(Text(), L"caf\u00e9 \u65e5\u672c");
    StreamTextToRichEdit(m_edit, L"za\u017c\u00f3\u0142\u0107 \u65e5\u672c", false, false);
    EXPECT_EQ(Text(), L"za\u017c\u00f3\u0142\u0107 \u65e5\u672c");
    SendMessageW(m_edit, EM_SETSEL, 2, 4);
    StreamTextToRichEdit(m_edit, L"XY", false, true);
    EXPECT_EQ(Text(), L"zaXY\u0142\u0107 \u65e5\u672c");
}

TEST(DialogIcons, BothIconsAreTheProgramsOwn)
{
    const HICON icon = LoadIconW(nullptr, IDI_APPLICATION);
    const HICON saved = g_appModule.GetAppIcon();
    g_appModule.SetAppIcon(icon);
    const HWND dialog = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_CAPTION, 0, 0, 100, 100, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    SetDialogIcons(dialog);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0)), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0)), icon);
    DestroyWindow(dialog);
    g_appModule.SetAppIcon(saved);
}

TEST(RtfResource, TheAlarmTextLoadsWithItsPlaceholdersAndAMissingOneIsEmpty)
{
    const CStdStr text = LoadRtfResource(L"SHOWALARM");
    EXPECT_EQ(text.compare(0, 6, L"{\\rtf1"), 0);
    for (const wchar_t* placeholder : {L"<alarmtitle>", L"<alarmtime>", L"<alarmnext>"})
        EXPECT_NE(text.find(placeholder), CStdStr::npos) << placeholder;
    EXPECT_TRUE(LoadRtfResource(L"NOSUCHTEXT").empty());
}

}  // namespace
