// The preferences sheet as the shell runs it: the sheet over the live
// settings, then the steps that make OK take effect at once or undo what the
// pages did on Cancel.
#include "dialogcalls.h"

#include <cstring>

#include "dialogs/PreferenceDlg.h"
#include "foundation/AppWindow.h"
#include "foundation/LogFile.h"
#include "foundation/Preferences.h"
#include "foundation/WinPlacement.h"
#include "hotkeydlg.h"
#include "hotkeys.h"
#include "mainwnd.h"
#include "notestore/notemgr.h"
#include "notewindows/itsycmd.h"
#include "shellsvc.h"
#include "startcalls.h"

namespace {

bool g_preferencesOpen = false;

class CPreferencesOpenScope {
public:
    CPreferencesOpenScope() { g_preferencesOpen = true; }
    ~CPreferencesOpenScope() { g_preferencesOpen = false; }
    CPreferencesOpenScope(const CPreferencesOpenScope&) = delete;
    CPreferencesOpenScope& operator=(const CPreferencesOpenScope&) = delete;
};

// Placing drops a saved point that lies off every screen and saves the record
// it was given: a copy that writes nowhere keeps the working copy and the
// settings file out of it.
void PlaceToolbarUnsaved(const CPreferences& prefs)
{
    CPreferences unsaved = prefs;
    unsaved.SetIniPath(L"");
    PlaceToolbar(g_hwndApp, unsaved);
}

PreferenceShellCalls PageShellCalls()
{
    PreferenceShellCalls calls;
    calls.placeToolbar = [](CPreferences& prefs) { PlaceToolbarUnsaved(prefs); };
    calls.hotKeyText = [](int hotKey) { return GetHotKeyText(hotKey); };
    calls.changeHotKey = [](HWND owner, int hotKey) { return ShowSetHotKeyDlg(owner, hotKey); };
    return calls;
}

// What the sheet opened with and what the edited record must not take over.
struct SPreferencesOpening {
    LOGFONTW titleFont;
    int captionHeight;
    HotKeyTable hotKeys;
};

// The toolbar's point is the live one (a drag during the sheet stays), unless
// another corner was chosen, which drops it.
void KeepToolbarPoint(const CPreferences& before)
{
    if (g_prefs.Position == before.Position) {
        g_prefs.PositionX = before.PositionX;
        g_prefs.PositionY = before.PositionY;
    } else {
        g_prefs.PositionX = g_prefs.PositionY = kToolbarPositionUnset;
    }
}

void RestartNetworkForPort(const CPreferences& before)
{
    // DisableNetwork acts at the next start, as its label says.
    if (g_prefs.NetworkPort == before.NetworkPort || g_prefs.DisableNetwork || !IsNoteNetworkOn())
        return;
    QLOG(L"Network port changed from %d to %d, restarting the network", before.NetworkPort, g_prefs.NetworkPort);
    if (RestartNetwork() == 0)
        QLOG(L"The network could not be restarted on port %d", g_prefs.NetworkPort);
}

void ApplyFading()
{
    if (g_prefs.AutoFade > 0)
        RegisterForRawInput();
    else if (NoteManager().IsFadedOut())
        TempFadeOut(false, nullptr);
}

void ApplyPreferences(const CPreferences& edited, const SPreferencesOpening& opening)
{
    const CPreferences before = g_prefs;
    g_prefs = edited;
    KeepToolbarPoint(before);
    if (!g_prefs.Save())
        QLOG(L"The preferences could not be saved");
    StoreHotKeys();
    ShowWindow(GetParentWindow(), g_prefs.VisibleInTaskbar ? SW_SHOW : SW_HIDE);
    if (std::memcmp(&opening.titleFont, &g_prefs.TitleFont, sizeof(LOGFONTW)) != 0)
        NoteManager().UpdateTitleFont(g_prefs.TitleFont, opening.captionHeight);
    RestartNetworkForPort(before);
    SetForcePlainPaste(g_prefs.PasteAsText);
    ApplyFading();
    if (g_prefs.EnableURLDetection != before.EnableURLDetection)
        NoteManager().RedetectUrls();
    if (g_prefs.AlwaysOnTop != before.AlwaysOnTop)
        ApplyAlwaysOnTop(g_hwndApp);
}

// Cancel: the toolbar back where the live settings put it, the hot keys as
// they were when the sheet opened, registered.
void UndoPreferencePages(const SPreferencesOpening& opening)
{
    PlaceToolbarUnsaved(g_prefs);
    RestoreHotKeys(opening.hotKeys);
}

}  // namespace

void ShowPreferences()
{
    if (g_preferencesOpen)
        return;
    const CPreferencesOpenScope open;
    const SPreferencesOpening opening{ g_prefs.TitleFont, ItsyCaptionHeightFromFont(g_prefs.TitleFont), GetHotKeys() };
    const PreferenceShellCalls calls = PageShellCalls();
    CPreferenceDlg sheet(calls);
    if (sheet.Run(GetActiveWindow(), g_prefs))
        ApplyPreferences(sheet.Edited(), opening);
    else
        UndoPreferencePages(opening);
}
