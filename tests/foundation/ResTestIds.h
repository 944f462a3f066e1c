// Resource ids of the resource tests: program-side ids from 60000 up, so
// that they never meet the program's own.
#pragma once

#define IDS_T_PROGRAM_ONLY 60000
#define IDS_T_SHARED 60001
#define IDS_T_SECOND 60002
#define IDS_T_THIRD 60003
#define IDS_T_LONG 60016            // 600 characters, module only

#define IDM_T_PROGRAM_ONLY 60100
#define IDM_T_SHARED 60101
#define ID_T_PROGRAM_ITEM 60190     // first item of a program menu
#define ID_T_MODULE_ITEM 60191      // first item of a module menu

#define IDB_T_PROGRAM_ONLY 60200
#define IDB_T_SHARED 60201
#define IDI_T_PROGRAM_ONLY 60300
#define IDI_T_SHARED 60301
#define IDC_T_PROGRAM_ONLY 60400
#define IDC_T_SHARED 60401
#define IDR_T_PROGRAM_ONLY 60500
#define IDR_T_SHARED 60501

#define IDD_T_PROGRAM_ONLY 60600
#define IDD_T_SHARED 60601
#define IDD_T_BAD_CLASS 60602       // the module's template names no real class
#define IDC_T_LABEL 60690
