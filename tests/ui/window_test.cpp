// The window and its control operations, driven from inside the process: what the install
// sequence and the style service rely on, and what the window does with the messages that
// user input produces.
#include "ui/window.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>

#include "core/profile.h"
#include "ui/banner_data.h"
#include "ui/controls.h"
#include "ui/images.h"

namespace {

class InstallerWindowTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { FillInstallerProfile(); }

  // Each test runs the window's whole life, as the program does once.
  void SetUp() override {
    StartControlServices();
    BuildInstallerWindow();
    window_ = FindWindowW(L"WindowClass_1", nullptr);
    ASSERT_NE(window_, nullptr);
  }

  void TearDown() override {
    DestroyInstallerWindow();
    ReleaseAllImages();
  }

  HWND Control(int number) const { return GetDlgItem(window_, number); }

  // The next event, after whatever is queued now. A close request posted behind it makes
  // sure the wait ends: getting EventClose first means nothing else was raised.
  WindowEvent NextEventBeforeClose() {
    PostMessageW(window_, WM_CLOSE, 0, 0);
    return WaitForEvent();
  }

  void DrainUntilClose() {
    while (WaitForEvent().kind != EventClose) {
    }
  }

  HWND window_ = nullptr;
};

RECT PlaceInWindow(HWND window, HWND control) {
  RECT box{};
  GetWindowRect(control, &box);
  MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&box), 2);
  return box;
}

// A banner that cannot be decoded leaves the window at its usual size, without a picture,
// instead of an inner width of 0 and controls of negative width.
TEST_F(InstallerWindowTest, WithoutBannerKeepsTheUsualLayout) {
  RECT inner{};
  GetClientRect(window_, &inner);
  EXPECT_EQ(inner.right, 614);
  EXPECT_EQ(inner.bottom, 430);
  const RECT picture = PlaceInWindow(window_, Control(BannerImage));
  EXPECT_EQ(picture.right - picture.left, 0);
  const RECT status = PlaceInWindow(window_, Control(StatusLine));
  EXPECT_EQ(status.left, 20);
  EXPECT_EQ(status.top, 367);
  EXPECT_EQ(status.right - status.left, 574);
}

TEST_F(InstallerWindowTest, PictureControlTakesTheBannerSize) {
  DestroyInstallerWindow();
  RegisterJpegDecoder();
  ASSERT_NE(DecodeImage(1, BannerJpeg, BannerJpegLength), nullptr);
  StartControlServices();
  BuildInstallerWindow();
  window_ = FindWindowW(L"WindowClass_1", nullptr);
  const RECT picture = PlaceInWindow(window_, Control(BannerImage));
  EXPECT_EQ(picture.left, 2);
  EXPECT_EQ(picture.top, 2);
  EXPECT_EQ(picture.right - picture.left, 614);
  EXPECT_EQ(picture.bottom - picture.top, 237);
}

// Every control that shows text draws with the system's message font.
TEST_F(InstallerWindowTest, ControlsGetTheMessageFont) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = 500;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 500, &metrics, 0));
  for (int number : {5, 6, 7, 8, 9, 10, 11, 12}) {
    SCOPED_TRACE(number);
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(Control(number), WM_GETFONT, 0, 0));
    LOGFONTW face{};
    ASSERT_EQ(GetObjectW(font, sizeof face, &face), static_cast<int>(sizeof face));
    EXPECT_STREQ(face.lfFaceName, metrics.lfMessageFont.lfFaceName);
    EXPECT_EQ(face.lfHeight, metrics.lfMessageFont.lfHeight);
  }
}

TEST_F(InstallerWindowTest, TextsAreReplacedWholeAndReadBackWhole) {
  const std::wstring longPath = L"D:\\" + std::wstring(5000, L'x') + L"\\Tovalu";
  SetControlText(FolderField, longPath);
  EXPECT_EQ(GetControlText(FolderField), longPath);
  SetControlText(StatusLine, L"Copie du fichier R&D.txt");
  EXPECT_EQ(GetControlText(StatusLine), L"Copie du fichier R&D.txt");
  SetControlText(StatusLine, L"");
  EXPECT_EQ(GetControlText(StatusLine), L"");
  // Numbers that name no control change nothing and read as empty.
  SetControlText(2, L"x");
  EXPECT_EQ(GetControlText(2), L"");
  EXPECT_EQ(GetControlText(99), L"");
}

// Text written by the program raises no event; the same change typed by the user does.
TEST_F(InstallerWindowTest, OnlyUserChangesOfTheFieldRaiseEvents) {
  SetControlText(FolderField, L"D:\\Apps\\Tovalu");
  EXPECT_EQ(NextEventBeforeClose().kind, EventClose);

  SendMessageW(Control(FolderField), WM_CHAR, L'x', 0);
  const WindowEvent typed = NextEventBeforeClose();
  EXPECT_EQ(typed.kind, EventControl);
  EXPECT_EQ(typed.control, FolderField);
  DrainUntilClose();
}

TEST_F(InstallerWindowTest, ProgressShowsTheValueClampedToItsRange) {
  const HWND bar = Control(ProgressBar);
  struct Step {
    int value;
    int shown;
  };
  const Step steps[] = {{50, 50}, {5, 5}, {100, 100}, {200, 100}, {-3, 0}, {1, 1}};
  for (const Step& step : steps) {
    SCOPED_TRACE(step.value);
    SetControlState(ProgressBar, step.value);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), step.shown);
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 100);
  }
  EXPECT_EQ(NextEventBeforeClose().kind, EventClose);
}

TEST_F(InstallerWindowTest, DisabledButtonIsEnabledAgainAndClicks) {
  DisableControl(InstallButton, true);
  EXPECT_FALSE(IsWindowEnabled(Control(InstallButton)));
  EXPECT_TRUE(IsWindowEnabled(Control(BrowseButton)));
  DisableControl(InstallButton, false);
  EXPECT_TRUE(IsWindowEnabled(Control(InstallButton)));
  SendMessageW(Control(InstallButton), BM_CLICK, 0, 0);
  const WindowEvent click = NextEventBeforeClose();
  EXPECT_EQ(click.kind, EventControl);
  EXPECT_EQ(click.control, InstallButton);
  DrainUntilClose();
}

// The status line's colour request is answered with its text colour on the button face;
// controls without a colour get the platform's defaults.
TEST_F(InstallerWindowTest, ColourRequestsUseTheStoredTextColour) {
  const HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  const long idle = ColorValue(58, 68, 197);
  SetControlColor(StatusLine, TextColorKind, idle);
  LRESULT brush = SendMessageW(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                               reinterpret_cast<LPARAM>(Control(StatusLine)));
  EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE)));
  EXPECT_EQ(GetTextColor(dc), static_cast<COLORREF>(idle));
  EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_BTNFACE));

  SetTextColor(dc, RGB(1, 2, 3));
  SendMessageW(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
               reinterpret_cast<LPARAM>(Control(FolderLabel)));
  EXPECT_NE(GetTextColor(dc), static_cast<COLORREF>(idle));

  SetControlColor(StatusLine, TextColorKind, NoColor);
  SendMessageW(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
               reinterpret_cast<LPARAM>(Control(StatusLine)));
  EXPECT_NE(GetTextColor(dc), static_cast<COLORREF>(idle));
  DeleteDC(dc);
}

TEST_F(InstallerWindowTest, CloseRequestKeepsTheWindow) {
  const WindowEvent event = NextEventBeforeClose();
  EXPECT_EQ(event.kind, EventClose);
  EXPECT_TRUE(IsWindow(window_));
  EXPECT_TRUE(IsWindowVisible(window_));
}

// The control that had the focus gets it back when the window is activated again.
TEST_F(InstallerWindowTest, FocusComesBackAfterAnotherWindowWasActive) {
  ASSERT_EQ(GetActiveWindow(), window_);
  EXPECT_EQ(GetFocus(), window_);  // no control has the focus at first
  PostMessageW(window_, WM_KEYDOWN, VK_TAB, 0);
  PostMessageW(window_, WM_KEYDOWN, VK_TAB, 0);
  // The field reports gaining and losing the focus on the way.
  PostMessageW(window_, WM_CLOSE, 0, 0);
  DrainUntilClose();
  ASSERT_EQ(GetFocus(), Control(InstallButton));

  const HWND other = CreateWindowExW(0, L"Static", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                     nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(other, nullptr);
  SetActiveWindow(other);
  EXPECT_NE(GetFocus(), Control(InstallButton));
  SetActiveWindow(window_);
  EXPECT_EQ(GetFocus(), Control(InstallButton));
  DestroyWindow(other);
}

}  // namespace
