// The send history, aliases and ignore list in ALIAS.INI: what the file
// keeps through loads and stores, what a stored line could not carry, which
// senders are ignored, and the ignore list under the listener's reads.
#include "ExchangeTestSupport.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "exchange/NetLists.h"
#include "foundation/Preferences.h"
#include "foundation/Seams.h"
#include "foundation/fileio.h"
#include "tests/foundation/FileBytes.h"
#include "tests/support/ScopedUiScript.h"
#include "tests/support/TestDir.h"

namespace {

std::vector<SProfileLine> Section(const std::wstring& path, const wchar_t* section)
{
    return ReadProfileSection(section, path.c_str());
}

std::vector<std::wstring> HistoryHosts(const CNetLists& lists)
{
    std::vector<std::wstring> hosts;
    SNetSend entry;
    for (int i = 0; lists.GetNetSend(i, entry); ++i)
        hosts.push_back(entry.host);
    return hosts;
}

class NetListsTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_session.Started()); }

    CWinSockSession m_session;
    CTestDir m_dir;
    const std::wstring m_path = m_dir.File(L"ALIAS.INI");
    CNetLists m_lists;
};

TEST_F(NetListsTest, WholeSectionsAreReadHoweverLong)
{
    std::vector<std::wstring> lines;
    for (int i = 0; i < 2000; ++i)
        lines.push_back(Numbered(L"key%04d=value%04d", i, i));
    WriteIniSection(m_path, L"Long", lines);
    const auto read = Section(m_path, L"Long");
    ASSERT_EQ(read.size(), 2000u);
    EXPECT_EQ(read[1999].key, L"key1999");
    EXPECT_EQ(read[1999].value, L"value1999");

    WriteBytes(m_dir.File(L"ansi.ini"), "[S]\r\njunk\r\nk=a=b\r\n");
    const auto split = Section(m_dir.File(L"ansi.ini"), L"S");
    ASSERT_EQ(split.size(), 1u);   // the line without "=" is left out
    EXPECT_EQ(split[0].key, L"k");
    EXPECT_EQ(split[0].value, L"a=b");
    EXPECT_TRUE(Section(m_dir.File(L"missing.ini"), L"S").empty());
}

TEST_F(NetListsTest, EveryEntrySurvivesLoadsAndStores)
{
    WriteListsFixture(m_path);
    ASSERT_EQ(m_lists.LoadNetSends(m_path.c_str()), 1);
    EXPECT_EQ(m_lists.Aliases().size(), 300u);
    const std::vector<std::wstring> hosts = HistoryHosts(m_lists);
    ASSERT_EQ(hosts.size(), 30u);   // the newest, in their order
    EXPECT_EQ(hosts.front(), L"host10");
    EXPECT_EQ(hosts.back(), L"host39");

    const wchar_t unicodeName[] = L"\u4E2D\u6587 \U0001F600";
    ASSERT_TRUE(m_lists.AddAlias(L"10.9.9.9", unicodeName));
    ASSERT_EQ(m_lists.AddIgnore(L"10.200.0.0"), L"10.200.0.0");
    ASSERT_TRUE(m_lists.UpdateNetSends({L"newhost", 4000, kNetSendSent}));
    ASSERT_EQ(m_lists.StoreNetSends(), 1);

    for (int round = 0; round < 2; ++round) {
        CNetLists reloaded;
        ASSERT_EQ(reloaded.LoadNetSends(m_path.c_str()), 1);
        EXPECT_EQ(reloaded.Aliases().size(), 301u);
        EXPECT_EQ(reloaded.LookupAlias(unicodeName), L"10.9.9.9");
        EXPECT_EQ(reloaded.LookupAlias(L"pc299"), L"10.2.1.43");
        EXPECT_EQ(Section(m_path, L"IgnoreList").size(), 41u);
        for (int i = 0; i < 40; ++i)
            EXPECT_TRUE(reloaded.IsSenderIgnored(Numbered(L"10.%d.7.7", i).c_str())) << i;
        EXPECT_TRUE(reloaded.IsSenderIgnored(L"10.200.1.1"));
        const std::vector<std::wstring> reloadedHosts = HistoryHosts(reloaded);
        ASSERT_EQ(reloadedHosts.size(), 30u);
        EXPECT_EQ(reloadedHosts.front(), L"host11");
        EXPECT_EQ(reloadedHosts.back(), L"newhost");
        EXPECT_EQ(ReadPrivateProfileInt(L"NetSends", L"NumStored", 0, m_path.c_str()), 31);
        ASSERT_EQ(reloaded.StoreNetSends(), 1);
    }
}

TEST_F(NetListsTest, HistoryIsWrittenOnlyWhenItChanged)
{
    WriteIniSection(m_path, L"NetSends", {L"NumStored=1", L"0=pc|3023|1"});
    ASSERT_EQ(m_lists.LoadNetSends(m_path.c_str()), 1);
    ASSERT_TRUE(WritePrivateProfileStringW(L"NetSends", L"marker", L"kept", m_path.c_str()));
    ASSERT_EQ(m_lists.StoreNetSends(), 1);
    EXPECT_EQ(Section(m_path, L"NetSends").size(), 3u);   // untouched

    m_lists.RemoveNetSend(0);
    ASSERT_EQ(m_lists.StoreNetSends(), 1);
    const auto rewritten = Section(m_path, L"NetSends");
    ASSERT_EQ(rewritten.size(), 1u);
    EXPECT_EQ(rewritten[0].key, L"NumStored");
    EXPECT_EQ(rewritten[0].value, L"0");
}

TEST_F(NetListsTest, HistoryValuesLoadAsTheirPiecesAllow)
{
    WriteIniSection(m_path, L"NetSends",
                 {L"NumStored=6", L"0=a||3023|1", L"1=b|1", L"2=c|1|2|3", L"3=d|1|7", L"4=e|5|-1", L"5=f|6|0"});
    ASSERT_EQ(m_lists.LoadNetSends(m_path.c_str()), 1);
    struct Expected {
        const wchar_t* host;
        int port;
        int status;
    };
    const Expected expected[] = {
        {L"a", 3023, 1},   // empty pieces do not count
        {L"d", 1, 2},      // a status outside 0-2 is "Failed"
        {L"e", 5, 2},
        {L"f", 6, 0},
    };
    ASSERT_EQ(m_lists.GetNetSendCount(), 4);
    for (int i = 0; i < 4; ++i) {
        SNetSend entry;
        ASSERT_TRUE(m_lists.GetNetSend(i, entry));
        EXPECT_EQ(entry.host, expected[i].host);
        EXPECT_EQ(entry.port, expected[i].port) << i;
        EXPECT_EQ(entry.status, expected[i].status) << i;
    }
}

TEST_F(NetListsTest, OneEntryPerHostWhateverItsCase)
{
    ASSERT_EQ(m_lists.LoadNetSends(m_path.c_str()), 1);
    m_lists.UpdateNetSends({L"MyHost", 1, kNetSendSending});
    m_lists.UpdateNetSends({L"myhost", 2, kNetSendSent});
    m_lists.UpdateNetSends({L"PC1", 3, kNetSendFailed});
    m_lists.UpdateNetSends({L"PC10", 4, kNetSendFailed});
    EXPECT_EQ(HistoryHosts(m_lists), (std::vector<std::wstring>{L"myhost", L"PC1", L"PC10"}));
    SNetSend entry;
    ASSERT_TRUE(m_lists.GetNetSend(0, entry));
    EXPECT_EQ(entry.port, 2);
    EXPECT_EQ(entry.status, kNetSendSent);
    EXPECT_FALSE(m_lists.GetNetSend(3, entry));
}

TEST_F(NetListsTest, NewFilesAreUnicodeAndOldAnsiFilesStillRead)
{
    ASSERT_EQ(m_lists.LoadNetSends(m_path.c_str()), 1);   // no file yet: empty lists
    EXPECT_TRUE(m_lists.Aliases().empty());
    ASSERT_TRUE(m_lists.AddAlias(L"10.0.0.1", L"bob"));
    ASSERT_EQ(m_lists.StoreNetSends(), 1);
    EXPECT_EQ(ReadBytes(m_path).substr(0, 2), "\xFF\xFE");

    const std::wstring ansi = m_dir.File(L"OLD.INI");
    WriteBytes(ansi, "[Aliases]\r\nbob=10.0.0.1\r\n[IgnoreList]\r\n10.0.0.0=255.255.255.255\r\n"
                     "[NetSends]\r\nNumStored=1\r\n0=pc|3023|1\r\n");
    CNetLists old;
    ASSERT_EQ(old.LoadNetSends(ansi.c_str()), 1);
    EXPECT_EQ(old.LookupAlias(L"bob"), L"10.0.0.1");
    EXPECT_TRUE(old.IsSenderIgnored(L"10.3.3.3"));
    EXPECT_EQ(HistoryHosts(old), std::vector<std::wstring>{L"pc"});
}

TEST_F(NetListsTest, StoreBeforeLoadLeavesTheFileAlone)
{
    WriteIniSection(m_path, L"Aliases", {L"bob=10.0.0.1"});
    const std::string before = ReadBytes(m_path);
    CLogCapture log;
    EXPECT_EQ(m_lists.StoreNetSends(), 0);
    EXPECT_EQ(ReadBytes(m_path), before);
    EXPECT_FALSE(log.Lines().empty());
}

TEST_F(NetListsTest, AFailedStoreKeepsTheListsForTheNextOne)
{
    ASSERT_EQ(m_lists.LoadNetSends(m_path.c_str()), 1);
    m_lists.UpdateNetSends({L"pc", 3023, kNetSendSent});
    ASSERT_TRUE(CreateDirectoryW(m_path.c_str(), nullptr));   // nothing can be written there
    {
        CLogCapture log;
        EXPECT_EQ(m_lists.StoreNetSends(), 0);
        bool named = false;
        for (const std::wstring& line : log.Lines())
            named = named || line.find(m_path) != std::wstring::npos;
        EXPECT_TRUE(named);
    }
    ASSERT_TRUE(RemoveDirectoryW(m_path.c_str()));
    EXPECT_EQ(m_lists.StoreNetSends(), 1);
    EXPECT_EQ(ReadPrivateProfileInt(L"NetSends", L"NumStored", 0, m_path.c_str()), 1);
}

// The keys of a section as a load reads them.
std::vector<std::wstring> Keys(const std::wstring& path, const wchar_t* section)
{
    std::vector<std::wstring> keys;
    for (const SProfileLine& line : Section(path, section))
        keys.push_back(line.key);
    return keys;
}

bool Contains(const std::vector<std::wstring>& texts, const std::wstring& text)
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

enum EListKind { kAliasName, kAliasAddress, kIgnoreKey, kHistoryHost };

bool AddTo(CNetLists& lists, EListKind kind, const std::wstring& text, EListTextOrigin origin)
{
    switch (kind) {
    case kAliasName: return lists.AddAlias(L"10.0.0.1", text.c_str(), origin);
    case kAliasAddress: return lists.AddAlias(text.c_str(), L"someone", origin);
    case kIgnoreKey: return !lists.AddIgnore(text.c_str(), origin).empty();
    case kHistoryHost: return lists.UpdateNetSends({text, 3023, kNetSendSent});
    }
    return false;
}

// What a reload of the file holds of the text.
bool ReadsBack(const std::wstring& path, EListKind kind, const std::wstring& text)
{
    CNetLists reloaded;
    if (reloaded.LoadNetSends(path.c_str()) != 1)
        return false;
    switch (kind) {
    case kAliasName: return reloaded.LookupAlias(text.c_str()) == L"10.0.0.1";
    case kAliasAddress: return reloaded.LookupAlias(L"someone") == text;
    case kIgnoreKey: return Contains(Keys(path, L"IgnoreList"), text);
    case kHistoryHost: return Contains(HistoryHosts(reloaded), text);
    }
    return false;
}

TEST_F(NetListsTest, AListTextIsStoredExactlyOrRefused)
{
    const std::wstring longest(255, L'n');
    const struct {
        std::wstring text;
        bool stored;
    } cases[] = {
        {L" [x]", false},   // would open a section: the aliases after it would leave [Aliases]
        {L" ;x", false},    // would read back as a comment
        {L"bob ", false},   // trimmed: the stored name would not find itself
        {L" bob", false},
        {L"a=b", false},    // moves the split
        {L"a|b", false},    // splits a history value
        {L"a\r\nb", false}, // plants a line of its own
        {L"\u3000x", false},   // an ideographic space is trimmed too
        {longest + L"n", false},   // no record could carry it
        {L"\u4E2D\u6587", true},
        {L"\u0416\u0443\u043A \U0001F600 zażółć", true},
        {L"x;[y]", true},
        {longest, true},
    };
    const EListKind kinds[] = {kAliasName, kAliasAddress, kIgnoreKey, kHistoryHost};
    for (const auto& c : cases)
        for (const EListKind kind : kinds) {
            const std::wstring path = m_dir.File(L"ALIAS" + std::to_wstring(kind) + L".INI");
            DeleteFileW(path.c_str());
            WriteListsFixture(path);
            CNetLists lists;
            ASSERT_EQ(lists.LoadNetSends(path.c_str()), 1);
            CLogCapture log;
            EXPECT_EQ(AddTo(lists, kind, c.text, kFromPeer), c.stored) << kind << " " << c.text.size();
            EXPECT_EQ(log.Lines().empty(), c.stored) << "a refusal from a peer is logged";
            ASSERT_EQ(lists.StoreNetSends(), 1);
            if (c.stored) {
                EXPECT_TRUE(ReadsBack(path, kind, c.text)) << kind << " " << c.text.size();
            }
            // Everything else is still there.
            CNetLists reloaded;
            ASSERT_EQ(reloaded.LoadNetSends(path.c_str()), 1);
            EXPECT_GE(reloaded.Aliases().size(), 300u);
            EXPECT_EQ(reloaded.LookupAlias(L"pc299"), L"10.2.1.43");
            EXPECT_GE(Section(path, L"IgnoreList").size(), 40u);
            EXPECT_TRUE(reloaded.IsSenderIgnored(L"10.39.1.1"));
            EXPECT_EQ(reloaded.GetNetSendCount(), 30);
        }
    // An empty key or host stands for nothing; an alias is kept as typed.
    EXPECT_EQ(m_lists.AddIgnore(L"", kFromPeer), L"");
    EXPECT_FALSE(m_lists.UpdateNetSends({L"", 3023, kNetSendSent}));
    EXPECT_FALSE(m_lists.UpdateNetSends({CStdStr(L"a\0b", 3), 3023, kNetSendSent}));
}

TEST_F(NetListsTest, ARefusedTypedTextIsExplainedToTheUser)
{
    ASSERT_EQ(m_lists.LoadNetSends(m_path.c_str()), 1);
    ScopedUiScript script;
    script.AnswerMessageBox(IDOK);
    script.AnswerMessageBox(IDOK);
    EXPECT_FALSE(m_lists.AddAlias(L"10.0.0.1", L"bob "));
    EXPECT_EQ(m_lists.AddIgnore(L"evil\r\n[IgnoreList]\r\n0.0.0.0=255.255.255.255"), L"");
    ASSERT_EQ(script.MessageBoxTexts().size(), 2u);
    EXPECT_NE(script.MessageBoxTexts()[0].find(L"\"bob \" cannot be kept"), std::wstring::npos);
    EXPECT_EQ(script.MessageBoxTexts()[1].find(L'\n'), std::wstring::npos) << "shown without its line breaks";
    EXPECT_TRUE(m_lists.AddAlias(L"10.0.0.1", L"bob"));
}

TEST_F(NetListsTest, AFileHeldAtTheLoadIsNeitherEmptiedNorOverwritten)
{
    WriteListsFixture(m_path);
    const std::string before = ReadBytes(m_path);
    {
        CWinFile held;   // as a sync client or a scanner holds it: sharing nothing
        ASSERT_TRUE(held.Open(m_path.c_str(), CWinFile::accessRead));
        CLogCapture log;
        EXPECT_EQ(m_lists.LoadNetSends(m_path.c_str()), 0);
        EXPECT_EQ(log.Lines().size(), 1u);
        EXPECT_TRUE(m_lists.Aliases().empty());
    }
    {
        CLogCapture log;
        m_lists.UpdateNetSends({L"pc", 3023, kNetSendSent});
        EXPECT_EQ(m_lists.StoreNetSends(), 0);
        EXPECT_EQ(m_lists.StoreNetSends(), 0);
        EXPECT_EQ(log.Lines().size(), 1u) << "said once";
    }
    EXPECT_EQ(ReadBytes(m_path), before);

    ASSERT_EQ(m_lists.LoadNetSends(m_path.c_str()), 1);   // a later load finds them
    EXPECT_EQ(m_lists.Aliases().size(), 300u);
    EXPECT_EQ(m_lists.GetNetSendCount(), 30);
    EXPECT_TRUE(m_lists.IsSenderIgnored(L"10.5.1.1"));

    // Held at a store: nothing is written, and the next store writes it all.
    ASSERT_TRUE(m_lists.AddAlias(L"10.9.9.9", L"late", kFromPeer));
    {
        CWinFile held;
        ASSERT_TRUE(held.Open(m_path.c_str(), CWinFile::accessRead));
        CLogCapture log;
        EXPECT_EQ(m_lists.LoadNetSends(m_path.c_str()), 0) << "loaded lists stay";
        EXPECT_EQ(m_lists.LookupAlias(L"late"), L"10.9.9.9");
        EXPECT_EQ(m_lists.StoreNetSends(), 0);
        EXPECT_FALSE(log.Lines().empty());
    }
    EXPECT_EQ(ReadBytes(m_path), before);
    ASSERT_EQ(m_lists.StoreNetSends(), 1);
    CNetLists reloaded;
    ASSERT_EQ(reloaded.LoadNetSends(m_path.c_str()), 1);
    EXPECT_EQ(reloaded.Aliases().size(), 301u);
    EXPECT_EQ(Section(m_path, L"IgnoreList").size(), 40u);
}

TEST_F(NetListsTest, AnOldAnsiFileIsRewrittenAsUnicodeBeforeItsFirstStore)
{
    // A name in the machine's code page, when it has one beyond ASCII.
    const wchar_t codePageName[] = L"Zo\u00EB";
    char narrow[16] = {};
    BOOL lost = FALSE;
    const bool inCodePage = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, codePageName, -1, narrow,
                                                sizeof narrow, nullptr, &lost) > 0 && !lost;
    std::string file = "[Aliases]\r\nbob=10.0.0.1\r\n";
    if (inCodePage)
        file += std::string(narrow) + "=10.0.0.2\r\n";
    file += "[Other]\r\nkept=yes\r\n[NetSends]\r\nNumStored=1\r\n0=pc|3023|1\r\n[IgnoreList]\r\n10.7.0.0=255.255.255.255";
    WriteBytes(m_path, file);   // the last line unfinished, as an editor may leave it
    ASSERT_EQ(m_lists.LoadNetSends(m_path.c_str()), 1);
    ASSERT_TRUE(m_lists.AddAlias(L"10.0.0.3", L"\u4E2D\u6587"));
    ASSERT_TRUE(m_lists.AddAlias(L"10.0.0.4", L"\u0416\u0443\u043A"));
    ASSERT_EQ(m_lists.StoreNetSends(), 1);
    EXPECT_EQ(ReadBytes(m_path).substr(0, 2), "\xFF\xFE");

    for (int round = 0; round < 2; ++round) {
        CNetLists reloaded;
        ASSERT_EQ(reloaded.LoadNetSends(m_path.c_str()), 1);
        EXPECT_EQ(reloaded.LookupAlias(L"bob"), L"10.0.0.1");
        EXPECT_EQ(reloaded.LookupAlias(L"\u4E2D\u6587"), L"10.0.0.3");
        EXPECT_EQ(reloaded.LookupAlias(L"\u0416\u0443\u043A"), L"10.0.0.4");
        if (inCodePage) {
            EXPECT_EQ(reloaded.LookupAlias(codePageName), L"10.0.0.2");
        }
        EXPECT_EQ(HistoryHosts(reloaded), std::vector<std::wstring>{L"pc"});
        EXPECT_TRUE(reloaded.IsSenderIgnored(L"10.7.3.3"));
        wchar_t kept[8] = {};
        GetPrivateProfileStringW(L"Other", L"kept", L"", kept, 8, m_path.c_str());
        EXPECT_STREQ(kept, L"yes") << "the whole file was rewritten";
        ASSERT_EQ(reloaded.StoreNetSends(), 1);
    }
}

TEST_F(NetListsTest, AHostUsedAgainIsAmongTheNewestLoaded)
{
    ASSERT_EQ(m_lists.LoadNetSends(m_path.c_str()), 1);
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(m_lists.UpdateNetSends({Numbered(L"host%d", i), 3023, kNetSendSent}));
    ASSERT_TRUE(m_lists.UpdateNetSends({L"HOST0", 4000, kNetSendFailed}));
    ASSERT_EQ(m_lists.StoreNetSends(), 1);
    CNetLists reloaded;
    ASSERT_EQ(reloaded.LoadNetSends(m_path.c_str()), 1);
    const std::vector<std::wstring> hosts = HistoryHosts(reloaded);
    ASSERT_EQ(hosts.size(), 30u);
    EXPECT_EQ(hosts.front(), L"host11");
    EXPECT_EQ(hosts.back(), L"HOST0");
    SNetSend last;
    ASSERT_TRUE(reloaded.GetNetSend(29, last));
    EXPECT_EQ(last.port, 4000);
    EXPECT_EQ(last.status, kNetSendFailed);
    EXPECT_EQ(ReadPrivateProfileInt(L"NetSends", L"NumStored", 0, m_path.c_str()), 40);
}

std::vector<std::wstring> g_lookups;

ULONG RecordLookup(const wchar_t* host)
{
    g_lookups.push_back(host);
    return std::wstring(host) == L"printer.lan" ? inet_addr("172.16.5.5") : INADDR_NONE;
}

TEST_F(NetListsTest, NameKeysAreLookedUpAtTheFirstTestThatNeedsThemNeverAtTheLoad)
{
    const CSeamOverride<SHostLookupSeam> lookups(g_hostLookupSeam, {&RecordLookup});
    g_lookups.clear();
    WriteIniSection(m_path, L"IgnoreList",
                    {L"printer.lan=255.255.255.255", L"gone.lan=255.255.255.255", L"10.0.0.0=255.255.255.255"});
    ASSERT_EQ(m_lists.LoadNetSends(m_path.c_str()), 1);
    EXPECT_EQ(m_lists.AddIgnore(L"scanner.lan"), L"scanner.lan");
    EXPECT_TRUE(g_lookups.empty());

    EXPECT_TRUE(m_lists.IsSenderIgnored(L"172.16.5.5"));
    EXPECT_EQ(g_lookups.size(), 3u);
    EXPECT_FALSE(m_lists.IsSenderIgnored(L"172.16.5.6"));
    EXPECT_TRUE(m_lists.IsSenderIgnored(L"10.1.1.1"));
    EXPECT_EQ(g_lookups.size(), 3u) << "kept, also the names that did not resolve";

    m_lists.RemoveIgnore(L"printer.lan");
    EXPECT_FALSE(m_lists.IsSenderIgnored(L"172.16.5.5"));
    ASSERT_EQ(m_lists.LoadNetSends(m_path.c_str()), 1);
    EXPECT_EQ(g_lookups.size(), 3u);
    EXPECT_TRUE(m_lists.IsSenderIgnored(L"172.16.5.5"));
    EXPECT_EQ(g_lookups.size(), 5u) << "a load looks them up again when asked";
}

TEST_F(NetListsTest, SendersAreTestedFromTheWholeAddressDownToNothing)
{
    struct Case {
        const char* what;
        std::vector<std::wstring> lines;
        const wchar_t* sender;
        bool ignored;
    };
    const Case cases[] = {
        {"a network", {L"192.168.1.0=255.255.255.255"}, L"192.168.1.77", true},
        {"outside that network", {L"192.168.1.0=255.255.255.255"}, L"192.168.2.77", false},
        {"a class A network", {L"10.0.0.0=255.255.255.255"}, L"10.200.3.4", true},
        {"everybody", {L"0.0.0.0=255.255.255.255"}, L"8.8.4.4", true},
        {"inverted beside plain",
         {L"192.168.1.0=!255.255.255.255", L"192.168.0.0=255.255.255.255"}, L"192.168.1.77", true},
        {"inverted alone", {L"192.168.1.0=!255.255.255.255"}, L"192.168.1.77", false},
        {"inverted, mask lacking bits", {L"192.168.1.0=!255.255.0.0"}, L"192.168.1.5", true},
        {"mask lacking bits", {L"192.168.1.0=255.255.0.255"}, L"192.168.1.5", false},
        {"unparsable sender", {L"255.255.255.0=255.255.255.255"}, L"bad", true},
        {"unparsable sender, other entry", {L"10.0.0.0=255.255.255.255"}, L"bad", false},
        {"unresolvable mask", {L"10.0.0.0=nowhere.invalid"}, L"10.1.1.1", false},
        {"a line without =", {L"10.0.0.0"}, L"10.1.1.1", false},
        {"first line of a key wins",
         {L"10.0.0.0=0.0.0.0", L"10.0.0.0=255.255.255.255"}, L"10.1.1.1", false},
    };
    for (const Case& c : cases) {
        WriteIniSection(m_path, L"IgnoreList", c.lines);
        CNetLists lists;
        ASSERT_EQ(lists.LoadNetSends(m_path.c_str()), 1);
        EXPECT_EQ(lists.IsSenderIgnored(c.sender), c.ignored) << c.what;
    }
}

TEST_F(NetListsTest, ANameKeyStandsForTheAddressItResolvedTo)
{
    ASSERT_EQ(m_lists.LoadNetSends(m_path.c_str()), 1);
    ASSERT_TRUE(m_lists.AddAlias(L"localhost", L"me"));
    EXPECT_EQ(m_lists.AddIgnore(L"me"), L"localhost");   // the alias's address is the key
    EXPECT_TRUE(m_lists.IsSenderIgnored(L"127.0.0.1"));
    EXPECT_FALSE(m_lists.IsSenderIgnored(L"127.0.0.2"));

    ASSERT_EQ(m_lists.StoreNetSends(), 1);
    CNetLists reloaded;
    ASSERT_EQ(reloaded.LoadNetSends(m_path.c_str()), 1);
    EXPECT_TRUE(reloaded.IsSenderIgnored(L"127.0.0.1"));
    reloaded.RemoveIgnore(L"localhost");
    EXPECT_FALSE(reloaded.IsSenderIgnored(L"127.0.0.1"));
}

TEST_F(NetListsTest, TheListenerNeverSeesAHalfChangedList)
{
    WriteIniSection(m_path, L"IgnoreList", {L"10.0.0.0=255.255.255.255"});
    ASSERT_EQ(m_lists.LoadNetSends(m_path.c_str()), 1);
    // Every state below ignores the one sender and not the other.
    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0};
    std::atomic<int> asked{0};
    std::thread listener([&] {
        while (!stop) {
            wrong += m_lists.IsSenderIgnored(L"10.1.2.3") ? 0 : 1;
            wrong += m_lists.IsSenderIgnored(L"172.16.0.1") ? 1 : 0;
            ++asked;
        }
    });
    for (int i = 0; i < 150; ++i) {
        m_lists.LoadIgnoreList();
        m_lists.AddIgnore(L"192.168.5.5");
        m_lists.AddIgnore(L"10.1.2.3");
        m_lists.RemoveIgnore(L"192.168.5.5");
        m_lists.RemoveIgnore(L"10.1.2.3");
    }
    while (asked < 100)
        Sleep(1);
    stop = true;
    listener.join();
    EXPECT_EQ(wrong, 0);
}

// A report-style list view with two columns, for the fill functions.
class CListView {
public:
    CListView()
    {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        m_window = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 300, 200, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        LVCOLUMNW column = {};
        column.mask = LVCF_WIDTH;
        column.cx = 100;
        for (int i = 0; i < 2; ++i)
            SendMessageW(m_window, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    ~CListView() { DestroyWindow(m_window); }
    CListView(const CListView&) = delete;
    CListView& operator=(const CListView&) = delete;

    HWND Window() const { return m_window; }

    // "text|second column|item data" per row.
    std::vector<std::wstring> Rows() const
    {
        std::vector<std::wstring> rows;
        const int count = static_cast<int>(SendMessageW(m_window, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            std::wstring row;
            for (int column = 0; column < 2; ++column) {
                wchar_t text[256] = {};
                LVITEMW item = {};
                item.iSubItem = column;
                item.pszText = text;
                item.cchTextMax = 256;
                SendMessageW(m_window, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
                row += std::wstring(text) + L"|";
            }
            LVITEMW data = {};
            data.mask = LVIF_PARAM;
            data.iItem = i;
            SendMessageW(m_window, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
            rows.push_back(row + std::to_wstring(data.lParam));
        }
        return rows;
    }

private:
    HWND m_window = nullptr;
};

TEST_F(NetListsTest, ListViewsShowTheSortedListsWithTheirPositions)
{
    ASSERT_EQ(m_lists.LoadNetSends(m_path.c_str()), 1);
    for (const auto& [address, name] : std::vector<std::pair<const wchar_t*, const wchar_t*>>{
             {L"10.0.0.3", L"carol"}, {L"10.0.0.9", L"dup"}, {L"10.0.0.1", L"alice"}, {L"10.0.0.8", L"dup"}})
        ASSERT_TRUE(m_lists.AddAlias(address, name));
    EXPECT_EQ(m_lists.LookupAlias(L"dup"), L"10.0.0.8");   // the first in sort order
    EXPECT_EQ(m_lists.LookupAlias(L"Dup"), L"");
    CListView view;
    ASSERT_NE(view.Window(), nullptr);
    m_lists.FillAliasListView(view.Window());
    EXPECT_EQ(view.Rows(), (std::vector<std::wstring>{L"alice|10.0.0.1|0", L"carol|10.0.0.3|1", L"dup|10.0.0.8|2",
                                                       L"dup|10.0.0.9|3"}));

    m_lists.DeleteAlias(L"dup", L"10.0.0.9");
    m_lists.AddAlias(L"10.0.0.1", L"alice");
    m_lists.RemoveDuplicateAliases();
    m_lists.FillAliasListView(view.Window());
    EXPECT_EQ(view.Rows(),
              (std::vector<std::wstring>{L"alice|10.0.0.1|0", L"carol|10.0.0.3|1", L"dup|10.0.0.8|2"}));

    for (const wchar_t* key : {L"10.0.0.0", L"192.168.0.0", L"1.2.3.4", L"10.0.0.0"})
        m_lists.AddIgnore(key);
    m_lists.FillIgnoreListView(view.Window());
    EXPECT_EQ(view.Rows(), (std::vector<std::wstring>{L"1.2.3.4||0", L"10.0.0.0||1", L"192.168.0.0||2"}));
}

}  // namespace
