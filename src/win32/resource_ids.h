#pragma once

// Resources linked into the program (rvdatebackup.rc); plain defines so that
// the resource compiler reads them too.
#define RV_RESOURCE_SPLASH_PICTURE 101
#define RV_RESOURCE_MAIN_WINDOW_PICTURE 102

#ifdef __cplusplus
namespace rv::win32 {
inline constexpr int kSplashPicture = RV_RESOURCE_SPLASH_PICTURE;
inline constexpr int kMainWindowPicture = RV_RESOURCE_MAIN_WINDOW_PICTURE;
} // namespace rv::win32
#endif
