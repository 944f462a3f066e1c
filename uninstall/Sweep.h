// Sweep32's one job: start the installer's uninstaller silently, with the
// command the installer registered under its uninstall key.
#pragma once

#include <string>

// The registered uninstall command, or empty when the key or value is
// missing or malformed.
std::wstring ReadUninstallString();

// Starts the registered command with the silent switches; true when the
// shell accepted it.
bool StartSilentUninstall();
