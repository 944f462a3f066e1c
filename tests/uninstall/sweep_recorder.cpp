// Appends its arguments as one UTF-8 line to the file named by
// QUILLET_RECORD_FILE.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv)
{
    std::wstring line;
    for (int i = 1; i < argc; ++i)
        line += (i > 1 ? L" " : L"") + std::wstring(argv[i]);
    line += L"\n";

    wchar_t path[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"QUILLET_RECORD_FILE", path, MAX_PATH))
        return 1;
    std::string utf8(line.size() * 3, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                    utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr));
    const HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(file);
    return 0;
}
