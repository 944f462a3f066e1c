// Use-counted containers, delegates and the database-use guard.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "foundation/DBUseGuard.h"
#include "foundation/FastDelegate.h"
#include "foundation/LockedStl.h"

using fastdelegate::FastDelegate2;
using fastdelegate::MakeDelegate;

namespace {

struct CListener {
    int calls = 0;
    bool First(int a, int b) { calls += a + b; return true; }
    bool Second(int, int) { calls += 100; return false; }
    bool Peek(int, int) const { return true; }
};

using Delegate = FastDelegate2<int, int, bool>;

}  // namespace

TEST(FastDelegate, CallsTheBoundMember)
{
    CListener listener;
    const Delegate first = MakeDelegate<&CListener::First>(&listener);
    const Delegate second = Delegate::Bind<&CListener::Second>(&listener);
    EXPECT_TRUE(first(2, 3));
    EXPECT_FALSE(second(0, 0));
    EXPECT_EQ(listener.calls, 105);
    EXPECT_EQ(sizeof(Delegate), 16u);
}

TEST(FastDelegate, SetHoldsEachObjectAndFunctionOnce)
{
    CListener listeners[2];
    std::set<Delegate> set;
    set.insert(MakeDelegate<&CListener::First>(&listeners[1]));
    set.insert(MakeDelegate<&CListener::First>(&listeners[1]));   // same again: one element
    EXPECT_EQ(set.size(), 1u);
    set.insert(MakeDelegate<&CListener::Second>(&listeners[1]));  // other function: two
    EXPECT_EQ(set.size(), 2u);
    set.insert(MakeDelegate<&CListener::First>(&listeners[0]));
    set.insert(Delegate());
    ASSERT_EQ(set.size(), 4u);

    // Null object first, then by address; a call order the listeners rely on.
    auto it = set.begin();
    EXPECT_TRUE(FastDelegateIsEmpty(*it++));
    EXPECT_EQ(it++->Object(), &listeners[0]);
    EXPECT_EQ(it++->Object(), &listeners[1]);
    EXPECT_EQ(it->Object(), &listeners[1]);
}

TEST(FastDelegate, EmptyAndCopy)
{
    CListener listener;
    Delegate copy;
    EXPECT_TRUE(FastDelegateIsEmpty(copy));
    const Delegate bound = MakeDelegate<&CListener::Peek>(&listener);
    FastDelegateCopy(copy, bound);
    EXPECT_FALSE(FastDelegateIsEmpty(copy));
    EXPECT_TRUE(copy == bound);
    EXPECT_FALSE(FastDelegateLess(copy, bound) || FastDelegateLess(bound, copy));
}

TEST(CLockedStl, HashMapStartsWithEightBucketsAndCountsUses)
{
    CLockedStl<hash_map<__int64, int>> map;
    EXPECT_GE(map.bucket_count(), 8u);
    EXPECT_FLOAT_EQ(map.max_load_factor(), 1.0f);
    {
        CLockedStlGuard outer(map);
        CLockedStlGuard inner(map);
        EXPECT_EQ(map.UseCount(), 2);
        map[7] = 1;
    }
    EXPECT_EQ(map.UseCount(), 0);
    EXPECT_EQ(map.at(7), 1);

    CLockedStl<std::set<Delegate>> set;   // not hashed: built plainly
    EXPECT_TRUE(set.empty());
}

TEST(CDBUseGuard, NestsAndUnwinds)
{
    CDBUseCounter manager;
    {
        CDBUseGuard a(manager);
        CDBUseGuard b(&manager);
        CDBUseGuard c(manager);
        EXPECT_EQ(manager.GetDBUseCount(), 3);
        c.Release();
        c.Release();   // harmless twice
        EXPECT_EQ(manager.GetDBUseCount(), 2);
    }
    EXPECT_EQ(manager.GetDBUseCount(), 0);

    try {
        CDBUseGuard a(manager);
        CDBUseGuard b(manager);
        throw std::runtime_error("database failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(manager.GetDBUseCount(), 0);

    CDBUseGuard none(nullptr);
    none.Release();
}
