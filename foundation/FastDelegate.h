// Delegates: an object pointer bound to one member function, ordered so that
// a set can hold them. The function half is a real code pointer (a static
// thunk per bound member function), never a compiler's pointer-to-member,
// whose bytes carry padding and adjustments that cannot be compared.
#pragma once

#include <cstdint>
#include <cstring>

namespace fastdelegate {

template <class R, class... Args>
class FastDelegate {
public:
    using Thunk = R (*)(void* object, Args... args);

    FastDelegate() = default;
    FastDelegate(void* object, Thunk thunk) : m_object(object), m_thunk(thunk) {}

    // FastDelegate<...>::Bind<&CClass::Method>(object)
    template <auto Method, class T>
    static FastDelegate Bind(T* object)
    {
        return FastDelegate(const_cast<void*>(static_cast<const void*>(object)), &CallMember<T, Method>);
    }

    R operator()(Args... args) const { return m_thunk(m_object, args...); }

    void* Object() const { return m_object; }
    Thunk Function() const { return m_thunk; }

private:
    template <class T, auto Method>
    static R CallMember(void* object, Args... args)
    {
        return (static_cast<T*>(object)->*Method)(args...);
    }

    void* m_object = nullptr;
    Thunk m_thunk = nullptr;
};
static_assert(sizeof(FastDelegate<void>) == 16, "object pointer and code pointer");

template <class P1, class P2, class R>
using FastDelegate2 = FastDelegate<R, P1, P2>;

// Object pointer first (as an unsigned number), then the function's 8 bytes
// in memcmp order.
template <class R, class... Args>
bool FastDelegateLess(const FastDelegate<R, Args...>& a, const FastDelegate<R, Args...>& b)
{
    const auto objectA = reinterpret_cast<std::uintptr_t>(a.Object());
    const auto objectB = reinterpret_cast<std::uintptr_t>(b.Object());
    if (objectA != objectB)
        return objectA < objectB;
    const auto thunkA = a.Function();
    const auto thunkB = b.Function();
    static_assert(sizeof(thunkA) == 8, "the function half is 8 bytes");
    return std::memcmp(&thunkA, &thunkB, sizeof(thunkA)) < 0;
}

template <class R, class... Args>
bool FastDelegateIsEmpty(const FastDelegate<R, Args...>& d)
{
    return d.Object() == nullptr && d.Function() == nullptr;
}

template <class R, class... Args>
void FastDelegateCopy(FastDelegate<R, Args...>& target, const FastDelegate<R, Args...>& source)
{
    target = source;
}

template <class R, class... Args>
bool operator<(const FastDelegate<R, Args...>& a, const FastDelegate<R, Args...>& b)
{
    return FastDelegateLess(a, b);
}

template <class R, class... Args>
bool operator==(const FastDelegate<R, Args...>& a, const FastDelegate<R, Args...>& b)
{
    return a.Object() == b.Object() && a.Function() == b.Function();
}

template <class R, class... Args>
bool operator!=(const FastDelegate<R, Args...>& a, const FastDelegate<R, Args...>& b)
{
    return !(a == b);
}

template <class Member>
struct MemberTraits;
template <class T, class R, class... Args>
struct MemberTraits<R (T::*)(Args...)> {
    using Class = T;
    using Delegate = FastDelegate<R, Args...>;
};
template <class T, class R, class... Args>
struct MemberTraits<R (T::*)(Args...) const> {
    using Class = const T;
    using Delegate = FastDelegate<R, Args...>;
};

// MakeDelegate<&CClass::Method>(object)
template <auto Method>
auto MakeDelegate(typename MemberTraits<decltype(Method)>::Class* object)
{
    using Delegate = typename MemberTraits<decltype(Method)>::Delegate;
    return Delegate::template Bind<Method>(object);
}

}  // namespace fastdelegate
