// The three small lists of LAN sending, kept in "ALIAS.INI": the send history
// (recipients and the last outcome), the aliases (friendly names for hosts)
// and the ignore list (senders whose notes the listener drops). They belong
// to the GUI thread, except that the listener thread asks IsSenderIgnored
// while the GUI thread may change the ignore list.
#pragma once

#include <windows.h>

#include <array>
#include <map>
#include <mutex>
#include <vector>

#include "foundation/StdStr.h"

// Status of a history entry; it is also the image index of its row.
enum ENetSendStatus : int { kNetSendSending = 0, kNetSendSent = 1, kNetSendFailed = 2 };

struct SNetSend {
    CStdStr host;
    int port = 0;
    int status = kNetSendSending;
};

struct SAlias {
    CStdStr name;
    CStdStr address;
};

struct IgnoreEntry {
    std::array<BYTE, 4> mask = {};   // an IPv4 address, network byte order
    bool invert = false;
};

// Where a list text comes from: a refused text the user typed is explained
// in a message box; one that came from a peer is only logged.
enum EListTextOrigin { kTypedByUser, kFromPeer };

// The name look-up of the ignore list's host-name keys (CWinSockX::Resolve);
// INADDR_NONE when the name does not resolve.
struct SHostLookupSeam {
    ULONG (*resolve)(const wchar_t* host);
};
extern SHostLookupSeam g_hostLookupSeam;

class CNetLists {
public:
    // ---- send history
    // Reads the history (the newest 30 entries), the aliases and the ignore
    // list from the file, which later stores write. 1; 0, logged, when the
    // file is there but cannot be read (held by another program): the lists
    // are then not loaded, no store writes over the file, and a later load
    // tries again.
    int LoadNetSends(const wchar_t* iniPath);
    // Writes the ignore list and the aliases, and the history when it changed.
    // Nothing is written when the lists were not loaded: the file's lists are
    // not replaced by empty ones. An ANSI file is rewritten as Unicode first.
    // 1 when everything was written; a failure is logged, and the lists stay
    // in memory for the next store.
    int StoreNetSends();
    // A load was made (whether the file could be read or not).
    bool WasLoaded() const { return !m_iniPath.empty(); }
    // Moves the entry of the same host (case-insensitive) to the end with the
    // new port and status, or appends: the newest entries are the ones a load
    // keeps. False, logged, for a host that a stored line could not carry.
    bool UpdateNetSends(const SNetSend& entry);
    void RemoveNetSend(int index);
    bool GetNetSend(int index, SNetSend& entry) const;
    int GetNetSendCount() const { return static_cast<int>(m_history.size()); }

    // ---- aliases, sorted by name, then address
    int LoadAliases();
    bool StoreAliases();
    // False, logged, when a stored line could not carry the pair exactly; a
    // pair the user typed is refused with a message box saying why.
    bool AddAlias(const wchar_t* address, const wchar_t* name, EListTextOrigin origin = kTypedByUser);
    // The first alias of that name (exact text).
    void DeleteAlias(const wchar_t* name);
    // The first alias with exactly that name and address.
    void DeleteAlias(const wchar_t* name, const wchar_t* address);
    // The address of the first alias of exactly that name; empty when none.
    CStdStr LookupAlias(const wchar_t* name) const;
    void RemoveDuplicateAliases();
    const std::vector<SAlias>& Aliases() const { return m_aliases; }
    // Rows of name and address; each item's data is its index in the list.
    void FillAliasListView(HWND listView) const;

    // ---- ignore list
    int LoadIgnoreList();
    bool StoreIgnoreList();
    // An alias name stands for the alias's address. Returns the key used
    // (also when it was there already); empty, logged, when refused (with a
    // message box for a text the user typed).
    CStdStr AddIgnore(const wchar_t* text, EListTextOrigin origin = kTypedByUser);
    void RemoveIgnore(const wchar_t* key);
    // Rows in key order; each item's data is its position.
    void FillIgnoreListView(HWND listView) const;
    // Whether notes from that dotted address are dropped: the address, then
    // with its last one to four octets zeroed, looked up in turn. A key that
    // is a host name stands also for the address it resolves to, looked up
    // at the first test that needs it and kept until the next load. Safe on
    // any thread.
    bool IsSenderIgnored(const wchar_t* address) const;

private:
    using IgnoreMap = std::map<CStdStr, IgnoreEntry>;

    using ResolvedNames = std::map<CStdStr, ULONG>;

    bool StoreHistory();
    void OnUnreadableFile(const CStdStr& path, DWORD error);
    bool CanStore();
    void SortAliases();
    bool TestIgnoreLevel(const std::array<BYTE, 4>& address, const ResolvedNames& names) const;
    ResolvedNames ResolveNameKeys() const;
    static IgnoreEntry MakeIgnoreEntry(const CStdStr& maskText);

    CStdStr m_iniPath;
    // The file was there but could not be read at the last load.
    bool m_unreadable = false;
    bool m_skippedStoreLogged = false;
    bool m_historyChanged = false;
    std::vector<SNetSend> m_history;
    std::vector<SAlias> m_aliases;
    mutable std::mutex m_ignoreLock;
    IgnoreMap m_ignore;
    // Host-name keys and what they resolved to, under the lock.
    mutable ResolvedNames m_resolvedNames;
};

// The process's lists.
CNetLists& NetLists();
