// The dialogs' shared helpers: filters the choosers can read whatever their
// length, the export chooser's format and flags, and its failure box.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>

#include <optional>
#include <string>
#include <vector>

#include "dialogs/DlgUtils.h"
#include "foundation/MessageBoxSeam.h"
#include "foundation/Seams.h"
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

}  // namespace
