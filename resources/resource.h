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

// The note organizer: dialog 1026, its controls, the sort marks and texts.
#define IDD_NOTE_ORGANIZER 1026         // "Quillet - Note Organizer"
#define IDC_ORGANIZER_LIST 122          // the notes, report view
#define IDC_ORGANIZER_GROUPS 1124       // the group list
#define IDC_ORGANIZER_SHOW_HIDE 120     // "&Show/Hide"
#define IDC_ORGANIZER_TOGGLE_ALARM 1080 // "&Toggle Alarm"
#define IDC_ORGANIZER_DELETE 1081       // "&Delete Note"
#define IDC_ORGANIZER_GLOBAL_SEARCH 1117 // "&Global Search"
#define IDC_ORGANIZER_PREFERENCES 1119  // "&Preferences"
#define IDC_ORGANIZER_NEW_NOTE 1120     // "&New Note"
#define IDC_ORGANIZER_EDIT_GROUPS 1125  // "&Edit Groups"
#define IDC_ORGANIZER_HELP 57670        // "&Help"
#define IDB_SORT_DESCENDING 140         // the sort mark while the ascending flag is 0
#define IDB_SORT_ASCENDING 141          // the sort mark while it is 1
#define IDS_DISPLAY_ALL_NOTES 20        // "<Display all notes>"
#define IDS_NOTE_ATTACHED_TO 38         // "Note attached to"
#define IDS_CONFIRM_DELETE_NOTES 848    // "Are you sure you want to remove the selected notes? ..."
#define IDS_COLUMN_TITLE 908            // "Title"
#define IDS_COLUMN_ALARM 909            // "Alarm"
#define IDS_COLUMN_CREATED 920          // "Creation date"
#define IDS_COLUMN_LAST_UPDATED 921     // "Last updated"
// Printing and mail: the cancel dialog while pages spool, the footer's page
// text and the mail failure.
#define IDD_PRINTING 108            // "Quillet is printing"
#define IDC_PRINTING_TEXT 1962      // "Sending text to print spooler... "
#define IDS_EMAIL_FAILED 871        // "Failed to send email!\nMake sure you have a MAPI compatible mailer ..."
#define IDS_PRINT_PAGE 872          // "Page %d of %d"
// The note commands: the lock entry's two texts, quick snooze's question, and
// the two delete texts that come with the alarm notification's strings.
#define IDS_MENU_LOCK 882           // "&Lock\tF11"
#define IDS_MENU_UNLOCK 883         // "Un&lock\tF11"
#define IDS_QUICK_SNOOZE_RESETS 928 // "There's already an alarm defined for this note! ..."
#define IDS_CONFIRM_NOTE_DELETE 818 // "Are you sure you want to remove this note? ..."
#define IDS_UNLOCK_TO_DELETE 836    // "You need to unlock this note before it can be removed. ..."
// The attach-to-window dialog: template 159, its controls and the finder's two icons.
#define IDD_ATTACH_NOTE_TO_WND 159  // "Attach Window to note"
#define IDC_ATTACH_TITLE 1137       // the window title
#define IDC_ATTACH_FINDER 1138      // the finder tool (an icon without SS_NOTIFY: presses reach the dialog)
#define IDC_ATTACH_TOP_LEFT 1140    // the move-with radios
#define IDC_ATTACH_TOP_RIGHT 1141
#define IDC_ATTACH_BOTTOM_LEFT 1142
#define IDC_ATTACH_BOTTOM_RIGHT 1143
#define IDC_ATTACH_DOES_NOT_MOVE 1144
#define IDI_FINDER_WITH_TARGET 161  // the finder with its cross-hair, shown while not picking
#define IDI_FINDER_EMPTY 162        // the empty finder, shown while picking
// The note title, lock and unlock dialogs (the unlock template is above).
#define IDD_NOTE_TITLE 107          // "Quillet - Note Title"
#define IDD_LOCK_NOTE 117           // "Quillet - Lock note"
#define IDC_NOTE_TITLE 1005         // the title edit
#define IDC_NOTE_PASSWORD 1036      // the password edit of lock and unlock
#define IDC_UNLOCK_PROMPT 1042      // the unlock dialog's prompt
#define IDS_WRONG_PASSWORD 878      // "The password you entered is incorrect!"

// The alarm dialog and its quick-set menu.
#define IDD_ALARM 1005              // "Quillet - Select time and date for alarm"
#define IDC_ALARM_DATE 1109         // date picker
#define IDC_ALARM_TIME 139          // time picker
#define IDC_ALARM_ACTIVE 124        // "&Alarm Active"
#define IDC_ALARM_FREQUENCY 1004    // the repeat kinds
#define IDC_ALARM_HIDE 125          // "&Hide note on exit"
#define IDC_ALARM_POPUP 121         // "&Popup note before alarm"
#define IDC_ALARM_POPUP_COUNT 106   // the reminder count
#define IDC_ALARM_POPUP_SPIN 1111   // its up-down
#define IDC_ALARM_POPUP_UNIT 108    // the reminder units
#define IDC_ALARM_ACTIVATE 123      // "Activate &note on popup"
#define IDC_ALARM_EXECUTE 1025      // "Execute"
#define IDC_ALARM_COMMAND 1011      // the command line
#define IDC_ALARM_BROWSE_COMMAND 1012
#define IDC_ALARM_TEST_COMMAND 1013
#define IDC_ALARM_SOUND 1026        // "Sound"
#define IDC_ALARM_SOUND_FILE 1008   // the sound file
#define IDC_ALARM_BROWSE_SOUND 1009
#define IDC_ALARM_TEST_SOUND 1010   // "T&est sound" / "&Stop sound"
#define IDC_ALARM_QUICK 1135        // opens the quick-set menu
#define IDC_HELP_BUTTON 57670       // the dialogs' Help buttons
#define IDR_QUICK_ALARM 170         // the quick-set menu (first submenu)
#define ID_QUICK_IN_AN_HOUR 21041
#define ID_QUICK_AFTER_LUNCH 21042
#define ID_QUICK_TOMORROW 21043
#define ID_QUICK_NEXT_WEEK 21044
#define ID_QUICK_NEXT_MONTH 21045
#define ID_QUICK_IN_15_MINUTES 21046
#define ID_QUICK_IN_30_MINUTES 21047
#define ID_QUICK_TOMORROW_MORNING 21048
#define IDS_ALARM_IN_PAST 13        // "The alarm is set to a time in the past! ..."
#define IDS_UNIT_MINUTES 812        // the reminder units, 812 + unit
#define IDS_UNIT_HOURS 813
#define IDS_UNIT_DAYS 814
#define IDS_UNIT_WEEKS 815
#define IDS_REPEAT_ONCE 825         // the repeat kinds in list order (861 is second)
#define IDS_REPEAT_DAILY 826
#define IDS_REPEAT_WEEKDAYS 827
#define IDS_REPEAT_WEEKLY 828
#define IDS_REPEAT_BIWEEKLY 829
#define IDS_REPEAT_MONTHLY 830
#define IDS_REPEAT_YEARLY 831
#define IDS_REPEAT_HOURLY 861
#define IDS_TEST_SOUND 890          // "&Test sound"
#define IDS_STOP_SOUND 891          // "&Stop sound"

// The find and the find-and-replace dialogs.
#define IDD_FIND 119                // "Quillet - Find"
#define IDD_REPLACE 1009            // "Quillet - Find / Replace"
#define IDC_FIND_WHAT 1043          // "Find what:"
#define IDC_FIND_MATCH_CASE 1045    // "&Match case"
#define IDC_FIND_UP 1046            // direction radios
#define IDC_FIND_DOWN 1047
#define IDC_REPLACE_WITH 1048       // "Replace with: "
#define IDC_REPLACE 1049            // "&Replace"

// The group editor and the group list.
#define IDD_EDIT_GROUP 1030         // "Add/Edit Group"
#define IDC_GROUP_PREVIEW 1126      // the colour preview
#define IDC_GROUP_NAME 1127         // the name edit
#define IDC_GROUP_COLOR_BUTTON 1058 // "&Adjust Color"
#define IDD_GROUP_LIST 156          // "Group list"
#define IDC_GROUP_LIST 1124         // the groups, one row each
#define IDC_GROUP_NEW 1128
#define IDC_GROUP_DELETE 1129
#define IDC_GROUP_EDIT 1130
#define IDC_GROUP_MOVE_UP 1131
#define IDC_GROUP_MOVE_DOWN 1132
#define IDS_GROUP_COLUMN 810        // "Group"
// The group list's images: 9 frames a group's colour swatch.
#define IDB_GROUP_SWATCH 6000
#define GROUP_SWATCH_FRAME_IMAGE 9
// The LAN dialogs: sending a note (134), the alias editor (145) and its entry
// (144), the ignore-list editor (1020) and its entry (1021); their images and
// texts.
#define IDD_NET_SEND 134            // "Network Send"
#define IDB_NET_SEND_IMAGES 135     // 16 x 16: 0-2 sending, sent, failed; 3-9 the organizer's
#define IDD_ADD_ALIAS 144           // "Add/Edit Net Send Alias"
#define IDD_EDIT_ALIAS 145          // "Edit Alias"
#define IDD_EDIT_IGNORE_LIST 1020   // "Edit Ignore List"
#define IDD_ADD_IGNORE 1021         // "Add/Edit Net Send Alias"
#define IDC_NETSEND_RECIPIENT 1074  // the recipient combo box
#define IDC_NETSEND_HISTORY 1075    // the send history
#define IDC_NETSEND_EDIT_ALIASES 1094
#define IDC_NETSEND_EDIT_IGNORE 1108
#define IDC_NETSEND_HELP 57670
#define IDC_LIST_DELETE 1081        // the editors' buttons
#define IDC_LIST_ADD 1097
#define IDC_LIST_EDIT 1100
#define IDC_AUTO_DETECT 1135
#define IDC_ALIAS_NAME 1095         // the alias entry's name
#define IDC_ALIAS_LIST 1096         // the editors' lists
#define IDC_ALIAS_HOST 1096         // the alias entry's host
#define IDC_IGNORE_NAME 1107
#define IDS_NETSEND_FAILED 7        // "Failed"
#define IDS_NETSEND_SENT 8          // "Sent"
#define IDS_NETSEND_SENDING 9       // "Sending"
#define IDS_COLUMN_HOST 906         // "Host"
#define IDS_COLUMN_STATUS 907       // "Status"
#define IDS_COLUMN_ALIAS 924        // "Alias"
#define IDS_COLUMN_IP_HOST 927      // "IP/Host"
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

// The preference pages for alarms, sounds, language, network and hot keys:
// their templates, controls and texts.
#define IDD_PREFERENCE_ALARM 1012
#define IDD_PREFERENCE_SOUND 1013
#define IDD_PREFERENCE_LANGUAGE 1015
#define IDD_PREFERENCE_NETWORK 1017
#define IDD_PREFERENCE_HOTKEYS 1018
#define IDC_PREFPAGE_SOUND_FILE 1008        // Alarm and Sound pages
#define IDC_PREFPAGE_BROWSE_SOUND 1009
#define IDC_PREFPAGE_TEST_SOUND 1010        // "&Test sound" / "&Stop sound"
#define IDC_ALARMPAGE_SNOOZE 1011
#define IDC_ALARMPAGE_HIDE 125
#define IDC_ALARMPAGE_EXPIRED 103
#define IDC_ALARMPAGE_POPUP 121
#define IDC_ALARMPAGE_POPUP_COUNT 106
#define IDC_ALARMPAGE_POPUP_UNIT 108
#define IDC_ALARMPAGE_NOTIFICATION 1145
#define IDC_SOUNDPAGE_EVENTS 1054
#define IDC_LANGPAGE_LANGUAGES 1066
#define IDC_NETPAGE_RECEIVE_NOTIFY 1076
#define IDC_NETPAGE_PORT 1077
#define IDC_NETPAGE_DISABLE_NETWORK 1121
#define IDC_NETPAGE_CHECK_VERSION 1122
#define IDC_NETPAGE_INTERVAL 1123
#define IDC_HOTKEYPAGE_NEW_NOTE 1082        // the hot keys' texts and their Change buttons
#define IDC_HOTKEYPAGE_CHANGE_NEW_NOTE 1083
#define IDC_HOTKEYPAGE_ORGANIZER 1084
#define IDC_HOTKEYPAGE_CHANGE_ORGANIZER 1085
#define IDC_HOTKEYPAGE_SHOW_HIDE 1086
#define IDC_HOTKEYPAGE_CHANGE_SHOW_HIDE 1087
#define IDC_HOTKEYPAGE_QUICK_SEARCH 1089
#define IDC_HOTKEYPAGE_CHANGE_QUICK_SEARCH 1088
#define IDS_EVENT_CREATE_NOTE 887           // "Creating new note": the Sound page's events
#define IDS_EVENT_DELETE_NOTE 888           // "Deleting note"
#define IDS_EVENT_SHOW_HIDE_NOTE 889        // "Show/Hide note"
#define IDS_EVENT_NOTE_RECEIVED 946         // "Note received"
#define IDS_INTERVAL_ONE_WEEK 937           // "One week": the version check's intervals
#define IDS_INTERVAL_TWO_WEEKS 938          // "Two weeks"
#define IDS_INTERVAL_SIX_WEEKS 940          // "Six weeks"
#define IDS_INTERVAL_FOUR_WEEKS 941         // "Four weeks"
// The preference sheet's own pages: Main, Notes and Notes (Other).
#define IDS_PREFS_CAPTION 17            // "Quillet Preferences"
#define IDS_STARTUP_ENABLE 15           // "Enable"
#define IDS_STARTUP_DISABLE 16          // "Disable"
#define IDS_TASKBAR_SINGLE_CLICK 901    // the taskbar actions in list order
#define IDS_TASKBAR_DOUBLE_CLICK 902
#define IDS_TASKBAR_NO_ACTION 903
#define IDS_SORT_ALPHABETICAL 14        // "Alphabetical"; 921 "Last updated" comes first
#define IDS_AUTOFADE_OFF 35             // the auto-fade waits in list order
#define IDS_AUTOFADE_5_SECONDS 36
#define IDS_AUTOFADE_10_SECONDS 37
#define IDD_PREFS_MAIN 1010             // "Main"
#define IDC_PREF_AUTOSAVE 304           // "&Autosave notes"
#define IDC_PREF_HIDE_ALL 104           // "&Hide all notes on startup "
#define IDC_PREF_CONFIRM_DELETE 1055    // "C&onfirm deleting notes "
#define IDC_PREF_ALWAYS_ON_TOP 1056     // "Always on &top "
#define IDC_PREF_TASKBAR_ACTION 1071
#define IDC_PREF_TOOLBAR_POSITION 1002
#define IDC_PREF_HIDE_TOOLBAR 1007      // "Hide toolbar on &startup"
#define IDC_PREF_VISIBLE_IN_TASKBAR 1070
#define IDC_PREF_STARTUP_ARGUMENTS 1116
#define IDC_PREF_STARTUP_TOGGLE 1114    // "Enable" / "Disable"
#define IDD_PREFS_NOTES 1011            // "Notes"
#define IDC_PREF_DEFAULT_FONT 303       // "Select &font..."
#define IDC_PREF_TITLE_FONT 304         // "Select &font..."
#define IDC_PREF_DEFAULT_COLOR 101      // the colour button
#define IDC_PREF_RANDOM_COLOR 1056      // "&Random color "
#define IDC_PREF_EDIT_COLORS 1059       // "Edit Colors...", hidden
#define IDC_PREF_TRANSPARENCY 1118      // slider 0-90
#define IDC_PREF_NOTE_POSITION 102
#define IDC_PREF_SIZE_SMALL 1022        // the four sizes, DefSize 0-3
#define IDC_PREF_SIZE_MEDIUM 1023
#define IDC_PREF_SIZE_LARGE 1024
#define IDC_PREF_SIZE_EXTRA_LARGE 1025
#define IDC_PREF_SMART_FIT 1062
#define IDC_PREF_SMART_SIZE 1067
#define IDC_PREF_PASTE_AS_TEXT 1063
#define IDC_PREF_URL_DETECTION 1064
#define IDD_PREFS_NOTES_OTHER 1133      // "Notes (Other)"
#define IDC_PREF_DEFAULT_GROUP 1134
#define IDC_PREF_EDIT_GROUPS 1125       // "&Edit groups"
#define IDC_PREF_SUBMENU_LIMIT 1147
#define IDC_PREF_MENU_SPLIT 1148
#define IDC_PREF_SUBMENU_SORTING 1149
#define IDC_PREF_ANIMATION_SLOW 1154    // AnimationSpeed 0-3 in tab order: 1154, 1157, 1155, 1156
#define IDC_PREF_ANIMATION_MEDIUM 1157
#define IDC_PREF_ANIMATION_FAST 1155
#define IDC_PREF_ANIMATION_NONE 1156
#define IDC_PREF_MINIMIZED_POSITION 1152
#define IDC_PREF_DONT_SHRINK 1158
#define IDC_PREF_NO_DOCKING 1159
#define IDC_PREF_AUTOFADE 1160
// Global search: the organizer's found-notes question and its caption.
#define IDS_FOUND_INSTANCES 929     // "Found %d instances of %s\nWould you like to display the found notes?"
#define IDS_GLOBAL_SEARCH 930       // "Global Search"
// The quick search: template 169 and its controls.
#define IDD_QUICK_SEARCH 169        // "Quillet - Quick Search"
#define IDC_QUICK_SEARCH_TEXT 1150  // the search text
#define IDC_QUICK_SEARCH_LIST 1124  // the found notes
