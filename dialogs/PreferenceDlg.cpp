#include "PreferenceDlg.h"

#include <mmsystem.h>

#include "DlgUtils.h"
#include "foundation/LogFile.h"
#include "foundation/SoundPlayer.h"
#include "foundation/WinPlacement.h"
#include "resources/resource.h"
#include "toolkit/QLDialog.h"

namespace {

const wchar_t kPlacementName[] = L"PrefsDlg";

// The sheet whose owner the thread's hook watches.
thread_local CPreferenceDlg* t_watchingSheet = nullptr;

class CHookHandle {
public:
    explicit CHookHandle(HHOOK hook) : m_hook(hook) {}
    ~CHookHandle()
    {
        if (m_hook)
            UnhookWindowsHookEx(m_hook);
    }
    CHookHandle(const CHookHandle&) = delete;
    CHookHandle& operator=(const CHookHandle&) = delete;

private:
    HHOOK m_hook;
};

}  // namespace

CPreferences& PreferenceWorkingCopy()
{
    static CPreferences working;
    return working;
}

CPreferenceDlg::CPreferenceDlg(const PreferenceShellCalls& calls)
    : CPropertySheetBase(IDS_PREFS_CAPTION, PSH_NOAPPLYNOW),
      m_working(PreferenceWorkingCopy()),
      m_main(m_working, calls),
      m_notes(m_working),
      m_notesOther(m_working),
      m_alarm(m_working),
      m_sound(m_working),
      m_language(m_working),
      m_network(m_working),
      m_hotKeys(m_working, calls)
{
}

CPreferenceDlg::~CPreferenceDlg() = default;

void CPreferenceDlg::AddPages(const CPreferences& prefs)
{
    AddPage(m_main);
    AddPage(m_notes);
    AddPage(m_notesOther);
    AddPage(m_alarm);
    AddPage(m_sound);
    if (IsLanguagePageShown(prefs.InstalledLanguages))
        AddPage(m_language);
    AddPage(m_network);
    AddPage(m_hotKeys);
}

bool CPreferenceDlg::Run(HWND owner, const CPreferences& prefs)
{
    m_working = prefs;
    AddPages(prefs);
    if (PageCount() == 0) {
        QLOG(L"The preferences sheet has no page templates and is not shown");
        return false;
    }
    m_owner = owner;
    bool ok = false;
    {
        // A note hidden while it owns the sheet would take the sheet with
        // it in the middle of the sheet's own loop.
        CPreferenceDlg* const outer = t_watchingSheet;
        t_watchingSheet = this;
        const CHookHandle hook(owner ? SetWindowsHookExW(WH_CBT, &WatchOwner, nullptr, GetCurrentThreadId())
                                     : nullptr);
        ok = DoModal(owner);
        t_watchingSheet = outer;
    }
    StopSound();
    if (ok)
        m_edited = m_working;
    return ok;
}

LRESULT CALLBACK CPreferenceDlg::WatchOwner(int code, WPARAM wParam, LPARAM lParam)
{
    CPreferenceDlg* const sheet = t_watchingSheet;
    if (code == HCBT_DESTROYWND && sheet && sheet->m_owner && reinterpret_cast<HWND>(wParam) == sheet->m_owner)
        sheet->OnOwnerDestroying();
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CPreferenceDlg::OnOwnerDestroying()
{
    const HWND sheet = GetHwnd();
    m_owner = nullptr;
    if (!sheet || !IsWindow(sheet))
        return;
    QLOG(L"The preferences sheet's owner is closing: the sheet is cancelled");
    // Unowned, the sheet outlives its owner until its loop has ended.
    SetWindowLongPtrW(sheet, GWLP_HWNDPARENT, 0);
    SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

bool CPreferenceDlg::ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (msg) {
    case WM_SHOWWINDOW: OnShowWindow(wParam != FALSE); return false;
    case WM_DESTROY: OnDestroy(); return false;
    case MM_MCINOTIFY:
        OnSoundNotify(wParam, lParam);
        result = 0;
        return true;
    }
    return false;
}

void CPreferenceDlg::OnShowWindow(bool shown)
{
    if (!shown || m_placed)
        return;
    m_placed = true;
    const HWND window = GetHwnd();
    CenterWindowOnScreen(window, false);
    RestoreDialogPlacement(window, kPlacementName);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    KeepWindowOnScreen(window);
    SetDialogIcons(window);
}

void CPreferenceDlg::OnDestroy()
{
    SaveDialogPlacement(GetHwnd(), kPlacementName);
}
