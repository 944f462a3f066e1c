// The file wrapper and the file helpers.
#include <gtest/gtest.h>

#include <string>

#include "foundation/Seams.h"
#include "foundation/fileio.h"
#include "tests/foundation/FileBytes.h"
#include "tests/foundation/RenameFakes.h"
#include "tests/support/TestDir.h"

namespace {

DWORD OpenError(const std::wstring& path, UINT flags)
{
    CWinFile file;
    return file.Open(path.c_str(), flags) ? ERROR_SUCCESS : GetLastError();
}

}  // namespace

TEST(CWinFile, OpenByFlagWordAndExistence)
{
    struct Case { UINT flags; bool exists; bool opens; const char* content; DWORD error; };
    const Case cases[] = {
        {0x0000, true,  true,  "old", 0},                   // read, must exist
        {0x0022, false, false, "<missing>", ERROR_FILE_NOT_FOUND},
        {0x1022, true,  true,  "", 0},                      // create empties
        {0x1022, false, true,  "", 0},
        {0x3022, true,  true,  "old", 0},                   // keep content
        {0x3022, false, true,  "", 0},
    };
    for (const Case& c : cases) {
        CTestDir dir;
        const std::wstring path = dir.File(L"a.txt");
        if (c.exists)
            WriteBytes(path, "old");
        CWinFile file;
        CWinFileException error;
        EXPECT_EQ(file.Open(path.c_str(), c.flags, &error), c.opens) << std::hex << c.flags;
        file.Close();
        EXPECT_EQ(ReadBytes(path), c.content) << std::hex << c.flags;
        EXPECT_EQ(error.Error(), c.error) << std::hex << c.flags;
        EXPECT_STREQ(error.Path(), c.opens ? L"" : path.c_str()) << std::hex << c.flags;
    }
}

TEST(CWinFile, FailedOpenCutsLongPathTo260)
{
    CTestDir dir;
    const std::wstring path = dir.Path() + std::wstring(300, L'x') + L"\\a.txt";
    CWinFile file;
    CWinFileException error;
    EXPECT_FALSE(file.Open(path.c_str(), CWinFile::accessRead, &error));
    EXPECT_NE(error.Error(), 0u);
    EXPECT_EQ(std::wstring(error.Path()), path.substr(0, 260));
}

TEST(CWinFile, SharingAgainstASecondOpener)
{
    struct Case { UINT share; DWORD reader; DWORD writer; };
    const Case cases[] = {
        {CWinFile::shareRead,      ERROR_SUCCESS,           ERROR_SHARING_VIOLATION},
        {CWinFile::shareWrite,     ERROR_SHARING_VIOLATION, ERROR_SUCCESS},
        {CWinFile::shareReadWrite, ERROR_SUCCESS,           ERROR_SUCCESS},
        {0x0010,                   ERROR_SHARING_VIOLATION, ERROR_SHARING_VIOLATION},   // shares nothing
    };
    for (const Case& c : cases) {
        CTestDir dir;
        const std::wstring path = dir.File(L"a.txt");
        WriteBytes(path, "x");
        CWinFile first;
        ASSERT_TRUE(first.Open(path.c_str(), CWinFile::accessReadWrite | c.share));
        EXPECT_EQ(OpenError(path, CWinFile::accessRead | CWinFile::shareReadWrite), c.reader) << std::hex << c.share;
        EXPECT_EQ(OpenError(path, CWinFile::accessWrite | CWinFile::shareReadWrite), c.writer) << std::hex << c.share;
    }
}

TEST(CWinFile, InheritanceFollowsTheFlag)
{
    CTestDir dir;
    for (const UINT flags : {0x1022u, 0x10A2u}) {
        CWinFile file;
        ASSERT_TRUE(file.Open(dir.File(L"a.txt").c_str(), flags));
        DWORD handleFlags = 0;
        ASSERT_TRUE(GetHandleInformation(file.GetHandle(), &handleFlags));
        EXPECT_EQ((handleFlags & HANDLE_FLAG_INHERIT) != 0, !(flags & CWinFile::noInherit)) << std::hex << flags;
    }
}

TEST(CWinFile, DeleteOnCloseRemovesTheFile)
{
    CTestDir dir;
    const std::wstring path = dir.File(L"a.tmp");
    CWinFile file;
    ASSERT_TRUE(file.Open(path.c_str(), 0x1222));
    EXPECT_TRUE(FileExists(path.c_str()));
    file.Close();
    EXPECT_FALSE(FileExists(path.c_str()));
}

TEST(CWinFile, HandleOperationsThrowWithEmptyPath)
{
    CTestDir dir;
    CWinFile file;
    ASSERT_TRUE(file.Open(dir.File(L"a.txt").c_str(), 0x1022));
    try {
        file.Seek(-5, FILE_BEGIN);
        FAIL() << "a seek before the start must throw";
    } catch (const CWinFileException& e) {
        EXPECT_EQ(e.Error(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
        EXPECT_STREQ(e.Path(), L"");
    }
    file.Close();
    char byte = 0;
    EXPECT_THROW(file.Read(&byte, 1), CWinFileException);
    EXPECT_THROW(file.GetPosition(), CWinFileException);
    EXPECT_FALSE(file.Write(&byte, 1));
}

TEST(CWinFile, CountsOfZeroMakeNoCallEvenWhenClosed)
{
    CWinFile file;
    char byte = 0;
    EXPECT_EQ(file.Read(&byte, 0), 0u);
    EXPECT_TRUE(file.Write(&byte, 0));
    file.Flush();   // nothing while closed
    file.Close();
    file.Close();
}

TEST(CWinFile, ReadWriteSeekAndLength)
{
    CTestDir dir;
    CWinFile file;
    ASSERT_TRUE(file.Open(dir.File(L"a.txt").c_str(), 0x1022));
    ASSERT_TRUE(file.Write("abcdef", 6));
    EXPECT_EQ(file.GetPosition(), 6u);
    file.SetLength(4);
    EXPECT_EQ(file.GetPosition(), 4u);
    EXPECT_EQ(file.GetLength(), 4u);
    EXPECT_EQ(file.Seek(-3, FILE_END), 1u);
    char text[8] = {};
    EXPECT_EQ(file.Read(text, sizeof(text)), 3u);
    EXPECT_STREQ(text, "bcd");
    file.LockRange(0, 2);
    file.UnlockRange(0, 2);
    EXPECT_THROW(file.UnlockRange(0, 2), CWinFileException);
}

TEST(CWinFile, ReopeningClosesTheFirstFile)
{
    CTestDir dir;
    const std::wstring a = dir.File(L"a.txt");
    const std::wstring b = dir.File(L"b.txt");
    CWinFile file;
    ASSERT_TRUE(file.Open(a.c_str(), 0x1022));   // shares no deletion
    ASSERT_TRUE(file.Open(b.c_str(), 0x1022));
    EXPECT_TRUE(DeleteFileW(a.c_str())) << GetLastError();
    file.Close();
    EXPECT_TRUE(DeleteFileW(b.c_str())) << GetLastError();
}

// A source holding "new" and a target holding "old".
class FileHelpers : public testing::Test {
protected:
    FileHelpers() : m_source(m_dir.File(L"source.txt")), m_target(m_dir.File(L"target.txt"))
    {
        WriteBytes(m_source, "new");
        WriteBytes(m_target, "old");
    }
    DWORD TargetHiddenOrReadOnly() const
    {
        return GetFileAttributesW(m_target.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    }
    void HideTarget() const
    {
        ASSERT_TRUE(SetFileAttributesW(m_target.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    }

    CTestDir m_dir;
    const std::wstring m_source;
    const std::wstring m_target;
};

TEST_F(FileHelpers, CopyFileReplacing)
{
    EXPECT_FALSE(CopyFileReplacing(m_source.c_str(), m_target.c_str(), false));
    EXPECT_EQ(ReadBytes(m_target), "old");

    HideTarget();
    EXPECT_TRUE(CopyFileReplacing(m_source.c_str(), m_target.c_str(), true));
    EXPECT_EQ(ReadBytes(m_target), "new");
    EXPECT_EQ(TargetHiddenOrReadOnly(), 0u);

    EXPECT_FALSE(CopyFileReplacing(m_source.c_str(), m_dir.File(L"no\\such.txt").c_str(), true));
}

TEST_F(FileHelpers, CopyOntoAHeldTargetClearsItsAttributesAndFails)
{
    HideTarget();
    CWinFile holder;
    ASSERT_TRUE(holder.Open(m_target.c_str(), CWinFile::accessRead));   // shares nothing
    EXPECT_FALSE(CopyFileReplacing(m_source.c_str(), m_target.c_str(), true));
    EXPECT_EQ(TargetHiddenOrReadOnly(), 0u);
    holder.Close();
    EXPECT_EQ(ReadBytes(m_target), "old");
}

TEST_F(FileHelpers, MoveFileReplacingRenamesOverAReadOnlyTarget)
{
    const CSeamOverride<SFileRenameSeam> windows(g_fileRenameSeam, {&RenameAsWindows});
    HideTarget();
    EXPECT_TRUE(MoveFileReplacing(m_source.c_str(), m_target.c_str())) << GetLastError();
    EXPECT_EQ(ReadBytes(m_target), "new");
    EXPECT_FALSE(FileExists(m_source.c_str()));
    EXPECT_EQ(TargetHiddenOrReadOnly(), 0u);
}

TEST_F(FileHelpers, MoveFileReplacingThatFailsLeavesBothFilesAsTheyWere)
{
    const CSeamOverride<SFileRenameSeam> full(g_fileRenameSeam, {&RenameOnFullDisk});
    HideTarget();
    EXPECT_FALSE(MoveFileReplacing(m_source.c_str(), m_target.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(ReadBytes(m_target), "old");
    EXPECT_EQ(ReadBytes(m_source), "new");
    EXPECT_EQ(TargetHiddenOrReadOnly(), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
}

TEST_F(FileHelpers, MoveOntoATargetThrowsWithTheSourcePath)
{
    try {
        MoveFileOrThrow(m_source.c_str(), m_target.c_str());
        FAIL() << "moving onto a file must throw";
    } catch (const CWinFileException& e) {
        EXPECT_EQ(e.Error(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
        EXPECT_EQ(std::wstring(e.Path()), m_source);
    }
    const std::wstring moved = m_dir.File(L"moved.txt");
    MoveFileOrThrow(m_source.c_str(), moved.c_str());
    EXPECT_EQ(ReadBytes(moved), "new");
}

TEST(FileHelperFunctions, ExistenceAndFolders)
{
    CTestDir dir;
    const std::wstring file = dir.File(L"a.txt");
    const std::wstring folder = dir.File(L"sub");
    WriteBytes(file, "x");
    EXPECT_TRUE(FileExists(file.c_str()));
    EXPECT_FALSE(IsDirectory(file.c_str()));
    EXPECT_TRUE(CreateDirectoryIfMissing(folder.c_str()));
    EXPECT_TRUE(CreateDirectoryIfMissing(folder.c_str()));   // existing counts
    EXPECT_TRUE(IsDirectory(folder.c_str()));
    EXPECT_FALSE(FileExists(dir.File(L"none").c_str()));
    EXPECT_FALSE(CreateDirectoryIfMissing(dir.File(L"no\\such").c_str()));
}

TEST(FileHelperFunctions, AppendBackslash)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\d", L"C:\\d\\"}, {L"C:\\d\\", L"C:\\d\\"}, {L"", L"\\"}};
    for (const auto& [path, expected] : cases) {
        CStdStr text(path);
        AppendBackslash(text);
        EXPECT_EQ(text, expected) << path;
    }
}

TEST(FileHelperFunctions, PathInFolderOf)
{
    struct Case { std::wstring folderOrFile; const wchar_t* extension; const wchar_t* expected; };
    const Case cases[] = {
        { L"C:\\prog\\QUILL32.exe", L"LOG", L"C:\\prog\\name.LOG" },   // the file name is dropped
        { L"C:\\prog\\", nullptr, L"C:\\prog\\name" },
        { L"\\\\server\\share\\x.ini", L"dll", L"\\\\server\\share\\name.dll" },
        { L"C:QUILL32.exe", L"LOG", nullptr },                          // no folder: relative to the drive
        { L"C:\\" + std::wstring(300, L'd') + L"\\x", L"LOG", nullptr },  // does not fit
    };
    for (const Case& c : cases) {
        wchar_t path[MAX_PATH] = L"untouched";
        const bool formed = PathInFolderOf(c.folderOrFile.c_str(), L"name", c.extension, path);
        EXPECT_EQ(formed, c.expected != nullptr) << c.folderOrFile;
        if (formed && c.expected) {
            EXPECT_STREQ(path, c.expected);
        }
    }
}
