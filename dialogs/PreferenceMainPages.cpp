// The pages' controls are not built yet: each page is its bare template.
#include "PreferenceMainPages.h"

CPreferenceMainDlg::CPreferenceMainDlg(CPreferences& working, const PreferenceShellCalls& calls)
    : CPropertyPageBase(1010), m_working(working), m_calls(calls)
{
}

CPreferenceNotesDlg::CPreferenceNotesDlg(CPreferences& working) : CPropertyPageBase(1011), m_working(working) {}

CPreferenceNotesOtherDlg::CPreferenceNotesOtherDlg(CPreferences& working)
    : CPropertyPageBase(1133), m_working(working)
{
}
