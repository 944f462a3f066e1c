// Helpers shared by the shell tests: a scripted message box that records
// which string-table texts were shown, and a unique name per test.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "foundation/MessageBoxSeam.h"
#include "foundation/Seams.h"
#include "shell/shellsvc.h"

// Records every box and answers with a fixed result while it lives.
class CScriptedMessageBox {
public:
    explicit CScriptedMessageBox(int answer = IDOK);
    ~CScriptedMessageBox();
    CScriptedMessageBox(const CScriptedMessageBox&) = delete;
    CScriptedMessageBox& operator=(const CScriptedMessageBox&) = delete;

    // The string-table ids of the texts shown, in order (0 for a text the
    // program's table lacks).
    std::vector<UINT> ShownIds() const;
    const std::vector<std::wstring>& ShownTexts() const;
    void SetAnswer(int answer);

private:
    CSeamOverride<SMessageBoxSeam> m_override;
};

// Every sound command succeeds, and is recorded, while it lives.
class CRecordedSound {
public:
    CRecordedSound();
    CRecordedSound(const CRecordedSound&) = delete;
    CRecordedSound& operator=(const CRecordedSound&) = delete;

    // The commands since the object was made, in order.
    static std::vector<std::wstring>& Commands();

private:
    CSeamOverride<SSoundSeam> m_override;
};

// Dispatches every message posted to this thread's windows.
void PumpPosted();

// A GUID text, fresh on every call: names that no other test uses.
std::wstring UniqueName();

// Saves a shortcut to this test program with the arguments; COM must be
// initialised. False when any step fails.
bool MakeShortcut(const std::wstring& linkPath, const wchar_t* arguments);
