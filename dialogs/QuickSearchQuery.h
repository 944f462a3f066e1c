// What the quick search finds, without a window: the typed text as the
// full-text table's words, one bound MATCH expression over them, and the
// rows it lists, each with what its list row shows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CppSQLite3DB;

struct QuickSearchResult {
    __int64 id = 0;
    std::wstring title;    // the note's display name
    std::wstring snippet;  // empty for a locked note
    COLORREF color = 0;
    COLORREF textColor = 0;
    bool locked = false;
};

// The most rows one search lists.
constexpr size_t kQuickSearchRows = 20;

// The one statement of a search; its parameter is the MATCH expression.
// Column 5 is a locked note's offsets() or another note's snippet.
extern const wchar_t kQuickSearchSql[];

// The MATCH expression for the tokenizer's words of the typed text (empty for
// none): each word in the title or the text, the last one as a prefix.
std::wstring BuildQuickSearchMatch(const std::vector<std::wstring>& words);

// The most different words a search takes: the full-text engine refuses an
// expression of many more.
constexpr size_t kQuickSearchMostWords = 256;

// The typed text's words exactly as the full-text table indexes them (folded,
// never an operator), each once in the order of its last place; none for
// more than kQuickSearchMostWords. Throws CppSQLite3Exception.
std::vector<std::wstring> QuickSearchWords(CppSQLite3DB& db, const std::wstring& text);

// Fills results with up to kQuickSearchRows matching notes; true when there
// is at least one. No database or an SQLite error gives none (logged).
bool DoQuickSearch(const std::wstring& text, std::vector<QuickSearchResult>& results);
