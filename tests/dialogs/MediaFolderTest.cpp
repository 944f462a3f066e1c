// The sound chooser's start folder from the system's "MediaPath": kept with
// a "\" at its end, and nothing when it is missing, too long or no text. The
// value is set and removed in the prefix's machine key, so the test holds a
// lock of its own.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "dialogs/DlgUtils.h"

namespace {

const wchar_t kVersionKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion";

// Sets the value (none: removes it) for the span of the object, then puts
// back what was there.
class CMediaPathValue {
public:
    CMediaPathValue()
    {
        m_bytes = sizeof(m_saved);
        m_had = RegGetValueW(HKEY_LOCAL_MACHINE, kVersionKey, L"MediaPath", RRF_RT_ANY | RRF_NOEXPAND, &m_type,
                             m_saved, &m_bytes) == ERROR_SUCCESS;
    }
    ~CMediaPathValue()
    {
        if (m_had)
            Set(m_type, m_saved, m_bytes);
        else
            Remove();
    }

    static bool Set(DWORD type, const void* data, DWORD bytes)
    {
        return RegSetKeyValueW(HKEY_LOCAL_MACHINE, kVersionKey, L"MediaPath", type, data, bytes) == ERROR_SUCCESS;
    }
    static bool SetText(const std::wstring& text)
    {
        return Set(REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    static void Remove() { RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kVersionKey, L"MediaPath"); }

private:
    bool m_had = false;
    DWORD m_type = 0;
    BYTE m_saved[2048] = {};
    DWORD m_bytes = 0;
};

TEST(SystemMediaFolder, TheFolderEndsInABackslashOrThereIsNone)
{
    const CMediaPathValue restore;
    CMediaPathValue::Remove();
    EXPECT_EQ(GetSystemMediaFolder(), L"") << "missing (as under Wine)";

    struct Case { std::wstring stored; std::wstring folder; };
    const Case cases[] = {
        { L"C:\\Windows\\Media", L"C:\\Windows\\Media\\" },
        { L"C:\\Windows\\Media\\", L"C:\\Windows\\Media\\" },
        { L"", L"" },
        { L"C:\\" + std::wstring(MAX_PATH, L'm'), L"" },   // longer than a path
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(CMediaPathValue::SetText(c.stored));
        EXPECT_EQ(GetSystemMediaFolder(), c.folder) << c.stored.size();
    }

    const DWORD number = 7;
    ASSERT_TRUE(CMediaPathValue::Set(REG_DWORD, &number, sizeof(number)));
    EXPECT_EQ(GetSystemMediaFolder(), L"") << "not text";
}

}  // namespace
