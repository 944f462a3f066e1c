#include "BenchNotes.h"

#include <windows.h>

#include <stdexcept>

namespace {

const char* const kSyllables[] = {"ka", "lo", "mi", "ne", "ru", "ta", "vo", "si", "pe", "da",
                                  "gu", "ri", "no", "ze", "fa", "ho", "ju", "be", "cy", "wo"};
constexpr int kSyllableCount = 20;
constexpr int kVocabulary = 2000;
constexpr int kWordsPerNote = 86;
constexpr int kTitleWords = 6;

std::string Word(int index)
{
    return std::string(kSyllables[index % kSyllableCount]) + kSyllables[(index / kSyllableCount) % kSyllableCount] +
           kSyllables[index / (kSyllableCount * kSyllableCount)];
}

std::uint32_t NextRandom(std::uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

std::wstring Widen(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

std::wstring NoteText(int index, int variant)
{
    std::uint32_t state = static_cast<std::uint32_t>(index) * 7919u + static_cast<std::uint32_t>(variant) * 104729u;
    std::wstring text;
    for (int i = 0; i < kWordsPerNote; ++i) {
        text += Widen(Word(static_cast<int>(NextRandom(state) % kVocabulary)));
        text += i == kTitleWords - 1 ? L"\r\n" : L" ";
    }
    return text;
}

} // namespace

void FillBenchNote(CNote& note, int index, int variant)
{
    NoteRow& row = note.Row();
    row.text = NoteText(index, variant);
    row.displayText = L"{\\rtf1\\ansi\\deff0 " + row.text + L"}";
    row.visible = index % 3 == 0;
    row.color = 0x0280FFFF;
    row.colorBk = 0x02C0FFFF;
    row.placement.length = sizeof(row.placement);
    row.placement.rcNormalPosition = {index % 800, index % 600, index % 800 + 200, index % 600 + 150};
    GUID guid = {static_cast<unsigned long>(index), 0x1234, static_cast<unsigned short>(variant), {1, 2, 3, 4, 5, 6, 7, 8}};
    note.SetGuidText(GuidToText(guid));
    note.SetModified(true);
}

std::vector<std::string> QueryTerms()
{
    std::vector<std::string> terms;
    for (int i = 0; i < 20; ++i)
        terms.push_back(Word(97 * i + 13));
    return terms;
}

SPragmas ReadPragmas(CppSQLite3DB& db)
{
    SPragmas pragmas;
    for (const char* name : {"synchronous", "mmap_size", "temp_store", "cache_size", "journal_mode"}) {
        const std::wstring query = L"PRAGMA " + Widen(name) + L";";
        const CppSQLite3Query row = db.execQuery(query.c_str());
        pragmas.sql += std::string("PRAGMA ") + name + "=" + row.getStringField(0) + ";";
    }
    return pragmas;
}

double NowMs()
{
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now = {};
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::wstring DataFile(const std::wstring& folder)
{
    return folder + L"QUILLT40.DAT";
}

void CopyBase(const std::wstring& base, const std::wstring& folder)
{
    CreateDirectoryW(folder.c_str(), nullptr);
    DeleteFileW((DataFile(folder) + L"-journal").c_str());
    if (!CopyFileW(base.c_str(), DataFile(folder).c_str(), FALSE))
        throw std::runtime_error("cannot copy the base file");
}
