// CPooledStr: sharing and copy-on-write, the pool classes, its own formatter,
// Replace and Insert, text that aliases the string itself, and many threads.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "foundation/PooledStr.h"

namespace {

std::wstring Text(const CPooledStr& s)
{
    return s.c_str();
}

template <class Format, class... Args>
int ThrownCode(Format format, const Args&... args)
{
    CPooledStr s(L"before");
    try {
        s.Format(format, args...);
    } catch (const StrException& e) {
        EXPECT_EQ(Text(e.Text()), L"before");
        EXPECT_EQ(Text(s), L"before");
        return e.Code();
    }
    return 0;
}

}  // namespace

TEST(CPooledStr, CopiesShareUntilWritten)
{
    CPooledStr first(L"shared");
    CPooledStr copy(first);
    EXPECT_EQ(first.c_str(), copy.c_str());
    EXPECT_EQ(first.GetReferences(), 2);
    copy.Append(L"!");
    EXPECT_EQ(Text(first), L"shared");
    EXPECT_EQ(Text(copy), L"shared!");
    EXPECT_EQ(first.GetReferences(), 1);
    EXPECT_EQ(copy.GetReferences(), 1);

    CPooledStr empty(L"x");
    empty.Assign(L"");
    CPooledStr emptyCopy(empty);
    EXPECT_TRUE(empty.IsSharedEmpty());
    EXPECT_TRUE(emptyCopy.IsSharedEmpty());
    EXPECT_EQ(empty.GetReferences(), 2);  // the shared head is never counted
    EXPECT_EQ(empty.GetCapacity(), 63);
    empty.Release();
    EXPECT_EQ(emptyCopy.GetReferences(), 2);
}

TEST(CPooledStr, CapacitiesAndPoolClasses)
{
    struct Case { int requested, capacity, sizeClass; };
    const Case cases[] = {
        { 0, 31, 1 }, { 1, 31, 1 }, { 31, 31, 1 }, { 32, 63, 2 },
        { 287, 287, 9 }, { 288, 319, -1 }, { 319, 319, -1 },  // 640 bytes and up: heap
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PooledStrRoundCapacity(c.requested), c.capacity) << c.requested;
        EXPECT_EQ(PooledStrClassOf(c.capacity), c.sizeClass) << c.requested;
    }
    // A freed short block goes back to its class and is handed out again.
    PooledStrHead* const block = PooledStrAllocBlock(95);
    EXPECT_EQ(block->references, 1);
    EXPECT_EQ(block->link.owner.threadId, GetCurrentThreadId());
    const int before = PooledStrListCount(3);
    PooledStrFreeBlock(block);
    EXPECT_EQ(PooledStrListCount(3), before + 1);
    EXPECT_EQ(PooledStrAllocBlock(95), block);
    PooledStrFreeBlock(block);

    CPooledStr grown(L"short");
    EXPECT_EQ(grown.GetCapacity(), 63);  // from the shared head's 63
    grown.Append(std::wstring(300, L'g').c_str());
    EXPECT_EQ(grown.GetCapacity(), 319);
    EXPECT_EQ(grown.GetLength(), 305);
    EXPECT_EQ(Text(grown).substr(0, 6), L"shortg");
}

TEST(CPooledStr, FormatConversions)
{
    const CPooledStr pooled(L"pooled");
    const char* const nullNarrow = nullptr;
    struct Case { std::wstring result; const wchar_t* expected; };
    auto format = [](auto formatText, auto... args) {
        CPooledStr s;
        s.Format(formatText, args...);
        return Text(s);
    };
    const Case cases[] = {
        { format(L"%d|%i|%u|%x|%X|%o", 42, -1, 3u, 255, 255, 8), L"42|-1|3|ff|FF|10" },
        { format(L"[%5.3s]", L"abcdef"), L"[abc]" },                // width ignored, precision cuts
        { format(L"%s|%S|%hs|%ls", L"w", "n", "h", L"l"), L"w|n|h|l" },
        { format(L"%s", nullNarrow), L"(null)" },
        { format(L"100%% %c%C", L'W', 'n'), L"100% Wn" },
        { format(L"%!-%!", pooled, pooled), L"pooled-pooled" },
        { format(L"%*.*f|%s", 8, 2, 3.14159, L"next"), L"    3.14|next" },
        { format(L"[%*d|%s]", 4, 7, L"next"), L"[   7|next]" },     // '*' takes its int
        { format(L"[%*s|%d]", 4, L"text", 9), L"[text|9]" },
        { format(L"%I64d|%s", 1099511627776LL, L"next"), L"1099511627776|next" },
        { format(L"%lld|%hd", -5LL, 65537), L"-5|1" },
        { format(L"%.1e|%g", 2.5, 0.5), L"2.5e+000|0.5" },
        { format(L"%p", reinterpret_cast<void*>(0x1F)), L"000000000000001F" },
        { format(L"%y%-5%"), L"y%" },                               // unknown: the character itself
        { format(L"cut off %"), L"cut off " },
        { format(L"cut off %-05"), L"cut off " },
        { format("%s|%S|%c", "narrow", L"wide", 'c'), L"narrow|wide|c" },  // narrow format swaps
        { format("caf\xE9 %d", 1), L"caf\u00E9 1" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.result, c.expected);
    EXPECT_EQ(ThrownCode(L"%***d", 1, 2, 3, 4), 5);
    EXPECT_EQ(ThrownCode(L"%*.*.*f", 1, 2, 3, 1.0), 5);
    int count = 0;
    EXPECT_EQ(ThrownCode(L"%n", &count), 6);
    EXPECT_EQ(ThrownCode("%n", &count), 6);
}

TEST(CPooledStr, ReplaceAndInsert)
{
    struct Case { const wchar_t* text; const wchar_t* oldText; const wchar_t* newText; const wchar_t* expected; int count; };
    const Case cases[] = {
        { L"aaa", L"a", L"aa", L"aaaaaa", 3 },
        { L"aaaaa", L"aa", L"b", L"bba", 2 },
        { L"abcabc", L"bc", L"XY", L"aXYaXY", 2 },   // same length: in place
        { L"abc", L"bc", nullptr, L"a", 1 },
        { L"abc", L"x", L"y", L"abc", 0 },
    };
    for (const Case& c : cases) {
        CPooledStr s(c.text);
        EXPECT_EQ(s.Replace(c.oldText, c.newText), c.count) << c.text;
        EXPECT_EQ(Text(s), c.expected) << c.text;
    }
    CPooledStr s(L"abc");
    try {
        s.Replace(L"", L"x");
        ADD_FAILURE() << "empty search text accepted";
    } catch (const StrException& e) {
        EXPECT_EQ(e.Code(), 3);
        EXPECT_EQ(Text(e.Text()), L"abc");
    }
    s.Insert(1, L"XYZ", 2);
    s.Insert(4, L"!", -1);
    s.Insert(0, L"<", 99);
    EXPECT_EQ(Text(s), L"<aXYb!c");
    try {
        s.Insert(8, L"x");
        ADD_FAILURE() << "insert past the end accepted";
    } catch (const StrException& e) {
        EXPECT_EQ(e.Code(), 2);
    }
}

// A change that reallocates frees the old block: text taken from the string
// itself must be read before that.
TEST(CPooledStr, SourcesInsideTheStringItself)
{
    CPooledStr s(L"abc");
    s.Format(L"%s!%s", s.c_str(), s.c_str());
    EXPECT_EQ(Text(s), L"abc!abc");
    s.Format(L"[%!]", s);
    EXPECT_EQ(Text(s), L"[abc!abc]");

    CPooledStr grow(std::wstring(60, L'x').c_str());
    grow.Replace(L"xx", L"x");
    grow.Append(L"0123456789");
    grow.Append(grow.c_str() + 1, grow.GetLength() - 1);  // past its 63 characters
    EXPECT_EQ(grow.GetLength(), 79);
    EXPECT_EQ(Text(grow).substr(30, 12), L"0123456789xx");

    CPooledStr insert(std::wstring(40, L'i').c_str());
    insert.Insert(0, insert.c_str(), 30);
    EXPECT_EQ(Text(insert), std::wstring(70, L'i'));
    CPooledStr assign(L"abcdef");
    assign.Assign(assign.c_str() + 2);
    EXPECT_EQ(Text(assign), L"cdef");
    CPooledStr replace(L"a-b");
    EXPECT_EQ(replace.Replace(L"-", replace.c_str()), 1);
    EXPECT_EQ(Text(replace), L"aa-bb");
}

TEST(CPooledStr, ManyThreadsShareThePools)
{
    constexpr int kThreads = 8;
    constexpr int kRounds = 100000;
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            std::vector<CPooledStr> kept(16);
            for (int i = 0; i < kRounds; ++i) {
                CPooledStr& slot = kept[static_cast<size_t>(i % 16)];
                const int length = (i * 7 + t) % 200;
                const std::wstring expected(static_cast<size_t>(length), static_cast<wchar_t>(L'a' + t));
                slot.Assign(expected.c_str());
                CPooledStr copy(slot);
                copy.Append(L'!');
                if (Text(slot) != expected || Text(copy) != expected + L"!")
                    ++failures[static_cast<size_t>(t)];
                if (i % 3 == 0)
                    slot.Release();
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(failures[static_cast<size_t>(t)], 0) << "thread " << t;
    for (int k = 0; k < kPooledStrClasses; ++k) {
        EXPECT_GE(PooledStrListCount(k), 0);
        EXPECT_LE(PooledStrListCount(k), 50 - 5 * k) << "class " << k;
    }
}
