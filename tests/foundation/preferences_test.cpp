// The settings record against hand-written INI files: every key, the load
// rules, text that must survive, failing writes and the font text.
#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "foundation/CustomColors.h"
#include "foundation/Preferences.h"
#include "foundation/Seams.h"
#include "foundation/WinVersion.h"
#include "tests/foundation/FileBytes.h"
#include "tests/support/TestDir.h"

namespace {

using IniEntry = std::tuple<std::wstring, std::wstring, std::wstring>;
using IniSet = std::set<IniEntry>;

// UTF-16LE with its byte-order mark, as the program writes new files.
void WriteUnicodeIni(const std::wstring& path, const std::wstring& text)
{
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    WriteBytes(path, bytes);
}

std::vector<std::wstring> SplitZeroList(const std::vector<wchar_t>& buffer)
{
    std::vector<std::wstring> items;
    for (const wchar_t* p = buffer.data(); *p; p += wcslen(p) + 1)
        items.emplace_back(p);
    return items;
}

// Every (section, key, value) of the file.
IniSet ReadIniSet(const std::wstring& path)
{
    IniSet entries;
    std::vector<wchar_t> names(8192);
    GetPrivateProfileSectionNamesW(names.data(), static_cast<DWORD>(names.size()), path.c_str());
    for (const std::wstring& section : SplitZeroList(names)) {
        std::vector<wchar_t> lines(65536);
        GetPrivateProfileSectionW(section.c_str(), lines.data(), static_cast<DWORD>(lines.size()), path.c_str());
        for (const std::wstring& line : SplitZeroList(lines)) {
            const size_t equals = line.find(L'=');
            entries.emplace(section, line.substr(0, equals), equals == std::wstring::npos ? L"" : line.substr(equals + 1));
        }
    }
    return entries;
}

std::wstring IniValue(const std::wstring& path, const wchar_t* section, const wchar_t* key)
{
    wchar_t value[2048] = {};
    GetPrivateProfileStringW(section, key, L"<missing>", value, 2048, path.c_str());
    return value;
}

// Wine's answers: XP, Vista and 7 on, 8 and 8.1 off.
class PreferencesTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_savedVersion = WindowsVersion();
        WindowsVersion() = { true, true, true, false, false };
    }
    void TearDown() override { WindowsVersion() = m_savedVersion; }

    std::wstring IniPath() const { return m_dir.File(L"RERUZADU.INI"); }

    CTestDir m_dir;

private:
    WindowsVersionFlags m_savedVersion;
};

// Every key of the three sections at a value that is not its default.
const wchar_t kEveryKey[] =
    L"[Preferences]\r\n"
    L"DefaultSnoozeTime=25\r\n"
    L"InternationalMapping=0\r\n"
    L"AlwaysOnTop=0\r\n"
    L"AutoSave=0\r\n"
    L"ExpiredAlarms=0\r\n"
    L"HideAllOnStartup=1\r\n"
    L"HideToolbar=0\r\n"
    L"DefaultRed=10\r\n"
    L"DefaultGreen=20\r\n"
    L"DefaultBlue=30\r\n"
    L"DefaultTextRed=40\r\n"
    L"DefaultTextGreen=50\r\n"
    L"DefaultTextBlue=60\r\n"
    L"FontHeight=-16\r\n"
    L"FontWeight=700\r\n"
    L"FontCharset=204\r\n"
    L"FontName=Tahoma\r\n"
    L"Position=3\r\n"
    L"Taskbar Action=2\r\n"
    L"PositionX=120\r\n"
    L"PositionY=340\r\n"
    L"AlarmSound=C:\\sounds\\alarm.wav\r\n"
    L"DefSize=2\r\n"
    L"DefPos=4\r\n"
    L"ConfirmNoteDelete=0\r\n"
    L"RandomColor=1\r\n"
    L"SmartFit=0\r\n"
    L"SmartSize=0\r\n"
    L"AltTab=1\r\n"
    L"EnableCustomColors=0\r\n"
    L"LessButtons=1\r\n"
    L"NetworkPort=4000\r\n"
    L"ReceiveNotify=0\r\n"
    L"DisableNetwork=1\r\n"
    L"CheckVersion=1\r\n"
    L"CheckVersionNumDays=14\r\n"
    L"CustomColor0=1000\r\nCustomColor1=1001\r\nCustomColor2=1002\r\nCustomColor3=1003\r\n"
    L"CustomColor4=1004\r\nCustomColor5=1005\r\nCustomColor6=1006\r\nCustomColor7=1007\r\n"
    L"CustomColor8=1008\r\nCustomColor9=1009\r\nCustomColor10=1010\r\nCustomColor11=1011\r\n"
    L"CustomColor12=1012\r\nCustomColor13=1013\r\nCustomColor14=1014\r\nCustomColor15=33554687\r\n"
    L"DefaultAlarmPopup=1\r\n"
    L"DefaultAlarmHide=0\r\n"
    L"DefaultAlarmPopupCnt=3\r\n"
    L"DefaultAlarmPopupType=2\r\n"
    L"DestroyEditWindow=1\r\n"
    L"StartupWithWindows=0\r\n"
    L"StartupArguments=/c showhide\r\n"
    L"TitleFont=-13,0,0,0,700,1,0,0,204,0,0,0,34,\"Segoe UI\"\r\n"
    L"AlphaTransparency=200\r\n"
    L"GUID=0123abcd-4567-89ef-0123-456789abcdef\r\n"
    L"DefaultGroup=Work\r\n"
    L"ShowTrayBubble=0\r\n"
    L"MigrateFromOldFile=0\r\n"
    L"DisplayAlarmNotification=0\r\n"
    L"NotesInSubMenuLimit=20\r\n"
    L"MenuSplitLimit=8\r\n"
    L"GroupsMigrated=2\r\n"
    L"SubMenuSorting=1\r\n"
    L"AutoFade=5\r\n"
    L"StoreMinimizedPostion=0\r\n"
    L"DontShrinkNoteSize=1\r\n"
    L"AnimationSpeed=1\r\n"
    L"PasteAsText=0\r\n"
    L"VisibleInTaskbar=0\r\n"
    L"DisableMagneticDocking=1\r\n"
    L"EnableURLDetection=0\r\n"
    L"[Event Sounds]\r\n"
    L"CreateNote=C:\\s\\create.wav\r\n"
    L"DeleteNote=C:\\s\\delete.wav\r\n"
    L"ShowHideNote=C:\\s\\showhide.wav\r\n"
    L"NoteReceived=C:\\s\\received.wav\r\n"
    L"[Languages]\r\n"
    L"InstalledLanguages=US English;Deutsch\r\n"
    L"AltResFile=lang_de.dll\r\n";

void ExpectEveryKeyRecord(const CPreferences& p)
{
    EXPECT_EQ(p.DefaultSnoozeTime, 25);
    EXPECT_FALSE(p.InternationalMapping);
    EXPECT_FALSE(p.AlwaysOnTop);
    EXPECT_FALSE(p.AutoSave);
    EXPECT_FALSE(p.ExpiredAlarms);
    EXPECT_TRUE(p.HideAllOnStartup);
    EXPECT_FALSE(p.HideToolbar);
    EXPECT_EQ(p.DefaultColor, RGB(10, 20, 30));
    EXPECT_EQ(p.DefaultTextColor, RGB(40, 50, 60));
    EXPECT_EQ(p.FontHeight, -16);
    EXPECT_EQ(p.FontWeight, 700);
    EXPECT_EQ(p.FontCharset, 204);
    EXPECT_STREQ(p.FontName, L"Tahoma");
    EXPECT_EQ(p.Position, 3);
    EXPECT_EQ(p.TaskbarAction, 2);
    EXPECT_EQ(p.PositionX, 120);
    EXPECT_EQ(p.PositionY, 340);
    EXPECT_STREQ(p.AlarmSound, L"C:\\sounds\\alarm.wav");
    EXPECT_EQ(p.DefSize, 2);
    EXPECT_EQ(p.DefPos, 4);
    EXPECT_FALSE(p.ConfirmNoteDelete);
    EXPECT_TRUE(p.RandomColor);
    EXPECT_FALSE(p.SmartFit);
    EXPECT_FALSE(p.SmartSize);
    EXPECT_TRUE(p.AltTab);
    EXPECT_FALSE(p.EnableCustomColors);
    EXPECT_TRUE(p.LessButtons);
    EXPECT_EQ(p.NetworkPort, 4000);
    EXPECT_FALSE(p.ReceiveNotify);
    EXPECT_TRUE(p.DisableNetwork);
    EXPECT_TRUE(p.CheckVersion);
    EXPECT_EQ(p.CheckVersionNumDays, 14);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(p.CustomColors[i], COLORREF(1000 + i)) << i;
    EXPECT_EQ(p.CustomColors[15], COLORREF(0x020000FF));
    EXPECT_TRUE(p.DefaultAlarmPopup);
    EXPECT_FALSE(p.DefaultAlarmHide);
    EXPECT_EQ(p.DefaultAlarmPopupCnt, 3);
    EXPECT_EQ(p.DefaultAlarmPopupType, 2);
    EXPECT_TRUE(p.DestroyEditWindow);
    EXPECT_TRUE(p.StoreDataInAppData);  // never read: Windows XP or later
    EXPECT_FALSE(p.StartupWithWindows);
    EXPECT_STREQ(p.StartupArguments, L"/c showhide");
    EXPECT_EQ(p.TitleFont.lfHeight, -13);
    EXPECT_EQ(p.TitleFont.lfWeight, 700);
    EXPECT_EQ(p.TitleFont.lfItalic, 1);
    EXPECT_EQ(p.TitleFont.lfCharSet, 204);
    EXPECT_EQ(p.TitleFont.lfPitchAndFamily, 34);
    EXPECT_STREQ(p.TitleFont.lfFaceName, L"Segoe UI");
    EXPECT_EQ(p.AlphaTransparency, 200);
    EXPECT_STREQ(p.GUID.c_str(), L"0123abcd-4567-89ef-0123-456789abcdef");
    EXPECT_STREQ(p.DefaultGroup.c_str(), L"Work");
    EXPECT_FALSE(p.ShowTrayBubble);
    EXPECT_FALSE(p.MigrateFromOldFile);
    EXPECT_FALSE(p.DisplayAlarmNotification);
    EXPECT_EQ(p.NotesInSubMenuLimit, 20);
    EXPECT_EQ(p.MenuSplitLimit, 8);
    EXPECT_EQ(p.GroupsMigrated, 2);
    EXPECT_EQ(p.SubMenuSorting, 1);
    EXPECT_EQ(p.AutoFade, 5);
    EXPECT_FALSE(p.StoreMinimizedPostion);
    EXPECT_TRUE(p.DontShrinkNoteSize);
    EXPECT_EQ(p.AnimationSpeed, 1);
    EXPECT_FALSE(p.PasteAsText);
    EXPECT_FALSE(p.VisibleInTaskbar);
    EXPECT_TRUE(p.DisableMagneticDocking);
    EXPECT_FALSE(p.EnableURLDetection);
    EXPECT_STREQ(p.CreateNote, L"C:\\s\\create.wav");
    EXPECT_STREQ(p.DeleteNote, L"C:\\s\\delete.wav");
    EXPECT_STREQ(p.ShowHideNote, L"C:\\s\\showhide.wav");
    EXPECT_STREQ(p.NoteReceived, L"C:\\s\\received.wav");
    EXPECT_STREQ(p.InstalledLanguages, L"US English;Deutsch");
    EXPECT_STREQ(p.AltResFile, L"lang_de.dll");
}

const struct {
    const wchar_t* name;
    COLORREF color;
} kSixColors[] = {
    { L"Green", 0xB7F4BD }, { L"Yellow", 0xB6FFFF }, { L"Blue", 0xFDF2C0 },
    { L"Pink", 0xFEC0FE },  { L"Purple", 0xFECCC5 }, { L"White", 0xFCFCFC },
};

void ExpectSixRandomColors(const CPreferences& p)
{
    ASSERT_EQ(p.RandomColors.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_STREQ(p.RandomColors[i].name.c_str(), kSixColors[i].name) << i;
        EXPECT_EQ(p.RandomColors[i].color, kSixColors[i].color) << i;
    }
}

TEST_F(PreferencesTest, EveryKeyLoadsIntoItsFieldAndSavesUnderItsName)
{
    WriteUnicodeIni(IniPath(), kEveryKey);
    CPreferences prefs;
    ASSERT_TRUE(prefs.LoadFrom(IniPath().c_str()));
    ExpectEveryKeyRecord(prefs);
    ExpectSixRandomColors(prefs);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(CustomColors()[i], COLORREF(1000 + i)) << i;

    CTestDir other;
    const std::wstring savedPath = other.File(L"RERUZADU.INI");
    ASSERT_TRUE(prefs.SetIniPath(savedPath.c_str()));
    ASSERT_TRUE(prefs.Save());

    IniSet expected = ReadIniSet(IniPath());
    for (const wchar_t* key : { L"LessButtons", L"DestroyEditWindow", L"GUID" })
        expected.erase({ L"Preferences", key, IniValue(IniPath(), L"Preferences", key) });
    expected.erase({ L"Languages", L"InstalledLanguages", L"US English;Deutsch" });
    expected.insert({ L"Preferences", L"StoreDataInAppData", L"1" });
    expected.insert({ L"Preferences", L"NumRandomColors", L"6" });
    for (int i = 0; i < 6; ++i) {
        expected.insert({ L"Preferences", L"RandomColor" + std::to_wstring(i), std::to_wstring(kSixColors[i].color) });
        expected.insert({ L"Preferences", L"RandomColorName" + std::to_wstring(i), kSixColors[i].name });
    }
    EXPECT_EQ(ReadIniSet(savedPath), expected);
}

TEST_F(PreferencesTest, SaveWritesThePickersCustomColours)
{
    CPreferences prefs;
    ASSERT_TRUE(prefs.LoadFrom(IniPath().c_str()));
    CustomColors()[3] = RGB(1, 2, 3);
    ASSERT_TRUE(prefs.Save());
    EXPECT_EQ(prefs.CustomColors[3], RGB(1, 2, 3));
    EXPECT_EQ(IniValue(IniPath(), L"Preferences", L"CustomColor3"), std::to_wstring(RGB(1, 2, 3)));
}

TEST_F(PreferencesTest, EmptyFolderGivesDefaultsAndANewGuidThatSaveKeeps)
{
    CPreferences prefs;
    ASSERT_TRUE(prefs.LoadFrom(IniPath().c_str()));
    EXPECT_EQ(ReadBytes(IniPath()), "<missing>") << "Load writes nothing";
    EXPECT_EQ(prefs.AnimationSpeed, 3);  // menu animation is off here
    EXPECT_TRUE(prefs.VisibleInTaskbar);
    EXPECT_EQ(prefs.DefaultColor, RGB(255, 255, 198));
    EXPECT_STREQ(prefs.FontName, L"Verdana");
    EXPECT_EQ(prefs.FontHeight, -12);
    EXPECT_EQ(prefs.PositionX, 0x7FFF);
    EXPECT_EQ(prefs.NetworkPort, 3023);
    EXPECT_EQ(prefs.MenuSplitLimit, 16);
    EXPECT_EQ(prefs.NotesInSubMenuLimit, 10);
    EXPECT_EQ(prefs.AlphaTransparency, 255);
    EXPECT_STREQ(prefs.InstalledLanguages, L"US English");
    EXPECT_EQ(prefs.CustomColors[0], COLORREF(0xFFFFFF));
    EXPECT_EQ(prefs.TitleFont.lfHeight, -10);  // the fallback font of an empty text
    ExpectSixRandomColors(prefs);

    ASSERT_EQ(prefs.GUID.size(), 36u);
    EXPECT_EQ(prefs.GUID.find_first_not_of(L"0123456789abcdef-"), std::wstring::npos);
    const CStdStr firstGuid = prefs.GUID;
    ASSERT_TRUE(prefs.Save());
    EXPECT_EQ(IniValue(IniPath(), L"Preferences", L"GUID"), firstGuid.c_str());
    EXPECT_EQ(ReadBytes(IniPath()).substr(0, 2), "\xFF\xFE");

    // Read back, the GUID is the file's and no Save writes it again.
    ASSERT_TRUE(prefs.LoadFrom(IniPath().c_str()));
    EXPECT_STREQ(prefs.GUID.c_str(), firstGuid.c_str());
    ExpectSixRandomColors(prefs);
    prefs.GUID = L"changed";
    ASSERT_TRUE(prefs.Save());
    EXPECT_EQ(IniValue(IniPath(), L"Preferences", L"GUID"), firstGuid.c_str());
}

TEST_F(PreferencesTest, LoadLeavesAFileWithoutAGuidByteForByte)
{
    using namespace std::string_literals;
    // Files the profile functions can only partly parse: a write by Load
    // would rewrite them from what was parsed.
    std::wstring everyKeyButGuid = kEveryKey;
    const size_t guid = everyKeyButGuid.find(L"GUID=");
    everyKeyButGuid.erase(guid, everyKeyButGuid.find(L'\n', guid) + 1 - guid);
    std::string utf16WithoutMark;
    for (const wchar_t c : everyKeyButGuid) {
        utf16WithoutMark += static_cast<char>(c & 0xFF);
        utf16WithoutMark += static_cast<char>(c >> 8);
    }
    const std::string files[] = {
        utf16WithoutMark,
        "[Preferences]\r\nAutoSave=0\r\n\x00\x01garbage\r\n[Event Sounds\r\nCreateNote=c.wav\r\n"s,
    };
    for (const std::string& bytes : files) {
        WriteBytes(IniPath(), bytes);
        CPreferences prefs;
        ASSERT_TRUE(prefs.LoadFrom(IniPath().c_str()));
        EXPECT_EQ(prefs.GUID.size(), 36u);
        EXPECT_EQ(ReadBytes(IniPath()), bytes);
    }
}

TEST_F(PreferencesTest, CopyIsDeep)
{
    CPreferences prefs;
    ASSERT_TRUE(prefs.LoadFrom(IniPath().c_str()));
    CPreferences copy = prefs;
    copy.RandomColors[0].name = L"Changed";
    copy.DefaultGroup = L"Other";
    wcscpy(copy.AlarmSound, L"x.wav");
    EXPECT_STREQ(prefs.RandomColors[0].name.c_str(), L"Green");
    EXPECT_STREQ(prefs.DefaultGroup.c_str(), L"");
    EXPECT_STREQ(prefs.AlarmSound, L"");
    EXPECT_STREQ(copy.IniPath(), prefs.IniPath());
}

TEST_F(PreferencesTest, LoadRules)
{
    struct Case {
        const wchar_t* line;                       // in [Preferences]
        std::function<int(const CPreferences&)> field;
        int expected;
    };
    const auto snooze = [](const CPreferences& p) { return p.DefaultSnoozeTime; };
    const auto sorting = [](const CPreferences& p) { return p.SubMenuSorting; };
    const Case cases[] = {
        { L"AutoSave=2", [](const CPreferences& p) { return int(p.AutoSave); }, 1 },
        { L"HideAllOnStartup=-7", [](const CPreferences& p) { return int(p.HideAllOnStartup); }, 1 },
        { L"DefaultRed=300", [](const CPreferences& p) { return int(GetRValue(p.DefaultColor)); }, 44 },
        { L"DefaultBlue=-1", [](const CPreferences& p) { return int(GetBValue(p.DefaultColor)); }, 255 },
        { L"FontCharset=300", [](const CPreferences& p) { return int(p.FontCharset); }, 44 },
        { L"FontHeight=70000", [](const CPreferences& p) { return int(p.FontHeight); }, 4464 },
        { L"AlphaTransparency=256", [](const CPreferences& p) { return int(p.AlphaTransparency); }, 0 },
        { L"SubMenuSorting=5", sorting, 1 },
        { L"SubMenuSorting=-1", sorting, 1 },  // compared unsigned
        { L"SubMenuSorting=0", sorting, 0 },
        { L"SubMenuSorting=1", sorting, 1 },
        { L"GroupsMigrated=2", [](const CPreferences& p) { return p.GroupsMigrated; }, 2 },
        // Only decimal text counts.
        { L"DefaultSnoozeTime=abc", snooze, 10 },
        { L"DefaultSnoozeTime=", snooze, 10 },
        { L"DefaultSnoozeTime=0x10", snooze, 10 },
        { L"DefaultSnoozeTime=12abc", snooze, 10 },
        { L"DefaultSnoozeTime=\t 12 ", snooze, 12 },
        { L"DefaultSnoozeTime=-5", snooze, -5 },
        { L"DefaultSnoozeTime=2147483647", snooze, INT_MAX },
        { L"DefaultSnoozeTime=-2147483648", snooze, INT_MIN },
        { L"DefaultSnoozeTime=2147483648", snooze, 10 },
        { L"DefaultSnoozeTime=99999999999999999999", snooze, 10 },
        // Limits that would break the tray menu or the listener.
        { L"MenuSplitLimit=0", [](const CPreferences& p) { return p.MenuSplitLimit; }, 16 },
        { L"NotesInSubMenuLimit=-3", [](const CPreferences& p) { return p.NotesInSubMenuLimit; }, 10 },
        { L"NetworkPort=70000", [](const CPreferences& p) { return p.NetworkPort; }, 3023 },
        { L"NetworkPort=0", [](const CPreferences& p) { return p.NetworkPort; }, 3023 },
        { L"NetworkPort=65535", [](const CPreferences& p) { return p.NetworkPort; }, 65535 },
        // Not read from the file at all.
        { L"StoreDataInAppData=0", [](const CPreferences& p) { return int(p.StoreDataInAppData); }, 1 },
    };
    for (const Case& c : cases) {
        WriteUnicodeIni(IniPath(), std::wstring(L"[Preferences]\r\n") + c.line + L"\r\n");
        CPreferences prefs;
        prefs.LoadFrom(IniPath().c_str());
        EXPECT_EQ(c.field(prefs), c.expected) << c.line;
    }
}

TEST_F(PreferencesTest, OutOfRangeReplacementIsLogged)
{
    WriteUnicodeIni(IniPath(), L"[Preferences]\r\nNetworkPort=70000\r\nMenuSplitLimit=0\r\n");
    CLogCapture log;
    CPreferences prefs;
    prefs.LoadFrom(IniPath().c_str());
    EXPECT_TRUE(log.Contains(L"Setting NetworkPort=70000 out of range, using 3023"));
    EXPECT_TRUE(log.Contains(L"Setting MenuSplitLimit=0 out of range, using 16"));
}

TEST_F(PreferencesTest, TheStartupSettingsAloneAreWrittenUnderTheirKeys)
{
    CPreferences prefs;
    prefs.StartupWithWindows = true;
    wcscpy_s(prefs.StartupArguments, L"/c newnote");
    prefs.AutoSave = true;
    EXPECT_FALSE(prefs.SaveStartupSettings()) << "no file named yet";
    ASSERT_TRUE(prefs.SetIniPath(IniPath().c_str()));
    ASSERT_TRUE(prefs.SaveStartupSettings());
    const IniSet expected = {{L"Preferences", L"StartupWithWindows", L"1"},
                             {L"Preferences", L"StartupArguments", L"/c newnote"}};
    EXPECT_EQ(ReadIniSet(IniPath()), expected);
}

TEST_F(PreferencesTest, HideToolbarIsLeftAloneBeforeXp)
{
    WriteUnicodeIni(IniPath(), L"[Preferences]\r\nHideToolbar=0\r\nGUID=g\r\n");
    WindowsVersion() = {};
    CPreferences prefs;
    prefs.HideToolbar = true;
    prefs.LoadFrom(IniPath().c_str());
    EXPECT_TRUE(prefs.HideToolbar);
    EXPECT_FALSE(prefs.StoreDataInAppData);
    EXPECT_FALSE(prefs.VisibleInTaskbar);  // before Windows 7
    prefs.HideToolbar = false;
    ASSERT_TRUE(prefs.Save());
    EXPECT_EQ(IniValue(IniPath(), L"Preferences", L"HideToolbar"), L"0");  // the file's own value stays
    EXPECT_EQ(IniValue(IniPath(), L"Preferences", L"StoreDataInAppData"), L"0");
}

TEST_F(PreferencesTest, EmptySoundsRemoveTheirKeysAndAnEmptyLanguageFileIsWritten)
{
    WriteUnicodeIni(IniPath(), L"[Preferences]\r\nAlarmSound=a.wav\r\nGUID=g\r\n"
                               L"[Event Sounds]\r\nCreateNote=c.wav\r\nDeleteNote=d.wav\r\n"
                               L"ShowHideNote=s.wav\r\nNoteReceived=r.wav\r\n"
                               L"[Languages]\r\nAltResFile=de.dll\r\n");
    CPreferences prefs;
    ASSERT_TRUE(prefs.LoadFrom(IniPath().c_str()));
    prefs.AlarmSound[0] = prefs.CreateNote[0] = prefs.DeleteNote[0] = prefs.ShowHideNote[0] = prefs.NoteReceived[0] = L'\0';
    prefs.AltResFile[0] = L'\0';
    prefs.DefaultGroup.clear();
    ASSERT_TRUE(prefs.Save());
    EXPECT_EQ(IniValue(IniPath(), L"Preferences", L"AlarmSound"), L"<missing>");
    for (const wchar_t* key : { L"CreateNote", L"DeleteNote", L"ShowHideNote", L"NoteReceived" })
        EXPECT_EQ(IniValue(IniPath(), L"Event Sounds", key), L"<missing>") << key;
    EXPECT_EQ(IniValue(IniPath(), L"Languages", L"AltResFile"), L"");
    EXPECT_EQ(IniValue(IniPath(), L"Preferences", L"DefaultGroup"), L"");
}

TEST_F(PreferencesTest, LongTextsAreCutToTheirFields)
{
    const std::wstring face(40, L'F');
    const std::wstring sound(300, L's');
    WriteUnicodeIni(IniPath(), L"[Preferences]\r\nFontName=" + face + L"\r\nAlarmSound=" + sound + L"\r\nGUID=g\r\n");
    CPreferences prefs;
    ASSERT_TRUE(prefs.LoadFrom(IniPath().c_str()));
    EXPECT_EQ(std::wstring(prefs.FontName), face.substr(0, 31));
    EXPECT_EQ(std::wstring(prefs.AlarmSound), sound.substr(0, 259));
}

TEST_F(PreferencesTest, TextSurvivesInNewFilesAndAnsiFilesStayAnsi)
{
    const wchar_t text[] = L"\u65E5\u672C\u20AC\u00E9";
    CPreferences prefs;
    ASSERT_TRUE(prefs.LoadFrom(IniPath().c_str()));
    prefs.DefaultGroup = text;
    wcscpy(prefs.AlarmSound, text);
    ASSERT_TRUE(prefs.Save());
    CPreferences reloaded;
    ASSERT_TRUE(reloaded.LoadFrom(IniPath().c_str()));
    EXPECT_STREQ(reloaded.DefaultGroup.c_str(), text);
    EXPECT_STREQ(reloaded.AlarmSound, text);

    // An older file in the ANSI code page is read as it is and kept so.
    const std::wstring ansiPath = m_dir.File(L"ANSI.INI");
    WriteBytes(ansiPath, "[Preferences]\r\nDefaultGroup=Caf\xE9\r\nGUID=g\r\n");
    ASSERT_TRUE(prefs.LoadFrom(ansiPath.c_str()));
    EXPECT_STREQ(prefs.DefaultGroup.c_str(), L"Caf\u00E9");
    ASSERT_TRUE(prefs.Save());
    EXPECT_EQ(ReadBytes(ansiPath).substr(0, 14), "[Preferences]\r");

    // An empty file is treated as new.
    const std::wstring emptyPath = m_dir.File(L"EMPTY.INI");
    WriteBytes(emptyPath, "");
    ASSERT_TRUE(prefs.LoadFrom(emptyPath.c_str()));
    ASSERT_TRUE(prefs.Save());
    EXPECT_EQ(ReadBytes(emptyPath).substr(0, 2), "\xFF\xFE");
}

TEST_F(PreferencesTest, FailedWritesAreLoggedAndReported)
{
    ASSERT_TRUE(CreateDirectoryW(IniPath().c_str(), nullptr));  // a folder where the file should be
    CLogCapture log;
    CPreferences prefs;
    prefs.LoadFrom(IniPath().c_str());
    EXPECT_TRUE(prefs.GUID.size() == 36);  // made, though it could not be written
    EXPECT_FALSE(prefs.Save());

    const std::wstring path = IniPath();
    EXPECT_TRUE(log.Contains(L"Failed to WritePrivateProfileString to (00000005) (Preferences, FontName, Verdana) to " + path));
    EXPECT_TRUE(log.Contains(L"Failed to MyWritePrivateProfileInt to (00000005) (Preferences, EnableURLDetection, 1) to "
                             + path));  // the last key: the save went on
}

TEST_F(PreferencesTest, MissingFolderFailsEachWrite)
{
    const std::wstring path = m_dir.File(L"missing\\RERUZADU.INI");
    CPreferences prefs;
    prefs.LoadFrom(path.c_str());
    CLogCapture log;
    EXPECT_FALSE(MyWritePrivateProfileString(L"S", L"K", L"v", path.c_str()));
    EXPECT_FALSE(MyWritePrivateProfileInt(L"S", L"K", -5, path.c_str()));
    EXPECT_FALSE(prefs.Save());
    EXPECT_TRUE(log.Contains(L"Failed to WritePrivateProfileString to (00000003) (S, K, v) to " + path));
    EXPECT_TRUE(log.Contains(L"Failed to MyWritePrivateProfileInt to (00000003) (S, K, -5) to " + path));
}

TEST_F(PreferencesTest, OverlongPathKeepsDefaultsAndWritesNothing)
{
    const std::wstring path = m_dir.Path() + std::wstring(270, L'a') + L"\\RERUZADU.INI";
    CLogCapture log;
    CPreferences prefs;
    EXPECT_FALSE(prefs.LoadFrom(path.c_str()));
    EXPECT_EQ(prefs.NetworkPort, 3023);
    EXPECT_TRUE(prefs.GUID.empty());
    EXPECT_FALSE(prefs.Save());
    EXPECT_TRUE(log.Contains(L"CPreferences settings path too long (" + path + L")"));
    EXPECT_TRUE(log.Contains(L"CPreferences::Save has no settings file to write"));
}

TEST(ReadPrivateProfileInt, ReadsDecimalTextOnly)
{
    CTestDir dir;
    const std::wstring path = dir.File(L"x.ini");
    WriteUnicodeIni(path, L"[S]\r\nA= 42 \r\nB=4x\r\nC=\r\n");
    EXPECT_EQ(ReadPrivateProfileInt(L"S", L"A", 7, path.c_str()), 42);
    EXPECT_EQ(ReadPrivateProfileInt(L"S", L"B", 7, path.c_str()), 7);
    EXPECT_EQ(ReadPrivateProfileInt(L"S", L"C", 7, path.c_str()), 7);
    EXPECT_EQ(ReadPrivateProfileInt(L"S", L"D", 7, path.c_str()), 7);
}

TEST(LogFontText, RoundTripsEveryField)
{
    LOGFONTW font{};
    font.lfHeight = -15;
    font.lfWidth = 3;
    font.lfEscapement = 900;
    font.lfOrientation = 450;
    font.lfWeight = 600;
    font.lfItalic = 1;
    font.lfUnderline = 1;
    font.lfStrikeOut = 0;
    font.lfCharSet = 204;
    font.lfOutPrecision = 3;
    font.lfClipPrecision = 2;
    font.lfQuality = 5;
    font.lfPitchAndFamily = 0x22;
    wcscpy(font.lfFaceName, L"Segoe UI");
    const CStdStr text = LogFontToText(font);
    EXPECT_STREQ(text.c_str(), L"-15,3,900,450,600,1,1,0,204,3,2,5,34,\"Segoe UI\"");
    LOGFONTW parsed;
    memset(&parsed, 0xCC, sizeof parsed);
    LogFontFromText(text.c_str(), parsed);
    EXPECT_EQ(memcmp(&parsed, &font, sizeof font), 0);
}

TEST(LogFontText, MalformedTextsGiveTheFallbackFields)
{
    struct Case {
        const wchar_t* text;
        LONG height, weight;
        BYTE charset, clip, quality, pitch;
        const wchar_t* face;
    };
    const Case cases[] = {
        { L"", -10, 0, 0, 0x12, 0, FF_SWISS, L"" },
        { L"-13,0,0,0,700,0,0,0,204,0,0,0,34", -10, 700, 204, 0x12, 0, FF_SWISS, L"" },        // no face
        { L"-13,0,0,0,700,0,0,0,204,0,0,0,34,\"", -10, 700, 204, 0x12, 0, FF_SWISS, L"" },      // quote, no face
        { L"-13,0,0,0,700,0,0,0,204,0,0,0,34,\"\"", -10, 700, 204, 0x12, 0, FF_SWISS, L"" },    // an empty face
        { L"-13,0,0,0,abc,0,0,0,204,0,0,0,34,\"Arial\"", -10, 0, 0, 0x12, 0, FF_SWISS, L"" },  // a non-number
        { L"-13,0,0,0,700,300,0,0,300,0,1,2,290,\"Arial", -13, 700, 44, 1, 2, 34, L"Arial" },   // low bytes, open quote
        { L" -13, 0,0,0,400,0,0,0,0,0,0,0,0,\"A\"", -13, 400, 0, 0, 0, 0, L"A" },              // blanks before numbers
    };
    for (const Case& c : cases) {
        LOGFONTW font;
        memset(&font, 0xCC, sizeof font);
        LogFontFromText(c.text, font);
        EXPECT_EQ(font.lfHeight, c.height) << c.text;
        EXPECT_EQ(font.lfWeight, c.weight) << c.text;
        EXPECT_EQ(font.lfCharSet, c.charset) << c.text;
        EXPECT_EQ(font.lfClipPrecision, c.clip) << c.text;
        EXPECT_EQ(font.lfQuality, c.quality) << c.text;
        EXPECT_EQ(font.lfPitchAndFamily, c.pitch) << c.text;
        EXPECT_STREQ(font.lfFaceName, c.face) << c.text;
        EXPECT_EQ(font.lfWidth, 0) << c.text;
    }
}

TEST(LogFontText, LongFaceIsCutWithinTheStruct)
{
    struct Guarded {
        LOGFONTW font;
        unsigned char guard[64];
    } g;
    memset(&g, 0xAB, sizeof g);
    const std::wstring text = L"-12,0,0,0,400,0,0,0,0,0,0,0,0,\"" + std::wstring(40, L'W') + L"\"";
    LogFontFromText(text.c_str(), g.font);
    EXPECT_EQ(std::wstring(g.font.lfFaceName), std::wstring(31, L'W'));
    EXPECT_EQ(g.font.lfHeight, -12);
    for (unsigned char byte : g.guard)
        ASSERT_EQ(byte, 0xAB);
}

}  // namespace
