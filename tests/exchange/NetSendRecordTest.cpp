// The transfer record: what it copies, what it refuses, and that nothing it
// owns outlives it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "exchange/NetSendRecord.h"

namespace {

// Memory running out, for the allocations that must not throw: the n-th
// nothrow allocation from now fails (0: none does).
thread_local int t_nothrowAllocationsLeft = 0;

void* NothrowAllocate(std::size_t size) noexcept
{
    if (t_nothrowAllocationsLeft > 0 && --t_nothrowAllocationsLeft == 0)
        return nullptr;
    return std::malloc(size ? size : 1);
}

}  // namespace

// What the ordinary delete frees comes from malloc, as the runtime's own does.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return NothrowAllocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return NothrowAllocate(size);
}

namespace {

TEST(NetSendRecord, NoMemoryGivesNoRecordAndLeavesNothingBehind)
{
    const BYTE legacy[] = {1, 2, 3};
    const long before = CNetSendRecord::LiveCount();
    // The record, then its legacy buffer, then its text.
    for (int failing = 1; failing <= 3; ++failing) {
        t_nothrowAllocationsLeft = failing;
        auto record = CNetSendRecord::Make(nullptr, L"pc", 3023, legacy, 3, "<NOTES/>", 9, L"");
        t_nothrowAllocationsLeft = 0;
        EXPECT_EQ(record, nullptr) << failing;
        EXPECT_EQ(CNetSendRecord::LiveCount(), before) << failing;
    }
    EXPECT_NE(CNetSendRecord::Make(nullptr, L"pc", 3023, legacy, 3, "<NOTES/>", 9, L""), nullptr);
}

TEST(NetSendRecord, CopiesBufferAndTextWithinTheirCounts)
{
    const BYTE legacy[] = {1, 2, 3, 0, 5};
    // The bytes past each count are not the sender's and must not be read.
    const char digits[] = "0123456789XYZ";
    const char withNul[] = "ab\0cd";
    struct Case {
        const char* what;
        const BYTE* legacy;
        int legacyLength;
        const char* xml;
        size_t xmlBytes;
        const char* expectedXml;   // null: no text
    };
    const Case cases[] = {
        {"legacy only", legacy, 5, nullptr, 0, nullptr},
        {"legacy of length 0", legacy, 0, nullptr, 0, nullptr},
        {"xml with its NUL", nullptr, 0, "0123456789", 11, "0123456789"},
        {"xml without NUL in its count", nullptr, 0, digits, 10, "0123456789"},
        {"xml cut at its first NUL", nullptr, 0, withNul, 5, "ab"},
        {"xml of length 0", nullptr, 0, digits, 0, ""},
        {"both", legacy, 3, "x", 2, "x"},
        {"neither", nullptr, 0, nullptr, 0, nullptr},
    };
    const long before = CNetSendRecord::LiveCount();
    for (const Case& c : cases) {
        auto record = CNetSendRecord::Make(nullptr, L"host", 3023, c.legacy, c.legacyLength, c.xml, c.xmlBytes, L"");
        ASSERT_TRUE(record) << c.what;
        EXPECT_EQ(CNetSendRecord::LiveCount(), before + 1) << c.what;
        EXPECT_EQ(record->legacyBuffer != nullptr, c.legacy != nullptr) << c.what;
        EXPECT_EQ(record->legacyLength, c.legacy ? c.legacyLength : 0) << c.what;
        if (c.legacy && c.legacyLength > 0) {
            EXPECT_NE(record->legacyBuffer.get(), c.legacy) << c.what;
            EXPECT_EQ(std::memcmp(record->legacyBuffer.get(), c.legacy, c.legacyLength), 0) << c.what;
        }
        if (!c.expectedXml) {
            EXPECT_EQ(record->xmlText, nullptr) << c.what;
            EXPECT_EQ(record->xmlLength, 0) << c.what;
            continue;
        }
        ASSERT_NE(record->xmlText, nullptr) << c.what;
        const int length = static_cast<int>(std::strlen(c.expectedXml));
        EXPECT_EQ(record->xmlLength, length + 1) << c.what;   // the terminator counts
        EXPECT_EQ(std::string(record->xmlText.get()), c.expectedXml) << c.what;
        EXPECT_EQ(record->xmlText[length + 1], '\0') << c.what;   // the spare byte
    }
    EXPECT_EQ(CNetSendRecord::LiveCount(), before);
}

TEST(NetSendRecord, HostAndSenderMustFitTheirArrays)
{
    const std::wstring fits(255, L'h');
    const std::wstring tooLong(256, L'h');
    const long before = CNetSendRecord::LiveCount();

    auto record = CNetSendRecord::Make(nullptr, fits.c_str(), 1, nullptr, 0, nullptr, 0, fits.c_str());
    ASSERT_TRUE(record);
    EXPECT_EQ(std::wstring(record->host), fits);
    EXPECT_EQ(std::wstring(record->senderName), fits);
    // Cut, the recipient would be another machine.
    EXPECT_FALSE(CNetSendRecord::Make(nullptr, tooLong.c_str(), 1, nullptr, 0, nullptr, 0, L""));
    EXPECT_FALSE(CNetSendRecord::Make(nullptr, L"h", 1, nullptr, 0, nullptr, 0, tooLong.c_str()));
    record.reset();
    EXPECT_EQ(CNetSendRecord::LiveCount(), before);
}

TEST(NetSendRecord, HeaderCopyCarriesNoBuffers)
{
    const BYTE legacy[] = {9, 9};
    const HWND window = reinterpret_cast<HWND>(0x1234);
    auto request = CNetSendRecord::Make(window, L"pc7", 4000, legacy, 2, "<NOTES/>", 9, L"me");
    ASSERT_TRUE(request);
    const auto copy = request->HeaderCopy();
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->mainWindow, window);
    EXPECT_EQ(std::wstring(copy->host), L"pc7");
    EXPECT_EQ(std::wstring(copy->senderName), L"me");
    EXPECT_EQ(copy->port, 4000);
    EXPECT_EQ(copy->legacyBuffer, nullptr);
    EXPECT_EQ(copy->legacyLength, 0);
    EXPECT_EQ(copy->xmlText, nullptr);
    EXPECT_EQ(copy->xmlLength, 0);
}

TEST(NetSendRecord, TravelsThroughAMessageAsOneOwner)
{
    const long before = CNetSendRecord::LiveCount();
    auto record = CNetSendRecord::Make(nullptr, L"h", 1, nullptr, 0, nullptr, 0, L"");
    CNetSendRecord* const sent = record.get();
    const LPARAM lParam = ReleaseNetSendRecord(std::move(record));
    EXPECT_EQ(record, nullptr);
    auto taken = TakeNetSendRecord(lParam);
    EXPECT_EQ(taken.get(), sent);
    EXPECT_EQ(TakeNetSendRecord(0), nullptr);
    taken.reset();
    EXPECT_EQ(CNetSendRecord::LiveCount(), before);
}

}  // namespace
