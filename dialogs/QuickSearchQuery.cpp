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

std::wstring Utf8Cell(const CppSQLite3Query& row, int field)
{
    const char* utf8 = row.getStringField(field);
    return Utf8OrAnsiToWide(utf8, std::strlen(utf8));
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
    result.title = Utf8Cell(row, 1);
    if (result.title.empty())
        result.title = CNote::MakeDisplayName(result.id, CStdStr(), CStdStr()).c_str();
    result.color = static_cast<COLORREF>(row.getInt64Field(2));
    result.textColor = static_cast<COLORREF>(row.getInt64Field(3));
    result.snippet.clear();
    if (!result.locked) {
        result.snippet = Utf8Cell(row, 5);
        BlankLineBreaks(result.snippet);
    }
    return true;
}

void RunSearch(CppSQLite3DB& db, const std::wstring& text, std::vector<QuickSearchResult>& results)
{
    const std::vector<std::wstring> words = QuickSearchWords(db, text);
    if (words.empty())
        return;
    std::string match;
    if (!WideToUtf8(BuildQuickSearchMatch(words).c_str(), match))
        return;
    CppSQLite3Statement search(&db, kQuickSearchSql);
    search.bind(1, match.c_str());
    std::vector<char> seen(words.size());
    QuickSearchResult result;
    for (CppSQLite3Query row = search.execQuery(); !row.eof() && results.size() < kQuickSearchRows; row.nextRow()) {
        if (ReadRow(row, seen, result))
            results.push_back(std::move(result));
    }
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
    for (CppSQLite3Query row = tokens.execQuery(); !row.eof(); row.nextRow())
        words.push_back(Utf8Cell(row, 0));
    return words;
}

bool DoQuickSearch(const std::wstring& text, std::vector<QuickSearchResult>& results)
{
    results.clear();
    if (text.empty())
        return false;
    CNoteManager& manager = NoteManager();
    CDBUseGuard inUse(manager);
    CppSQLite3DB* db = manager.GetDB();
    if (!db)
        return false;
    try {
        RunSearch(*db, text, results);
    } catch (const CppSQLite3Exception& e) {
        LogSqliteError(L"CQuickSearchDlg::DoSearch", e);
        results.clear();
    }
    return !results.empty();
}
