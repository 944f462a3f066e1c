// The framework dialog: a dialog box from a template of the language module,
// modal or modeless, whose messages go through a message map; and the data
// exchange between its controls and the values a dialog keeps.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "Window.h"

class CDataExchange;

class CFrameworkDialog : public CMessageMap {
public:
    explicit CFrameworkDialog(UINT templateId) : m_templateId(templateId) {}
    // A modeless box still open is destroyed with the object.
    ~CFrameworkDialog() override;

    UINT TemplateId() const { return m_templateId; }

    // The dialog's result; -1 (logged) when the template is missing.
    INT_PTR DoModal(HWND owner);
    // Modeless; false (logged) when the template is missing.
    bool Create(HWND owner);
    bool EndDialog(INT_PTR result);

    // Moves the values between the controls and the members (DoDataExchange).
    // A failed save applies nothing, reports the control through
    // OnDataExchangeError and gives false.
    bool ExchangeData(bool save);

protected:
    // The exchange of a dialog's controls; the base exchanges nothing.
    virtual void DoDataExchange(CDataExchange& exchange);
    // A value that does not convert: string 877, then the control's text is
    // selected and focused.
    virtual void OnDataExchangeError(int controlId);

    // Links the box to its object at WM_INITDIALOG, then routes every
    // message through the object's map.
    static INT_PTR RouteDialogMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam,
                                      CFrameworkDialog* initializing);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    static INT_PTR RealModalRun(void* context);

    UINT m_templateId;
    HWND m_owner = nullptr;
};

// What a message's answer is to the dialog manager: some messages return it
// directly, the others through DWLP_MSGRESULT.
INT_PTR DialogProcResult(HWND window, UINT msg, LRESULT result);

// One pass of data exchange. Loading puts each value into its control; saving
// reads every control first and applies the values only when all converted,
// stopping at the first control that does not.
class CDataExchange {
public:
    CDataExchange(HWND dialog, bool save) : m_dialog(dialog), m_save(save) {}

    bool IsSaving() const { return m_save; }
    bool Failed() const { return m_failed; }
    int FailedId() const { return m_failedId; }

    // A check box: 0 clear, 1 checked, 2 indeterminate.
    void Check(int id, int& value);
    // A group of radio buttons from the first: the checked one's index, -1 none.
    void Radio(int firstId, int& index);
    // Signed 32-bit decimal, blanks around it allowed; optionally in a range.
    void Int(int id, int& value);
    void Int(int id, int& value, int minimum, int maximum);
    // Text, cut to maxChars when it is above 0 (the edit's limit on load).
    void Text(int id, std::wstring& value, int maxChars = 0);
    // Text into a fixed buffer: cut to bufferChars - 1 and terminated.
    void Text(int id, wchar_t* buffer, int bufferChars);
    void ComboIndex(int id, int& index);
    void ListIndex(int id, int& index);

    // Applies the values read by a save when every control converted.
    bool Commit();

private:
    bool Active() const { return !Failed(); }
    void Fail(int id)
    {
        m_failed = true;
        m_failedId = id;
    }
    void Defer(std::function<void()> apply) { m_pending.push_back(std::move(apply)); }
    HWND Item(int id) const { return GetDlgItem(m_dialog, id); }
    std::wstring ItemText(int id) const;

    HWND m_dialog;
    bool m_save;
    bool m_failed = false;
    int m_failedId = 0;
    std::vector<std::function<void()>> m_pending;
};
