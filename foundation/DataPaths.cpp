// The data-file paths.
#include "DataPaths.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>

#include "resources/resource.h"
#include "StdStr.h"

namespace {

constexpr int kPathCount = static_cast<int>(EDataPath::Count);
wchar_t g_dataPaths[kPathCount][MAX_PATH];

struct SFolder {
    wchar_t drive[3];
    wchar_t directory[256];
};

struct SFileName {
    wchar_t name[256];
    wchar_t extension[256];
};

// The names come from the program's own table, never a language module's: a
// translated name would orphan the user's files.
bool LoadFileName(UINT id, SFileName& file)
{
    CStdStr text;
    if (!text.Load(id) || text.empty())
        return false;
    return _wsplitpath_s(text.c_str(), nullptr, 0, nullptr, 0, file.name, 256, file.extension, 256) == 0;
}

bool MakePath(wchar_t* path, const SFolder& folder, const wchar_t* name, const wchar_t* extension)
{
    return _wmakepath_s(path, MAX_PATH, folder.drive, folder.directory, name, extension) == 0;
}

bool FormPaths(const SFolder& folder, wchar_t (&paths)[kPathCount][MAX_PATH])
{
    SFileName legacy, alias, groups;
    if (!LoadFileName(IDS_LEGACY_NOTES_FILE, legacy) || !LoadFileName(IDS_ALIAS_FILE, alias) ||
        !LoadFileName(IDS_GROUPS_FILE, groups))
        return false;
    auto at = [&paths](EDataPath which) { return paths[static_cast<int>(which)]; };
    return MakePath(at(EDataPath::Settings), folder, L"RERUZADU", L"INI") &&
           MakePath(at(EDataPath::LegacyNotes), folder, legacy.name, legacy.extension) &&
           MakePath(at(EDataPath::LegacyNotesBackup), folder, legacy.name, L"BAK") &&
           MakePath(at(EDataPath::Database), folder, L"QUILLT40", L"DAT") &&
           MakePath(at(EDataPath::OlderDatabase), folder, L"QUILLT", L"DAT") &&
           MakePath(at(EDataPath::AliasList), folder, alias.name, alias.extension) &&
           MakePath(at(EDataPath::GroupsFile), folder, groups.name, groups.extension) &&
           MakePath(at(EDataPath::ErrorFolder), folder, L"Errors\\", nullptr) &&
           MakePath(at(EDataPath::BackupFolder), folder, L"Backup\\", nullptr);
}

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

// A drive with its root, or a share or device path: nothing that follows
// the current directory, which common dialogs move.
bool IsFullPath(const wchar_t* path)
{
    const wchar_t letter = static_cast<wchar_t>(path[0] | 0x20);
    const bool drive = letter >= L'a' && letter <= L'z' && path[1] == L':' && IsSeparator(path[2]);
    return drive || (IsSeparator(path[0]) && IsSeparator(path[1]));
}

}  // namespace

bool SetDataFilePaths(const wchar_t* folderOrFileInIt)
{
    if (!IsFullPath(folderOrFileInIt))
        return false;
    SFolder folder;
    if (_wsplitpath_s(folderOrFileInIt, folder.drive, 3, folder.directory, 256, nullptr, 0, nullptr, 0) != 0)
        return false;
    wchar_t paths[kPathCount][MAX_PATH];
    if (!FormPaths(folder, paths))
        return false;
    for (int i = 0; i < kPathCount; ++i)
        wcscpy(g_dataPaths[i], paths[i]);
    return true;
}

const wchar_t* GetDataPath(EDataPath which)
{
    return g_dataPaths[static_cast<int>(which)];
}

void ClearDataPath(EDataPath which)
{
    g_dataPaths[static_cast<int>(which)][0] = L'\0';
}
