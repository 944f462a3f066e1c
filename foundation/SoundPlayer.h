// Playing one sound file at a time through MCI (a wave file or a MIDI
// sequence) under the alias "sound", and stopping it when it ends. Windows of
// every layer play their event sounds here; the shell names the window that
// receives the end notices. User-interface thread only.
#pragma once

#include <windows.h>

// The seam in front of MCI: the command strings and the device id of an alias.
struct SSoundSeam {
    MCIERROR (*sendString)(const wchar_t* command, HWND notifyWindow);
    UINT (*deviceId)(const wchar_t* alias);
};
extern SSoundSeam g_soundSeam;

// The window that gets MM_MCINOTIFY when no other is given (the shell's
// parent window).
void SetSoundNotifyWindow(HWND window);

void StopSound();
// 1 when the file plays; its end (or failure) notifies notifyWindow, the
// window set by SetSoundNotifyWindow when none is given. No file name: 0,
// and a sound already playing goes on.
int PlaySoundFile(const wchar_t* file, HWND notifyWindow = nullptr);
// MM_MCINOTIFY: a notice of the playing device ends the sound.
void OnSoundNotify(WPARAM flags, LPARAM deviceId);
bool IsSoundPlaying();
