// Playing sounds through MCI.
#include "SoundPlayer.h"

#include <mmsystem.h>

#include "StdStr.h"

namespace {

MCIERROR RealSendString(const wchar_t* command, HWND notifyWindow)
{
    return mciSendStringW(command, nullptr, 0, notifyWindow);
}

UINT RealDeviceId(const wchar_t* alias)
{
    return mciGetDeviceIDW(alias);
}

bool g_soundPlaying = false;
UINT g_soundDevice = 0;
HWND g_soundNotifyWindow = nullptr;

bool EndsWithWav(const CStdStr& file)
{
    return file.size() >= 4 && CompareNoCaseClassic(file.c_str() + file.size() - 4, L".WAV") == 0;
}

}  // namespace

SSoundSeam g_soundSeam = {&RealSendString, &RealDeviceId};

void SetSoundNotifyWindow(HWND window)
{
    g_soundNotifyWindow = window;
}

void StopSound()
{
    if (!g_soundPlaying)
        return;
    g_soundSeam.sendString(L"stop sound wait", nullptr);
    g_soundSeam.sendString(L"close sound", nullptr);
    g_soundPlaying = false;
    g_soundDevice = 0;
}

int PlaySoundFile(const wchar_t* file, HWND notifyWindow)
{
    // An event sound left unset must not cut off a playing alarm sound.
    if (!file || !*file)
        return 0;
    StopSound();
    const CStdStr name(file);
    CStdStr open;
    open.Format(L"open \"%s\" type %s alias sound", name.c_str(), EndsWithWav(name) ? L"waveaudio" : L"sequencer");
    if (g_soundSeam.sendString(open.c_str(), nullptr) != 0)
        return 0;
    if (g_soundSeam.sendString(L"play sound notify", notifyWindow ? notifyWindow : g_soundNotifyWindow) != 0) {
        g_soundSeam.sendString(L"close sound", nullptr);
        return 0;
    }
    g_soundPlaying = true;
    g_soundDevice = g_soundSeam.deviceId(L"sound");
    return 1;
}

void OnSoundNotify(WPARAM flags, LPARAM deviceId)
{
    // A late notice of a sound already replaced is not about this one.
    if (!g_soundPlaying || static_cast<UINT>(deviceId) != g_soundDevice)
        return;
    if (flags == MCI_NOTIFY_SUCCESSFUL || flags == MCI_NOTIFY_FAILURE)
        StopSound();
}

bool IsSoundPlaying()
{
    return g_soundPlaying;
}
