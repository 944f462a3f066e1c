// The preference sheet's own pages: the program (Main), a new note's looks
// (Notes) and the notes' behaviour (NotesOther); each reads the sheet's
// working copy when it opens and writes it on apply.
#pragma once

#include "framework/PropertySheet.h"

class CPreferences;
struct PreferenceShellCalls;

class CPreferenceMainDlg : public CPropertyPageBase {
public:
    CPreferenceMainDlg(CPreferences& working, const PreferenceShellCalls& calls);

private:
    CPreferences& m_working;
    const PreferenceShellCalls& m_calls;
};

class CPreferenceNotesDlg : public CPropertyPageBase {
public:
    explicit CPreferenceNotesDlg(CPreferences& working);

private:
    CPreferences& m_working;
};

class CPreferenceNotesOtherDlg : public CPropertyPageBase {
public:
    explicit CPreferenceNotesOtherDlg(CPreferences& working);

private:
    CPreferences& m_working;
};
