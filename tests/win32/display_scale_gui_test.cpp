// The program's windows at the display scales clinics use (100, 125, 150 and
// 200 %, set as LogPixels in the prefix): laid out in proportion, with their
// pictures scaled along so that no pixel shows the back colour, or nothing,
// where the picture belongs. Pixels are read from the virtual screen.
#include "gui_test_main.h"
#include "running_program.h"

#include "win32/picture.h"
#include "win32/resource_ids.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using rv::test::RunningProgram;

namespace {

const std::wstring kMainCaption = L"ＲＶシステムのデータバックアップ";

int scaled(int pixelsAt96, int dpi) { return MulDiv(pixelsAt96, dpi, 96); }

SIZE clientSize(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return SIZE{client.right, client.bottom};
}

// A picture of the program's own resources as the program must show it at
// a size: scaled by the same code, drawn into memory to be read back.
class ExpectedPicture {
public:
    ExpectedPicture(int resourceId, int width, int height) : dc_(CreateCompatibleDC(nullptr))
    {
        HMODULE program = LoadLibraryExW(rv::test::guiTestInputs().programExe.c_str(), nullptr,
                                         LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        auto picture = rv::win32::Picture::fromJpegResource(program, resourceId);
        if (picture.ok() && picture.value().scaleTo(width, height).ok()) {
            HDC screen = GetDC(nullptr);
            bitmap_ = CreateCompatibleBitmap(screen, width, height);
            ReleaseDC(nullptr, screen);
            previous_ = SelectObject(dc_, bitmap_);
            picture.value().draw(dc_, 0, 0);
            loaded_ = true;
        }
        FreeLibrary(program);
    }
    ExpectedPicture(const ExpectedPicture&) = delete;
    ExpectedPicture& operator=(const ExpectedPicture&) = delete;
    ~ExpectedPicture()
    {
        if (previous_) {
            SelectObject(dc_, previous_);
        }
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }

    bool loaded() const { return loaded_; }
    COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }

private:
    HDC dc_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    bool loaded_ = false;
};

int distance(COLORREF a, COLORREF b)
{
    return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
           std::abs(GetBValue(a) - GetBValue(b));
}

// Points near each corner of the window's client area (inset pixels in)
// where the screen does not show the picture drawn from the client area's
// top-left corner; empty when it covers them all.
std::vector<std::string> pointsWithoutThePicture(HWND window, const ExpectedPicture& picture, int inset)
{
    const SIZE client = clientSize(window);
    HDC screen = GetDC(nullptr);
    std::vector<std::string> missing;
    for (const POINT corner :
         {POINT{inset, inset}, POINT{client.cx - 1 - inset, inset}, POINT{inset, client.cy - 1 - inset},
          POINT{client.cx - 1 - inset, client.cy - 1 - inset}}) {
        POINT onScreen = corner;
        ClientToScreen(window, &onScreen);
        const COLORREF shown = GetPixel(screen, onScreen.x, onScreen.y);
        const COLORREF expected = picture.at(corner.x, corner.y);
        if (distance(shown, expected) > 30) {
            char line[96];
            std::snprintf(line, sizeof line, "(%ld, %ld): shows %06lX, the picture has %06lX", corner.x, corner.y,
                          static_cast<unsigned long>(shown), static_cast<unsigned long>(expected));
            missing.emplace_back(line);
        }
    }
    ReleaseDC(nullptr, screen);
    return missing;
}

// Waits for the picture to cover the window (it is painted once shown), for
// as long as the window is up; what differed when last seen.
std::vector<std::string> waitForThePicture(HWND window, const ExpectedPicture& picture, int inset)
{
    std::vector<std::string> missing{"the window was never seen"};
    rv::test::waitUntil([&] {
        auto now = pointsWithoutThePicture(window, picture, inset);
        if (!IsWindowVisible(window)) {
            return true; // gone: what was seen while it was up stands
        }
        missing = std::move(now);
        return missing.empty();
    });
    return missing;
}

class DisplayScaleTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        folder_ = fs::path(L"C:\\rv-scale-tests") / std::to_wstring(GetParam());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        fs::copy_file(rv::test::guiTestInputs().programExe, folder_ / "rvdatebackup.exe");
        std::ofstream(folder_ / "rv.dat", std::ios::binary) << "\r\n"; // every setting at its default
        rv::test::setDisplayDpi(static_cast<unsigned>(GetParam()));
        program_ = std::make_unique<RunningProgram>((folder_ / "rvdatebackup.exe").native(), folder_.native());
    }

    void TearDown() override
    {
        program_.reset();
        rv::test::setDisplayDpi(96);
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    fs::path folder_;
    std::unique_ptr<RunningProgram> program_;
};

TEST_P(DisplayScaleTest, WindowsAreLaidOutInProportionWithTheirPicturesCoveringThemAlsoAfterAMove)
{
    const int dpi = GetParam();
    HWND splash = program_->waitForWindow([](HWND w) { return rv::test::className(w) == L"RvSplashWindow"; });
    ASSERT_NE(splash, nullptr);
    const SIZE splashClient = clientSize(splash);
    EXPECT_EQ(splashClient.cx, scaled(506, dpi));
    EXPECT_EQ(splashClient.cy, scaled(175, dpi));
    const ExpectedPicture splashPicture(rv::win32::kSplashPicture, scaled(506, dpi), scaled(176, dpi));
    ASSERT_TRUE(splashPicture.loaded());
    EXPECT_EQ(waitForThePicture(splash, splashPicture, scaled(6, dpi)), std::vector<std::string>{});

    HWND window = program_->waitForWindowCaption(kMainCaption);
    ASSERT_NE(window, nullptr);
    const SIZE client = clientSize(window);
    EXPECT_EQ(client.cx, scaled(492, dpi));
    EXPECT_EQ(client.cy, scaled(251, dpi));
    const ExpectedPicture mainPicture(rv::win32::kMainWindowPicture, scaled(500, dpi), scaled(250, dpi));
    ASSERT_TRUE(mainPicture.loaded());
    EXPECT_EQ(waitForThePicture(window, mainPicture, scaled(6, dpi)), std::vector<std::string>{});

    // Moved to a monitor of another scale, as the system tells it.
    const int other = dpi == 96 ? 144 : 96;
    RECT suggested{};
    GetWindowRect(window, &suggested);
    ASSERT_TRUE(program_->sendWithData(window, WM_DPICHANGED, MAKEWPARAM(other, other), &suggested, sizeof suggested));
    const SIZE moved = clientSize(window);
    EXPECT_EQ(moved.cx, scaled(492, other));
    EXPECT_EQ(moved.cy, scaled(251, other));
    const ExpectedPicture movedPicture(rv::win32::kMainWindowPicture, scaled(500, other), scaled(250, other));
    EXPECT_EQ(waitForThePicture(window, movedPicture, scaled(6, other)), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(LogPixels, DisplayScaleTest, ::testing::Values(96, 120, 144, 192),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

} // namespace
