#pragma once
// Resource ids of lumora.exe (shared by lumora.rc and the code).
#define IDI_LUMORA 1
#define IDI_LUMORA_PAUSED 2
#define IDD_ABOUT 100
#define IDC_NAMELABEL 101
#define IDC_HOMEPAGELABEL 102
#define IDC_HYPERLABEL 103
