// FreeStringPools closes the pools for the whole process, so it runs in an
// executable of its own.
#include <gtest/gtest.h>

#include "foundation/PooledStr.h"

TEST(PooledStrShutdown, AfterFreeStringPoolsBlocksAreFreed)
{
    {
        CPooledStr a(L"a short text");
        CPooledStr b(std::wstring(100, L'b').c_str());
    }
    EXPECT_EQ(PooledStrListCount(2), 1);  // capacity 63: from the shared head
    EXPECT_EQ(PooledStrListCount(4), 1);
    CPooledStr survivor(L"released after the pools close");
    FreeStringPools();
    for (int k = 0; k < kPooledStrClasses; ++k)
        EXPECT_EQ(PooledStrListCount(k), 0) << "class " << k;
    survivor.Release();
    CPooledStr(L"made and released after closing");
    for (int k = 0; k < kPooledStrClasses; ++k)
        EXPECT_EQ(PooledStrListCount(k), 0) << "class " << k;
}
