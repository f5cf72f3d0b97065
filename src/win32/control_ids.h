#pragma once

// Child window identifiers of the main window. Kept clear of IDOK/IDCANCEL
// (1, 2), which dialog keyboard handling sends for Enter and Escape.
namespace rv::win32 {

inline constexpr int kIdCommand13 = 1013;
inline constexpr int kIdCommand4 = 1004;
inline constexpr int kIdLabel1 = 1001;
inline constexpr int kIdText1 = 1101;
inline constexpr int kIdVoice1 = 1201;

} // namespace rv::win32
