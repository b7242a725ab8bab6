#pragma once
// Resource and control ids of the design dialog and the export dialog's
// child area. Shared by the resource script and the window code, so only
// plain #defines. The prefix says what the id names: IDD_ a dialog template,
// IDB_ a bitmap, IDI_ an icon, IDC_<TYPE>_ a control of that type.

// Dialog templates.
#define IDD_DESIGN 113          // the design dialog
#define IDD_EXPORT_OPTIONS 120  // child area of the export's save dialog
#define IDD_AUTO_SPLAY 130      // the auto-splay dialog, opened from the design dialog

// Bitmaps. 109 and 111 are carried but not shown by the dialog.
#define IDB_MAKER_LOGO_ALT 109  // another form of the maker's logo
#define IDB_SISTER_LOGO 111     // the sister family's logo
#define IDB_MAKER_LOGO 114      // 73 x 72 pixels
#define IDB_CABINET 117         // 161 x 80 pixels
#define IDB_VELT_VIEW 118       // 108 x 64 pixels
#define IDB_HELP_ICON 119       // 27 x 27 pixels
#define IDB_FAMILY_LOGO 122     // 120 x 44 pixels

// The module's icon.
#define IDI_MODULE 100

// Design dialog controls.
#define IDC_STATIC_UNNAMED (-1)
#define IDC_CHECK_GROUND_STACKED 1038
#define IDC_LIST_BOXES 1028
#define IDC_COMBO_TYPE 1042
#define IDC_COMBO_PRESET 1043
#define IDC_EDIT_ANGLE 1044
#define IDC_SPIN_ANGLE 1045
#define IDC_EDIT_GAIN 1046
#define IDC_SPIN_GAIN 1047
#define IDC_BUTTON_IMPORT 1048
#define IDC_BUTTON_EXPORT 1049
#define IDC_EDIT_GRID 1050
#define IDC_COMBO_COUNT 1051
#define IDC_STATIC_GRID_NOTE 1052
#define IDC_STATIC_WARNING 1054
#define IDC_PICTURE_MAKER_LOGO 1055
#define IDC_PICTURE_FAMILY_LOGO 1056
#define IDC_PICTURE_CABINET 1057
#define IDC_PICTURE_VELT_VIEW 1058
#define IDC_PICTURE_HELP 1059
#define IDC_BUTTON_OK 1062
#define IDC_BUTTON_CANCEL 1063
#define IDC_BUTTON_AUTO_SPLAY 1064

// Auto-splay dialog controls.
#define IDC_EDIT_SPLAY_TRIM 1101
#define IDC_EDIT_SPLAY_NEAR 1102
#define IDC_EDIT_SPLAY_FAR 1103
#define IDC_EDIT_SPLAY_FLOOR_NEAR 1104
#define IDC_EDIT_SPLAY_FLOOR_FAR 1105
#define IDC_EDIT_SPLAY_EAR 1106
#define IDC_EDIT_SPLAY_SLOPE 1107
#define IDC_EDIT_SPLAY_MAX_STEP 1108
#define IDC_CHECK_SPLAY_ALLOW_ZERO 1109
#define IDC_BUTTON_SPLAY_COMPUTE 1110
#define IDC_BUTTON_SPLAY_STOP 1111
#define IDC_PROGRESS_SPLAY 1112
#define IDC_STATIC_SPLAY_STATUS 1113
#define IDC_PICTURE_SPLAY_VIEW 1114
#define IDC_STATIC_SPLAY_FIGURES 1115
#define IDC_STATIC_SPLAY_GRID_NOTE 1116
#define IDC_BUTTON_SPLAY_APPLY 1117
#define IDC_BUTTON_SPLAY_CLOSE 1118
#define IDC_CHECK_SPLAY_SECOND_ZONE 1119
#define IDC_EDIT_SPLAY_ZONE_NEAR 1120
#define IDC_EDIT_SPLAY_ZONE_FAR 1121
#define IDC_EDIT_SPLAY_ZONE_FLOOR_NEAR 1122
#define IDC_EDIT_SPLAY_ZONE_FLOOR_FAR 1123
#define IDC_CHECK_SPLAY_SHADE 1124

// Export dialog child area: which file version to write.
#define IDC_RADIO_VELT_CURRENT 1036
#define IDC_RADIO_VELT_V21 1037
