// Shell services below the shell: date and time texts, and alarm commands
// through the ShellExecuteW seam.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "foundation/Seams.h"
#include "foundation/ShellExecSeam.h"
#include "foundation/ShellServices.h"
#include "tests/support/ShellExecuteRecorder.h"
#include "tests/support/TestDir.h"

TEST(DateText, OleDatesInTheUsersLocaleAndEmptyWhenTheyCanNotBeShown)
{
    const double midday = 45000.5;  // 15 March 2023, 12:00
    struct Case {
        void (*format)(double, wchar_t*, int);
        double date;
        int size;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {&FormatDateShort, midday, 64, L"3/15/2023"},
        {&FormatDateLong, midday, 64, L"Wednesday, March 15, 2023"},
        {&FormatTimeShort, midday, 64, L"12:00 PM"},
        {&FormatDateShort, midday, 4, L""},        // too small: nothing half-written
        {&FormatTimeShort, 1.0e10, 64, L""},       // beyond the calendar
        {&FormatDateLong, -1.0e10, 64, L""},
    };
    for (const Case& c : cases) {
        wchar_t text[64];
        wmemset(text, L'#', 64);
        c.format(c.date, text, c.size);
        EXPECT_STREQ(text, c.expected) << c.date << " " << c.size;
    }
    wchar_t untouched[2] = {L'#', L'\0'};
    FormatDateShort(midday, untouched, 0);
    EXPECT_STREQ(untouched, L"#") << "no room: nothing written";
}

namespace {

// ---- Commands ----------------------------------------------------------------

std::vector<SExecuted>& g_executed = ExecutedCalls();

class ShellExecuteTest : public testing::Test {
protected:
    void SetUp() override { g_executed.clear(); }
    CSeamOverride<SShellExecuteSeam> m_seam{g_shellExecuteSeam, {&RecordingShellExecute}};
};

TEST_F(ShellExecuteTest, AnAlarmCommandSplitsIntoProgramAndParameters)
{
    struct Case {
        const wchar_t* command;
        const wchar_t* program;
        const wchar_t* parameters;
    };
    const Case cases[] = {
        {L"notepad C:\\a.txt", L"\"notepad\"", L"C:\\a.txt "},
        // A quoted file name with blanks stays one parameter, quoted again.
        {L"notepad \"C:\\My File.txt\"", L"\"notepad\"", L"\"C:\\My File.txt\" "},
        {L"\"C:\\Program Files\\app.exe\" /x /y", L"\"C:\\Program Files\\app.exe\"", L"/x /y "},
        {L"notepad", L"\"notepad\"", L"<none>"},
        {L"a\"b c\"d", L"\"a\"", L"\"b c\" d "},  // a quote also ends a token
    };
    for (const Case& c : cases) {
        g_executed.clear();
        ExecuteCommandLine(c.command);
        ASSERT_EQ(g_executed.size(), 1u) << c.command;
        EXPECT_EQ(g_executed[0].file, c.program) << c.command;
        EXPECT_EQ(g_executed[0].parameters, c.parameters) << c.command;
    }
}

TEST_F(ShellExecuteTest, AnExistingFileOpensAsItIsAndBlanksRunNothing)
{
    CTestDir dir;
    const std::wstring file = dir.File(L"my alarm file.txt");
    CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ExecuteCommandLine(file.c_str());
    ExecuteCommandLine(L"   ");
    ExecuteCommandLine(L"\"\"");
    ASSERT_EQ(g_executed.size(), 1u);
    EXPECT_EQ(g_executed[0].file, file);
    EXPECT_EQ(g_executed[0].parameters, L"<none>");
}

}  // namespace
