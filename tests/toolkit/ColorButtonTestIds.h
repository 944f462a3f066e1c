// Resource ids of the colour and arrow button tests.
#pragma once

#define IDD_T_COLOR_BUTTONS 6201
#define IDC_T_COLOR 1201
#define IDC_T_ARROW 1202
