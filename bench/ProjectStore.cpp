#include "ProjectStore.h"

#include "ProjectRun.h"
#include "foundation/Seams.h"
#include "notestore/notemgr.h"

#include <memory>
#include <stdexcept>
#include <vector>

namespace {

void Require(bool done, const char* what)
{
    if (!done)
        throw std::runtime_error(what);
}

} // namespace

void ProjectCreateSchema(const std::wstring& folder)
{
    CProjectRun run(folder);
    run.DB();
}

SPragmas ProjectPragmas(const std::wstring& folder)
{
    CProjectRun run(folder);
    return ReadPragmas(run.DB());
}

double ProjectStoreNew(const std::wstring& folder, int first, int notes, int variant)
{
    CProjectRun run(folder);
    run.DB();
    std::vector<CNote*> fresh;
    for (int i = 0; i < notes; ++i) {
        CNote* note = run.Manager().AddNote(std::make_unique<CNote>());
        FillBenchNote(*note, first + i, variant);
        fresh.push_back(note);
    }
    const double start = NowMs();
    Require(run.Manager().StoreNotes(fresh), "a bulk store failed");
    return NowMs() - start;
}

double ProjectSaveAll(const std::wstring& folder, int notes, int variant)
{
    CProjectRun run(folder);
    run.DB();
    std::vector<std::int64_t> ids = run.Manager().GetAllNoteIDs();
    ids.resize(notes);
    for (CNote* note : run.Manager().GetNotes(ids)) {
        FillBenchNote(*note, static_cast<int>(note->GetId()), variant);
        Require(note->CreateBareWindow(), "no note window");
        run.Manager().AddWindow(note);
    }
    const double start = NowMs();
    Require(run.Manager().SaveModifiedNotes(), "the save failed");
    return NowMs() - start;
}

double ProjectLoadAll(const std::wstring& folder)
{
    CProjectRun run(folder);
    run.DB();
    const std::vector<std::int64_t> ids = run.Manager().GetAllNoteIDs();
    const double start = NowMs();
    const size_t loaded = run.Manager().GetNotes(ids).size();
    const double elapsed = NowMs() - start;
    Require(loaded == ids.size() && loaded == kBaseNotes, "notes missing");
    return elapsed;
}

double ProjectFirstOpen(const std::wstring& folder)
{
    CProjectRun run(folder);
    const double start = NowMs();
    Require(run.Manager().GetDB() != nullptr, "the first open failed");
    return NowMs() - start;
}

double ProjectQuery(const std::wstring& folder, int& hits)
{
    CProjectRun run(folder);
    CppSQLite3DB& db = run.DB();
    hits = 0;
    const double start = NowMs();
    CppSQLite3Statement query(&db, L"select docid, snippet(search2) from search2 where search2 match ?;");
    for (const std::string& term : QueryTerms()) {
        CStatementUse use(query);
        query.bind(1, term.c_str());
        for (CppSQLite3Query rows = query.execQuery(); !rows.eof(); rows.nextRow()) {
            Require(rows.getInt64Field(0) > 0 && rows.getText16Field(1) != nullptr, "an empty hit");
            ++hits;
        }
    }
    return NowMs() - start;
}
