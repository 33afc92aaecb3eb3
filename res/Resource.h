// Resource ids: strings, dialog templates, menu, icon and control ids.
#pragma once

// Strings.
#define AFX_IDS_APP_TITLE        57344
#define IDS_ABOUTBOX             101
#define IDS_SECTION_MAIN         102
#define IDS_ENTRY_WINDOW         103
#define IDS_ENTRY_FONT           104
#define IDS_ENTRY_HELP           105
#define IDS_TIP_FOLDER           106
#define IDS_TIP_FIND             107
#define IDS_TIP_SCAN             108
#define IDS_TIP_EXIT             109
#define IDS_TIP_LIST             110
#define IDS_FOLDER_FILTER        111
#define IDS_TIP_STOP             112
#define IDS_ENTRY_NOEXT          113
#define IDS_ENTRY_ONE_FILE_SYSTEM 114
#define IDS_ENTRY_EXCLUDE        115
#define IDS_ENTRY_ON_DISK        116
#define IDS_ENTRY_LINKS_ONCE     117
#define IDS_SELECT_FOLDER_TITLE  801
#define IDS_FOLDER_LABEL         802
#define IDS_PROPERTIES_BUTTON    803
#define IDS_INVALID_FOLDER       804
#define IDS_PROPERTIES_CAPTION   805
#define IDS_CAPACITY_GB          806
#define IDS_CAPACITY_MB          807
#define IDS_FILE_SYSTEM          808
#define IDS_COMPRESSED           809
#define IDS_NOT_COMPRESSED       810
#define IDS_NAME_LENGTH          811
#define IDS_NAMES_8_3            812
#define IDS_NAMES_LONG           813
#define IDS_NOT_AVAILABLE        814

// Texts the window shows that have no number of their own elsewhere.
#define IDS_SPECIFY_FOLDER       2001
#define IDS_FMT_FOLDERS          2002
#define IDS_FMT_FILES            2003
#define IDS_FMT_BYTES            2004
#define IDS_OLEINIT_FAILED       2005
#define IDS_SCAN_NOT_STARTED     2006
#define IDS_COLUMN_EXT           2010
#define IDS_COLUMN_COUNT         2011
#define IDS_COLUMN_SIZE          2012
#define IDS_COLUMN_PERCENT       2013
#define IDS_FMT_SELECTED_FILES   2014
#define IDS_FMT_SELECTED_BYTES   2015
#define IDS_FMT_SELECTED_PERCENT 2016
#define IDS_NO_EXT_ROW           2017
#define IDS_FMT_SELECTED_FILE_ONE 2018
// Copying and saving the list: 2020 to 2029.
#define IDS_MENU_COPY            2020
#define IDS_MENU_SAVE_LIST       2021
#define IDS_SAVE_LIST_TITLE      2022
#define IDS_FILTER_CSV           2023
#define IDS_FILTER_JSON          2024
#define IDS_FMT_SAVE_FAILED      2025
#define IDS_FMT_REPLACE_FILE     2026
// Accessible names of the window's controls and the tip of the completeness line: 2030 to 2049.
#define IDS_ACC_FOLDER           2030
#define IDS_ACC_CONTAINS         2031
#define IDS_ACC_SIZE             2032
#define IDS_ACC_SELECTED         2033
#define IDS_ACC_LIST             2034
#define IDS_ACC_OPTIONS          2035
#define IDS_ACC_SIZE_ON_DISK     2037
#define IDS_TIP_INCOMPLETE       2040

// What a scan could not count, for either front end: 2100 to 2119.
#define IDS_FMT_NOT_LISTED_ONE   2100
#define IDS_FMT_NOT_LISTED_MANY  2101
#define IDS_FMT_NOT_ENTERED_ONE  2102
#define IDS_FMT_NOT_ENTERED_MANY 2103
#define IDS_FMT_VANISHED_ONE     2104
#define IDS_FMT_VANISHED_MANY    2105
#define IDS_INCOMPLETE_SEPARATOR 2106
#define IDS_FMT_NOT_EXAMINED_ONE 2107
#define IDS_FMT_NOT_EXAMINED_MANY 2108
#define IDS_FMT_NOT_IN_ROWS_ONE  2109
#define IDS_FMT_NOT_IN_ROWS_MANY 2110
#define IDS_FMT_EXCLUDED_ONE     2111
#define IDS_FMT_EXCLUDED_MANY    2112
#define IDS_FMT_NOT_IN_LARGEST_ONE  2113
#define IDS_FMT_NOT_IN_LARGEST_MANY 2114
#define IDS_FMT_LINKS_UNCHECKED_ONE  2115
#define IDS_FMT_LINKS_UNCHECKED_MANY 2116
// What a walk of a list of names could not count: 2120 to 2139.
#define IDS_FMT_NOT_FOUND_ONE    2120
#define IDS_FMT_NOT_FOUND_MANY   2121
#define IDS_FMT_REPEATED_ONE     2122
#define IDS_FMT_REPEATED_MANY    2123
#define IDS_FMT_EMPTY_NAMES_ONE  2124
#define IDS_FMT_EMPTY_NAMES_MANY 2125

// The "Largest files" window: 4000 to 4099.
#define IDS_LARGEST_TITLE            4000
#define IDS_LARGEST_EXT_SEPARATOR    4001
#define IDS_LARGEST_COLUMN_NAME      4002
#define IDS_LARGEST_COLUMN_FOLDER    4003
#define IDS_LARGEST_COLUMN_SIZE      4004
#define IDS_LARGEST_COLUMN_MODIFIED  4005
#define IDS_LARGEST_STOP             4006
#define IDS_LARGEST_OPEN_FOLDER      4007
#define IDS_LARGEST_CLOSE            4008
#define IDS_FMT_LARGEST_RUNNING      4009
#define IDS_FMT_LARGEST_DONE         4010
#define IDS_FMT_LARGEST_DONE_LIMIT   4011
#define IDS_FMT_LARGEST_STOPPED      4012
#define IDS_LARGEST_NOT_STARTED      4013
#define IDS_FMT_LARGEST_GONE_ROW     4014
#define IDS_FMT_LARGEST_GONE         4015
#define IDS_FMT_LARGEST_OPEN_FAILED  4016
#define IDS_MENU_LARGEST             4017
#define IDS_ACC_LARGEST_LIST         4018
#define IDS_LARGEST_STOPPING         4019
#define IDS_FMT_LARGEST_RUNNING_ONE  4020
#define IDS_FMT_LARGEST_DONE_ONE     4021
#define IDS_FMT_LARGEST_STOPPED_ONE  4022
#define IDS_FMT_LARGEST_TITLE_MORE   4023

// Texts of the command-line tool: 3000 to 3099.
#define IDS_CLI_FIRST            3000
#define IDS_CLI_USAGE            3001
#define IDS_CLI_CONTAINS         3002
#define IDS_CLI_SIZE             3003
#define IDS_CLI_FIELD            3004
#define IDS_CLI_STATUS           3005
#define IDS_CLI_CANNOT_READ      3006
#define IDS_CLI_UNKNOWN_OPTION   3007
#define IDS_CLI_BAD_SORT         3008
#define IDS_CLI_ONE_FORMAT       3009
#define IDS_CLI_NO_FOLDER        3010
#define IDS_CLI_EXTRA_ARGUMENT   3011
#define IDS_CLI_INTERRUPTED      3012
#define IDS_CLI_WRITE_FAILED     3013
#define IDS_CLI_START_FAILED     3014
// The report under memory pressure: 3050 to 3059.
#define IDS_CLI_REPORT_CUT_SHORT 3050
// kestrum-scan's usage errors, sizes and largest files: 3060 to 3099.
#define IDS_CLI_TRY_HELP         3060
#define IDS_CLI_MISSING_VALUE    3061
#define IDS_CLI_BAD_NUMBER       3062
#define IDS_CLI_RANGE            3063
#define IDS_CLI_EXT_NEEDS_LARGEST 3066
#define IDS_CLI_NO_VALUE         3067
#define IDS_CLI_EXCLUDE_PATH     3068
#define IDS_CLI_AMBIGUOUS        3064
#define IDS_CLI_POSSIBILITY      3065
#define IDS_CLI_OUT_OF_MEMORY    3069
#define IDS_CLI_AT_LEAST         3074
#define IDS_CLI_UNITS_BINARY     3070
#define IDS_CLI_UNITS_SI         3071
#define IDS_CLI_HUMAN_SIZE       3072
#define IDS_CLI_SIZE_ON_DISK     3073
#define IDS_CLI_LARGEST          3080
#define IDS_CLI_LARGEST_NONE     3081
#define IDS_CLI_BAD_EXTENSION    3082
#define IDS_CLI_PROBLEM_NOT_LISTED   3083
#define IDS_CLI_PROBLEM_NOT_ENTERED  3084
#define IDS_CLI_PROBLEM_VANISHED     3085
#define IDS_CLI_PROBLEM_NOT_EXAMINED 3086
#define IDS_CLI_PROBLEMS_MORE        3087
#define IDS_CLI_BAD_BY           3088
#define IDS_CLI_BAD_CATEGORY     3089
#define IDS_CLI_CATEGORY_NEEDS_LARGEST 3090
#define IDS_CLI_SCAN_FILE_NOT_JSON  3091
#define IDS_CLI_SCAN_FILE_BAD_FIELD 3092
#define IDS_CLI_SCAN_FILE_TWICE     3093
#define IDS_CLI_COMPARE_SINCE       3094
#define IDS_CLI_COMPARE_CHOICE      3095
#define IDS_CLI_COMPARE_OTHER_ROOT  3096
#define IDS_CLI_COMPARE_UNFINISHED  3097
#define IDS_CLI_COMPARE_BY_CATEGORY 3098
#define IDS_CLI_COLUMN_CHANGE       3099
// More texts of the command-line tool, lists of names and merged scans: 3100 to 3199.
#define IDS_CLI_PROBLEM_NOT_FOUND   3100
#define IDS_CLI_PROBLEM_REPEATED    3101
#define IDS_CLI_FILES0_WITH_FOLDER  3102
#define IDS_CLI_MERGE_WITH          3103
#define IDS_CLI_MERGE_NO_FILES      3104
#define IDS_CLI_MERGE_CHOICE        3105
#define IDS_CLI_MERGE_UNFINISHED    3106
#define IDS_CLI_NOT_FOLDER_OR_FILE  3107
#define IDS_CLI_LIST_UNREADABLE     3108
#define IDS_CLI_PROBLEM_EMPTY_NAME  3109
#define IDS_CLI_MERGE_TWICE         3110

// The window's walk choices and the exclusions dialog: 4100 to 4199.
#define IDS_EXCLUDE_TITLE        4100
#define IDS_EXCLUDE_PROMPT       4101
#define IDS_SIZE_LABEL           4102
#define IDS_SIZE_ON_DISK_LABEL   4103
#define IDS_ACC_EXCLUDE          4104
#define IDS_EXCLUDE_PATH         4105
// The list of what a scan could not count, opened from the line under the window's list.
#define IDS_PROBLEMS_TITLE         4106
#define IDS_PROBLEMS_COLUMN_PATH   4107
#define IDS_PROBLEMS_COLUMN_KIND   4108
#define IDS_PROBLEMS_COLUMN_REASON 4109
#define IDS_PROBLEM_NOT_LISTED     4110
#define IDS_PROBLEM_NOT_ENTERED    4111
#define IDS_PROBLEM_VANISHED       4112
#define IDS_PROBLEM_NOT_EXAMINED   4113
#define IDS_FMT_PROBLEMS_MORE      4114
#define IDS_PROBLEMS_COPY          4115
#define IDS_PROBLEMS_CLOSE         4116
#define IDS_ACC_PROBLEMS_LIST      4117
#define IDS_TIP_PROBLEMS_OPEN      4118
// Comparing the list with a saved one, and the scans remembered.
#define IDS_COMPARE_TITLE          4119
#define IDS_FILTER_SAVED_SCANS     4120
#define IDS_FILTER_ALL_FILES       4121
#define IDS_COMPARE_CANNOT_READ    4122
#define IDS_COMPARE_NOT_JSON       4123
#define IDS_COMPARE_BAD_FIELD      4124
#define IDS_COMPARE_TWICE          4125
#define IDS_COMPARE_CHOICE         4126
#define IDS_CHOICE_ONE_FILE_SYSTEM 4127
#define IDS_CHOICE_EXCLUDE         4128
#define IDS_CHOICE_LINKS_ONCE      4129
#define IDS_FMT_COMPARE_SINCE      4130
#define IDS_FMT_COMPARE_OTHER_ROOT 4131
#define IDS_FMT_COMPARE_UNFINISHED 4132
#define IDS_FMT_COMPARE_CHOICE_NOW 4133
#define IDS_FMT_SELECTED_CHANGE    4134
#define IDS_FMT_HISTORY_FAILED     4135
#define IDS_ENTRY_HISTORY          4136
#define IDS_FMT_COMPARE_AND_INCOMPLETE 4137
#define IDS_FMT_COMPARE_WAITING    4138

// File types by category, for both front ends: 4200 to 4299.
#define IDS_CATEGORY_IMAGES      4200
#define IDS_CATEGORY_VIDEO       4201
#define IDS_CATEGORY_AUDIO       4202
#define IDS_CATEGORY_DOCUMENTS   4203
#define IDS_CATEGORY_ARCHIVES    4204
#define IDS_CATEGORY_SOURCE_CODE 4205
#define IDS_CATEGORY_PROGRAMS    4206
#define IDS_CATEGORY_FONTS       4207
#define IDS_CATEGORY_OTHER       4208
#define IDS_COLUMN_TYPE          4209
#define IDS_COLUMN_EXTENSIONS    4210
#define IDS_ENTRY_BY_TYPE        4211

// Both programs' version lines and the window program's own command line: 3500 to 3599.
#define IDS_CLI_VERSION          3500
#define IDS_APP_VERSION          3501
#define IDS_APP_USAGE            3502
#define IDS_APP_UNKNOWN_OPTION   3503
#define IDS_APP_BAD_OPTION       3504
#define IDS_APP_EXTRA_ARGUMENT   3505

// Dialog templates, menu, icon.
#define IDD_ABOUTBOX             100
#define IDD_SCAN_DIALOG          102
#define IDR_MAINFRAME            128
#define IDR_OPTIONS_MENU         129

// Commands.
#define IDM_ABOUTBOX             16
#define ID_OPTIONS_FONT          32771
#define ID_OPTIONS_HELPTIP       32772
#define ID_FIT_COLUMNS           32768
#define ID_OPTIONS_NOEXT         32773
#define ID_OPTIONS_SAVELIST      32774
#define ID_EDIT_COPY             32775
#define ID_OPTIONS_LARGEST       32776
#define ID_OPTIONS_ONE_FILE_SYSTEM 32777
#define ID_OPTIONS_EXCLUDE       32778
#define ID_OPTIONS_ON_DISK       32779
#define ID_OPTIONS_LINKS_ONCE    32780
#define ID_OPTIONS_BY_TYPE       32781
#define ID_OPTIONS_COMPARE       32782
#define ID_OPTIONS_STOP_COMPARE  32783
#define ID_OPTIONS_HISTORY       32784

// Controls of the main dialog.
#define IDOK                     1
#define IDCANCEL                 2
#define IDC_FIND                 3
#define IDC_OPTIONS              4
#define IDC_STOP                 5
#define IDC_FOLDER               1000
#define IDC_CONTAINS             1001
#define IDC_SIZE                 1002
#define IDC_SELECTED             1003
#define IDC_EXTLIST              1006
#define IDC_INCOMPLETE           1007
