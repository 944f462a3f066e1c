// The small note dialogs on real notes: the unlock password compared
// ordinally, a wrong one asked again, the title and lock boxes' limits,
// pre-fills and what OK stores, and boxes whose note is gone.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "BoxScript.h"
#include "NoteDialogTestSupport.h"
#include "dialogs/NoteDialogs.h"
#include "foundation/ResModule.h"
#include "notestore/Note.h"
#include "resources/resource.h"

namespace {

const wchar_t kUnlockCaption[] = L"Quillet - Unlock note";
const wchar_t kTitleCaption[] = L"Quillet - Note Title";
const wchar_t kLockCaption[] = L"Quillet - Lock note";

LRESULT EditLimit(HWND box, int id)
{
    return SendDlgItemMessageW(box, id, EM_GETLIMITTEXT, 0, 0);
}

// Reads what the edit shows as the box opens, and its limit.
BoxStep ReadEdit(int id, std::wstring& text, LRESULT& limit)
{
    return [id, &text, &limit](HWND box) {
        text = ItemText(box, id);
        limit = EditLimit(box, id);
    };
}

using NoteDialogsTest = CNoteDialogTest;

TEST_F(NoteDialogsTest, UnlockComparesThePasswordOrdinally)
{
    const std::wstring longPassword(40, L'k');
    struct Case { const char* what; std::wstring stored, typed; bool unlocks; };
    const Case cases[] = {
        { "equal", L"pw", L"pw", true },
        { "case differs", L"Pw", L"pw", false },
        { "soft hyphen", L"a\u00ADbc", L"abc", false },          // a locale compare ignores it
        { "trailing zero-width space", L"abc\u200B", L"abc", false },
        { "both empty", L"", L"", true },
        { "stored longer than the box", longPassword, longPassword, true },
    };
    for (const Case& c : cases) {
        m_note->Row().password = c.stored.c_str();
        ScopedUiScript script;
        LRESULT limit = 0;
        PlayOnBox(script, IDD_UNLOCK_NOTE, kUnlockCaption, {
            [&](HWND box) { limit = EditLimit(box, IDC_NOTE_PASSWORD); },
            TypeInto(IDC_NOTE_PASSWORD, c.typed.c_str()),
            Press(IDOK),
        });
        if (!c.unlocks)
            script.AnswerMessageBox(IDOK);
        EXPECT_EQ(ShowUnlockNoteDlg(m_window, nullptr), c.unlocks) << c.what;
        EXPECT_EQ(script.MessageBoxTexts().size(), c.unlocks ? 0u : 1u) << c.what;
        EXPECT_GE(limit, static_cast<LRESULT>(std::max<size_t>(32, c.stored.size()))) << c.what;
    }
}

TEST_F(NoteDialogsTest, AWrongPasswordIsToldAndTheBoxAsksAgain)
{
    m_note->Row().password = L"secret";
    ScopedUiScript script;
    PlayOnBox(script, IDD_UNLOCK_NOTE, kUnlockCaption, {
        TypeInto(IDC_NOTE_PASSWORD, L"Secret"), Press(IDOK),
        TypeInto(IDC_NOTE_PASSWORD, L"secret"), Press(IDOK),
    });
    script.AnswerMessageBox(IDOK);
    EXPECT_TRUE(ShowUnlockNoteDlg(m_window, nullptr));
    ASSERT_EQ(script.MessageBoxTexts().size(), 1u);
    EXPECT_EQ(script.MessageBoxTexts()[0], std::wstring(LoadResString(IDS_WRONG_PASSWORD)));

    PlayOnBox(script, IDD_UNLOCK_NOTE, kUnlockCaption, { Press(IDCANCEL) });
    EXPECT_FALSE(ShowUnlockNoteDlg(m_window, nullptr));
}

TEST_F(NoteDialogsTest, TheUnlockPromptReplacesTheTemplateTextOnlyWhenGiven)
{
    const std::wstring templateText =
        L"The operation you are attempting to perform requires you to unlock the note first.";
    const std::wstring view = LoadResString(IDS_UNLOCK_TO_VIEW);
    struct Case { const wchar_t* prompt; std::wstring shown; };
    const Case cases[] = {
        { nullptr, templateText },
        { L"", templateText },
        { view.c_str(), view },
    };
    for (const Case& c : cases) {
        ScopedUiScript script;
        std::wstring shown;
        PlayOnBox(script, IDD_UNLOCK_NOTE, kUnlockCaption, {
            [&](HWND box) { shown = ItemText(box, IDC_UNLOCK_PROMPT); },
        });
        EXPECT_FALSE(ShowUnlockNoteDlg(m_window, c.prompt));
        EXPECT_EQ(shown, c.shown);
    }
}

TEST_F(NoteDialogsTest, TheTitleBoxStoresWhatIsTypedAndACaseOnlyRename)
{
    const wchar_t* const scripts = L"Za\u017C\u00F3\u0142\u0107 \u011F Vi\u1EC7t \u03A9\u03BC\u03AD\u03B3\u03B1 "
                                   L"\u0416\u0443\u043A \u6F22\u5B57 \U0001F600";
    const wchar_t* const titles[] = { L"work", L"Work", scripts };
    for (const wchar_t* title : titles) {
        ScopedUiScript script;
        std::wstring prefill;
        LRESULT limit = 0;
        PlayOnBox(script, IDD_NOTE_TITLE, kTitleCaption, {
            ReadEdit(IDC_NOTE_TITLE, prefill, limit),
            TypeInto(IDC_NOTE_TITLE, title), Press(IDOK),
        });
        const std::wstring before = m_note->GetName().c_str();
        EXPECT_TRUE(ShowSetTitleDlg(m_window));
        EXPECT_EQ(prefill, before);
        EXPECT_EQ(limit, 64);
        EXPECT_EQ(StoredName(), title) << "a case-only rename is a rename too";
    }

    ScopedUiScript script;
    PlayOnBox(script, IDD_NOTE_TITLE, kTitleCaption, { TypeInto(IDC_NOTE_TITLE, L"dropped"), Press(IDCANCEL) });
    EXPECT_FALSE(ShowSetTitleDlg(m_window));
    EXPECT_EQ(StoredName(), scripts);
}

TEST_F(NoteDialogsTest, TheLockBoxOffersTheCurrentPasswordAndSetsTheTypedOne)
{
    m_note->Row().password = L"old";
    ScopedUiScript script;
    std::wstring prefill;
    LRESULT limit = 0;
    PlayOnBox(script, IDD_LOCK_NOTE, kLockCaption, {
        ReadEdit(IDC_NOTE_PASSWORD, prefill, limit),
        TypeInto(IDC_NOTE_PASSWORD, L""), Press(IDOK),
    });
    EXPECT_TRUE(ShowLockNoteDlg(m_window));
    EXPECT_EQ(prefill, L"old");
    EXPECT_EQ(limit, 32);
    EXPECT_EQ(m_note->Row().password, L"") << "an empty password is passed on as empty";
    EXPECT_TRUE(m_note->IsModified());

    PlayOnBox(script, IDD_LOCK_NOTE, kLockCaption, { TypeInto(IDC_NOTE_PASSWORD, L"kept out"), Press(IDCANCEL) });
    EXPECT_FALSE(ShowLockNoteDlg(m_window));
    EXPECT_EQ(m_note->Row().password, L"");
}

TEST_F(NoteDialogsTest, ANoteClosedWhileItsBoxIsOpenIsLeftAlone)
{
    // Its window owns the box, so the box goes with it.
    ScopedUiScript script;
    PlayOnBox(script, IDD_UNLOCK_NOTE, kUnlockCaption, { [&](HWND) { m_manager.CloseAll(); } });
    EXPECT_FALSE(ShowUnlockNoteDlg(m_window, nullptr));
    EXPECT_TRUE(script.MessageBoxTexts().empty());

    // A window that is no note's: the title box edits nothing.
    PlayOnBox(script, IDD_NOTE_TITLE, kTitleCaption, { TypeInto(IDC_NOTE_TITLE, L"x"), Press(IDOK) });
    EXPECT_TRUE(ShowSetTitleDlg(nullptr));
}

}  // namespace
