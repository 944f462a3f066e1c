// The pages' controls are not built yet: each page is its bare template.
#include "PreferencePages.h"

CPreferenceAlarmDlg::CPreferenceAlarmDlg(CPreferences& working) : CPropertyPageBase(1012), m_working(working) {}

CPreferenceSoundDlg::CPreferenceSoundDlg(CPreferences& working) : CPropertyPageBase(1013), m_working(working) {}

CPreferenceLanguageDlg::CPreferenceLanguageDlg(CPreferences& working)
    : CPropertyPageBase(1015), m_working(working)
{
}

CPreferenceNetworkDlg::CPreferenceNetworkDlg(CPreferences& working) : CPropertyPageBase(1017), m_working(working) {}

CPreferenceHotKeyDlg::CPreferenceHotKeyDlg(CPreferences& working, const PreferenceShellCalls& calls)
    : CPropertyPageBase(1018), m_working(working), m_calls(calls)
{
}
