// The modal guard on real windows of this thread. The picker is the stand-in shell library,
// so the state "while the dialog is open" is looked at from inside the picker call itself.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "shell/folder_picker.h"
#include "shell/modal_guard.h"
#include "tests/shell/dialog_driver.h"
#include "tests/shell/fake_shell_client.h"

namespace {

class GuardTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(shell_.loaded()); }
  // Opens the stand-in picker with during() run while it is "open"; the user cancels.
  void OpenPicker(const std::function<void(const BROWSEINFOW&)>& during) {
    bool opened = false;
    shell_.SetPicker([&](BROWSEINFOW& request) -> PIDLIST_ABSOLUTE {
      opened = true;
      during(request);
      return nullptr;
    });
    EXPECT_EQ(BrowseForFolderFrom(FakeShell, L"Titre", L""), L"");
    EXPECT_TRUE(opened);
    EXPECT_TRUE(SuspendedWindowsOfThisThread().empty()) << "records left after the dialog";
  }

  FakeShellLibrary shell_;
};

const SuspendedWindow* FindRecord(const std::vector<SuspendedWindow>& records, HWND window) {
  for (const SuspendedWindow& record : records) {
    if (record.window == window) return &record;
  }
  return nullptr;
}

struct GuardCase {
  const char* name;
  TestWindowOptions window;
  bool recorded;
  bool disabledHere;
  bool enabledDuring;
};

TEST_F(GuardTest, TakesTheThreadsWindowsOutOfPlayAndGivesThemBack) {
  const GuardCase cases[] = {
      // visible enabled topmost foreground
      {"plain window", {true, true, false, false}, true, true, false},
      {"topmost window", {true, true, true, false}, true, true, false},
      {"window disabled beforehand", {true, false, false, false}, true, false, false},
      {"topmost window disabled beforehand", {true, false, true, false}, true, false, false},
      {"invisible window", {false, true, false, false}, false, false, true},
      {"invisible topmost window", {false, true, true, false}, false, false, true},
      // The dialog itself disables its owner, the foreground window; the guard leaves it.
      {"foreground window", {true, true, false, true}, true, false, true},
      {"topmost foreground window", {true, true, true, true}, true, false, true},
  };
  for (const GuardCase& row : cases) {
    SCOPED_TRACE(row.name);
    TestWindow subject(row.window);
    HWND window = subject.handle();
    if (row.window.foreground) {
      ASSERT_EQ(GetForegroundWindow(), window) << "could not make the window foreground";
    } else {
      ASSERT_NE(GetForegroundWindow(), window);
    }

    OpenPicker([&](const BROWSEINFOW& request) {
      const auto records = SuspendedWindowsOfThisThread();
      const SuspendedWindow* record = FindRecord(records, window);
      ASSERT_EQ(record != nullptr, row.recorded);
      if (record) {
        EXPECT_EQ(record->threadId, GetCurrentThreadId());
        EXPECT_EQ(record->wasTopmost != 0, row.window.topmost);
        EXPECT_EQ(record->disabledHere != 0, row.disabledHere);
        EXPECT_FALSE(IsTopmost(window)) << "a topmost window would hide the dialog";
      } else {
        EXPECT_EQ(IsTopmost(window), row.window.topmost) << "an unrecorded window was changed";
      }
      EXPECT_EQ(IsWindowEnabled(window) != 0, row.enabledDuring);
      EXPECT_EQ(request.hwndOwner, row.window.foreground ? window : nullptr);
    });

    EXPECT_EQ(IsWindowEnabled(window) != 0, row.window.enabled);
    EXPECT_EQ(IsTopmost(window), row.window.topmost);
  }
}

BOOL CALLBACK FirstVisibleWindowOfThread(HWND window, LPARAM found) {
  if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) return TRUE;
  if (!IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

TEST_F(GuardTest, NewRecordsGoToTheHeadOfTheList) {
  TestWindow first({});
  TestWindow second({});
  OpenPicker([&](const BROWSEINFOW&) {
    // EnumWindows walks from the top of the Z order: the later-created, upper window comes
    // first, so it ends up behind the other one in the list.
    HWND walkedFirst = nullptr;
    EnumWindows(FirstVisibleWindowOfThread, reinterpret_cast<LPARAM>(&walkedFirst));
    const auto records = SuspendedWindowsOfThisThread();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_NE(records.front().window, walkedFirst);
    EXPECT_EQ(records.back().window, walkedFirst);
  });
}

// Another thread's windows are not this thread's to suspend, and its records survive this
// thread's restore. The two threads take turns, so the list is never used by both at once.
TEST_F(GuardTest, LeavesOtherThreadsWindowsAndRecordsAlone) {
  HANDLE otherSuspended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE mainDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HWND otherWindow = nullptr;
  bool otherKeptRecord = false, otherDisabledBeforeRestore = false;
  bool otherEnabledAfterRestore = false, otherListEmptyAfterRestore = false;

  std::thread other([&] {
    TestWindow window({});
    otherWindow = window.handle();
    SuspendThreadWindows();
    SetEvent(otherSuspended);
    WaitForSingleObject(mainDone, INFINITE);
    otherKeptRecord = FindRecord(SuspendedWindowsOfThisThread(), otherWindow) != nullptr;
    otherDisabledBeforeRestore = !IsWindowEnabled(otherWindow);
    RestoreThreadWindows();
    otherEnabledAfterRestore = IsWindowEnabled(otherWindow) != 0;
    otherListEmptyAfterRestore = SuspendedWindowsOfThisThread().empty();
  });
  WaitForSingleObject(otherSuspended, INFINITE);

  TestWindow mine({});
  OpenPicker([&](const BROWSEINFOW&) {
    const auto records = SuspendedWindowsOfThisThread();
    EXPECT_NE(FindRecord(records, mine.handle()), nullptr);
    EXPECT_EQ(FindRecord(records, otherWindow), nullptr);
  });
  SetEvent(mainDone);
  other.join();
  CloseHandle(otherSuspended);
  CloseHandle(mainDone);

  EXPECT_TRUE(otherKeptRecord);
  EXPECT_TRUE(otherDisabledBeforeRestore) << "this thread's restore enabled another's window";
  EXPECT_TRUE(otherEnabledAfterRestore);
  EXPECT_TRUE(otherListEmptyAfterRestore);
}

TEST(DialogOwnerTest, IsTheForegroundWindowOfThisProcess) {
  TestWindow window({true, true, false, true});
  ASSERT_EQ(GetForegroundWindow(), window.handle());
  EXPECT_EQ(DialogOwner(), window.handle());
}

}  // namespace
