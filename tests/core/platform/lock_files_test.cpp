#include "platform/lock_files.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

using rv::platform::LockFileState;
using rv::platform::lockFileState;

TEST(LockFiles, AbsentHeldOrLeftBehindByACrash)
{
    rv::testing::TempFolder folder;
    const auto lock = folder.path() / rv::testing::u8path("予約51.ldb");
    const std::string path = rv::testing::u8string(lock);
    EXPECT_EQ(lockFileState(path), LockFileState::Absent);
    rv::testing::writeFile(lock, "lock");
#ifdef _WIN32
    EXPECT_EQ(lockFileState(path), LockFileState::Stale) << "nothing holds it";
    HANDLE engine = CreateFileW(lock.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(engine, INVALID_HANDLE_VALUE);
    EXPECT_EQ(lockFileState(path), LockFileState::Held);
    CloseHandle(engine);
#else
    EXPECT_EQ(lockFileState(path), LockFileState::Held) << "who wrote it cannot be asked here";
#endif
}
