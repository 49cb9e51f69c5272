#pragma once

// Numbers of the program's dialog templates, controls and icons.
namespace tolvane {

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_MAIN = 102;
inline constexpr int IDR_MAINFRAME = 128;  // the program's icon

inline constexpr int IDC_BROWSE_SOURCE = 1000;
inline constexpr int IDC_BROWSE_TARGET = 1001;
inline constexpr int IDC_SOURCE_PATH = 1002;
inline constexpr int IDC_TARGET_PATH = 1003;
inline constexpr int IDC_STATUS = 1004;
inline constexpr int IDC_DELETE_FROM_SOURCE = 1005;
inline constexpr int IDC_LARGER = 1006;
inline constexpr int IDC_NEWER = 1007;
inline constexpr int IDC_RUN = 1008;
inline constexpr int IDC_ABOUT_ICON = 1009;

}  // namespace tolvane
