#pragma once

// Child window identifiers of the main window and of the restore window. Kept clear of IDOK/IDCANCEL
// (1, 2), which dialog keyboard handling sends for Enter and Escape.
namespace rv::win32 {

inline constexpr int kIdCommand13 = 1013;
inline constexpr int kIdCommand4 = 1004;
inline constexpr int kIdLabel1 = 1001;
inline constexpr int kIdText1 = 1101;
inline constexpr int kIdVoice1 = 1201;

inline constexpr int kIdRestoreHeading = 1401;
inline constexpr int kIdRestoreFolderButton = 1402;
inline constexpr int kIdRestoreFolderText = 1403;
inline constexpr int kIdRestoreGenerationsLabel = 1404;
inline constexpr int kIdRestoreGenerations = 1405;
inline constexpr int kIdRestoreReplacedLabel = 1406;
inline constexpr int kIdRestoreSummary = 1407;
inline constexpr int kIdRestoreReplaced = 1408;
inline constexpr int kIdRestoreStart = 1409;
inline constexpr int kIdRestoreClose = 1410;

} // namespace rv::win32
