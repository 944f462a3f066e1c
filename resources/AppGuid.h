// The installer's application GUID. It names the uninstall key that Sweep32
// reads and the main program's single-instance mutex and lock file.
#pragma once

inline constexpr wchar_t kInstallerAppGuid[] = L"{A2076D96-31BD-400C-8249-D391B7A5FB27}";
