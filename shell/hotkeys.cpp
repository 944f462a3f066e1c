#include "hotkeys.h"

#include "MainCommands.h"
#include "foundation/AppWindow.h"
#include "foundation/LogFile.h"
#include "foundation/Preferences.h"
#include "foundation/ResModule.h"
#include "resources/resource.h"

namespace {

constexpr wchar_t kSection[] = L"HotKeys";
constexpr UINT kAltCtrl = MOD_ALT | MOD_CONTROL;
constexpr UINT kModifierMask = MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN;
constexpr UINT kMostKey = 0x1FF;

struct SHotKeyRow {
    const wchar_t* name;
    SHotKey defaults;
    UINT command;
    bool bringsMainForward;
};

const SHotKeyRow kHotKeyRows[kHotKeyCount] = {
    { L"NewNote", { 'N', kAltCtrl }, ID_NEW_NOTE, true },
    { L"DisplayOrganizer", { 'D', kAltCtrl }, ID_NOTE_ORGANIZER, true },
    { L"ShowHideAll", { 'H', kAltCtrl }, ID_SHOW_HIDE_ALL, false },
    { L"QuickSearch", { 'Z', kAltCtrl }, ID_QUICK_SEARCH, false },
};

HotKeyTable DefaultHotKeys()
{
    HotKeyTable keys{};
    for (int i = 0; i < kHotKeyCount; ++i)
        keys[i] = kHotKeyRows[i].defaults;
    return keys;
}

HotKeyTable& HotKeys()
{
    static HotKeyTable keys = DefaultHotKeys();
    return keys;
}

bool IsHotKeyNumber(int number)
{
    return number >= 1 && number <= kHotKeyCount;
}

SHotKey& Entry(int number)
{
    return HotKeys()[number - 1];
}

bool IsValidKey(int key)
{
    return key >= 1 && key <= static_cast<int>(kMostKey) && (key & 0xFF) != 0;
}

bool IsValidModifiers(int modifiers)
{
    return modifiers >= 0 && (static_cast<UINT>(modifiers) & ~kModifierMask) == 0;
}

CStdStr KeyName(const wchar_t* prefix, const wchar_t* name)
{
    return CStdStr(prefix) + name;
}

// One [HotKeys] value: the fallback when the key is missing or empty; a value
// that is not decimal or fails the check gives the entry's default, logged.
UINT ReadHotKeyValue(const wchar_t* key, UINT fallback, UINT defaultValue, bool (*valid)(int))
{
    // Longer than any 32-bit number with blanks: cut text must not parse.
    constexpr DWORD kChars = 64;
    wchar_t text[kChars] = {};
    const DWORD length = GetPrivateProfileStringW(kSection, key, L"", text, kChars, g_prefs.IniPath());
    if (length == 0)
        return fallback;
    int value = 0;
    if (length < kChars - 1 && ParseDecimal(text, value) && valid(value))
        return static_cast<UINT>(value);
    QLOG(L"[%s] %s=%s is not a valid hot key value; %u is used", kSection, key, text, defaultValue);
    return defaultValue;
}

// Registers the entry's key on the main window in place of whatever its id
// held: Windows keeps an id's old key beside a new one registered over it.
// Extended keys register their plain virtual key, or they never fire.
bool RegisterEntry(int number, const SHotKey& key)
{
    UnregisterHotKey(g_hwndApp, number);
    if (RegisterHotKey(g_hwndApp, number, key.modifiers, key.key & 0xFF))
        return true;
    const DWORD error = GetLastError();
    QLOG(L"Hot key %d (modifiers %u, key %u) could not be registered, error %u", number, key.modifiers, key.key,
         error);
    return false;
}

}  // namespace

void LoadHotKeys()
{
    for (int number = 1; number <= kHotKeyCount; ++number) {
        const SHotKeyRow& row = kHotKeyRows[number - 1];
        SHotKey& key = Entry(number);
        key.modifiers = ReadHotKeyValue(KeyName(L"M_", row.name).c_str(), key.modifiers, row.defaults.modifiers,
                                        IsValidModifiers);
        key.key = ReadHotKeyValue(KeyName(L"V_", row.name).c_str(), key.key, row.defaults.key, IsValidKey);
        RegisterEntry(number, key);
    }
}

void StoreHotKeys()
{
    for (int number = 1; number <= kHotKeyCount; ++number) {
        const wchar_t* const name = kHotKeyRows[number - 1].name;
        const SHotKey& key = Entry(number);
        MyWritePrivateProfileInt(kSection, KeyName(L"M_", name).c_str(), static_cast<int>(key.modifiers),
                                 g_prefs.IniPath());
        MyWritePrivateProfileInt(kSection, KeyName(L"V_", name).c_str(), static_cast<int>(key.key),
                                 g_prefs.IniPath());
    }
}

void HandleHotKey(WPARAM hotKey)
{
    if (hotKey < 1 || hotKey > static_cast<WPARAM>(kHotKeyCount))
        return;
    const SHotKeyRow& row = kHotKeyRows[hotKey - 1];
    if (row.bringsMainForward)
        SetForegroundWindow(g_hwndApp);
    PostMessageW(g_hwndApp, WM_COMMAND, row.command, 0);
}

CStdStr GetHotKeyText(int hotKey)
{
    if (!IsHotKeyNumber(hotKey))
        return CStdStr();
    const SHotKey& key = Entry(hotKey);
    static const struct {
        UINT bit;
        UINT nameId;
    } kModifierNames[] = {
        { MOD_CONTROL, IDS_MODIFIER_CTRL },
        { MOD_ALT, IDS_MODIFIER_ALT },
        { MOD_SHIFT, IDS_MODIFIER_SHIFT },
        { MOD_WIN, IDS_MODIFIER_WIN },
    };
    CStdStr modifiers;
    for (const auto& modifier : kModifierNames) {
        if (!(key.modifiers & modifier.bit))
            continue;
        if (!modifiers.empty())
            modifiers += L"+";
        modifiers += LoadResString(modifier.nameId);
    }
    const CStdStr name = HotKeyName(key.key);
    if (modifiers.empty())
        return name;
    CStdStr text;
    text.Format(L"%s+%s", modifiers.c_str(), name.c_str());
    return text;
}

CStdStr HotKeyName(UINT key)
{
    const UINT scanCode = MapVirtualKeyW(key & 0xFF, MAPVK_VK_TO_VSC);
    const LONG param = static_cast<LONG>((scanCode << 16) | ((key & kExtendedHotKey) ? (1u << 24) : 0u));
    wchar_t name[256] = {};
    const int length = GetKeyNameTextW(param, name, 256);
    return CStdStr(name, length > 0 ? static_cast<size_t>(length) : 0);
}

HotKeyTable GetHotKeys()
{
    return HotKeys();
}

void RestoreHotKeys(const HotKeyTable& keys)
{
    HotKeys() = keys;
    for (int number = 1; number <= kHotKeyCount; ++number)
        RegisterEntry(number, Entry(number));
}

bool ChangeHotKey(int number, const SHotKey& key)
{
    if (!IsHotKeyNumber(number))
        return false;
    if (!RegisterEntry(number, key)) {
        // The previous key goes back, so a failed change leaves it working.
        if (!RegisterEntry(number, Entry(number)))
            QLOG(L"Hot key %d lost its previous key after a failed change", number);
        return false;
    }
    Entry(number) = key;
    return true;
}

SHotKey CurrentHotKey(int number)
{
    return IsHotKeyNumber(number) ? Entry(number) : SHotKey{};
}
