// Resource ids of QUILL32. The numbers are fixed: language modules carry
// their translations under the same ids.
#pragma once

// Resource type of the raw RTF texts ("SHOWALARM", "ABOUT").
#define RT_QUILLET_RTF 699
// Resource type of the TGA pictures of the alpha windows (0x309), by name.
#define RT_QUILLET_TGA 777

// Icons, bitmaps and accelerator tables
#define IDI_APP 52                  // the program's icon: main and parent windows
#define IDB_CAPTION_BUTTONS 103     // the note caption's icons and system-menu box
#define IDR_NOTE_ACCELERATORS 105   // keys of the note windows
#define IDR_MAIN_ACCELERATORS 106   // keys of the main window and the organizer
// The owner-drawn menus' image strips, 35 cells of 16 x 15 each
#define IDB_MENU_IMAGES 146         // the images of enabled items
#define IDB_MENU_IMAGES_GRAYED 168  // the same cells for grayed items

// Cursors
#define IDC_PICKER 160              // the window picker's cross-hair

// Strings
#define IDS_COLOR_GREEN 1           // "Green": the random note colours
#define IDS_COLOR_YELLOW 2          // "Yellow"
#define IDS_COLOR_BLUE 3            // "Blue"
#define IDS_COLOR_PINK 4            // "Pink"
#define IDS_COLOR_PURPLE 5          // "Purple"
#define IDS_COLOR_WHITE 6           // "White"
#define IDS_OLD_OPTIONS 10          // "/i" and "/d" are gone
#define IDS_FOLDER_NOT_WRITABLE 12  // the "/f" folder can't be written to
#define IDS_DATABASE_CHANGED 18     // the database file was replaced while running
#define IDS_LEGACY_NOTES_FILE 816   // "NOTES.DAT"
#define IDS_APP_NAME 817            // "Quillet"
#define IDS_TOOLBAR_TOP_LEFT 819    // "Top left corner": toolbar and note positions
#define IDS_TOOLBAR_TOP_RIGHT 820   // "Top right corner"
#define IDS_TOOLBAR_BOTTOM_LEFT 821 // "Bottom left corner"
#define IDS_TOOLBAR_BOTTOM_RIGHT 822 // "Bottom right corner"
#define IDS_TOOLBAR_CENTER_TOP 823  // "Center top"
#define IDS_TOOLBAR_CENTER_BOTTOM 824 // "Center bottom"
#define IDS_HELP_FILE 835           // "QLhelp.chm"
#define IDS_FREQUENCY_FIRST 838     // alarm repeat names, 838 + repeat kind
#define IDS_FREQUENCY_ONCE 838      // "Once"
#define IDS_FREQUENCY_HOURLY 839    // "Repeated hourly"
#define IDS_FREQUENCY_DAILY 840     // "Repeated daily"
#define IDS_FREQUENCY_WEEKDAYS 841  // "Repeated weekdays"
#define IDS_FREQUENCY_WEEKLY 842    // "Repeated weekly"
#define IDS_FREQUENCY_BIWEEKLY 843  // "Repeated biweekly"
#define IDS_FREQUENCY_MONTHLY 844   // "Repeated monthly"
#define IDS_FREQUENCY_YEARLY 845    // "Repeated yearly"
#define IDS_QUICK_SNOOZED 849       // "Quick Snoozed": note lists' alarm text
#define IDS_NOTES_LOAD_FAILED 850   // "Error loading notes from disk! ..."
#define IDS_SHOW_ALL 857            // "Show All"
#define IDS_ALARM_AT 865            // "Alarm at: %s %s " (date, time)
#define IDS_ALARM_OFF 866           // "Alarm Off"
#define IDS_UNLOCK_TO_VIEW 837      // "You need to unlock this note before you can view ..."
#define IDS_UNTITLED_NOTE 874       // "(Untitled) #%d"
#define IDS_COPY_OF 875             // "Copy of %s"
#define IDS_INCORRECT_NUMBER 877    // "You have specified an incorrect number! ..."
#define IDS_COMMAND_LINE_HELP 879   // "Command line options for Quillet: ..."
#define IDS_CANNOT_FIND 881         // "Cannot find \"%s\""
#define IDS_NETSEND_ERROR 910       // "Error sending note to %s"
#define IDS_RECEIVE_FAILED 911      // "Failed to receive note from external host %s"
#define IDS_NOTE_RECEIVED 912       // "Received note from user (%s)"
#define IDS_NO_ALARM 913            // "<No alarm defined>"
#define IDS_ALIAS_FILE 923          // "ALIAS.INI"
#define IDS_SNOOZING_SECONDS 934    // ", snoozing %d seconds"
#define IDS_SNOOZING_MINUTES 935    // ", snoozing %d minutes"
#define IDS_LATEST_VERSION 936      // "You are already running the latest version ..."
#define IDS_NEW_VERSION 942         // "There's a new version of Quillet available. ..."
#define IDS_GROUPS_FILE 943         // "groups.ini"
#define IDS_NO_INTERNET 944         // "There was a problem accessing the internet! ..."

// The note editor: its context menu, link cursor and texts.
#define IDR_EDITOR_MENU 5002        // the editor's context menu (first submenu)
#define IDC_LINK_HAND 149           // the cursor over a link
#define IDS_PASTE_AS_RICH_TEXT 34   // "Paste as rich text\tCTRL+ALT+V"
#define IDS_OPEN_URL 876            // "Open URL"
#define IDS_COPY_URL 905            // "Copy URL"
#define IDS_CONFIRM_OPEN_LINK 1950  // asks before a link to a file or folder opens

// The small note dialogs.
#define IDD_UNLOCK_NOTE 1008        // asks for the password of a locked note
// The tray icon and the main menus.
#define IDI_ALARM_1 125             // the alarm's blinking tray icons
#define IDI_ALARM_2 126
#define IDI_TRAY 167                // the normal tray icon
#define IDR_MAIN_MENU 5000          // the tray and toolbar menu (first submenu)
#define IDR_NOTE_MENU 5001          // the shared note menu (first submenu)
#define IDS_NO_GROUP_ASSIGNED 19    // "<No group assigned>"
#define IDS_EXPORT_FILTER 21        // "Text files!*.TXT!XML files!*.XML!All Files!*.*!!"
#define IDS_TRAY_WELCOME 809        // the welcome balloon's text
#define IDS_SHOW_TOOLBAR 855        // "Show Toolbar"
#define IDS_HIDE_TOOLBAR 856        // "Hide Toolbar"
#define IDS_HIDE_ALL 858            // "Hide All"
#define IDS_EMAIL_NOTE 859          // "E-Mail note"
#define IDS_TRAY_WELCOME_TITLE 864  // the welcome balloon's title
#define IDS_TRANSPARENCY_VISIBLE 867 // "Visible"
#define IDS_HIDDEN 868              // "Hidden"
#define IDS_NO_NOTES 899            // "<No notes created>"
#define IDS_LOCKED 900              // "Locked"
#define IDS_TEXT_LIMIT_REACHED 870  // "Maximum textlimit reached in this note!"
#define IDS_TRANSPARENCY 931        // "Transparency"
#define IDS_TOGGLE_GROUP 945        // "Show/Hide notes in group"
#define IDS_EXPORT_FAILED 1961      // "Failed to export to %s"
#define IDS_CLOSE_NOT_SAVED 1900    // the final save failed: try again, close anyway or keep running
#define IDS_LIST_TEXT_REFUSED 1930  // an alias or ignore entry the list file could not keep as typed

// The toolbar: its glyph strip (11 images of 16 x 15 in the six key colours)
// and its tips, each under its button's command id.
#define IDB_TOOLBAR_GLYPHS 102
#define IDS_TIP_HELP 799            // "Help"
#define IDS_TIP_MAIN_MENU 801       // "Quillet Menu"
#define IDS_TIP_NEW_NOTE 802        // "New Note"
#define IDS_TIP_PREFERENCES 803     // "Preferences"
#define IDS_TIP_SAVE_ALL 804        // "Save All"

// Hot keys and the jump list: dialog 136, the modifier names, the tasks' titles and icons.
#define IDD_SET_HOT_KEY 136         // "Set Hot Key"
#define IDC_HOTKEY_ALT 1084         // the modifier check boxes
#define IDC_HOTKEY_CTRL 1085
#define IDC_HOTKEY_SHIFT 1086
#define IDC_HOTKEY_WIN 1087
#define IDC_HOTKEY_KEYS 1089        // the key list
#define IDS_HOT_KEY_IN_USE 914      // "This hot key is already in use on this system. ..."
#define IDS_MODIFIER_ALT 915        // "ALT"
#define IDS_MODIFIER_CTRL 916       // "CTRL"
#define IDS_MODIFIER_SHIFT 917      // "SHIFT"
#define IDS_MODIFIER_WIN 918        // "WIN"
#define IDS_TASK_NOTE_ORGANIZER 30  // "Note Organizer"
#define IDS_TASK_NEW_NOTE 31        // "New Note"
#define IDS_TASK_SHOW_HIDE 32       // "Show/Hide notes"
#define IDS_TASK_PREFERENCES 33     // "Preferences"
#define IDI_TASK_NEW_NOTE 138       // the jump-list tasks' icons
#define IDI_TASK_NOTE_ORGANIZER 168
#define IDI_TASK_SHOW_HIDE 169
#define IDI_TASK_PREFERENCES 170

// The alarm notification (1027 with the first rich-edit library, 1028 with
// 2.0), the snooze dialog and their texts.
#define IDD_ALARM_DISPLAY 1027
#define IDD_ALARM_DISPLAY_20 1028
#define IDD_SNOOZE 113
#define IDC_ALARM_SNOOZE 1028       // "&Snooze" (IDOK is "&Display Note", IDCANCEL "&Close")
#define IDC_ALARM_DELETE 1027       // "D&elete Note"
#define IDC_ALARM_STOP_SOUND 1050   // "S&top sound"
#define IDC_ALARM_CANCEL_REPEAT 1051 // "Cancel &repeat", template 1028 only
#define IDC_ALARM_TEXT 1073         // the alarm text from "SHOWALARM"
#define IDC_ALARM_PREVIEW 1074      // the note's text
#define IDC_SNOOZE_MINUTES 1011
#define IDS_CONFIRM_REMOVE_NOTE 818 // "Are you sure you want to remove this note? ..."
#define IDS_UNLOCK_TO_REMOVE 836    // "You need to unlock this note before it can be removed. ..."
#define IDS_ALARM_EXPIRED 869       // "This alarm has expired %d time(s) since you last run it"

// The dialogs' file choosers.
#define IDS_SOUND_FILTER 884        // "Sound files(*.mid;*.rmi;*.wav)!..."
#define IDS_PROGRAM_FILTER 885      // "Executable files (*.EXE)!*.EXE!All Files (*.*)!*.*!!"

// The About box (1023 with the rich-edit 2.0 library, 1003 with the first,
// which shows bitmap 129 beside the text).
#define IDD_ABOUT_20 1023
#define IDD_ABOUT 1003
#define IDC_ABOUT_TEXT 1073
#define IDC_ABOUT_PICTURE 52
#define IDC_VISIT_WEBSITE 1039
#define IDB_ABOUT 129
