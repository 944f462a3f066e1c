// The preference sheet's own pages: the program (Main), a new note's looks
// (Notes) and the notes' behaviour (NotesOther); each reads the sheet's
// working copy when it opens and writes it on apply.
#pragma once

#include <string>

#include "framework/PropertySheet.h"
#include "toolkit/ColorButton.h"

class CPreferences;
struct PreferenceShellCalls;

// The transparency slider runs 0 (opaque) to 90 (most transparent).
constexpr int kTransparencySliderMax = 90;
// AlphaTransparency 255 is position 0, 25 is position 90.
int TransparencyToSlider(int alpha);
BYTE SliderToTransparency(int position);

// What the three pages share: the values go into the controls when the page
// opens, and clicks of its buttons come to OnClicked.
class CPreferencePage : public CPropertyPageBase {
public:
    using CPropertyPageBase::CPropertyPageBase;

protected:
    virtual void OnInitDialog() = 0;
    // True when the page took the click.
    virtual bool OnClicked(int id) = 0;
    bool ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

class CPreferenceMainDlg : public CPreferencePage {
public:
    CPreferenceMainDlg(CPreferences& working, const PreferenceShellCalls& calls);

protected:
    void OnInitDialog() override;
    bool OnClicked(int id) override;
    void DoDataExchange(CDataExchange& exchange) override;
    bool OnApply() override;

private:
    void ShowShieldWhenRunKeyIsLocked();
    void OnStartupToggle();
    void UpdateStartupLabel();
    void PlaceToolbar(bool cornerChanged);

    CPreferences& m_working;
    const PreferenceShellCalls& m_calls;
    int m_autoSave = 0;
    int m_hideAllOnStartup = 0;
    int m_confirmNoteDelete = 0;
    int m_alwaysOnTop = 0;
    int m_hideToolbar = 0;
    int m_visibleInTaskbar = 0;
    int m_taskbarAction = -1;
    int m_position = -1;
    std::wstring m_startupArguments;
};

class CPreferenceNotesDlg : public CPreferencePage {
public:
    explicit CPreferenceNotesDlg(CPreferences& working);

protected:
    void OnInitDialog() override;
    bool OnClicked(int id) override;
    void DoDataExchange(CDataExchange& exchange) override;
    bool OnApply() override;

private:
    void InitTransparencySlider();
    void OnDefaultFont();
    void OnTitleFont();
    void EnableColorButton();
    int SliderPosition() const;

    CPreferences& m_working;
    CColorButton m_colorButton;
    int m_randomColor = 0;
    int m_defSize = -1;
    int m_defPos = -1;
    int m_smartFit = 0;
    int m_smartSize = 0;
    int m_pasteAsText = 0;
    int m_urlDetection = 0;
    int m_openingSlider = 0;  // where the slider stood when the page opened
};

class CPreferenceNotesOtherDlg : public CPreferencePage {
public:
    explicit CPreferenceNotesOtherDlg(CPreferences& working);

protected:
    void OnInitDialog() override;
    bool OnClicked(int id) override;
    void DoDataExchange(CDataExchange& exchange) override;
    bool OnApply() override;

private:
    void FillGroups(const std::wstring& selectName, bool selectFirst);
    void OnEditGroups();

    CPreferences& m_working;
    int m_subMenuLimit = 0;
    int m_menuSplit = 0;
    int m_subMenuSorting = -1;
    int m_animationSpeed = -1;
    int m_storeMinimized = 0;
    int m_dontShrink = 0;
    int m_noDocking = 0;
    int m_autoFade = -1;
};
