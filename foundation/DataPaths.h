// The data-file paths: every data file of the program lives in one data
// folder; SetDataFilePaths forms all paths from it at once.
#pragma once

enum class EDataPath {
    Settings,           // RERUZADU.INI
    LegacyNotes,        // string 816, "NOTES.DAT"
    LegacyNotesBackup,  // the same name with "BAK"
    Database,           // QUILLT40.DAT
    OlderDatabase,      // QUILLT.DAT
    AliasList,          // string 923, "ALIAS.INI"
    GroupsFile,         // string 943, "groups.ini"
    ErrorFolder,        // "Errors\"
    BackupFolder,       // "Backup\"
    Count
};

// Takes a full path whose drive and directory name the folder (a file name
// in it is ignored). False, and no path changed, for a relative path or when
// any path would not fit.
bool SetDataFilePaths(const wchar_t* folderOrFileInIt);

// Empty until SetDataFilePaths succeeds.
const wchar_t* GetDataPath(EDataPath which);

// Start-up empties a folder path it could not create, switching that use off.
void ClearDataPath(EDataPath which);
