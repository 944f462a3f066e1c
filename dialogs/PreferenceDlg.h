// The preferences sheet: up to eight pages editing one process-wide working
// copy of the settings; OK hands the edited record back to the caller.
#pragma once

#include <windows.h>

#include "PreferenceMainPages.h"
#include "PreferencePages.h"
#include "PreferenceShellCalls.h"
#include "foundation/Preferences.h"
#include "framework/PropertySheet.h"

class CPreferenceDlg : public CPropertySheetBase {
public:
    // The calls must outlive the sheet: the pages keep them.
    explicit CPreferenceDlg(const PreferenceShellCalls& calls);
    ~CPreferenceDlg() override;

    // Copies prefs into the working copy and runs the sheet over owner; true
    // for OK, the edited record then in Edited(). A test sound stops however
    // the sheet ends. An owner destroyed during the run ends it as Cancel.
    bool Run(HWND owner, const CPreferences& prefs);
    const CPreferences& Edited() const { return m_edited; }

protected:
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void AddPages(const CPreferences& prefs);
    void OnShowWindow(bool shown);
    void OnDestroy();
    void OnOwnerDestroying();
    static LRESULT CALLBACK WatchOwner(int code, WPARAM wParam, LPARAM lParam);

    CPreferences& m_working;
    CPreferences m_edited;
    CPreferenceMainDlg m_main;
    CPreferenceNotesDlg m_notes;
    CPreferenceNotesOtherDlg m_notesOther;
    CPreferenceAlarmDlg m_alarm;
    CPreferenceSoundDlg m_sound;
    CPreferenceLanguageDlg m_language;
    CPreferenceNetworkDlg m_network;
    CPreferenceHotKeyDlg m_hotKeys;
    HWND m_owner = nullptr;
    bool m_placed = false;
};

// The one working copy that the pages edit; each run overwrites it.
CPreferences& PreferenceWorkingCopy();
