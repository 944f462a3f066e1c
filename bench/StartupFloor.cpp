// The floor of the start-up benchmark: what a bare Win32 program pays to put
// 100 note-like windows on the screen. One class, 100 layered pop-up frames,
// each with a rich edit holding a short RTF, all shown; then a message loop
// until a frame is closed. Given a file of RTF texts, one a line, each frame
// streams its line in instead, as a note streams its own text.
#include <windows.h>
#include <richedit.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

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

struct SStreamSource {
    const std::string* text;
    size_t offset;
};

DWORD CALLBACK ReadSource(DWORD_PTR cookie, BYTE* buffer, LONG wanted, LONG* given)
{
    auto* source = reinterpret_cast<SStreamSource*>(cookie);
    const size_t left = source->text->size() - source->offset;
    const size_t count = left < static_cast<size_t>(wanted) ? left : static_cast<size_t>(wanted);
    std::copy_n(source->text->data() + source->offset, count, buffer);
    source->offset += count;
    *given = static_cast<LONG>(count);
    return 0;
}

void StreamRtf(HWND editor, const std::string& rtf)
{
    SStreamSource source = {&rtf, 0};
    EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(&source), 0, &ReadSource};
    SendMessageW(editor, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
}

std::vector<std::string> ReadLines(const wchar_t* path)
{
    std::vector<std::string> lines;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    return lines;
}

HWND MakeFrame(HINSTANCE instance, int index, const std::string* rtfLine)
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
    if (editor && rtfLine) {
        StreamRtf(editor, *rtfLine);
    } else if (editor) {
        SETTEXTEX text = {ST_DEFAULT, CP_ACP};
        static const char rtf[] = "{\\rtf1\\ansi\\deff0 kalomi neruta vosipe dagu rino zefa hoju becy wo}";
        SendMessageW(editor, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&text), reinterpret_cast<LPARAM>(rtf));
    }
    return frame;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, wchar_t* commandLine, int)
{
    if (!LoadLibraryW(L"Msftedit.dll") || !RegisterFloorClass(instance))
        return 1;
    const std::vector<std::string> rtf = commandLine && *commandLine ? ReadLines(commandLine) : std::vector<std::string>();
    HWND frames[kFrames] = {};
    for (int i = 0; i < kFrames; ++i)
        frames[i] = MakeFrame(instance, i, rtf.empty() ? nullptr : &rtf[static_cast<size_t>(i) % rtf.size()]);
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
