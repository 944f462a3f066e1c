// The quick search's recent texts on a registry key of each test's own: one
// value per text whatever its case, a long name hides nothing after it, a
// key that won't open keeps the list in memory; and the enumerator as
// IEnumString callers expect it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dialogs/CustomAutoComplete.h"
#include "foundation/Seams.h"
#include "tests/support/ComApartment.h"

namespace {

// A key under HKEY_CURRENT_USER for this test alone, gone afterwards.
class CTestKey {
public:
    CTestKey()
    {
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = test ? test->name() : "test";
        m_path = L"Software\\QuilletTest\\" + std::wstring(name.begin(), name.end()) + L"-" +
                 std::to_wstring(GetCurrentProcessId());
        RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
    }
    ~CTestKey() { RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str()); }
    CTestKey(const CTestKey&) = delete;
    CTestKey& operator=(const CTestKey&) = delete;

    const std::wstring& Path() const { return m_path; }

    void Write(const std::wstring& name) const
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                       static_cast<DWORD>(name.size() * sizeof(wchar_t)));
        RegCloseKey(key);
    }

    DWORD ValueCount() const
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return 0;
        DWORD values = 0;
        RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                         nullptr);
        RegCloseKey(key);
        return values;
    }

private:
    std::wstring m_path;
};

// One reference for the test's span.
class CRecent {
public:
    explicit CRecent(const std::wstring& subkey) : m_object(new CCustomAutoComplete(subkey)) {}
    ~CRecent() { m_object->Release(); }
    CRecent(const CRecent&) = delete;
    CRecent& operator=(const CRecent&) = delete;

    CCustomAutoComplete* operator->() const { return m_object; }
    CCustomAutoComplete* Get() const { return m_object; }

private:
    CCustomAutoComplete* m_object;
};

using Texts = std::vector<std::wstring>;

Texts Opened(const std::wstring& subkey)
{
    CRecent recent(subkey);
    EXPECT_TRUE(recent->OpenKey());
    recent->LoadItems();
    return recent->Items();
}

// What one Next call hands out, freed again.
struct SNext {
    HRESULT result;
    ULONG fetched;
    Texts texts;
};

SNext Next(IEnumString& strings, ULONG count)
{
    std::vector<LPOLESTR> out(count + 1, nullptr);
    SNext next = {};
    next.result = strings.Next(count, out.data(), &next.fetched);
    for (ULONG i = 0; i < next.fetched; ++i) {
        next.texts.emplace_back(out[i]);
        CoTaskMemFree(out[i]);
    }
    return next;
}

TEST(CustomAutoComplete, ATextIsStoredOnceWhateverItsCase)
{
    const CTestKey key;
    {
        CRecent recent(key.Path());
        ASSERT_TRUE(recent->OpenKey());
        recent->LoadItems();
        for (const wchar_t* text : {L"Foo", L"foo", L"FOO", L"Foo", L"", L"bar"})
            recent->AddRecent(text);
        recent->AddRecent(std::wstring(260, L'x'));
        recent->AddRecent(std::wstring(259, L'y'));
        EXPECT_EQ(recent->Items(), (Texts{L"Foo", L"bar", std::wstring(259, L'y')}));
    }
    EXPECT_EQ(key.ValueCount(), 3u);
    const Texts again = Opened(key.Path());
    EXPECT_EQ(again.size(), 3u);
    EXPECT_NE(std::find(again.begin(), again.end(), L"Foo"), again.end());
}

TEST(CustomAutoComplete, ANameTooLongToReadHidesNothingAfterIt)
{
    const CTestKey key;
    key.Write(L"before");
    key.Write(std::wstring(270, L'l'));
    key.Write(L"after");
    Texts items = Opened(key.Path());
    std::sort(items.begin(), items.end());
    EXPECT_EQ(items, (Texts{L"after", L"before"}));
}

TEST(CustomAutoComplete, AKeyThatWontOpenKeepsTheListInMemory)
{
    // A key component over 255 characters fails with ERROR_INVALID_PARAMETER.
    const std::wstring subkey = L"Software\\QuilletTest\\" + std::wstring(300, L'k');
    CLogCapture log;
    CRecent recent(subkey);
    EXPECT_FALSE(recent->OpenKey());
    recent->LoadItems();
    recent->AddRecent(L"kept");
    recent->AddRecent(L"Kept");
    EXPECT_EQ(recent->Items(), Texts{L"kept"});
    EXPECT_EQ(log.Lines().size(), 1u);
    EXPECT_TRUE(log.Lines().empty() || log.Lines()[0].find(L"87") != std::wstring::npos);
}

TEST(CustomAutoComplete, EnumeratesAsIEnumString)
{
    CRecent recent(L"Software\\QuilletTest\\never-opened");
    for (const wchar_t* text : {L"a", L"b", L"c", L"d", L"e"})
        recent->AddRecent(text);
    IEnumString& strings = *recent.Get();

    struct SStep {
        const char* what;
        ULONG count;
        HRESULT result;
        Texts texts;
    };
    const SStep steps[] = {
        {"one", 1, S_OK, {L"a"}},
        {"three", 3, S_OK, {L"b", L"c", L"d"}},
        {"past the end", 3, S_FALSE, {L"e"}},
        {"at the end", 1, S_FALSE, {}},
    };
    for (const SStep& step : steps) {
        const SNext next = Next(strings, step.count);
        EXPECT_EQ(next.result, step.result) << step.what;
        EXPECT_EQ(next.fetched, step.texts.size()) << step.what;
        EXPECT_EQ(next.texts, step.texts) << step.what;
    }

    EXPECT_EQ(strings.Reset(), S_OK);
    EXPECT_EQ(strings.Skip(9), S_FALSE);
    EXPECT_EQ(Next(strings, 1).fetched, 0u) << "a skip past the end stays there";
    EXPECT_EQ(strings.Skip(1), S_FALSE);

    strings.Reset();
    EXPECT_EQ(strings.Skip(2), S_OK);
    IEnumString* clone = nullptr;
    ASSERT_EQ(strings.Clone(&clone), S_OK);
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(Next(*clone, 2).texts, (Texts{L"c", L"d"}));
    EXPECT_EQ(Next(strings, 1).texts, Texts{L"c"}) << "the clone moves on its own";
    clone->Reset();
    EXPECT_EQ(Next(*clone, 1).texts, Texts{L"a"});
    EXPECT_EQ(Next(strings, 1).texts, Texts{L"d"});
    EXPECT_EQ(clone->Release(), 0u);

    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(strings.QueryInterface(IID_IDispatch, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(strings.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(unknown->Release(), 1u) << "the test's own reference is the last";
}

TEST(CustomAutoComplete, BindsTheSystemAutoCompleteAndLetsGoOfItOnce)
{
    const CComApartment com;
    ASSERT_TRUE(com.Initialised());
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | ES_AUTOHSCROLL, 0, 0, 200, 24, nullptr, nullptr, nullptr,
                                nullptr);
    ASSERT_NE(edit, nullptr);
    CRecent recent(L"Software\\QuilletTest\\never-opened");
    recent->AddRecent(L"meeting");
    EXPECT_TRUE(recent->Attach(edit));
    EXPECT_TRUE(recent->Attach(edit)) << "bound already";
    recent->Detach();
    recent->Detach();
    DestroyWindow(edit);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    EXPECT_EQ(recent->AddRef(), 2u) << "the system object holds no reference once it is let go";
    recent->Release();
}

} // namespace
