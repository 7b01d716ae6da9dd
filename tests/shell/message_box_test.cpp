// ShowMessage with the platform's message box, answered from inside its modal loop.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "shell/dialogs.h"
#include "shell/modal_guard.h"
#include "tests/shell/dialog_driver.h"

namespace {

enum class Answer { Yes, No, Cancel, Ok, Escape, CloseBox };

void Give(Answer answer, HWND box) {
  switch (answer) {
    case Answer::Yes: ClickButton(box, IDYES); break;
    case Answer::No: ClickButton(box, IDNO); break;
    case Answer::Cancel: ClickButton(box, IDCANCEL); break;
    case Answer::Ok: ClickButton(box, IDOK); break;
    case Answer::Escape: PressEscape(box); break;
    case Answer::CloseBox: PressCloseBox(box); break;
  }
}

std::set<int> VisibleButtons(HWND box) {
  std::set<int> buttons;
  for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO, IDCLOSE, IDHELP}) {
    HWND button = GetDlgItem(box, id);
    if (button && IsWindowVisible(button)) buttons.insert(id);
  }
  return buttons;
}

BOOL CALLBACK FindIcon(HWND child, LPARAM found) {
  wchar_t className[16] = L"";
  GetClassNameW(child, className, 16);
  // Some boxes keep an empty icon control: only one that holds an icon counts.
  if (lstrcmpiW(className, L"Static") == 0 &&
      (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
      SendMessageW(child, STM_GETICON, 0, 0) != 0) {
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
  }
  return TRUE;
}

bool HasIcon(HWND box) {
  bool found = false;
  EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&found));
  return found;
}

struct MessageCase {
  const char* name;
  std::wstring title;
  std::wstring text;
  unsigned flags;
  Answer answer;
  int code;
};

// The installer's three boxes, answered every way a user can.
TEST(ShowMessageTest, ShowsTheBoxAsAskedAndReturnsTheButton) {
  const std::wstring question = L"Le dossier c:\\Tovalu existe déjà. Continuer?";
  const MessageCase cases[] = {
      {"question, Yes", L"Dossier existant", question, MB_YESNOCANCEL, Answer::Yes, IDYES},
      {"question, No", L"Dossier existant", question, MB_YESNOCANCEL, Answer::No, IDNO},
      {"question, Cancel", L"Dossier existant", question, MB_YESNOCANCEL, Answer::Cancel,
       IDCANCEL},
      {"question, Escape", L"Dossier existant", question, MB_YESNOCANCEL, Answer::Escape,
       IDCANCEL},
      {"question, close box", L"Dossier existant", question, MB_YESNOCANCEL, Answer::CloseBox,
       IDCANCEL},
      {"shortcut error, OK", L"Erreur", L"Le raccourci n'a pas pu être créé", MB_OK, Answer::Ok,
       IDOK},
      {"final message, empty title", L"", L"Installation terminée!", MB_OK, Answer::Ok, IDOK},
  };
  for (const MessageCase& row : cases) {
    SCOPED_TRACE(row.name);
    DriveResult drive = DriveDialog(
        [&] { return ShowMessage(row.title, row.text, row.flags); },
        [&](HWND box) {
          EXPECT_EQ(WindowText(box), row.title) << "an empty title must stay empty";
          EXPECT_NE(FindChildWithText(box, L"Static", row.text), nullptr);
          const std::set<int> expected = row.flags == MB_YESNOCANCEL
                                             ? std::set<int>{IDYES, IDNO, IDCANCEL}
                                             : std::set<int>{IDOK};
          EXPECT_EQ(VisibleButtons(box), expected);
          // Nothing added to the flags: no icon, not topmost.
          EXPECT_FALSE(HasIcon(box));
          EXPECT_FALSE(IsTopmost(box));
          Give(row.answer, box);
          return true;
        });
    EXPECT_TRUE(drive.answered);
    EXPECT_EQ(drive.result, row.code);
    EXPECT_TRUE(SuspendedWindowsOfThisThread().empty());
  }
}

TEST(ShowMessageTest, OnlyTheBoxTakesInputWhileItIsOpen) {
  TestWindow installer({true, true, false, true});
  TestWindow other({true, true, true, false});
  TestWindow hidden({false, true, false, false});
  ASSERT_EQ(GetForegroundWindow(), installer.handle());
  bool checked = false;
  DriveResult drive = DriveDialog(
      [&] { return ShowMessage(L"Dossier existant", L"?", MB_YESNOCANCEL); },
      [&](HWND box) {
        EXPECT_EQ(GetWindow(box, GW_OWNER), installer.handle());
        EXPECT_FALSE(IsWindowEnabled(installer.handle())) << "the owner takes input";
        EXPECT_FALSE(IsWindowEnabled(other.handle())) << "another window takes input";
        EXPECT_FALSE(IsTopmost(other.handle())) << "a topmost window can hide the box";
        EXPECT_TRUE(IsWindowEnabled(hidden.handle()));
        EXPECT_EQ(SuspendedWindowsOfThisThread().size(), 2u);
        checked = true;
        Give(Answer::No, box);
        return true;
      });
  EXPECT_TRUE(drive.answered && checked);
  EXPECT_EQ(drive.result, IDNO);
  EXPECT_TRUE(IsWindowEnabled(installer.handle()));
  EXPECT_TRUE(IsWindowEnabled(other.handle()));
  EXPECT_TRUE(IsTopmost(other.handle()));
  EXPECT_TRUE(IsWindowEnabled(hidden.handle()));
  EXPECT_TRUE(SuspendedWindowsOfThisThread().empty());
}

}  // namespace
