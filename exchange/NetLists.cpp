// The sockets header goes before windows.h, which brings in the older one.
#include "WinSockX.h"

#include "NetLists.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "NetSendRecord.h"
#include "foundation/IniEncoding.h"
#include "foundation/LogFile.h"
#include "foundation/MessageBoxSeam.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "resources/resource.h"

namespace {

const wchar_t kHistorySection[] = L"NetSends";
const wchar_t kAliasSection[] = L"Aliases";
const wchar_t kIgnoreSection[] = L"IgnoreList";
const wchar_t kAllOnes[] = L"255.255.255.255";
constexpr int kHistoryLoaded = 30;
constexpr int kHistoryValueChars = 4096;

// What a history entry, an alias or an ignore key can be: a record's host.
constexpr size_t kMostListTextChars = kNetHostChars - 1;
constexpr size_t kMostLoggedChars = 80;

CNetLists g_netLists;

ULONG RealResolve(const wchar_t* host)
{
    return CWinSockX::Resolve(host);
}

bool IsControl(wchar_t c)
{
    return c < 0x20 || c == 0x7F;
}

// What the profile reader trims from both ends of a key and of a value.
bool IsTrimmedBlank(wchar_t c)
{
    WORD type = 0;
    return c == 0x1A || (GetStringTypeW(CT_CTYPE1, &c, 1, &type) && (type & C1_SPACE));
}

// Whether a text reads back exactly from its line, on either side of the "=":
// blanks at its ends are trimmed, a line that starts with ";" or "[" reads as
// a comment or a section, "=" moves the split, "|" splits a history value, a
// control character (CR LF, NUL) ends the line, and a record carries at most
// 255 characters. The one check of every writer of the three lists.
bool ReadsBackExactly(const CStdStr& text)
{
    if (text.size() > kMostListTextChars)
        return false;
    if (text.empty())
        return true;
    if (IsTrimmedBlank(text.front()) || IsTrimmedBlank(text.back()) || text[0] == L';' || text[0] == L'[')
        return false;
    return std::none_of(text.begin(), text.end(),
                        [](wchar_t c) { return IsControl(c) || c == L'=' || c == L'|'; });
}

// The text for a log line or a message: control characters shown as "?",
// and a long text cut.
CStdStr Printable(const CStdStr& text)
{
    CStdStr shown = text;
    if (shown.size() > kMostLoggedChars)
        shown = shown.Left(static_cast<int>(kMostLoggedChars)) + L"...";
    std::replace_if(shown.begin(), shown.end(), IsControl, L'?');
    return shown;
}

// A refusal is logged; the user who typed the text is told why.
void ReportRefusedText(const wchar_t* list, const CStdStr& text, EListTextOrigin origin)
{
    const CStdStr shown = Printable(text);
    QLOG(L"%s refused \"%s\" %s: the list file could not keep it exactly", list, shown.c_str(),
         origin == kFromPeer ? L"from a peer" : L"as typed");
    if (origin != kTypedByUser)
        return;
    CStdStr message;
    message.Format(LoadResString(IDS_LIST_TEXT_REFUSED), shown.c_str());
    AppMessageBox(GetActiveWindow(), message.c_str(), MB_OK | MB_ICONWARNING);
}

CStdStr Text(const wchar_t* text)
{
    return CStdStr(text ? text : L"");
}

// Replaces the whole section with the lines; a failure is logged.
bool WriteSection(const wchar_t* section, const std::vector<CStdStr>& lines, const CStdStr& iniPath)
{
    std::wstring block;
    for (const CStdStr& line : lines) {
        block += line;
        block += L'\0';
    }
    block += L'\0';
    if (lines.empty())
        block += L'\0';
    PrepareUnicodeIniFile(iniPath.c_str());
    if (WritePrivateProfileSectionW(section, block.data(), iniPath.c_str()))
        return true;
    const DWORD error = GetLastError();
    QLOG(L"Failed to write section [%s] of %s - %lu", section, iniPath.c_str(), error);
    return false;
}

// "host|port|status"; empty pieces do not count. False unless three remain.
bool ParseHistoryValue(const wchar_t* value, SNetSend& entry)
{
    std::vector<CStdStr> pieces;
    for (const wchar_t* piece = value; *piece;) {
        const size_t length = std::wcscspn(piece, L"|");
        if (length != 0)
            pieces.emplace_back(piece, length);
        piece += length;
        if (*piece)
            ++piece;
    }
    if (pieces.size() != 3)
        return false;
    entry.host = pieces[0];
    entry.port = _wtoi(pieces[1].c_str());
    const int status = _wtoi(pieces[2].c_str());
    entry.status = status >= kNetSendSending && status <= kNetSendFailed ? status : kNetSendFailed;
    return true;
}

CStdStr IndexText(int index)
{
    CStdStr text;
    text.Format(L"%d", index);
    return text;
}

bool IsHostName(const CStdStr& key)
{
    if (key.empty() || key == kAllOnes)
        return false;
    return inet_addr(ToThreadAnsi(key.c_str()).c_str()) == INADDR_NONE;
}

std::array<BYTE, 4> OctetsOf(ULONG address)
{
    std::array<BYTE, 4> octets;
    std::memcpy(octets.data(), &address, sizeof address);
    return octets;
}

ULONG AddressOf(const std::array<BYTE, 4>& octets)
{
    ULONG address = 0;
    std::memcpy(&address, octets.data(), sizeof address);
    return address;
}

// Every bit set in the address is set in the mask; inverted, the opposite.
bool EntryMatches(const IgnoreEntry& entry, const std::array<BYTE, 4>& address)
{
    bool match = true;
    for (size_t i = 0; i < address.size(); ++i)
        match = match && (entry.mask[i] & address[i]) == address[i];
    return entry.invert ? !match : match;
}

void InsertListRow(HWND listView, int row, const CStdStr& text, const CStdStr* secondColumn)
{
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    item.lParam = row;
    const LRESULT inserted = SendMessageW(listView, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    if (inserted < 0 || !secondColumn)
        return;
    LVITEMW column = {};
    column.iSubItem = 1;
    column.pszText = const_cast<wchar_t*>(secondColumn->c_str());
    SendMessageW(listView, LVM_SETITEMTEXTW, static_cast<WPARAM>(inserted), reinterpret_cast<LPARAM>(&column));
}

}  // namespace

SHostLookupSeam g_hostLookupSeam = {&RealResolve};

CNetLists& NetLists()
{
    return g_netLists;
}

// ---------------------------------------------------------------- send history

int CNetLists::LoadNetSends(const wchar_t* iniPath)
{
    const CStdStr path = Text(iniPath);
    // Held through the reads: a file taken by another program meanwhile
    // would read as empty lists.
    const CIniFileHold hold(path.c_str());
    if (hold.State() == EIniFileState::Unreadable) {
        OnUnreadableFile(path, hold.Error());
        return 0;
    }
    m_iniPath = path;
    m_unreadable = false;
    m_history.clear();
    m_historyChanged = false;
    const int stored = ReadPrivateProfileInt(kHistorySection, L"NumStored", 0, m_iniPath.c_str());
    // The newest entries have the highest indexes.
    for (int index = std::max(0, stored - kHistoryLoaded); index < stored; ++index) {
        std::vector<wchar_t> value(kHistoryValueChars);
        GetPrivateProfileStringW(kHistorySection, IndexText(index).c_str(), L"", value.data(), kHistoryValueChars,
                                 m_iniPath.c_str());
        SNetSend entry;
        if (ParseHistoryValue(value.data(), entry))
            m_history.push_back(entry);
    }
    LoadAliases();
    LoadIgnoreList();
    return 1;
}

void CNetLists::OnUnreadableFile(const CStdStr& path, DWORD error)
{
    // Lists loaded from this file before still stand for it.
    if (path == m_iniPath && !m_unreadable) {
        QLOG(L"%s cannot be read - %lu: the lists stay as they were loaded", path.c_str(), error);
        return;
    }
    QLOG(L"%s cannot be read - %lu: the aliases, the ignore list and the send history are not loaded, and the "
         L"file is left as it is",
         path.c_str(), error);
    m_iniPath = path;
    m_unreadable = true;
    m_skippedStoreLogged = false;
    m_history.clear();
    m_historyChanged = false;
    m_aliases.clear();
    const std::lock_guard<std::mutex> lock(m_ignoreLock);
    m_ignore.clear();
    m_resolvedNames.clear();
}

bool CNetLists::CanStore()
{
    // Only a load names the file.
    if (m_iniPath.empty()) {
        QLOG(L"StoreNetSends: the lists were never loaded, the alias file is left as it is");
        return false;
    }
    if (m_unreadable) {
        if (!m_skippedStoreLogged)
            QLOG(L"StoreNetSends: %s could not be read when the lists were loaded and is left as it is",
                 m_iniPath.c_str());
        m_skippedStoreLogged = true;
        return false;
    }
    // Written into an ANSI file, names outside its code page would turn into "?".
    return ConvertAnsiIniToUnicode(m_iniPath.c_str());
}

int CNetLists::StoreNetSends()
{
    if (!CanStore())
        return 0;
    bool written = StoreIgnoreList();
    written = StoreAliases() && written;
    if (m_historyChanged) {
        if (StoreHistory())
            m_historyChanged = false;
        else
            written = false;
    }
    return written ? 1 : 0;
}

bool CNetLists::StoreHistory()
{
    std::vector<CStdStr> lines;
    lines.push_back(L"NumStored=" + IndexText(GetNetSendCount()));
    for (size_t i = 0; i < m_history.size(); ++i) {
        const SNetSend& entry = m_history[i];
        CStdStr line;
        line.Format(L"%d=%s|%d|%d", static_cast<int>(i), entry.host.c_str(), entry.port, entry.status);
        lines.push_back(line);
    }
    return WriteSection(kHistorySection, lines, m_iniPath);
}

bool CNetLists::UpdateNetSends(const SNetSend& entry)
{
    // The host comes from a transfer report, never straight from a dialog.
    if (entry.host.empty() || !ReadsBackExactly(entry.host)) {
        ReportRefusedText(L"UpdateNetSends", entry.host, kFromPeer);
        return false;
    }
    m_historyChanged = true;
    const auto same = std::find_if(m_history.begin(), m_history.end(), [&entry](const SNetSend& existing) {
        return CompareNoCaseClassic(existing.host, entry.host.c_str()) == 0;
    });
    if (same != m_history.end())
        m_history.erase(same);
    m_history.push_back(entry);
    return true;
}

void CNetLists::RemoveNetSend(int index)
{
    if (index >= 0 && index < GetNetSendCount())
        m_history.erase(m_history.begin() + index);
    m_historyChanged = true;
}

bool CNetLists::GetNetSend(int index, SNetSend& entry) const
{
    if (index < 0 || index >= GetNetSendCount())
        return false;
    entry = m_history[static_cast<size_t>(index)];
    return true;
}

// ---------------------------------------------------------------- aliases

int CNetLists::LoadAliases()
{
    m_aliases.clear();
    for (const SProfileLine& line : ReadProfileSection(kAliasSection, m_iniPath.c_str()))
        m_aliases.push_back({line.key, line.value});
    SortAliases();
    return 1;
}

bool CNetLists::StoreAliases()
{
    std::vector<CStdStr> lines;
    for (const SAlias& alias : m_aliases)
        lines.push_back(alias.name + L"=" + alias.address);
    return WriteSection(kAliasSection, lines, m_iniPath);
}

bool CNetLists::AddAlias(const wchar_t* address, const wchar_t* name, EListTextOrigin origin)
{
    SAlias alias{Text(name), Text(address)};
    for (const CStdStr* text : {&alias.name, &alias.address})
        if (!ReadsBackExactly(*text)) {
            ReportRefusedText(L"AddAlias", *text, origin);
            return false;
        }
    m_aliases.push_back(std::move(alias));
    SortAliases();
    return true;
}

void CNetLists::SortAliases()
{
    std::stable_sort(m_aliases.begin(), m_aliases.end(), [](const SAlias& a, const SAlias& b) {
        const int byName = lstrcmpW(a.name.c_str(), b.name.c_str());
        return byName != 0 ? byName < 0 : lstrcmpW(a.address.c_str(), b.address.c_str()) < 0;
    });
}

void CNetLists::DeleteAlias(const wchar_t* name)
{
    const CStdStr wanted = Text(name);
    const auto found =
        std::find_if(m_aliases.begin(), m_aliases.end(), [&wanted](const SAlias& alias) { return alias.name == wanted; });
    if (found != m_aliases.end())
        m_aliases.erase(found);
    SortAliases();
}

void CNetLists::DeleteAlias(const wchar_t* name, const wchar_t* address)
{
    const SAlias wanted{Text(name), Text(address)};
    const auto found = std::find_if(m_aliases.begin(), m_aliases.end(), [&wanted](const SAlias& alias) {
        return alias.name == wanted.name && alias.address == wanted.address;
    });
    if (found != m_aliases.end())
        m_aliases.erase(found);
}

CStdStr CNetLists::LookupAlias(const wchar_t* name) const
{
    const CStdStr wanted = Text(name);
    for (const SAlias& alias : m_aliases)
        if (alias.name == wanted)
            return alias.address;
    return CStdStr();
}

void CNetLists::RemoveDuplicateAliases()
{
    SortAliases();
    const auto end = std::unique(m_aliases.begin(), m_aliases.end(), [](const SAlias& a, const SAlias& b) {
        return a.name == b.name && a.address == b.address;
    });
    m_aliases.erase(end, m_aliases.end());
}

void CNetLists::FillAliasListView(HWND listView) const
{
    SendMessageW(listView, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < m_aliases.size(); ++i)
        InsertListRow(listView, static_cast<int>(i), m_aliases[i].name, &m_aliases[i].address);
}

// ---------------------------------------------------------------- ignore list

IgnoreEntry CNetLists::MakeIgnoreEntry(const CStdStr& maskText)
{
    IgnoreEntry entry;
    CStdStr mask = maskText;
    if (!mask.empty() && mask[0] == L'!') {
        entry.invert = true;
        mask.erase(0, 1);
    }
    entry.mask = OctetsOf(CWinSockX::Resolve(mask.c_str()));
    return entry;
}

int CNetLists::LoadIgnoreList()
{
    // Built aside: the listener keeps testing against the old list meanwhile.
    IgnoreMap loaded;
    for (const SProfileLine& line : ReadProfileSection(kIgnoreSection, m_iniPath.c_str()))
        if (loaded.find(line.key) == loaded.end())
            loaded.emplace(line.key, MakeIgnoreEntry(line.value));
    const std::lock_guard<std::mutex> lock(m_ignoreLock);
    m_ignore.swap(loaded);
    m_resolvedNames.clear();
    return 1;
}

bool CNetLists::StoreIgnoreList()
{
    std::vector<CStdStr> lines;
    {
        const std::lock_guard<std::mutex> lock(m_ignoreLock);
        for (const auto& [key, entry] : m_ignore)
            lines.push_back(key + (entry.invert ? L"=!" : L"=") + DottedAddress(AddressOf(entry.mask)));
    }
    return WriteSection(kIgnoreSection, lines, m_iniPath);
}

CStdStr CNetLists::AddIgnore(const wchar_t* text, EListTextOrigin origin)
{
    const CStdStr alias = LookupAlias(text);
    const CStdStr key = alias.empty() ? Text(text) : alias;
    if (key.empty() || !ReadsBackExactly(key)) {
        ReportRefusedText(L"AddIgnore", key, origin);
        return CStdStr();
    }
    const IgnoreEntry entry = MakeIgnoreEntry(kAllOnes);
    const std::lock_guard<std::mutex> lock(m_ignoreLock);
    m_ignore.emplace(key, entry);
    return key;
}

void CNetLists::RemoveIgnore(const wchar_t* key)
{
    const std::lock_guard<std::mutex> lock(m_ignoreLock);
    m_ignore.erase(Text(key));
}

void CNetLists::FillIgnoreListView(HWND listView) const
{
    // The keys are taken first: the list view's notifications run code that
    // must not find the lock held.
    std::vector<CStdStr> keys;
    {
        const std::lock_guard<std::mutex> lock(m_ignoreLock);
        for (const auto& entry : m_ignore)
            keys.push_back(entry.first);
    }
    SendMessageW(listView, LVM_DELETEALLITEMS, 0, 0);
    for (size_t row = 0; row < keys.size(); ++row)
        InsertListRow(listView, static_cast<int>(row), keys[row], nullptr);
}

bool CNetLists::IsSenderIgnored(const wchar_t* address) const
{
    // Text that does not parse gives all ones, as inet_addr reports it.
    std::array<BYTE, 4> octets = OctetsOf(inet_addr(ToThreadAnsi(address).c_str()));
    const ResolvedNames names = ResolveNameKeys();
    const std::lock_guard<std::mutex> lock(m_ignoreLock);
    if (TestIgnoreLevel(octets, names))
        return true;
    for (int zeroed = 3; zeroed >= 0; --zeroed) {
        octets[static_cast<size_t>(zeroed)] = 0;
        if (TestIgnoreLevel(octets, names))
            return true;
    }
    return false;
}

CNetLists::ResolvedNames CNetLists::ResolveNameKeys() const
{
    std::vector<CStdStr> unresolved;
    {
        const std::lock_guard<std::mutex> lock(m_ignoreLock);
        for (const auto& entry : m_ignore)
            if (IsHostName(entry.first) && m_resolvedNames.find(entry.first) == m_resolvedNames.end())
                unresolved.push_back(entry.first);
        if (unresolved.empty())
            return m_resolvedNames;
    }
    // Looked up without the lock: a name server can take seconds to answer,
    // and the GUI thread must not wait on it to change the list.
    ResolvedNames found;
    for (const CStdStr& name : unresolved) {
        const ULONG resolved = g_hostLookupSeam.resolve(name.c_str());
        found.emplace(name, resolved == INADDR_NONE ? 0 : resolved);
    }
    const std::lock_guard<std::mutex> lock(m_ignoreLock);
    for (const auto& [name, resolved] : found)
        if (m_ignore.find(name) != m_ignore.end())
            m_resolvedNames.emplace(name, resolved);
    return m_resolvedNames;
}

bool CNetLists::TestIgnoreLevel(const std::array<BYTE, 4>& address, const ResolvedNames& names) const
{
    const ULONG value = AddressOf(address);
    const auto found = m_ignore.find(DottedAddress(value));
    if (found != m_ignore.end() && EntryMatches(found->second, address))
        return true;
    return std::any_of(names.begin(), names.end(), [this, value, &address](const auto& named) {
        if (named.second == 0 || named.second != value)
            return false;
        const auto entry = m_ignore.find(named.first);
        return entry != m_ignore.end() && EntryMatches(entry->second, address);
    });
}
