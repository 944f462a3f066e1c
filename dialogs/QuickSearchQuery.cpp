#include "QuickSearchQuery.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "foundation/DBUseGuard.h"
#include "notestore/CppSQLite3.h"
#include "notestore/Note.h"
#include "notestore/SQLiteHelp.h"
#include "notestore/notemgr.h"

const wchar_t kQuickSearchSql[] =
    L"SELECT search2.docid, search2.name, n.color, n.colortext, n.locked, "
    L"CASE WHEN n.locked THEN offsets(search2) ELSE snippet(search2,'[',']','...') END "
    L"FROM search2 JOIN notes n ON n.id = search2.docid WHERE search2 MATCH ?";

namespace {

// Made on demand: the connection may have been closed and opened again
// since the last search, and a temporary table goes with it.
const wchar_t kCreateTokenizer[] =
    L"CREATE VIRTUAL TABLE IF NOT EXISTS temp.quicksearch_words USING fts3tokenize(unicode61);";
const wchar_t kTokensOf[] = L"SELECT token FROM temp.quicksearch_words WHERE input = ?;";

CppSQLite3Statement CompileTokenizer(CppSQLite3DB& db)
{
    try {
        return CppSQLite3Statement(&db, kTokensOf);
    } catch (const CppSQLite3Exception&) {
        db.execDML(kCreateTokenizer);
        return CppSQLite3Statement(&db, kTokensOf);
    }
}

// Every CR and LF, alone or paired, becomes one blank.
void BlankLineBreaks(std::wstring& text)
{
    size_t out = 0;
    for (size_t in = 0; in < text.size(); ++in) {
        const wchar_t c = text[in];
        if (c == L'\r' || c == L'\n') {
            if (c == L'\r' && in + 1 < text.size() && text[in + 1] == L'\n')
                ++in;
            text[out++] = L' ';
        } else {
            text[out++] = c;
        }
    }
    text.resize(out);
}

// Into the string's own storage: a search while typing fills the rows of
// the last one again, and allocations cost (Wine's heap walks its free list).
void AssignUtf8Cell(const CppSQLite3Query& row, int field, std::wstring& text)
{
    const char* utf8 = row.getStringField(field);
    const int bytes = static_cast<int>(std::strlen(utf8));
    text.resize(static_cast<size_t>(bytes));
    const int converted = bytes ? MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, bytes, &text[0], bytes) : 0;
    if (converted > 0 || bytes == 0)
        text.resize(static_cast<size_t>(converted));
    else
        text = Utf8OrAnsiToWide(utf8, static_cast<size_t>(bytes));
}

// Whether offsets() shows every word's title term: word i is term 2i in the
// expression (its title half), and that term only hits the title.
bool TitleHoldsEveryWord(const char* offsets, std::vector<char>& seen)
{
    std::fill(seen.begin(), seen.end(), 0);
    long values[4] = {};
    int count = 0;
    for (const char* p = offsets; *p;) {
        char* end = nullptr;
        const long value = std::strtol(p, &end, 10);
        if (end == p)
            break;
        p = end;
        values[count++] = value;
        if (count == 4) {
            const long term = values[1];
            if (term % 2 == 0 && term / 2 < static_cast<long>(seen.size()))
                seen[static_cast<size_t>(term / 2)] = 1;
            count = 0;
        }
    }
    return std::find(seen.begin(), seen.end(), 0) == seen.end();
}

// A locked note is listed only by its title, and never shows its text.
bool ReadRow(const CppSQLite3Query& row, std::vector<char>& seen, QuickSearchResult& result)
{
    result.locked = row.getIntField(4) != 0;
    if (result.locked && !TitleHoldsEveryWord(row.getStringField(5), seen))
        return false;
    result.id = row.getInt64Field(0);
    AssignUtf8Cell(row, 1, result.title);
    if (result.title.empty())
        result.title = CNote::MakeDisplayName(result.id, CStdStr(), CStdStr()).c_str();
    result.color = static_cast<COLORREF>(row.getInt64Field(2));
    result.textColor = static_cast<COLORREF>(row.getInt64Field(3));
    result.snippet.clear();
    if (!result.locked) {
        AssignUtf8Cell(row, 5, result.snippet);
        BlankLineBreaks(result.snippet);
    }
    return true;
}

// The number of rows listed; the results' first rows are overwritten.
size_t RunSearch(CppSQLite3DB& db, const std::wstring& text, std::vector<QuickSearchResult>& results)
{
    const std::vector<std::wstring> words = QuickSearchWords(db, text);
    if (words.empty())
        return 0;
    std::string match;
    if (!WideToUtf8(BuildQuickSearchMatch(words).c_str(), match))
        return 0;
    CppSQLite3Statement search(&db, kQuickSearchSql);
    search.bind(1, match.c_str());
    std::vector<char> seen(words.size());
    results.reserve(kQuickSearchRows);
    size_t listed = 0;
    for (CppSQLite3Query row = search.execQuery(); !row.eof() && listed < kQuickSearchRows; row.nextRow()) {
        if (listed == results.size())
            results.emplace_back();
        if (ReadRow(row, seen, results[listed]))
            ++listed;
    }
    return listed;
}

} // namespace

std::wstring BuildQuickSearchMatch(const std::vector<std::wstring>& words)
{
    std::wstring match;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::wstring term = i + 1 < words.size() ? words[i] : words[i] + L'*';
        if (!match.empty())
            match += L' ';
        match += L"(name:" + term + L" OR text:" + term + L')';
    }
    return match;
}

std::vector<std::wstring> QuickSearchWords(CppSQLite3DB& db, const std::wstring& text)
{
    std::vector<std::wstring> words;
    std::string utf8;
    if (text.empty() || !WideToUtf8(text.c_str(), text.size(), utf8))
        return words;
    CppSQLite3Statement tokens = CompileTokenizer(db);
    tokens.bind(1, utf8.c_str());
    for (CppSQLite3Query row = tokens.execQuery(); !row.eof(); row.nextRow()) {
        std::wstring word = Utf8OrAnsiToWide(row.getStringField(0), std::strlen(row.getStringField(0)));
        // A word again adds no condition; the last one stays, as the prefix.
        const auto same = std::find(words.begin(), words.end(), word);
        if (same != words.end() && same + 1 == words.end())
            continue;
        if (same != words.end())
            words.erase(same);
        if (words.size() == kQuickSearchMostWords) {
            words.clear();
            return words;
        }
        words.push_back(std::move(word));
    }
    return words;
}

bool DoQuickSearch(const std::wstring& text, std::vector<QuickSearchResult>& results)
{
    size_t listed = 0;
    CNoteManager& manager = NoteManager();
    CDBUseGuard inUse(manager);
    CppSQLite3DB* db = text.empty() ? nullptr : manager.GetDB();
    if (db) {
        try {
            listed = RunSearch(*db, text, results);
        } catch (const CppSQLite3Exception& e) {
            LogSqliteError(L"CQuickSearchDlg::DoSearch", e);
            listed = 0;
        }
    }
    results.resize(listed);
    return listed > 0;
}
