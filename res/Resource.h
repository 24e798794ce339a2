#pragma once

// Resource ids: the main frame's shared id, dialog templates, icons, commands and the
// controls of the dialog templates.

// Document-type string, menu, accelerator table and application icon.
inline constexpr int IDR_MAINFRAME = 128;

// Dialog templates.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_FORM = 101;
inline constexpr int IDD_DRAWWND = 130;

// Icons of the navigation buttons, 32 x 32.
inline constexpr int IDI_ARROW_DOWN = 134;
inline constexpr int IDI_ARROW_LEFT = 135;
inline constexpr int IDI_ARROW_RIGHT = 136;
inline constexpr int IDI_ARROW_UP = 137;
inline constexpr int IDI_ZOOM_IN = 138;
inline constexpr int IDI_ZOOM_OUT = 139;

// Strings of the string table that are neither commands nor controls.
inline constexpr int IDS_APP_NAME = 57344;
inline constexpr int IDS_OPEN_TITLE = 61440;
inline constexpr int IDS_SAVE_AS_TITLE = 61441;
inline constexpr int IDS_ALL_FILTER = 61442;
inline constexpr int IDS_UNTITLED = 61443;
inline constexpr int IDS_UNNAMED_FILE = 61446;
inline constexpr int IDS_BENCHMARK_RESULT = 32779;

// Commands of menu 128 and of accelerator table 128.
inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_SAVE_AS = 57604;
inline constexpr int ID_FILE_MRU_FILE1 = 57616;
inline constexpr int ID_FILE_MRU_FILE2 = 57617;
inline constexpr int ID_FILE_MRU_FILE3 = 57618;
inline constexpr int ID_FILE_MRU_FILE4 = 57619;
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_CUT = 57635;
inline constexpr int ID_EDIT_PASTE = 57637;
inline constexpr int ID_EDIT_UNDO = 57643;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_NEXT_PANE = 57680;
inline constexpr int ID_PREV_PANE = 57681;
inline constexpr int ID_BENCHMARK_START = 32778;
inline constexpr int ID_BENCHMARK_STOP = 32780;

// The OK button of the version dialog.
inline constexpr int IDOK = 1;

// Version dialog, template 100.
inline constexpr int IDC_LINK = 1024;
inline constexpr int IDC_NOTICE = 1025;
inline constexpr int IDC_VERSION = 1026;

// Control panel form, template 101. The pan and zoom buttons double as the commands
// of their accelerator keys.
inline constexpr int IDC_UP = 1000;
inline constexpr int IDC_LEFT = 1001;
inline constexpr int IDC_RIGHT = 1002;
inline constexpr int IDC_DOWN = 1003;
inline constexpr int IDC_ZOOM_IN = 1004;
inline constexpr int IDC_ZOOM_OUT = 1005;
inline constexpr int IDC_COLORS = 1006;
inline constexpr int IDC_WIDTH = 1007;
inline constexpr int IDC_HEIGHT = 1008;
inline constexpr int IDC_ITERATIONS = 1009;
inline constexpr int IDC_XMIN = 1012;
inline constexpr int IDC_YMIN = 1013;
inline constexpr int IDC_COLORBAR = 1014;
inline constexpr int IDC_CALCTIME = 1015;
inline constexpr int IDC_PREVIEW = 1016;
inline constexpr int IDC_XMAX = 1017;
inline constexpr int IDC_YMAX = 1018;
inline constexpr int IDC_PATTERN = 1019;
inline constexpr int IDC_COLORS_SPIN = 1020;
inline constexpr int IDC_ITERATIONS_SPIN = 1021;
inline constexpr int IDC_PROGRESS = 1022;
inline constexpr int IDC_RECALC = 1023;
inline constexpr int IDC_MANDELBROT = 1029;
inline constexpr int IDC_JULIA = 1030;
inline constexpr int IDC_JULIA_IM = 1032;
inline constexpr int IDC_JULIA_RE = 1033;

// Labels and group boxes without an id of their own.
inline constexpr int IDC_STATIC = 65535;
