#include "CaptionTestFrame.h"

#include "foundation/Preferences.h"
#include "foundation/WinVersion.h"
#include "framework/AppModule.h"
#include "notewindows/VeduVure.h"
#include "resources/resource.h"

int CTestNoteFrame::s_propertiesLeft = -1;

namespace {

const wchar_t kNoteClass[] = L"NoteWClass";

void RegisterNoteClass(WNDPROC proc)
{
    static const ATOM atom = [proc] {
        WNDCLASSW windowClass = {};
        // As the shell registers it: no CS_DBLCLKS, the note in window data 0.
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = proc;
        windowClass.cbWndExtra = sizeof(void*);
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kNoteClass;
        return RegisterClassW(&windowClass);
    }();
    (void)atom;
}

bool IsRecorded(UINT msg)
{
    return msg == WM_ITSY_MINIMIZE || msg == WM_ITSY_MAXIMIZE || msg == WM_ITSY_MENU || msg == WM_SYSCOMMAND ||
           msg == WM_CLOSE;
}

} // namespace

CTestNoteFrame::CTestNoteFrame(const RECT& rect, bool asNote, DWORD style)
{
    RegisterNoteClass(&Proc);
    m_note.Row().color = 0x0200D8FF;    // a yellow note
    m_note.Row().colorBk = 0x02108040;  // a dark green for the grip
    m_note.Row().colorText = RGB(0, 0, 0);
    m_note.Alarm().flags = kNoteMadeByProgram | kNoteRollStateKnown;
    m_window = CreateWindowExW(WS_EX_TOPMOST, kNoteClass, L"", style, rect.left, rect.top, rect.right - rect.left,
                               rect.bottom - rect.top, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    // As the note does once its window is made: the frame is recomputed
    // with the note's strip.
    if (asNote) {
        SetWindowLongPtrW(m_window, 0, reinterpret_cast<LONG_PTR>(&m_note));
        ItsySetCaptionColor(m_window, m_note.GetColor());
    }
    ShowWindow(m_window, SW_SHOWNOACTIVATE);
}

CTestNoteFrame::~CTestNoteFrame()
{
    if (IsWindow(m_window))
        DestroyWindow(m_window);
}

void CTestNoteFrame::SetNoteFlags(std::uint32_t flags)
{
    m_note.Alarm().flags = flags;
    Recompute();
}

void CTestNoteFrame::SetStyle(DWORD style)
{
    SetWindowLongPtrW(m_window, GWL_STYLE, static_cast<LONG_PTR>(style));
    Recompute();
}

void CTestNoteFrame::Recompute() const
{
    SetWindowPos(m_window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

LRESULT CALLBACK CTestNoteFrame::Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* frame = reinterpret_cast<CTestNoteFrame*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (frame && IsRecorded(msg)) {
        frame->m_messages.push_back({msg, wParam, lParam});
        return 0;
    }
    const LRESULT result = VeduVureWndProc(window, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        s_propertiesLeft = 0;
        for (const wchar_t* property : {L"ibSize", L"ibColorL", L"ibColorH", L"ibFlag"})
            s_propertiesLeft += GetPropW(window, property) ? 1 : 0;
    }
    return result;
}

void PrepareCaptionGlobals()
{
    WindowsVersion().winXP = true;
    LOGFONTW font = {};
    font.lfHeight = -11;
    font.lfWeight = FW_BOLD;
    wcscpy_s(font.lfFaceName, L"Tahoma");
    g_prefs.TitleFont = font;
    g_prefs.LessButtons = false;
    if (!GetCaptionBitmap())
        g_appModule.SetCaptionBitmap(LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_CAPTION_BUTTONS)));
}

CPrintedWindow::CPrintedWindow(HWND window, LPARAM flags) : m_dc(nullptr)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    m_width = rect.right - rect.left;
    m_height = rect.bottom - rect.top;
    void* bits = nullptr;
    m_bitmap.Reset(CreateDib32(m_width, m_height, &bits));
    m_dc.Select(m_bitmap.Get());
    SendMessageW(window, WM_PRINT, reinterpret_cast<WPARAM>(m_dc.Get()), flags);
}

COLORREF CPrintedWindow::At(int x, int y) const
{
    return GetPixel(m_dc.Get(), x, y);
}

int CPrintedWindow::Count(const RECT& rect, COLORREF color) const
{
    int count = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            count += At(x, y) == color ? 1 : 0;
    return count;
}
