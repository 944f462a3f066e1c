// The full-text row of a note: its id, display name and plain text, kept in
// the full-text table `search2` so that notes can be found by their words.
#pragma once

#include "SQLiteHelp.h"
#include "foundation/StdStr.h"

#include <cstdint>
#include <utility>

struct SearchRow {
    std::int64_t id = -1;   // the note's id; the table has no row id of its own
    CStdStr name;
    CStdStr text;
};

class CNoteSearch : public CSQLiteBase {
public:
    CNoteSearch();

    std::int64_t GetId() const { return m_row.id; }
    void SetId(std::int64_t id) { m_row.id = id; }
    CStdStr GetName() const { return m_row.name; }
    void SetName(const CStdStr& name) { m_row.name = name; }
    CStdStr GetText() const { return m_row.text; }
    void SetText(CStdStr text) { m_row.text = std::move(text); }

private:
    SearchRow m_row;
};
