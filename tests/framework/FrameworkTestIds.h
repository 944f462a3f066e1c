// Resource ids of the framework tests.
#pragma once

#define IDD_T_CONTROLS 6001   // every kind of exchanged control
#define IDD_T_PAGE_ONE 6002
#define IDD_T_PAGE_TWO 6003
#define IDD_T_PAGE_THREE 6004
#define IDD_T_SIZABLE 6005
#define IDD_T_MISSING 6099    // no such template
#define IDS_T_SHEET_CAPTION 6100

#define IDC_T_NUMBER 1001
#define IDC_T_TEXT 1002
#define IDC_T_CHECK 1003
#define IDC_T_RADIO_A 1004
#define IDC_T_RADIO_B 1005
#define IDC_T_RADIO_C 1006
#define IDC_T_AFTER_GROUP 1007
#define IDC_T_COMBO 1008
#define IDC_T_LIST 1009
#define IDC_T_DRAWN 1010
#define IDC_T_STATIC 1011
