// The rich-edit library: loaded once for all controls, freed with the last,
// and the older class when it cannot be loaded. Plain controls only: an
// editor's superclass holds the library for the rest of the process.
#include <gtest/gtest.h>
#include <windows.h>
#include <richedit.h>

#include "foundation/Seams.h"
#include "framework/Library.h"
#include "notewindows/RichEditCtrl.h"

namespace {

const RECT kArea = { 0, 0, 200, 100 };

struct LibraryCalls {
    int loads = 0;
    int frees = 0;
    bool failLoad = false;
};
LibraryCalls g_calls;

HMODULE CountedLoad()
{
    ++g_calls.loads;
    return g_calls.failLoad ? nullptr : LoadLibraryW(L"Msftedit.dll");
}

BOOL CountedFree(HMODULE module)
{
    ++g_calls.frees;
    return FreeLibrary(module);
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

class RichEditLibrary : public testing::Test {
protected:
    void SetUp() override { g_calls = {}; }

    CSeamOverride<SRichEditLibrarySeam> m_seam{ g_richEditLibrarySeam, { CountedLoad, CountedFree } };
};

TEST_F(RichEditLibrary, LoadedOnceAndFreedWithTheLastControl)
{
    ASSERT_EQ(CRichEditLibraryUse::Uses(), 0);
    {
        CRichEditCtrl50WT first;
        CRichEditCtrl50WT second;
        ASSERT_TRUE(first.CreatePlain(nullptr, kArea));
        ASSERT_TRUE(second.CreatePlain(nullptr, kArea));
        EXPECT_EQ(g_calls.loads, 1);
        EXPECT_EQ(CRichEditLibraryUse::Uses(), 2);
        EXPECT_EQ(_wcsicmp(ClassOf(first.Handle()).c_str(), L"RICHEDIT50W"), 0) << "class names ignore case";
    }
    EXPECT_EQ(g_calls.frees, 1);
    EXPECT_EQ(CRichEditLibraryUse::Uses(), 0);
    CRichEditCtrl50WT again;
    EXPECT_EQ(g_calls.loads, 2) << "a new control after the last loads it again";
}

TEST_F(RichEditLibrary, WithoutMsfteditTheOlderClassServes)
{
    CLibrary older(LoadLibraryW(L"riched20.dll"));
    ASSERT_TRUE(older);
    g_calls.failLoad = true;
    CRichEditCtrl50WT control;
    EXPECT_STREQ(CRichEditLibraryUse::ClassName(), L"RichEdit20W");
    ASSERT_TRUE(control.CreatePlain(nullptr, kArea));
    EXPECT_EQ(_wcsicmp(ClassOf(control.Handle()).c_str(), L"RichEdit20W"), 0);
    EXPECT_EQ(control.StreamInText(L"{\\rtf1 old}", true, false), 3);
}

TEST_F(RichEditLibrary, AFailedCreationIsFalseAndLogged)
{
    g_calls.failLoad = true;
    CLogCapture log;
    CRichEditCtrl50WT control;
    // A parent that is no window fails the creation whichever class serves.
    EXPECT_FALSE(control.CreatePlain(reinterpret_cast<HWND>(0x1234), kArea));
    EXPECT_EQ(control.Handle(), nullptr);
    EXPECT_FALSE(log.Lines().empty());
}

}  // namespace
