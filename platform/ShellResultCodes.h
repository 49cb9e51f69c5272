#pragma once

// Result codes of the shell-open and program-start stand-ins. Success is any value above 32
// (above 31 for a program start); failures use the desktop's shell and loader error numbers,
// so that the link control's error table words every one of them.
namespace tolvane {

inline constexpr int kShellOpened = 42;     // the opener ran or is still running
inline constexpr int kProgramStarted = 33;  // the program's image was loaded
inline constexpr int ERROR_OUT_OF_RESOURCES = 0;
inline constexpr int SE_ERR_FNF = 2;
inline constexpr int SE_ERR_PNF = 3;
inline constexpr int SE_ERR_ACCESSDENIED = 5;
inline constexpr int SE_ERR_OOM = 8;
inline constexpr int ERROR_BAD_FORMAT = 11;
inline constexpr int SE_ERR_SHARE = 26;
inline constexpr int SE_ERR_ASSOCINCOMPLETE = 27;
inline constexpr int SE_ERR_NOASSOC = 31;
inline constexpr int SE_ERR_DLLNOTFOUND = 32;

}  // namespace tolvane
