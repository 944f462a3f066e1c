// Helpers shared by the program's dialogs: the file choosers' filters and the
// export chooser with its failure box.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>

#include "foundation/StdStr.h"

// The formats a note export writes.
enum EExportFormat : int { kExportText = 0, kExportXml = 1 };

// A "!"-separated filter text as the choosers read it: every "!" a NUL. The
// buffer always ends in two NULs; a text too long for it is cut.
void ConvertFilter(const wchar_t* text, wchar_t* buffer, std::size_t bufferChars);

// The format of a chosen export file: filter 0 and 1 text, 2 XML, any other
// (all files) XML for a ".xml" name in any case, else text.
EExportFormat ExportFormatFor(DWORD filterIndex, const wchar_t* path);

// The save-file chooser of an export, asking before it overwrites; the
// format, or none when cancelled.
std::optional<EExportFormat> ChooseExportFile(HWND owner, CStdStr& path);

// Gives the dialog the program's large and small icons.
void SetDialogIcons(HWND dialog);

// "Failed to export to %s" with the path.
void ShowExportFailed(HWND owner, const wchar_t* path);

// The system's media folder ("MediaPath" of the current version key) ending
// in "\", the sound chooser's start; empty when it is missing, too long or
// not text.
std::wstring GetSystemMediaFolder();
