// Resource ids of QUILL32. The numbers are fixed: language modules carry
// their translations under the same ids.
#pragma once

// Resource type of the raw RTF texts ("SHOWALARM", "ABOUT").
#define RT_QUILLET_RTF 699

// Strings
#define IDS_LEGACY_NOTES_FILE 816   // "NOTES.DAT"
#define IDS_APP_NAME 817            // "Quillet"
#define IDS_ALIAS_FILE 923          // "ALIAS.INI"
#define IDS_GROUPS_FILE 943         // "groups.ini"
