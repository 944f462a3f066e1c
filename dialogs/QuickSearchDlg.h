// The quick search: a small resizable box that lists, as the user types, the
// notes whose title or text holds the words, and shows the chosen ones. The
// typed texts are remembered and offered again through auto-complete.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "CustomAutoComplete.h"
#include "ImageListBox.h"
#include "QuickSearchQuery.h"
#include "framework/ComPtr.h"
#include "framework/Dialog.h"
#include "framework/DialogResizer.h"
#include "framework/GdiObject.h"

class CQuickSearchDlg : public CFrameworkDialog, private CDialogResizer {
public:
    // recentKey: where the typed texts are kept under HKEY_CURRENT_USER.
    explicit CQuickSearchDlg(std::wstring recentKey = kQuickSearchRecentKey);
    ~CQuickSearchDlg() override;

    // The rows for the text; true when there is at least one. Needs no window.
    static bool DoSearch(const std::wstring& text, std::vector<QuickSearchResult>& results);

    // The rows listed now, one per list item.
    const std::vector<QuickSearchResult>& Results() const { return m_results; }

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    LRESULT OnInitDialog();
    bool OnCommand(UINT id, UINT code);
    void OnActivate(UINT state);
    void OnDoubleClick();
    void Search();
    void ShowChosen();
    std::vector<std::int64_t> ChosenIds() const;
    // Stores the text and lets the auto-complete go; only the first call acts.
    void Close(INT_PTR result);
    void ReleaseRecent();
    std::wstring SearchText() const;

    std::wstring m_recentKey;
    CComPtr<CCustomAutoComplete> m_recent;
    CImageListBoxCtrl m_list;
    CFontHandle m_subtextFont;
    std::vector<QuickSearchResult> m_results;
    bool m_closed = false;
};

// The quick search, modal, owned by owner.
void RunQuickSearchDlg(HWND owner);
