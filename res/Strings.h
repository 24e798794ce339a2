#pragma once

// The program's fixed texts, UTF-8. Each string-table entry is named after its id in
// res/Resource.h; the menu texts are those of menu IDR_MAINFRAME, "&" marking the
// mnemonic and "\t" separating the accelerator key.

// String table.
inline constexpr const char* kAppName = "Velmora";  // IDS_APP_NAME, message-box caption
// IDR_MAINFRAME: title, document name, type name, filter name, filter extension,
// file-type id and file-type name, separated by "\n".
inline constexpr const char* kDocTypeString =
    "Velmora\n\nVelmo\nVelmoraﾌｧｲﾙ(*.mvn)\n.mvn\nMorvane.Document\nMorva Document";
inline constexpr const char* kOpenDialogTitle = "開く";                // IDS_OPEN_TITLE
inline constexpr const char* kSaveAsDialogTitle = "名前を付けて保存";  // IDS_SAVE_AS_TITLE
inline constexpr const char* kAllFilesFilter = "すべてのﾌｧｲﾙ (*.*)";   // IDS_ALL_FILTER
inline constexpr const char* kUntitledName = "無題";                   // IDS_UNTITLED
inline constexpr const char* kUnnamedFileName = "無題のﾌｧｲﾙ";          // IDS_UNNAMED_FILE

// Prompts of the commands. Nothing shows them: the frame has no status bar.
inline constexpr const char* kPromptEditCopy = "選択範囲をｺﾋﾟｰしてｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存\nｺﾋﾟ-";
inline constexpr const char* kPromptBenchmarkStart =
    "ベンチマークを開始します。終了まで数十秒かかります。";
inline constexpr const char* kPromptBenchmarkResult = "ベンチマークの結果を表示します";
inline constexpr const char* kPromptBenchmarkStop = "ベンチマークを停止します。";

// Menu IDR_MAINFRAME.
inline constexpr const char* kMenuFile = "ﾌｧｲﾙ(&F)";
inline constexpr const char* kMenuFileNew = "初期状態に戻す(&N)\tCtrl+N";
inline constexpr const char* kMenuFileOpen = "開く(&O)...\tCtrl+O";
inline constexpr const char* kMenuFileSave = "上書き保存(&S)\tCtrl+S";
inline constexpr const char* kMenuFileSaveAs = "名前を付けて保存(&A)...";
// Stands greyed in place of the recent-file list while the list is empty.
inline constexpr const char* kMenuFileMru = "最新のﾌｧｲﾙ";
// Text of a recent-file entry: its number 1 to 4, then the shortened path.
inline constexpr const char* kMenuFileMruEntryFormat = "&%d ";
inline constexpr const char* kMenuAppExit = "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)";
inline constexpr const char* kMenuEdit = "編集(&E)";
inline constexpr const char* kMenuEditCopy = "ｺﾋﾟｰ(&C)\tCtrl+C";
inline constexpr const char* kMenuBenchmark = "ﾍﾞﾝﾁﾏｰｸ";
inline constexpr const char* kMenuBenchmarkStart = "開始";
inline constexpr const char* kMenuBenchmarkStop = "停止";
inline constexpr const char* kMenuHelp = "ﾍﾙﾌﾟ(&H)";
inline constexpr const char* kMenuAppAbout = "ﾊﾞｰｼﾞｮﾝ情報 (&A)...";

// Captions of the dialog templates.
inline constexpr const char* kAboutBoxTitle = "ﾊﾞｰｼﾞｮﾝ情報(Velmora)";  // IDD_ABOUTBOX
inline constexpr const char* kDrawWndTitle = "描画Window";             // IDD_DRAWWND
