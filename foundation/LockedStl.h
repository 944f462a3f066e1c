// Use-counted containers: every access raises the wrapper's use count for its
// span through CLockedStlGuard. There is no lock; the count only tells others
// that an access is in progress.
#pragma once

#include <windows.h>

#include <type_traits>
#include <unordered_map>
#include <utility>

// Nothing relies on the order of a hash_map.
template <class Key, class Value>
using hash_map = std::unordered_map<Key, Value>;

class CLockedStlBase {
public:
    CLockedStlBase() = default;
    virtual ~CLockedStlBase() = default;
    CLockedStlBase(const CLockedStlBase&) = delete;
    CLockedStlBase& operator=(const CLockedStlBase&) = delete;

    LONG AddUse() { return InterlockedIncrement(&m_useCount); }
    LONG ReleaseUse() { return InterlockedDecrement(&m_useCount); }
    LONG UseCount() const { return m_useCount; }

private:
    volatile LONG m_useCount = 0;
};

namespace lockedstl_detail {
template <class C, class = void>
constexpr bool kHashed = false;
template <class C>
constexpr bool kHashed<C, std::void_t<typename C::hasher>> = true;
}  // namespace lockedstl_detail

// The wrapped container is used directly through the wrapper.
template <class Container>
class CLockedStl : public CLockedStlBase, public Container {
public:
    CLockedStl()
    {
        if constexpr (lockedstl_detail::kHashed<Container>) {
            this->max_load_factor(1.0f);
            this->rehash(8);
        }
    }
};

class CLockedStlGuard {
public:
    explicit CLockedStlGuard(CLockedStlBase& wrapper) : m_wrapper(wrapper) { m_wrapper.AddUse(); }
    ~CLockedStlGuard() { m_wrapper.ReleaseUse(); }
    CLockedStlGuard(const CLockedStlGuard&) = delete;
    CLockedStlGuard& operator=(const CLockedStlGuard&) = delete;

private:
    CLockedStlBase& m_wrapper;
};
