#include "PreferenceMainPages.h"

#include <commctrl.h>

#include <climits>
#include <initializer_list>

#include "DlgUtils.h"
#include "PreferenceShellCalls.h"
#include "foundation/LogFile.h"
#include "foundation/Preferences.h"
#include "foundation/RegKey.h"
#include "foundation/ResModule.h"
#include "foundation/ShellServices.h"
#include "foundation/WinPlacement.h"
#include "foundation/WinVersion.h"
#include "notestore/GroupDlg.h"
#include "notestore/groups.h"
#include "resources/resource.h"

namespace {

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// The settings' own default note colour: what "Automatic" stands for.
constexpr COLORREF kDefaultNoteColor = RGB(255, 255, 198);
// StartupArguments keeps its terminator.
constexpr int kStartupArgumentChars = CPreferences::kLongTextChars - 1;
constexpr int kNotePositionCount = 6;

const std::initializer_list<UINT> kCornerStrings = {
    IDS_TOOLBAR_TOP_LEFT,   IDS_TOOLBAR_TOP_RIGHT,  IDS_TOOLBAR_BOTTOM_LEFT,
    IDS_TOOLBAR_BOTTOM_RIGHT, IDS_TOOLBAR_CENTER_TOP, IDS_TOOLBAR_CENTER_BOTTOM,
};

void FillCombo(HWND page, int id, std::initializer_list<UINT> strings)
{
    const HWND combo = GetDlgItem(page, id);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const UINT string : strings)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadResString(string)));
}

// A list without a selection leaves the stored value as it is.
template <class T>
void StoreSelection(T& field, int index)
{
    if (index >= 0)
        field = static_cast<T>(index);
}

bool Flag(int checkState)
{
    return checkState != 0;
}

HWND SheetOf(HWND page)
{
    return GetParent(page);
}

}  // namespace

int TransparencyToSlider(int alpha)
{
    return 100 - MulDiv(alpha, 100, 255);
}

BYTE SliderToTransparency(int position)
{
    return static_cast<BYTE>(255 - MulDiv(position, 255, 100));
}

bool CPreferencePage::ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (msg == WM_INITDIALOG) {
        OnInitDialog();
        result = TRUE;
        return true;
    }
    // Other notifications go on to the controls that want them back.
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED && lParam && OnClicked(LOWORD(wParam))) {
        result = 0;
        return true;
    }
    return CPropertyPageBase::ProcessWindowMessage(msg, wParam, lParam, result);
}

// Main

CPreferenceMainDlg::CPreferenceMainDlg(CPreferences& working, const PreferenceShellCalls& calls)
    : CPreferencePage(IDD_PREFS_MAIN), m_working(working), m_calls(calls)
{
}

bool CPreferenceMainDlg::OnClicked(int id)
{
    if (id != IDC_PREF_STARTUP_TOGGLE)
        return false;
    OnStartupToggle();
    return true;
}

void CPreferenceMainDlg::OnInitDialog()
{
    FillCombo(GetHwnd(), IDC_PREF_TASKBAR_ACTION,
              { IDS_TASKBAR_SINGLE_CLICK, IDS_TASKBAR_DOUBLE_CLICK, IDS_TASKBAR_NO_ACTION });
    FillCombo(GetHwnd(), IDC_PREF_TOOLBAR_POSITION, kCornerStrings);
    m_autoSave = m_working.AutoSave;
    m_hideAllOnStartup = m_working.HideAllOnStartup;
    m_confirmNoteDelete = m_working.ConfirmNoteDelete;
    m_alwaysOnTop = m_working.AlwaysOnTop;
    m_hideToolbar = m_working.HideToolbar;
    m_visibleInTaskbar = m_working.VisibleInTaskbar;
    m_taskbarAction = m_working.TaskbarAction;
    m_position = m_working.Position;
    m_startupArguments = m_working.StartupArguments;
    ExchangeData(false);
    UpdateStartupLabel();
    if (WindowsVersion().vista)
        ShowShieldWhenRunKeyIsLocked();
}

void CPreferenceMainDlg::DoDataExchange(CDataExchange& exchange)
{
    exchange.Check(IDC_PREF_AUTOSAVE, m_autoSave);
    exchange.Check(IDC_PREF_HIDE_ALL, m_hideAllOnStartup);
    exchange.Check(IDC_PREF_CONFIRM_DELETE, m_confirmNoteDelete);
    exchange.Check(IDC_PREF_ALWAYS_ON_TOP, m_alwaysOnTop);
    exchange.Check(IDC_PREF_HIDE_TOOLBAR, m_hideToolbar);
    exchange.Check(IDC_PREF_VISIBLE_IN_TASKBAR, m_visibleInTaskbar);
    exchange.ComboIndex(IDC_PREF_TASKBAR_ACTION, m_taskbarAction);
    exchange.ComboIndex(IDC_PREF_TOOLBAR_POSITION, m_position);
    exchange.Text(IDC_PREF_STARTUP_ARGUMENTS, m_startupArguments, kStartupArgumentChars);
}

void CPreferenceMainDlg::ShowShieldWhenRunKeyIsLocked()
{
    const HKEY hive = WindowsVersion().winXP ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    CRegKeyHandle key;
    if (key.Open(hive, kRunKey, KEY_SET_VALUE) == ERROR_SUCCESS)
        return;
    QLOG(L"CurrentVersion\\Run can't be written to, setting UAC flag");
    Window().Item(IDC_PREF_STARTUP_TOGGLE).Send(BCM_SETSHIELD, 0, TRUE);
}

void CPreferenceMainDlg::OnStartupToggle()
{
    // The toggle acts at once, so the live record and its INI key change with
    // it: a Cancel leaves registry, file and record agreeing, and the elevated
    // helper reads the new value.
    m_working.StartupWithWindows = !m_working.StartupWithWindows;
    g_prefs.StartupWithWindows = m_working.StartupWithWindows;
    if (!g_prefs.SaveStartupSettings())
        QLOG(L"Start with Windows (%d) could not be written to the settings file", int(g_prefs.StartupWithWindows));
    UpdateStartupReg(g_prefs);
    UpdateStartupLabel();
}

void CPreferenceMainDlg::UpdateStartupLabel()
{
    Window().Item(IDC_PREF_STARTUP_TOGGLE)
        .SetText(LoadResString(m_working.StartupWithWindows ? IDS_STARTUP_DISABLE : IDS_STARTUP_ENABLE));
}

bool CPreferenceMainDlg::OnApply()
{
    if (!ExchangeData(true))
        return false;
    if (CompareStringOrdinal(m_startupArguments.c_str(), -1, m_working.StartupArguments, -1, TRUE) != CSTR_EQUAL) {
        wmemcpy(m_working.StartupArguments, m_startupArguments.c_str(), m_startupArguments.size() + 1);
        UpdateStartupReg(m_working);
    }
    m_working.AutoSave = Flag(m_autoSave);
    m_working.HideAllOnStartup = Flag(m_hideAllOnStartup);
    m_working.ConfirmNoteDelete = Flag(m_confirmNoteDelete);
    m_working.AlwaysOnTop = Flag(m_alwaysOnTop);
    m_working.VisibleInTaskbar = Flag(m_visibleInTaskbar);
    // Only a new corner drops the saved point: an untouched OK keeps a
    // dragged toolbar where it is.
    const bool cornerChanged = m_position >= 0 && m_position != g_prefs.Position;
    StoreSelection(m_working.Position, m_position);
    if (cornerChanged)
        m_working.PositionX = m_working.PositionY = kToolbarPositionUnset;
    PlaceToolbar(cornerChanged);
    m_working.HideToolbar = Flag(m_hideToolbar);
    StoreSelection(m_working.TaskbarAction, m_taskbarAction);
    return true;
}

void CPreferenceMainDlg::PlaceToolbar(bool cornerChanged)
{
    if (!m_calls.placeToolbar)
        return;
    CPreferences placing = m_working;
    // The bar may have been dragged while the sheet was open: the live point
    // is where it stands.
    if (!cornerChanged) {
        placing.PositionX = g_prefs.PositionX;
        placing.PositionY = g_prefs.PositionY;
    }
    // Placing saves the record it gets when it drops an off-screen point;
    // the sheet's values reach the file only through OK.
    placing.SetIniPath(L"");
    m_calls.placeToolbar(placing);
}

// Notes

CPreferenceNotesDlg::CPreferenceNotesDlg(CPreferences& working) : CPreferencePage(IDD_PREFS_NOTES), m_working(working)
{
}

bool CPreferenceNotesDlg::OnClicked(int id)
{
    switch (id) {
    case IDC_PREF_DEFAULT_FONT: OnDefaultFont(); return true;
    case IDC_PREF_TITLE_FONT:   OnTitleFont(); return true;
    case IDC_PREF_RANDOM_COLOR: EnableColorButton(); return true;
    }
    return false;
}

void CPreferenceNotesDlg::OnInitDialog()
{
    m_colorButton.SubclassWindow(Window().Item(IDC_PREF_DEFAULT_COLOR));
    m_colorButton.SetDefaultColor(kDefaultNoteColor);
    m_colorButton.SetColor(m_working.DefaultColor);
    FillCombo(GetHwnd(), IDC_PREF_NOTE_POSITION, kCornerStrings);
    m_randomColor = m_working.RandomColor;
    m_defSize = m_working.DefSize;
    m_defPos = m_working.DefPos;
    m_smartFit = m_working.SmartFit;
    m_smartSize = m_working.SmartSize;
    m_pasteAsText = m_working.PasteAsText;
    m_urlDetection = m_working.EnableURLDetection;
    ExchangeData(false);
    EnableColorButton();
    InitTransparencySlider();
}

void CPreferenceNotesDlg::InitTransparencySlider()
{
    const CWindowRef slider = Window().Item(IDC_PREF_TRANSPARENCY);
    slider.Send(TBM_SETRANGE, TRUE, MAKELPARAM(0, kTransparencySliderMax));
    slider.Send(TBM_SETTIPSIDE, TBTS_BOTTOM, 0);
    slider.Send(TBM_SETPOS, TRUE, TransparencyToSlider(m_working.AlphaTransparency));
    // Read back: the slider clamps values the mapping cannot reach.
    m_openingSlider = SliderPosition();
    slider.Enable(CanUseLayeredWindows());
}

int CPreferenceNotesDlg::SliderPosition() const
{
    return static_cast<int>(Window().Item(IDC_PREF_TRANSPARENCY).Send(TBM_GETPOS));
}

void CPreferenceNotesDlg::DoDataExchange(CDataExchange& exchange)
{
    exchange.Check(IDC_PREF_RANDOM_COLOR, m_randomColor);
    exchange.Radio(IDC_PREF_SIZE_SMALL, m_defSize);
    exchange.ComboIndex(IDC_PREF_NOTE_POSITION, m_defPos);
    exchange.Check(IDC_PREF_SMART_FIT, m_smartFit);
    exchange.Check(IDC_PREF_SMART_SIZE, m_smartSize);
    exchange.Check(IDC_PREF_PASTE_AS_TEXT, m_pasteAsText);
    exchange.Check(IDC_PREF_URL_DETECTION, m_urlDetection);
}

void CPreferenceNotesDlg::EnableColorButton()
{
    Window().Item(IDC_PREF_DEFAULT_COLOR).Enable(IsDlgButtonChecked(GetHwnd(), IDC_PREF_RANDOM_COLOR) == BST_UNCHECKED);
}

void CPreferenceNotesDlg::OnDefaultFont()
{
    LOGFONTW font = {};
    font.lfHeight = m_working.FontHeight;
    font.lfWeight = m_working.FontWeight;
    font.lfCharSet = m_working.FontCharset;
    wmemcpy(font.lfFaceName, m_working.FontName, LF_FACESIZE);
    font.lfFaceName[LF_FACESIZE - 1] = L'\0';
    COLORREF color = m_working.DefaultTextColor;
    if (!ChooseFontDlg(SheetOf(GetHwnd()), font, color))
        return;
    font.lfFaceName[LF_FACESIZE - 1] = L'\0';
    wmemcpy(m_working.FontName, font.lfFaceName, LF_FACESIZE);
    m_working.FontHeight = static_cast<short>(font.lfHeight);
    m_working.FontWeight = static_cast<short>(font.lfWeight);
    m_working.FontCharset = font.lfCharSet;
    m_working.DefaultTextColor = color;
}

void CPreferenceNotesDlg::OnTitleFont()
{
    LOGFONTW font = m_working.TitleFont;
    COLORREF color = m_working.DefaultTextColor;
    if (!ChooseFontDlg(SheetOf(GetHwnd()), font, color))
        return;
    font.lfFaceName[LF_FACESIZE - 1] = L'\0';
    m_working.TitleFont = font;
    m_working.DefaultTextColor = color;
}

bool CPreferenceNotesDlg::OnApply()
{
    if (!ExchangeData(true))
        return false;
    StoreSelection(m_working.DefSize, m_defSize);
    m_working.RandomColor = Flag(m_randomColor);
    m_working.DefaultColor = m_colorButton.GetResolvedColor();
    m_working.DefPos = static_cast<BYTE>(m_defPos >= 0 && m_defPos < kNotePositionCount ? m_defPos : 0);
    m_working.SmartFit = Flag(m_smartFit);
    m_working.SmartSize = Flag(m_smartSize);
    m_working.PasteAsText = Flag(m_pasteAsText);
    m_working.EnableURLDetection = Flag(m_urlDetection);
    // Untouched, the round trip through the slider would drift (128 to 127)
    // and lift values below 25.
    const int position = SliderPosition();
    if (position != m_openingSlider)
        m_working.AlphaTransparency = SliderToTransparency(position);
    return true;
}

// Notes (Other)

CPreferenceNotesOtherDlg::CPreferenceNotesOtherDlg(CPreferences& working)
    : CPreferencePage(IDD_PREFS_NOTES_OTHER), m_working(working)
{
}

bool CPreferenceNotesOtherDlg::OnClicked(int id)
{
    if (id != IDC_PREF_EDIT_GROUPS)
        return false;
    OnEditGroups();
    return true;
}

void CPreferenceNotesOtherDlg::OnInitDialog()
{
    FillCombo(GetHwnd(), IDC_PREF_SUBMENU_SORTING, { IDS_COLUMN_LAST_UPDATED, IDS_SORT_ALPHABETICAL });
    FillCombo(GetHwnd(), IDC_PREF_AUTOFADE, { IDS_AUTOFADE_OFF, IDS_AUTOFADE_5_SECONDS, IDS_AUTOFADE_10_SECONDS });
    FillGroups(m_working.DefaultGroup, m_working.DefaultGroup.empty());
    m_subMenuLimit = m_working.NotesInSubMenuLimit;
    m_menuSplit = m_working.MenuSplitLimit;
    m_subMenuSorting = m_working.SubMenuSorting;
    m_animationSpeed = m_working.AnimationSpeed;
    m_storeMinimized = m_working.StoreMinimizedPostion;
    m_dontShrink = m_working.DontShrinkNoteSize;
    m_noDocking = m_working.DisableMagneticDocking;
    m_autoFade = m_working.AutoFade;
    ExchangeData(false);
}

void CPreferenceNotesOtherDlg::FillGroups(const std::wstring& selectName, bool selectFirst)
{
    const CWindowRef combo = Window().Item(IDC_PREF_DEFAULT_GROUP);
    combo.Send(CB_RESETCONTENT);
    combo.Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L""));
    int selected = selectFirst ? 0 : -1;
    const int count = CGroups::GetCount();
    for (int position = 0; position < count; ++position) {
        const CGroup* group = CGroups::GetAt(position);
        const CStdStr name = group ? group->GetName() : CStdStr();
        combo.Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        // The last group of that exact name wins.
        if (!selectFirst && name == selectName)
            selected = position + 1;
    }
    combo.Send(CB_SETCURSEL, static_cast<WPARAM>(selected));
}

void CPreferenceNotesOtherDlg::OnEditGroups()
{
    const CWindowRef combo = Window().Item(IDC_PREF_DEFAULT_GROUP);
    const int selected = static_cast<int>(combo.Send(CB_GETCURSEL));
    std::wstring name = m_working.DefaultGroup;
    if (selected > 0) {
        const CGroup* group = CGroups::GetAt(selected - 1);
        name = group ? group->GetName() : CStdStr();
    }
    ShowGroupList(SheetOf(GetHwnd()));
    FillGroups(name, selected == 0);
}

void CPreferenceNotesOtherDlg::DoDataExchange(CDataExchange& exchange)
{
    // A limit of 0 divides by zero when the tray menu is built.
    exchange.Int(IDC_PREF_SUBMENU_LIMIT, m_subMenuLimit, 1, INT_MAX);
    exchange.Int(IDC_PREF_MENU_SPLIT, m_menuSplit, 1, INT_MAX);
    exchange.ComboIndex(IDC_PREF_SUBMENU_SORTING, m_subMenuSorting);
    exchange.Radio(IDC_PREF_ANIMATION_SLOW, m_animationSpeed);
    exchange.Check(IDC_PREF_MINIMIZED_POSITION, m_storeMinimized);
    exchange.Check(IDC_PREF_DONT_SHRINK, m_dontShrink);
    exchange.Check(IDC_PREF_NO_DOCKING, m_noDocking);
    exchange.ComboIndex(IDC_PREF_AUTOFADE, m_autoFade);
}

bool CPreferenceNotesOtherDlg::OnApply()
{
    if (!ExchangeData(true))
        return false;
    const int selected = static_cast<int>(Window().Item(IDC_PREF_DEFAULT_GROUP).Send(CB_GETCURSEL));
    if (selected == 0) {
        m_working.DefaultGroup.clear();
    } else if (selected > 0) {
        const CGroup* group = CGroups::GetAt(selected - 1);
        if (group)
            m_working.DefaultGroup = group->GetName();
    }
    // A stored name no group carries stays: the note creation finds groups
    // ignoring case, which the list does not.
    m_working.NotesInSubMenuLimit = m_subMenuLimit;
    m_working.MenuSplitLimit = m_menuSplit;
    m_working.SubMenuSorting = m_subMenuSorting >= 0 ? m_subMenuSorting : 0;
    m_working.AutoFade = m_autoFade >= 0 ? m_autoFade : 0;
    m_working.StoreMinimizedPostion = Flag(m_storeMinimized);
    m_working.DontShrinkNoteSize = Flag(m_dontShrink);
    m_working.DisableMagneticDocking = Flag(m_noDocking);
    StoreSelection(m_working.AnimationSpeed, m_animationSpeed);
    return true;
}
