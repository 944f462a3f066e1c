// The preference pages for alarms, sounds, language, network and hot keys;
// each reads the sheet's working copy when it opens and writes it on apply.
#pragma once

#include "framework/PropertySheet.h"

class CPreferences;
struct PreferenceShellCalls;

class CPreferenceAlarmDlg : public CPropertyPageBase {
public:
    explicit CPreferenceAlarmDlg(CPreferences& working);

private:
    CPreferences& m_working;
};

class CPreferenceSoundDlg : public CPropertyPageBase {
public:
    explicit CPreferenceSoundDlg(CPreferences& working);

private:
    CPreferences& m_working;
};

class CPreferenceLanguageDlg : public CPropertyPageBase {
public:
    explicit CPreferenceLanguageDlg(CPreferences& working);

private:
    CPreferences& m_working;
};

class CPreferenceNetworkDlg : public CPropertyPageBase {
public:
    explicit CPreferenceNetworkDlg(CPreferences& working);

private:
    CPreferences& m_working;
};

class CPreferenceHotKeyDlg : public CPropertyPageBase {
public:
    CPreferenceHotKeyDlg(CPreferences& working, const PreferenceShellCalls& calls);

private:
    CPreferences& m_working;
    const PreferenceShellCalls& m_calls;
};
