// The floor of the start-up benchmark: what a bare Win32 program pays to put
// 100 note-like windows on the screen. One class, 100 layered pop-up frames,
// each with a rich edit holding a short RTF, all shown; then a message loop
// until a frame is closed.
#include <windows.h>
#include <richedit.h>

namespace {

constexpr int kFrames = 100;
const wchar_t kFloorClass[] = L"FloorWClass";

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterFloorClass(HINSTANCE instance)
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = FloorProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kFloorClass;
    return RegisterClassExW(&wc) != 0;
}

HWND MakeFrame(HINSTANCE instance, int index)
{
    const int x = 10 + (index % 10) * 95;
    const int y = 10 + (index / 10) * 70;
    const HWND frame = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, kFloorClass, L"note", WS_POPUP, x, y, 150,
                                       120, nullptr, nullptr, instance, nullptr);
    if (!frame)
        return nullptr;
    SetLayeredWindowAttributes(frame, 0, 255, LWA_ALPHA);
    const HWND editor = CreateWindowExW(0, MSFTEDIT_CLASS, L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 0, 14, 150,
                                        106, frame, nullptr, instance, nullptr);
    if (editor) {
        SETTEXTEX text = {ST_DEFAULT, CP_ACP};
        static const char rtf[] = "{\\rtf1\\ansi\\deff0 kalomi neruta vosipe dagu rino zefa hoju becy wo}";
        SendMessageW(editor, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&text), reinterpret_cast<LPARAM>(rtf));
    }
    return frame;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, wchar_t*, int)
{
    if (!LoadLibraryW(L"Msftedit.dll") || !RegisterFloorClass(instance))
        return 1;
    HWND frames[kFrames] = {};
    for (int i = 0; i < kFrames; ++i)
        frames[i] = MakeFrame(instance, i);
    for (const HWND frame : frames)
        if (frame)
            ShowWindow(frame, SW_SHOWNA);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
