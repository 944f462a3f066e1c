// Sounds through the MCI seam: the device type by file name, failures that
// leave nothing playing, the window that hears the end, and the end notices.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <string>
#include <vector>

#include "foundation/Seams.h"
#include "foundation/SoundPlayer.h"

namespace {

struct SMciScript {
    std::vector<std::wstring> commands;
    std::vector<HWND> notifyWindows;
    MCIERROR openResult = 0;
    MCIERROR playResult = 0;
    UINT nextDevice = 1;
};
SMciScript g_mci;

MCIERROR ScriptedSendString(const wchar_t* command, HWND notifyWindow)
{
    g_mci.commands.emplace_back(command);
    g_mci.notifyWindows.push_back(notifyWindow);
    if (wcsncmp(command, L"open", 4) == 0)
        return g_mci.openResult;
    if (wcsncmp(command, L"play", 4) == 0)
        return g_mci.playResult;
    return 0;
}

UINT ScriptedDeviceId(const wchar_t*)
{
    return g_mci.nextDevice++;
}

class SoundTest : public testing::Test {
protected:
    void SetUp() override { g_mci = SMciScript(); }
    void TearDown() override { StopSound(); }

    std::vector<std::wstring> Commands() const { return g_mci.commands; }

    CSeamOverride<SSoundSeam> m_seam{g_soundSeam, {&ScriptedSendString, &ScriptedDeviceId}};
    const HWND m_notify = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
};

TEST_F(SoundTest, TheDeviceTypeFollowsTheFileName)
{
    struct Case {
        const wchar_t* file;
        const wchar_t* open;
    };
    const Case cases[] = {
        {L"C:\\ding.WAV", L"open \"C:\\ding.WAV\" type waveaudio alias sound"},
        {L"C:\\ding.wav", L"open \"C:\\ding.wav\" type waveaudio alias sound"},  // either case
        {L"C:\\tune.mid", L"open \"C:\\tune.mid\" type sequencer alias sound"},
        {L"wav", L"open \"wav\" type sequencer alias sound"},
    };
    for (const Case& c : cases) {
        g_mci = SMciScript();
        EXPECT_EQ(PlaySoundFile(c.file, m_notify), 1) << c.file;
        EXPECT_EQ(Commands(), (std::vector<std::wstring>{c.open, L"play sound notify"})) << c.file;
        EXPECT_EQ(g_mci.notifyWindows[1], m_notify);
        StopSound();
    }
}

TEST_F(SoundTest, FailuresToOpenOrPlayLeaveNothingPlaying)
{
    g_mci.openResult = MCIERR_FILE_NOT_FOUND;
    EXPECT_EQ(PlaySoundFile(L"C:\\missing.wav", m_notify), 0);
    EXPECT_EQ(Commands().size(), 1u) << "no play after a failed open";
    EXPECT_FALSE(IsSoundPlaying());

    g_mci = SMciScript();
    g_mci.playResult = MCIERR_HARDWARE;
    EXPECT_EQ(PlaySoundFile(L"C:\\ding.wav", m_notify), 0);
    EXPECT_EQ(Commands().back(), L"close sound");
    EXPECT_FALSE(IsSoundPlaying());
}

TEST_F(SoundTest, WithoutAWindowGivenTheSetNotifyWindowHearsTheEnd)
{
    const HWND set = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x5678));
    SetSoundNotifyWindow(set);
    ASSERT_EQ(PlaySoundFile(L"C:\\ding.wav"), 1);
    EXPECT_EQ(g_mci.notifyWindows[1], set);
    SetSoundNotifyWindow(nullptr);
}

TEST_F(SoundTest, TheEndOrFailureOfThePlayingDeviceStopsIt)
{
    ASSERT_EQ(PlaySoundFile(L"C:\\ding.wav", m_notify), 1);
    const LPARAM first = 1;
    ASSERT_EQ(PlaySoundFile(L"C:\\dong.wav", m_notify), 1);  // stops the first
    EXPECT_EQ(Commands()[2], L"stop sound wait");
    EXPECT_EQ(Commands()[3], L"close sound");

    g_mci.commands.clear();
    OnSoundNotify(MCI_NOTIFY_SUCCESSFUL, first);  // about the sound replaced
    EXPECT_TRUE(IsSoundPlaying());
    EXPECT_TRUE(Commands().empty());

    OnSoundNotify(MCI_NOTIFY_FAILURE, 2);  // no sound card: the play failed at once
    EXPECT_FALSE(IsSoundPlaying());
    EXPECT_EQ(Commands(), (std::vector<std::wstring>{L"stop sound wait", L"close sound"}));
}

}  // namespace

// Event sounds are empty by default: closing an empty note while an alarm
// plays must not stop the alarm's sound.
TEST_F(SoundTest, AnUnsetSoundPlaysNothingAndLeavesAPlayingSoundAlone)
{
    ASSERT_EQ(PlaySoundFile(L"C:\\alarm.wav", m_notify), 1);
    g_mci.commands.clear();
    for (const wchar_t* unset : {L"", static_cast<const wchar_t*>(nullptr)}) {
        EXPECT_EQ(PlaySoundFile(unset, m_notify), 0);
        EXPECT_TRUE(Commands().empty());
        EXPECT_TRUE(IsSoundPlaying());
    }
}
