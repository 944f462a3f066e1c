// The send dialog of a note and the alias and ignore-list editors it opens,
// with their entry dialogs. Each runs modally on the stack of its opener.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/ImageListHandle.h"
#include "toolkit/QLDialog.h"

// Sends the note of that window to a user on the LAN; true when it was sent
// off.
bool ShowNetSendDlg(HWND noteWindow);

// The recipient (alias, host name or address) and the history of sends.
class CNetSendDlg : public CQLDialog {
public:
    explicit CNetSendDlg(HWND noteWindow);

protected:
    int OnInitDialog() override;
    int OnCommand(int id, HWND control, int code) override;
    void OnOK() override;
    bool OnNotify(int id, NMHDR* header, LRESULT* result) override;

private:
    void FillRecipients();
    void FillHistory();
    void DeleteSelectedSends();

    // Looked up afresh when sending: the note may have gone meanwhile.
    std::int64_t m_noteId = 0;
    bool m_hasNote = false;
    HWND m_history = nullptr;
    CImageListHandle m_images;
};

// What the alias and ignore-list editors share: a list whose rows are added,
// edited (also by a double-click) and deleted (also by the Delete key).
class CListEditorDlg : public CQLDialog {
public:
    CListEditorDlg(int templateId, HWND parent) : CQLDialog(templateId, parent) {}

protected:
    int OnCommand(int id, HWND control, int code) override;
    bool OnNotify(int id, NMHDR* header, LRESULT* result) override;

    virtual void AddEntry() = 0;
    virtual void EditRow(int row) = 0;
    virtual void DeleteSelectedRows() = 0;

    HWND m_list = nullptr;
};

class CEditAliasDlg : public CListEditorDlg {
public:
    explicit CEditAliasDlg(HWND parent);

protected:
    int OnInitDialog() override;
    int OnCommand(int id, HWND control, int code) override;

private:
    void AddEntry() override;
    void EditRow(int row) override;
    void DeleteSelectedRows() override;
};

// One alias: name and host, in and out.
class CAddAliasDlg : public CQLDialog {
public:
    CAddAliasDlg(HWND parent, std::wstring name, std::wstring host);

    const std::wstring& Name() const { return m_name; }
    const std::wstring& Host() const { return m_host; }

protected:
    int OnInitDialog() override;
    void OnOK() override;

private:
    std::wstring m_name;
    std::wstring m_host;
};

class CEditIgnoreListDlg : public CListEditorDlg {
public:
    explicit CEditIgnoreListDlg(HWND parent);

protected:
    int OnInitDialog() override;

private:
    void AddEntry() override;
    void EditRow(int row) override;
    void DeleteSelectedRows() override;
};

// One ignore entry: an alias name, host name or address, in and out.
class CAddIgnoreDlg : public CQLDialog {
public:
    CAddIgnoreDlg(HWND parent, std::wstring text);

    const std::wstring& Text() const { return m_text; }

protected:
    int OnInitDialog() override;
    void OnOK() override;

private:
    std::wstring m_text;
};
