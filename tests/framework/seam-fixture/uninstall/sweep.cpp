// Sweep32 shares no code: its direct calls are its own.
void Sweep() { ShellExecuteW(nullptr, L"open", L"x", nullptr, nullptr, SW_SHOW); }
