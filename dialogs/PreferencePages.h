// The preference pages for alarms, sounds, language, network and hot keys;
// each reads the sheet's working copy when it opens and writes it on apply.
// Also the pure rules behind them: the language list and the interval list.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/PropertySheet.h"

class CPreferences;
struct PreferenceShellCalls;

// One entry of "InstalledLanguages": "name|file". An entry without the bar
// names a language but carries no file.
struct SLanguageEntry {
    std::wstring name;
    std::wstring file;
    bool hasFile = false;
};

// The entries of the comma-separated list in order; empty entries skipped.
std::vector<SLanguageEntry> ParseInstalledLanguages(const wchar_t* installedLanguages);
// The Language page is left out while the list is "US English" in any case.
bool IsLanguagePageShown(const wchar_t* installedLanguages);
// The entry to select for the module file: the first whose file equals it
// ignoring case, else 0; -1 for an empty list.
int LanguageIndexFor(const std::vector<SLanguageEntry>& entries, const wchar_t* altResFile);
// AltResFile after OK with the entry at index selected: empty while fewer
// than two entries carry a file, else the selected entry's file; current
// without a selection.
std::wstring AltResFileFor(const std::vector<SLanguageEntry>& entries, int index, const wchar_t* current);

// The version-check interval list: One week, Two weeks, Four weeks, Six weeks.
int IntervalIndexForDays(int days);
// The days of the selected interval; the current value without a selection.
int DaysForIntervalIndex(int index, int currentDays);

class CPreferenceAlarmDlg : public CPropertyPageBase {
public:
    explicit CPreferenceAlarmDlg(CPreferences& working);

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void DoDataExchange(CDataExchange& exchange) override;
    bool OnApply() override;

private:
    bool OnInitDialog();
    void ExchangePopupCount(CDataExchange& exchange);
    bool OnCommand(int id);
    void OnPopupClicked();
    void EnablePopupControls();
    void OnBrowseSound();
    void OnTestSound();

    CPreferences& m_working;
    int m_snooze = 0;
    int m_hide = 0;
    int m_expired = 0;
    int m_popup = 0;
    int m_popupCount = 0;
    int m_notification = 0;
};

class CPreferenceSoundDlg : public CPropertyPageBase {
public:
    explicit CPreferenceSoundDlg(CPreferences& working);

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnApply() override;

private:
    bool OnInitDialog();
    bool OnCommand(int id, int code);
    void OnEventChanged();
    void StoreTypedPath();
    void OnBrowseSound();
    void OnTestSound();
    // The setting of the event at the list position, null for none.
    wchar_t* EventSound(int index) const;

    CPreferences& m_working;
    int m_event = -1;  // the event whose path the edit shows
};

class CPreferenceLanguageDlg : public CPropertyPageBase {
public:
    explicit CPreferenceLanguageDlg(CPreferences& working);

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnApply() override;

private:
    bool OnInitDialog();

    CPreferences& m_working;
    std::vector<SLanguageEntry> m_entries;
};

class CPreferenceNetworkDlg : public CPropertyPageBase {
public:
    explicit CPreferenceNetworkDlg(CPreferences& working);

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void DoDataExchange(CDataExchange& exchange) override;
    bool OnApply() override;

private:
    bool OnInitDialog();

    CPreferences& m_working;
    int m_receiveNotify = 0;
    int m_port = 0;
    int m_disableNetwork = 0;
    int m_checkVersion = 0;
};

class CPreferenceHotKeyDlg : public CPropertyPageBase {
public:
    CPreferenceHotKeyDlg(CPreferences& working, const PreferenceShellCalls& calls);

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool OnInitDialog();
    void OnChange(int hotKey);
    void ShowHotKeyText(int hotKey);

    CPreferences& m_working;
    const PreferenceShellCalls& m_calls;
};
