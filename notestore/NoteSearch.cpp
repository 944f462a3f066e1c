#include "NoteSearch.h"

#include <cstddef>
#include <type_traits>

static_assert(std::is_standard_layout_v<SearchRow>, "the columns are addressed with offsetof");

namespace {

const SQLiteColumnDesc kSearchColumns[] = {
    {offsetof(SearchRow, id), L"id", eColInt64, 0},
    {offsetof(SearchRow, name), L"name", eColText, 0},
    {offsetof(SearchRow, text), L"text", eColText, 0},
    {},
};

} // namespace

CNoteSearch::CNoteSearch() : CSQLiteBase(m_row, kSearchColumns, L"search2", L"search2", ERowKey::DocId)
{
}
