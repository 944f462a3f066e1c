// The crash reporter library through the program's own run-time binding.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "framework/CrashReporter.h"
#include "tests/support/TestDir.h"

namespace {

int g_callbackRuns = 0;

BOOL WINAPI CountingCallback(void*)
{
    ++g_callbackRuns;
    return TRUE;
}

LPTOP_LEVEL_EXCEPTION_FILTER CurrentFilter()
{
    const LPTOP_LEVEL_EXCEPTION_FILTER current = SetUnhandledExceptionFilter(nullptr);
    SetUnhandledExceptionFilter(current);
    return current;
}

std::vector<std::wstring> DumpsIn(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found = {};
    const HANDLE search = FindFirstFileW((folder + L"*.dmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (found.nFileSizeLow > 0 || found.nFileSizeHigh > 0)
            names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// Runs the installed filter as the system would for an access violation.
LONG SimulateCrash()
{
    CONTEXT context = {};
    RtlCaptureContext(&context);
    EXCEPTION_RECORD record = {};
    record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
    record.ExceptionAddress = reinterpret_cast<void*>(context.Rip);
    EXCEPTION_POINTERS pointers = {&record, &context};
    return CurrentFilter()(&pointers);
}

class CrashReporterTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_reporter.Bind());
        g_callbackRuns = 0;
        m_record.appName = L"Quillet";
        m_record.callback = &CountingCallback;
    }
    void TearDown() override { m_reporter.Uninstall(); }

    CCrashReporter m_reporter;
    CrashInstallRecord m_record;
    CTestDir m_dir;
};

TEST_F(CrashReporterTest, RefusesARecordOfAnotherSize)
{
    const LPTOP_LEVEL_EXCEPTION_FILTER before = CurrentFilter();
    m_record.size = 175;
    EXPECT_NE(m_reporter.Install(m_record), 0);
    EXPECT_EQ(CurrentFilter(), before);
    EXPECT_NE(m_reporter.AddProperty(kCrashIniPathProperty, L"x"), 0) << "nothing to add to before install";
}

TEST_F(CrashReporterTest, CrashRunsTheCallbackAndDumpsIntoErrorsBesideTheSettings)
{
    ASSERT_TRUE(CreateDirectoryW(m_dir.File(L"Errors").c_str(), nullptr));
    ASSERT_EQ(m_reporter.Install(m_record), 0);
    EXPECT_EQ(m_reporter.SetOption(2, 0), 0);
    EXPECT_EQ(m_reporter.AddFile(m_dir.File(L"QUILLT40.LOG").c_str(), nullptr, L"Log File", 1), 0);
    EXPECT_EQ(m_reporter.AddProperty(kCrashIniPathProperty, m_dir.File(L"RERUZADU.INI").c_str()), 0);

    EXPECT_EQ(SimulateCrash(), EXCEPTION_EXECUTE_HANDLER);
    EXPECT_EQ(g_callbackRuns, 1);
    EXPECT_EQ(DumpsIn(m_dir.File(L"Errors\\")).size(), 1u);
}

TEST_F(CrashReporterTest, WithoutAnErrorsFolderTheDumpGoesToTheTemporaryFolder)
{
    const std::wstring temp = m_dir.File(L"temp\\");
    ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
    ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", temp.c_str()));
    ASSERT_TRUE(SetEnvironmentVariableW(L"TEMP", temp.c_str()));
    ASSERT_EQ(m_reporter.Install(m_record), 0);
    m_reporter.AddProperty(kCrashIniPathProperty, m_dir.File(L"RERUZADU.INI").c_str());

    SimulateCrash();
    SetEnvironmentVariableW(L"TMP", nullptr);
    SetEnvironmentVariableW(L"TEMP", nullptr);
    EXPECT_EQ(g_callbackRuns, 1);
    EXPECT_EQ(DumpsIn(temp).size(), 1u);
}

TEST_F(CrashReporterTest, UninstallPutsThePreviousFilterBack)
{
    const LPTOP_LEVEL_EXCEPTION_FILTER before = CurrentFilter();
    ASSERT_EQ(m_reporter.Install(m_record), 0);
    EXPECT_NE(CurrentFilter(), before);
    EXPECT_NE(m_reporter.Install(m_record), 0) << "a second install";
    EXPECT_EQ(m_reporter.Uninstall(), 0);
    EXPECT_EQ(CurrentFilter(), before);
    EXPECT_NE(m_reporter.Uninstall(), 0) << "a second uninstall";
}

TEST_F(CrashReporterTest, UnbindingNeverLeavesAFilterIntoTheFreedLibrary)
{
    const LPTOP_LEVEL_EXCEPTION_FILTER before = CurrentFilter();
    ASSERT_EQ(m_reporter.Install(m_record), 0);
    m_reporter.Unbind();
    EXPECT_EQ(CurrentFilter(), before);
}

TEST(CrashReporterBinding, AMissingLibraryOnlyFailsTheCalls)
{
    CCrashReporter reporter;
    EXPECT_FALSE(reporter.Bind(L"NoSuchCrashRpt.dll"));
    CrashInstallRecord record;
    EXPECT_EQ(reporter.Install(record), kCrashNotBound);
    EXPECT_EQ(reporter.AddProperty(L"a", L"b"), kCrashNotBound);
    EXPECT_EQ(reporter.Uninstall(), kCrashNotBound);
}

TEST(CrashReporterBinding, ABareNameIsNeverTakenFromTheCurrentFolder)
{
    wchar_t program[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
    std::wstring library(program);
    library = library.substr(0, library.rfind(L'\\') + 1) + L"CrashRpt1402.dll";
    const CTestDir dir;
    const std::wstring planted = dir.File(L"PlantedRpt.dll");
    ASSERT_TRUE(CopyFileW(library.c_str(), planted.c_str(), FALSE));

    wchar_t saved[MAX_PATH] = {};
    ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, saved), 0u);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.Path().c_str()));
    CCrashReporter reporter;
    const bool boundByName = reporter.Bind(L"PlantedRpt.dll");
    SetCurrentDirectoryW(saved);
    EXPECT_FALSE(boundByName) << "a library in the current folder was loaded";
    EXPECT_TRUE(reporter.Bind(planted.c_str())) << "a full path is taken as it is";
    reporter.Unbind();
}

}  // namespace
