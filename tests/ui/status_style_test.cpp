// The status line's two looks on the real installer window, in this process: the font the
// line draws with, the colour its parent answers with, and the idle font outliving the busy one.
#include "ui/status_style.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/profile.h"
#include "ui/banner_data.h"
#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/images.h"
#include "ui/window.h"

namespace {

BOOL CALLBACK KeepFirstWindow(HWND window, LPARAM found) {
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

HWND InstallerWindowOfThisThread() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), KeepFirstWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

// What the line's parent answers when the line asks for its colours before painting.
COLORREF TextColourAnswered(HWND window, HWND line, LRESULT* brush) {
  HDC dc = CreateCompatibleDC(nullptr);
  SetTextColor(dc, RGB(1, 2, 3));
  *brush = SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(line));
  const COLORREF colour = GetTextColor(dc);
  DeleteDC(dc);
  return colour;
}

std::wstring FaceOf(HFONT font) {
  LOGFONTW description{};
  if (GetObjectW(font, sizeof description, &description) != sizeof description) return L"?";
  return description.lfFaceName;
}

class StatusLineLooks : public testing::Test {
 protected:
  void SetUp() override {
    FillInstallerProfile();
    StartFontService();
    StartControlServices();
    RegisterJpegDecoder();
    DecodeImage(1, BannerJpeg, BannerJpegLength);
    BuildInstallerWindow();
    window = InstallerWindowOfThisThread();
    ASSERT_NE(window, nullptr);
    line = GetDlgItem(window, StatusLine);
    ASSERT_NE(line, nullptr);
  }
  void TearDown() override {
    DestroyInstallerWindow();
    ReleaseAllFonts();
    ReleaseAllImages();
  }
  HWND window = nullptr;
  HWND line = nullptr;
};

TEST_F(StatusLineLooks, IdleThenBusyLookOnTheStatusLine) {
  const std::wstring text = GetControlText(StatusLine);
  const LRESULT buttonFace = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
  LRESULT brush = 0;

  ApplyStatusStyle(InstallerProfile().IdleStyle);
  const HFONT idle = GetFontHandle(0);
  ASSERT_NE(idle, nullptr);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(line, WM_GETFONT, 0, 0)), idle);
  EXPECT_EQ(FaceOf(idle), L"calibri");
  EXPECT_EQ(TextColourAnswered(window, line, &brush), static_cast<COLORREF>(0xC5443A));
  EXPECT_EQ(brush, buttonFace);

  ApplyStatusStyle(InstallerProfile().BusyStyle);
  const HFONT busy = GetFontHandle(1);
  ASSERT_NE(busy, nullptr);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(line, WM_GETFONT, 0, 0)), busy);
  EXPECT_EQ(FaceOf(busy), L"trebuchet ms");
  EXPECT_EQ(TextColourAnswered(window, line, &brush), static_cast<COLORREF>(0xA06196));
  EXPECT_EQ(GetFontHandle(0), idle);
  EXPECT_EQ(GetObjectType(idle), static_cast<DWORD>(OBJ_FONT)) << "the idle font lives on";
  EXPECT_EQ(GetControlText(StatusLine), text) << "the text is not touched";
}

}  // namespace
