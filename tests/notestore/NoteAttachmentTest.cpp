// Attachment rows and the two caches built from them.
#include "notestore/Note.h"

#include "RecordTestSupport.h"

#include <vector>

namespace {

class CAttachmentTest : public CNoteStoreTest {
protected:
    void SetUp() override
    {
        CNoteStoreTest::SetUp();
        CNoteAttachment::MarkStale();   // the caches outlive a test's database
        for (std::int64_t id : {11, 12, 13})
            m_notes[id - 11].SetId(id);
    }

    std::int64_t Rows() { return Scalar(L"select count(*) from attachnotes"); }

    CNote m_notes[3];
};

using Ids = std::vector<std::int64_t>;

TEST_F(CAttachmentTest, TwoNotesOnOneTitleAndADetach)
{
    CNote& first = m_notes[0];
    CNote& second = m_notes[1];
    EXPECT_TRUE(second.Attachment().SetAttachment(second, L"Report - Editor", 2));
    EXPECT_TRUE(first.Attachment().SetAttachment(first, L"Report - Editor", 1));
    EXPECT_TRUE(m_notes[2].Attachment().SetAttachment(m_notes[2], L"Calculator", 3));
    EXPECT_EQ(CNoteAttachment::GetNotesForTitle(L"Report - Editor"), (Ids{12, 11}));   // table order
    EXPECT_EQ(CNoteAttachment::GetTitleForNote(11), L"Report - Editor");
    EXPECT_EQ(CNoteAttachment::GetTitleForNote(13), L"Calculator");
    EXPECT_EQ(CNoteAttachment::GetNotesForTitle(L"report - editor"), Ids{});

    EXPECT_TRUE(second.Attachment().SetAttachment(second, L"", 0));
    EXPECT_EQ(second.Attachment().GetId(), -1);
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(CNoteAttachment::GetNotesForTitle(L"Report - Editor"), (Ids{11}));
    EXPECT_EQ(CNoteAttachment::GetTitleForNote(12), L"");
}

TEST_F(CAttachmentTest, ReadResetsAReusedRecord)
{
    CNote& attached = m_notes[0];
    ASSERT_TRUE(attached.Attachment().SetAttachment(attached, L"Mail", 4));

    CNoteAttachment record;
    ASSERT_TRUE(record.Read(attached));
    EXPECT_EQ(record.GetWindowTitle(), L"Mail");
    EXPECT_EQ(record.GetMoveWith(), 4);
    EXPECT_GT(record.GetId(), 0);

    record.SetMatchedWindow(reinterpret_cast<HWND>(0x1234));
    ASSERT_TRUE(record.Read(m_notes[1]));   // no row
    EXPECT_EQ(record.GetWindowTitle(), L"");
    EXPECT_EQ(record.GetMoveWith(), 0);
    EXPECT_EQ(record.GetId(), -1);
    EXPECT_EQ(record.GetNoteId(), 12);
    EXPECT_EQ(record.GetMatchedWindow(), nullptr);
}

TEST_F(CAttachmentTest, AnUnstoredNoteIsNotAttached)
{
    CNote unstored;
    CLogCapture log;
    EXPECT_FALSE(unstored.Attachment().SetAttachment(unstored, L"Mail", 1));
    EXPECT_EQ(Rows(), 0);
    EXPECT_TRUE(log.Contains(L"Not attaching a note that is not stored to Mail"));
}

TEST_F(CAttachmentTest, DatabaseGoneDuringARebuildThenBack)
{
    CNote& first = m_notes[0];
    CNote& second = m_notes[1];
    ASSERT_TRUE(first.Attachment().SetAttachment(first, L"Editor", 1));
    EXPECT_EQ(CNoteAttachment::GetTitleForNote(11), L"Editor");
    ASSERT_TRUE(second.Attachment().SetAttachment(second, L"Browser", 1));

    const CStdStr path = m_manager.GetDatabasePath();
    m_manager.CloseDB();
    m_manager.SetDatabasePath(L"");
    // Without a database nothing is written, and the caches keep what they knew.
    EXPECT_FALSE(m_notes[2].Attachment().SetAttachment(m_notes[2], L"Browser", 1));
    EXPECT_FALSE(CNoteAttachment().Read(first));
    EXPECT_EQ(CNoteAttachment::GetNotesForTitle(L"Browser"), Ids{});
    EXPECT_EQ(CNoteAttachment::GetTitleForNote(11), L"Editor");

    // Still stale: the next lookup with the database back rebuilds.
    m_manager.SetDatabasePath(path.c_str());
    EXPECT_EQ(CNoteAttachment::GetNotesForTitle(L"Browser"), (Ids{12}));
    EXPECT_EQ(m_manager.GetDBUseCount(), 0);
}

} // namespace
