// Global search: the small modal box that asks the organizer's search for
// its text, and the locale-aware substring search the organizer runs with it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "notestore/NoteLists.h"
#include "toolkit/QLDialog.h"

// The position of the first occurrence of pattern in text, or -1: equal as
// CompareStringW (LOCALE_USER_DEFAULT, flags) finds them, so an ignored
// character such as a soft hyphen inside the text does not stop a match.
int FindSubstringLocale(DWORD compareFlags, const wchar_t* text, const wchar_t* pattern);

// Whether a listed note holds the search text: in its text or its name; a
// locked note's text is behind its password, so only its name counts.
bool MatchesGlobalSearch(const CNoteDisplayInfo& record, DWORD compareFlags, const wchar_t* search);

// Each found note shown and scrolled to its caret, looked up by id afresh
// after each show (an unlock prompt's loop may free it).
void ShowFoundNotes(const std::vector<std::int64_t>& ids);

class CGlobalFindDlg : public CQLDialog {
public:
    explicit CGlobalFindDlg(HWND owner);

    const std::wstring& SearchText() const { return m_search; }
    bool MatchCase() const { return m_matchCase; }
    bool Forward() const { return m_forward; }

protected:
    int OnInitDialog() override;
    int OnCommand(int id, HWND control, int code) override;
    void OnOK() override;
    void OnCancel() override;

private:
    void ReadControls();
    void EnableFindButton();

    bool m_textChanged = true;
    bool m_forward = true;
    bool m_matchCase = false;
    std::wstring m_search;
    std::wstring m_replace;
};
