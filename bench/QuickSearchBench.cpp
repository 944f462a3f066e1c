#include "QuickSearchBench.h"

#include "BenchNotes.h"
#include "BenchSeries.h"
#include "ProjectRun.h"
#include "dialogs/QuickSearchQuery.h"
#include "foundation/Seams.h"
#include "notestore/SQLiteHelp.h"
#include "notestore/notemgr.h"

#include <windows.h>

#include <iostream>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

// Each timed sample is this many searches, so that sub-millisecond ones
// stand clear of the timer's steps.
constexpr int kSearchesPerSample = 5;
constexpr int kLockedEvery = 50;  // 2 %

const wchar_t* const kScript[] = {L"m",    L"me", L"mee", L"meet",    L"meeting", L"meeting t", L"meeting to",
                                  L"1",    L"12", L"2024", L"o'brien", L"\"unbal", L"\u00E9t\u00E9"};

// Words of everyday notes, mixed into the fixed vocabulary.
const wchar_t* const kCommonWords[] = {
    L"meeting", L"meet",   L"memo",    L"message", L"me",      L"monday", L"month",   L"make",    L"more",
    L"minutes", L"to",     L"today",   L"tomorrow", L"the",    L"team",   L"task",    L"time",    L"o'brien",
    L"\u00E9t\u00E9", L"2024", L"12", L"1",      L"10",      L"and",     L"of",     L"a",       L"in",
    L"for",     L"call",   L"project", L"review",  L"notes",   L"with",   L"budget",  L"plan",    L"week"};

const wchar_t* const kSyllables[] = {L"ka", L"lo", L"mi", L"ne", L"ru", L"ta", L"vo", L"si", L"pe", L"da",
                                     L"gu", L"ri", L"no", L"ze", L"fa", L"ho", L"ju", L"be", L"cy", L"wo"};
constexpr unsigned kSyllableCount = 20;
constexpr unsigned kVocabulary = 3000;

std::uint32_t NextRandom(std::uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

std::wstring Word(std::uint32_t& state)
{
    if (NextRandom(state) % 3 == 0)
        return kCommonWords[NextRandom(state) % (sizeof(kCommonWords) / sizeof(kCommonWords[0]))];
    const unsigned index = NextRandom(state) % kVocabulary;
    return std::wstring(kSyllables[index % kSyllableCount]) + kSyllables[(index / kSyllableCount) % kSyllableCount] +
           kSyllables[index / (kSyllableCount * kSyllableCount)];
}

// 1-8 paragraphs of 6-20 words.
std::wstring Paragraphs(std::uint32_t& state)
{
    std::wstring text;
    const unsigned paragraphs = 1 + NextRandom(state) % 8;
    for (unsigned p = 0; p < paragraphs; ++p) {
        if (p > 0)
            text += L"\r\n";
        const unsigned words = 6 + NextRandom(state) % 15;
        for (unsigned w = 0; w < words; ++w)
            text += (w > 0 ? L" " : L"") + Word(state);
    }
    return text;
}

void FillSearchNote(CNote& note, int index)
{
    std::uint32_t state = static_cast<std::uint32_t>(index) * 2654435761u;
    NoteRow& row = note.Row();
    if (index % 4 == 0)
        row.name = Word(state) + L" " + Word(state);
    row.text = Paragraphs(state);
    row.displayText = row.text;
    row.locked = index % kLockedEvery == 7;
    row.color = 0x0280FFFF;
    row.colorText = 0;
    note.SetModified(true);
}

void BuildSearchNotes(const std::wstring& folder, int notes)
{
    CreateDirectoryW(folder.c_str(), nullptr);
    CProjectRun run(folder);
    run.DB();
    std::vector<CNote*> fresh;
    for (int i = 1; i <= notes; ++i) {
        CNote* note = run.Manager().AddNote(std::make_unique<CNote>());
        FillSearchNote(*note, i);
        fresh.push_back(note);
    }
    if (!run.Manager().StoreNotes(fresh))
        throw std::runtime_error("the search notes were not stored");
}

struct SRawRow {
    std::int64_t id;
    bool locked;
};

// Raw SQLite: the search's statement and expression, stepped up to the row
// the search listed last (every row when it listed fewer than it may).
class CRawSearch {
public:
    CRawSearch(CppSQLite3DB& db, const std::wstring& typed) : m_db(db.handle())
    {
        const std::wstring match = BuildQuickSearchMatch(QuickSearchWords(db, typed));
        if (!WideToUtf8(match.c_str(), m_match) || !WideToUtf8(kQuickSearchSql, m_sql))
            throw std::runtime_error("the search is not convertible");
        m_rows.reserve(1000);
    }

    void Run(std::int64_t lastId)
    {
        m_rows.clear();
        if (m_match.empty())
            return;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_db, m_sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(m_db));
        sqlite3_bind_text(statement, 1, m_match.c_str(), -1, SQLITE_STATIC);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            const SRawRow row = {sqlite3_column_int64(statement, 0), sqlite3_column_int(statement, 4) != 0};
            m_bytes += sqlite3_column_bytes(statement, 1) + sqlite3_column_bytes(statement, 5);
            m_bytes += static_cast<size_t>(sqlite3_column_int64(statement, 2) + sqlite3_column_int64(statement, 3));
            if (sqlite3_column_text(statement, 1) && sqlite3_column_text(statement, 5))
                m_rows.push_back(row);
            if (row.id == lastId)
                break;
        }
        sqlite3_finalize(statement);
    }

    const std::vector<SRawRow>& Rows() const { return m_rows; }

private:
    sqlite3* m_db;
    std::string m_sql;
    std::string m_match;
    std::vector<SRawRow> m_rows;
    size_t m_bytes = 0;
};

// The search's rows are the raw rows less locked notes the title did not list.
bool SameIds(const std::vector<QuickSearchResult>& results, const std::vector<SRawRow>& raw)
{
    size_t r = 0;
    for (const SRawRow& row : raw) {
        if (r < results.size() && results[r].id == row.id)
            ++r;
        else if (!row.locked)
            return false;
    }
    return r == results.size();
}

template <class Search>
double TimeSearches(int count, Search search)
{
    const double start = NowMs();
    for (int i = 0; i < count; ++i)
        search();
    return (NowMs() - start) / count;
}

void PrintHeader()
{
    std::cout << "\nQuick search on " << "its own notes, ms per keystroke (a: the search to filled results, "
              << "b: raw SQLite, the same statement and expression):\n"
              << std::left << std::setw(14) << "typed" << std::setw(20) << "(a) min / median" << std::setw(20)
              << "(b) min / median" << std::setw(18) << "a/b min / median" << "rows\n";
}

void PrintRow(const std::wstring& typed, const std::pair<SSeries, SSeries>& series, size_t rows)
{
    std::string shown;
    WideToUtf8(typed.c_str(), shown);
    const SSeries& a = series.first;
    const SSeries& b = series.second;
    // std::setw counts bytes: pad the UTF-8 by its characters.
    const size_t width = typed.size() < 13 ? 14 - typed.size() : 1;
    std::cout << shown << std::string(width, ' ') << std::setw(20)
              << (Fixed(a.Min(), 3) + " / " + Fixed(a.Median(), 3)) << std::setw(20)
              << (Fixed(b.Min(), 3) + " / " + Fixed(b.Median(), 3)) << std::setw(18)
              << (Fixed(a.Min() / b.Min(), 2) + " / " + Fixed(a.Median() / b.Median(), 2)) << rows << "\n";
}

} // namespace

bool MeasureQuickSearch(const std::wstring& folder, int notes, int runs)
{
    const double buildStart = NowMs();
    BuildSearchNotes(folder, notes);
    std::cout << "\nQuick search data: " << notes << " notes of 1-8 paragraphs, 2 % locked, stored in "
              << Fixed(NowMs() - buildStart, 0) << " ms.";
    CProjectRun run(folder);
    CppSQLite3DB& db = run.DB();
    const int perSample = runs > 1 ? kSearchesPerSample : 1;
    bool same = true;
    PrintHeader();
    for (const wchar_t* typed : kScript) {
        std::vector<QuickSearchResult> results;
        DoQuickSearch(typed, results);
        const std::int64_t lastId = results.size() == kQuickSearchRows ? results.back().id : -1;
        CRawSearch raw(db, typed);
        const auto series = Alternate(
            [&](int) { return TimeSearches(perSample, [&] { DoQuickSearch(typed, results); }); },
            [&](int) { return TimeSearches(perSample, [&] { raw.Run(lastId); }); }, runs);
        if (!SameIds(results, raw.Rows())) {
            std::wcerr << L"quick search: the two sides listed other notes\n";
            same = false;
        }
        PrintRow(typed, series, results.size());
    }
    return same;
}
