#include "BenchLinks.h"

#include <windows.h>
#include <richedit.h>

#include <algorithm>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Library.h"
#include "notewindows/UrlDetect.h"

namespace {

constexpr int kRuns = 5;

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency = {};
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

template <typename Operation>
double Time(Operation operation)
{
    LARGE_INTEGER start = {};
    LARGE_INTEGER end = {};
    QueryPerformanceCounter(&start);
    operation();
    QueryPerformanceCounter(&end);
    return Milliseconds(start, end);
}

double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::string Fixed(double value, int digits)
{
    std::ostringstream text;
    text << std::fixed << std::setprecision(digits) << value;
    return text.str();
}

// Words of 2,048 characters, none of them a link: the longest the scan tries.
std::wstring LongWords(size_t total)
{
    std::wstring word;
    for (int i = 0; word.size() < 2048; ++i)
        word += static_cast<wchar_t>(L'a' + i % 26);
    std::wstring text;
    while (text.size() < total)
        text += word + L' ';
    return text;
}

std::wstring OrdinaryLinks(int links)
{
    std::wstring text;
    for (int i = 0; i < links; ++i)
        text += L"see http://www.site" + std::to_wstring(i) + L".org/page now\r";
    return text;
}

// A note-sized editor that does not wrap: Wine lays out a long wrapped
// paragraph at a cost that grows with the square of its length, which
// would measure the layout instead of the scan.
class CBenchEditor {
public:
    CBenchEditor()
    {
        m_parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 320, 400, nullptr, nullptr, nullptr, nullptr);
        m_editor = CreateWindowExW(0, MSFTEDIT_CLASS, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL |
                                       ES_MULTILINE | ES_AUTOHSCROLL,
                                   0, 0, 300, 380, m_parent, nullptr, nullptr, nullptr);
        if (!m_editor)
            throw std::runtime_error("no rich edit for the link scan");
        SendMessageW(m_editor, EM_EXLIMITTEXT, 0, 0x7FFFFFF);
        m_detect.Attach(m_editor);
    }
    ~CBenchEditor() { DestroyWindow(m_parent); }
    CBenchEditor(const CBenchEditor&) = delete;
    CBenchEditor& operator=(const CBenchEditor&) = delete;

    void SetText(const std::wstring& text) const
    {
        SETTEXTEX how = { ST_DEFAULT, 1200 };
        SendMessageW(m_editor, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how), reinterpret_cast<LPARAM>(text.c_str()));
    }
    void ReadText(size_t length) const
    {
        std::wstring text(length + 1, L'\0');
        GETTEXTEX query = {};
        query.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        query.flags = GT_DEFAULT;
        query.codepage = 1200;
        SendMessageW(m_editor, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query), reinterpret_cast<LPARAM>(&text[0]));
    }
    void Scan() { m_detect.Rescan(); }

private:
    const CLibrary m_library{ LoadLibraryW(L"Msftedit.dll") };
    HWND m_parent = nullptr;
    HWND m_editor = nullptr;
    CUrlDetect m_detect;
};

void PrintRow(const std::string& name, const std::wstring& text)
{
    CBenchEditor editor;
    editor.SetText(text);
    std::vector<double> scans;
    std::vector<double> reads;
    for (int run = 0; run < kRuns; ++run) {
        scans.push_back(Time([&editor] { editor.Scan(); }));
        reads.push_back(Time([&editor, &text] { editor.ReadText(text.size()); }));
    }
    const double scanMin = *std::min_element(scans.begin(), scans.end());
    const double readMin = *std::min_element(reads.begin(), reads.end());
    std::cout << std::left << std::setw(44) << name
              << std::setw(18) << (Fixed(scanMin, 1) + " / " + Fixed(Median(scans), 1))
              << std::setw(18) << (Fixed(readMin, 2) + " / " + Fixed(Median(reads), 2))
              << std::setw(16) << (Fixed(scanMin / readMin, 0) + " / " + Fixed(Median(scans) / Median(reads), 0))
              << "scan < 50 ms\n";
}

}  // namespace

void MeasureLinkScan()
{
    std::cout << "\nLink scan of a note's editor against one EM_GETTEXTEX of the same text (" << kRuns << " runs):\n"
              << std::left << std::setw(44) << "text" << std::setw(18) << "scan ms" << std::setw(18)
              << "read ms" << std::setw(16) << "scan / read" << "target\n"
              << std::setw(44) << "" << std::setw(18) << "min / median" << std::setw(18) << "min / median"
              << std::setw(16) << "min / median" << "\n";
    PrintRow("200 KB of words of 2,048 characters", LongWords(200 * 1024));
    PrintRow("5,000 ordinary links", OrdinaryLinks(5000));
}
