#pragma once
// Resource and control ids, shared by tavelin.rc and the code.

#define IDM_MAIN 101
#define IDB_TOOLBAR 107
#define IDI_TAVELIN 113
// The row icons, one strip per size: the four states in the order of ui::State, then that of no plan.
#define IDB_ROW_ICONS_16 126
#define IDB_ROW_ICONS_24 127
#define IDB_ROW_ICONS_32 128

#define IDD_ABOUT 115
#define IDD_SETTINGS 127
#define IDD_RESTART 131
#define IDD_ENTRY 133
#define IDD_ROW_CHANGED 150
#define IDD_RETURN_TIME 151

// Child controls of the main window, found by these ids: apart from every other id here, IDOK and IDCANCEL.
#define IDC_MEMBER_LIST 201
#define IDC_STATUS_BAR 202
#define IDC_TOOLBAR 203
// The find box, a child of the toolbar.
#define IDC_FIND 204
// The notice bar under the toolbar, and its two buttons.
#define IDC_NOTICE_BAR 205
#define IDC_NOTICE_ACTION 206
#define IDC_NOTICE_CLOSE 207

// Menu and toolbar commands.
#define IDM_SETTINGS 40014
#define IDM_EXIT 40015
#define IDM_ABOUT 40017
#define IDM_UPDATE_LIST 40053
#define IDM_LATEST_INFO 40055
#define IDM_RESET_LOCK 40057
// My row's state in one click, in the order of the entry dialog's states.
#define IDM_MY_OFFICE 40101
#define IDM_MY_HOME 40102
#define IDM_MY_OUT_RETURNING 40103
#define IDM_MY_OUT_GOING_HOME 40104
// My row emptied, plans and time too.
#define IDM_CLEAR_MINE 40105
// Finding members: the box focused, and emptied.
#define IDM_FIND 40110
#define IDM_FIND_CLEAR 40111
#define IDM_EXPORT_CSV 40120

// The entry dialog's fields.
#define IDC_MORNING 1001
#define IDC_RETURN_TIME 1002
#define IDC_AFTERNOON 1003
#define IDC_ENTRY_GROUP 1004
#define IDC_STATE 1013
#define IDC_ENTRY_NOTE 1014

// The settings dialog's fields and buttons.
#define IDC_NAME_LIST_PATH 1001
#define IDC_BOARD_PATH 1005
#define IDC_BROWSE_NAME_LIST 1007
#define IDC_BROWSE_BOARD 1008
#define IDC_INTERVAL 1009
#define IDC_SETTINGS_NOTE 1010
#define IDC_OWN_NAME 1011
#define IDC_WRITE_WITHOUT_LOCK 1015
// What is wrong with the two paths, as the share's worker last found.
#define IDC_PATH_NOTE 1016

// The question about a row another PC changed meanwhile.
#define IDC_CHANGED_INTRO 1030
#define IDC_CHANGED_MORNING 1031
#define IDC_CHANGED_AFTERNOON 1032
#define IDC_CHANGED_RETURN 1033
#define IDC_CHANGED_STATE 1034
#define IDC_OVERWRITE 1035

// The return time asked for 外出・戻り from the 自分の状態 commands.
#define IDC_MY_RETURN 1040
#define IDC_MY_RETURN_NOTE 1041

// The About dialog's program line, with the project and its page.
#define IDC_ABOUT_PROGRAM 1020

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// The main window's refresh timer, and the clock that redraws rows turning overdue or stale.
#define IDT_REFRESH 1
#define IDT_CLOCK 2
#define IDT_CLOSING 3
#define IDT_RETRY 4
#define IDT_NAME_NOTES 5
