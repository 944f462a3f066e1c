#include "NoteDialogs.h"

#include "framework/UiSeams.h"
#include "resources/resource.h"

namespace {

// The unlock dialog comes with the small note dialogs; until then the answer
// is no.
INT_PTR RefuseUnlock(void* /*context*/)
{
    return IDCANCEL;
}

} // namespace

bool ShowUnlockNoteDlg(HWND noteWindow, const wchar_t* /*prompt*/)
{
    const SModalRun run = {IDD_UNLOCK_NOTE, noteWindow, &RefuseUnlock, nullptr};
    return RunModal(run) == IDOK;
}
