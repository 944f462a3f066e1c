// The owner of one image list: destroyed when the owner goes or takes another.
#pragma once

#include <windows.h>
#include <commctrl.h>

class CImageListHandle {
public:
    explicit CImageListHandle(HIMAGELIST list = nullptr) : m_list(list) {}
    ~CImageListHandle() { Reset(); }
    CImageListHandle(const CImageListHandle&) = delete;
    CImageListHandle& operator=(const CImageListHandle&) = delete;

    HIMAGELIST Get() const { return m_list; }
    explicit operator bool() const { return m_list != nullptr; }

    void Reset(HIMAGELIST list = nullptr)
    {
        if (m_list && m_list != list)
            ImageList_Destroy(m_list);
        m_list = list;
    }

private:
    HIMAGELIST m_list;
};
