// The note editor sends no notifications while its content or format
// changes: the change is the program's, not the user's.
#pragma once

#include <windows.h>
#include <richedit.h>

class CQuietEditor {
public:
    explicit CQuietEditor(HWND editor)
        : m_editor(editor), m_saved(static_cast<DWORD>(SendMessageW(editor, EM_SETEVENTMASK, 0, 0)))
    {
    }
    ~CQuietEditor() { SendMessageW(m_editor, EM_SETEVENTMASK, 0, m_saved); }
    CQuietEditor(const CQuietEditor&) = delete;
    CQuietEditor& operator=(const CQuietEditor&) = delete;

private:
    const HWND m_editor;
    const DWORD m_saved;
};
