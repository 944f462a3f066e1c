// The note store's benchmark: each operation through the project and in raw
// SQLite on the same rows in the same process, in alternating runs, with the
// minimum and median of each side and their ratio; then the link scan's and
// the start-up rows. Run by scripts/bench.
#include "BenchLinks.h"
#include "BenchNotes.h"
#include "BenchSeries.h"
#include "BenchStartup.h"
#include "ProjectStore.h"
#include "QuickSearchBench.h"
#include "RawStore.h"
#include "foundation/TextFormat.h"
#include "tests/support/TestDir.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kBatchNotes = 1000;
constexpr int kSmokeSearchNotes = 200;
// Sub-millisecond rows on a shared machine: more runs than the others.
constexpr int kQuickSearchRuns = 25;

// The base files of both sides and the folders their runs work in.
struct SFolders {
    std::wstring projectBase, rawBase, projectWork, rawWork;
    SPragmas pragmas;
};

void PrintHeader()
{
    std::cout << std::left << std::setw(44) << "operation" << std::setw(18) << "project ms" << std::setw(18)
              << "raw ms" << std::setw(16) << "project / raw" << "target\n"
              << std::setw(44) << "" << std::setw(18) << "min / median" << std::setw(18) << "min / median"
              << std::setw(16) << "min / median" << "\n";
}

void PrintRow(const std::string& name, const std::pair<SSeries, SSeries>& series, const std::string& target)
{
    const SSeries& project = series.first;
    const SSeries& raw = series.second;
    std::cout << std::left << std::setw(44) << name
              << std::setw(18) << (Fixed(project.Min(), 1) + " / " + Fixed(project.Median(), 1))
              << std::setw(18) << (Fixed(raw.Min(), 1) + " / " + Fixed(raw.Median(), 1))
              << std::setw(16) << (Fixed(project.Min() / raw.Min(), 2) + " / " +
                                   Fixed(project.Median() / raw.Median(), 2))
              << target << "\n";
}

// The note window class as the program registers it, so that notes can have
// the windows that a save-all walks.
void RegisterNoteWindowClass()
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"NoteWClass";
    if (!RegisterClassExW(&wc))
        throw std::runtime_error("cannot register the note window class");
}

SFolders BuildBases(const CTestDir& dir)
{
    SFolders folders;
    const std::wstring schema = dir.File(L"schema\\");
    CreateDirectoryW(schema.c_str(), nullptr);
    ProjectCreateSchema(schema);
    folders.pragmas = ProjectPragmas(schema);
    const std::wstring projectBuild = dir.File(L"project-base\\");
    const std::wstring rawBuild = dir.File(L"raw-base\\");
    CopyBase(DataFile(schema), projectBuild);
    CopyBase(DataFile(schema), rawBuild);
    const double projectMs = ProjectStoreNew(projectBuild, 1, kBaseNotes, 0);
    const double rawMs = RawStoreNew(rawBuild, folders.pragmas, 1, kBaseNotes, 0);
    std::cout << "Data set: " << kBaseNotes << " notes of about 600 characters, stored in one batch in "
              << Fixed(projectMs, 0) << " ms (raw " << Fixed(rawMs, 0) << " ms); full-text segments "
              << SegmentCount(projectBuild) << " (raw " << SegmentCount(rawBuild) << ").\n"
              << "Pragmas of both sides: " << folders.pragmas.sql << "\n\n";
    folders.projectBase = DataFile(projectBuild);
    folders.rawBase = DataFile(rawBuild);
    folders.projectWork = dir.File(L"project\\");
    folders.rawWork = dir.File(L"raw\\");
    return folders;
}

// One side's operation on a fresh copy of its base file.
COperation OnCopy(const std::wstring& base, const std::wstring& work,
                  const std::function<double(const std::wstring&, int)>& operation)
{
    return [base, work, operation](int run) {
        CopyBase(base, work);
        return operation(work, run);
    };
}

std::pair<SSeries, SSeries> MeasureOnCopies(const SFolders& f,
                                            const std::function<double(const std::wstring&, int)>& project,
                                            const std::function<double(const std::wstring&, int)>& raw)
{
    return Alternate(OnCopy(f.projectBase, f.projectWork, project), OnCopy(f.rawBase, f.rawWork, raw));
}

void MeasureTable(const SFolders& f)
{
    const SPragmas& pragmas = f.pragmas;
    PrintHeader();
    PrintRow("save-all of 1,000 modified notes",
             MeasureOnCopies(f, [](const std::wstring& w, int run) { return ProjectSaveAll(w, kBatchNotes, run + 1); },
                             [&](const std::wstring& w, int run) { return RawSaveAll(w, pragmas, kBatchNotes, run + 1); }),
             "<= 1.2");
    PrintRow("store 1,000 new notes in one batch",
             MeasureOnCopies(
                 f, [](const std::wstring& w, int run) { return ProjectStoreNew(w, kBaseNotes + 1, kBatchNotes, run); },
                 [&](const std::wstring& w, int run) {
                     return RawStoreNew(w, pragmas, kBaseNotes + 1, kBatchNotes, run);
                 }),
             "<= 1.5");
    PrintRow("load 10,000 notes by id in one read",
             MeasureOnCopies(f, [](const std::wstring& w, int) { return ProjectLoadAll(w); },
                             [&](const std::wstring& w, int) { return RawLoadAll(w, pragmas); }),
             "<= 3");
    const auto open = MeasureOnCopies(f, [](const std::wstring& w, int) { return ProjectFirstOpen(w); },
                                      [&](const std::wstring& w, int) { return RawFirstOpen(w, pragmas); });
    PrintRow("first open (raw: open + count)", open,
             "<= raw + 10 ms (now +" + Fixed(open.first.Median() - open.second.Median(), 1) + " ms)");
    int projectHits = 0;
    int rawHits = 0;
    const auto query = MeasureOnCopies(f, [&](const std::wstring& w, int) { return ProjectQuery(w, projectHits); },
                                       [&](const std::wstring& w, int) { return RawQuery(w, pragmas, rawHits); });
    PrintRow("full-text query with snippets, 20 terms", query,
             "(" + std::to_string(projectHits) + " hits, raw " + std::to_string(rawHits) + ")");
}

void MeasureBulkCurve(const SFolders& f)
{
    std::cout << "\nBulk store of new notes in one batch, microseconds per note (" << kRuns << " runs):\n"
              << std::left << std::setw(12) << "notes" << std::setw(18) << "project" << std::setw(18) << "raw"
              << "project / raw\n"
              << std::setw(12) << "" << std::setw(18) << "min / median" << std::setw(18) << "min / median"
              << "min / median\n";
    for (const int notes : {1000, 2000, 4000, 8000}) {
        const auto series = MeasureOnCopies(
            f, [notes](const std::wstring& w, int run) { return ProjectStoreNew(w, kBaseNotes + 1, notes, run); },
            [&f, notes](const std::wstring& w, int run) {
                return RawStoreNew(w, f.pragmas, kBaseNotes + 1, notes, run);
            });
        const double perNote = 1000.0 / notes;
        const SSeries& project = series.first;
        const SSeries& raw = series.second;
        std::cout << std::setw(12) << notes
                  << std::setw(18) << (Fixed(project.Min() * perNote, 1) + " / " + Fixed(project.Median() * perNote, 1))
                  << std::setw(18) << (Fixed(raw.Min() * perNote, 1) + " / " + Fixed(raw.Median() * perNote, 1))
                  << Fixed(project.Min() / raw.Min(), 2) << " / " << Fixed(project.Median() / raw.Median(), 2)
                  << "\n";
    }
}

} // namespace

// "links" runs the link scan's rows alone; "startup" the start-up rows
// alone; "quicksearch" the quick search's rows alone, "quicksearch-smoke"
// them once on a few notes, failing when the two sides list other notes; "folder PATH" only makes their data folder there, for a run by
// hand; "backups FILE" times the backups of that database file alone.
int main(int argc, char** argv)
{
    InstallInvalidParameterHandler();
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool startupOnly = mode == "startup";
    try {
        if (mode == "links") {
            MeasureLinkScan();
            return 0;
        }
        if (mode == "quicksearch" || mode == "quicksearch-smoke") {
            const CTestDir dir;
            const bool smoke = mode == "quicksearch-smoke";
            return MeasureQuickSearch(dir.File(L"search\\"), smoke ? kSmokeSearchNotes : kBaseNotes,
                                      smoke ? 1 : kQuickSearchRuns)
                       ? 0
                       : 1;
        }
        if (mode == "folder" && argc > 2) {
            const std::string path = std::string(argv[2]) + "\\";
            MakeStartupFolder(std::wstring(path.begin(), path.end()));
            return 0;
        }
        if (mode == "backups" && argc > 2) {
            const std::string file(argv[2]);
            const CTestDir dir;
            MeasureBackupsOf(std::wstring(file.begin(), file.end()), dir.Path());
            return 0;
        }
        const CTestDir dir;
        if (!startupOnly) {
            RegisterNoteWindowClass();
            const SFolders folders = BuildBases(dir);
            MeasureTable(folders);
            MeasureBulkCurve(folders);
            MeasureQuickSearch(dir.File(L"search\\"), kBaseNotes, kQuickSearchRuns);
            MeasureLinkScan();
        }
        MeasureStartup(dir.Path());
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "bench: " << e.what() << "\n";
    } catch (const CppSQLite3Exception& e) {
        std::cerr << "bench: " << e.errorMessage() << "\n";
    }
    return 1;
}
