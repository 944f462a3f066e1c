// Helpers shared by the program's dialogs: the program icon, rich text
// streamed into a control and text escaped for RTF, the font chooser, the
// file choosers with their filters, and the export chooser with its failure
// box.
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

// Gives the dialog the program's small and large icons.
void SetDialogIcons(HWND dialog);

// EM_STREAMIN of the text into the rich edit, replacing the whole content or
// the selection; the message's result. RTF goes in 7-bit (every character
// above U+007F as \uN?), since the control garbles raw bytes.
LRESULT StreamTextToRichEdit(HWND richEdit, const CStdStr& text, bool rtf, bool intoSelection);
// The text as it may stand inside an RTF document: "\", "{" and "}"
// escaped, every UTF-16 unit above 127 as "\uN?".
CStdStr EscapeRtfText(const wchar_t* text);

// A raw RTF text of the resource type 699 ("SHOWALARM", "ABOUT"), widened
// from the ANSI code page: cut to 32 KiB less one byte; empty when missing.
CStdStr LoadRtfResource(const wchar_t* name);

// ChooseFontW for screen fonts with effects, from and into the font; the
// colour is written back also on cancel. ChooseFontW's result.
BOOL ChooseFontDlg(HWND owner, LOGFONTW& font, COLORREF& color);
// The open-file chooser for a sound (file of MAX_PATH characters, in and
// out) starting in folder, and for a program (kProgramFileChars).
constexpr std::size_t kProgramFileChars = 511;
BOOL ChooseSoundFile(HWND owner, wchar_t* file, const wchar_t* folder);
BOOL ChooseProgramFile(HWND owner, wchar_t* file);

// "Failed to export to %s" with the path.
void ShowExportFailed(HWND owner, const wchar_t* path);

// The system's media folder ("MediaPath" of the current version key) ending
// in "\", the sound chooser's start; empty when it is missing, too long or
// not text.
std::wstring GetSystemMediaFolder();
