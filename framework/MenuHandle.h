// The owner of one menu: destroyed, with its submenus, when the owner goes or
// takes another.
#pragma once

#include <windows.h>

class CMenuHandle {
public:
    explicit CMenuHandle(HMENU menu = nullptr) : m_menu(menu) {}
    ~CMenuHandle() { Reset(); }
    CMenuHandle(const CMenuHandle&) = delete;
    CMenuHandle& operator=(const CMenuHandle&) = delete;
    CMenuHandle(CMenuHandle&& other) noexcept : m_menu(other.m_menu) { other.m_menu = nullptr; }
    CMenuHandle& operator=(CMenuHandle&& other) noexcept
    {
        if (this != &other) {
            Reset(other.m_menu);
            other.m_menu = nullptr;
        }
        return *this;
    }

    HMENU Get() const { return m_menu; }
    explicit operator bool() const { return m_menu != nullptr; }

    void Reset(HMENU menu = nullptr)
    {
        if (m_menu && m_menu != menu)
            DestroyMenu(m_menu);
        m_menu = menu;
    }

    // Gives up ownership (a submenu now owned by its menu).
    HMENU Release()
    {
        const HMENU menu = m_menu;
        m_menu = nullptr;
        return menu;
    }

private:
    HMENU m_menu;
};
