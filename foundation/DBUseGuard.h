// Marks a span of code that uses the note database, so that the idle close
// waits until no such span is open. GUI thread only: the count is plain.
#pragma once

// The count lives here; the note manager derives from it.
class CDBUseCounter {
public:
    int GetDBUseCount() const { return m_dbUseCount; }
    void AddDBUse() { ++m_dbUseCount; }
    void ReleaseDBUse() { --m_dbUseCount; }

private:
    int m_dbUseCount = 0;
};

class CDBUseGuard {
public:
    explicit CDBUseGuard(CDBUseCounter& manager) : CDBUseGuard(&manager) {}
    explicit CDBUseGuard(CDBUseCounter* manager) : m_manager(manager)
    {
        if (m_manager)
            m_manager->AddDBUse();
    }
    ~CDBUseGuard() { Release(); }
    CDBUseGuard(const CDBUseGuard&) = delete;
    CDBUseGuard& operator=(const CDBUseGuard&) = delete;

    // Harmless a second time: the manager is forgotten after the first.
    void Release()
    {
        if (m_manager)
            m_manager->ReleaseDBUse();
        m_manager = nullptr;
    }

private:
    CDBUseCounter* m_manager;
};
