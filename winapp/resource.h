#pragma once
// Resource ids of lumora.exe (shared by lumora.rc and the code).
#define IDI_LUMORA 1
#define IDI_LUMORA_PAUSED 2
// The phrase list's toolbar images, one strip a size (make-toolbar-images.py draws them).
#define IDB_TOOLBAR_16 10
#define IDB_TOOLBAR_24 11
#define IDB_TOOLBAR_32 12
#define IDD_ABOUT 100
#define IDC_NAMELABEL 101
#define IDC_HOMEPAGELABEL 102
#define IDC_HYPERLABEL 103
#define IDD_OPTIONS 200
#define IDC_OPT_MODE 201
#define IDC_OPT_MAXPHRASES 202
#define IDC_OPT_PHRASEFILE 203
#define IDC_OPT_BROWSE 204
#define IDC_OPT_EXCLUDED 205
#define IDC_OPT_ADD 206
#define IDC_OPT_REMOVE 207
#define IDC_OPT_PAUSE 208
#define IDC_OPT_SIGNIN 209
#define IDC_OPT_SEARCH 210
#define IDC_OPT_NOLIMIT 211
#define IDC_OPT_FOLLOWCASE 213
#define IDC_OPT_UNDO 214
// How phrases reach the programs: pasted above a length, and each program's own way.
#define IDC_OPT_PASTEABOVE 230
#define IDC_OPT_METHODS 231
#define IDC_OPT_METHOD 232
#define IDC_OPT_METHOD_ADD 233
#define IDC_OPT_METHOD_REMOVE 234
// "Add..." beside the Options window's program lists.
#define IDD_PROGRAM_PICKER 240
#define IDC_PICK_WINDOWS 241
#define IDC_PICK_BROWSE 242
#define IDC_PICK_NOTE 243
#define IDD_IMPORT 300
#define IDC_IMPORT_LIST 301
#define IDD_IMPORT_REPORT 310
#define IDC_IMPORT_REPORT 311
#define IDC_IMPORT_SHARED 312
// The commands of the tray menu and of the phrase list's toolbar (and Ctrl+N), handled by the
// main window.
#define IDM_SHOW_PHRASE_LIST 40001
#define IDM_EXIT 40002
#define IDM_ABOUT 40003
#define IDM_NEW_ITEM 40004
#define IDM_DELETE 40005
#define IDM_OPTIONS 40006
#define IDM_PAUSE 40007
#define IDM_SEARCH 40011
#define IDM_IMPORT_BACKUP 40008
// The phrase list's Import... and Export... (its toolbar and context menu).
#define IDM_IMPORT 40009
#define IDM_EXPORT 40010
// Ctrl+F in the phrase list: its filter box.
#define IDM_FILTER_PHRASES 40020
