#include "core/profile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(InstallerProfile, DefaultPathIsDriveRootThenProduct) {
  EXPECT_EQ(DefaultInstallPath(), L"c:\\Tovalu");
  EXPECT_EQ(DefaultInstallPath().size(), 9u);
}

TEST(InstallerProfile, ExistingFolderQuestionKeepsThePathUnchanged) {
  EXPECT_EQ(AskExistingFolderText(L" D:\\A b\\Tovalu "),
            L"ATTENTION, le dossier ( D:\\A b\\Tovalu ) existe, s'il contient des fichiers "
            L"ils seront écrasés. Voulez-vous continuer?");
}

TEST(InstallerProfile, StylesAndPacing) {
  const InstallerProfileTable& p = InstallerProfile();
  EXPECT_EQ(p.IdleStyle.color, 12928058);
  EXPECT_EQ(p.IdleStyle.color, 0xC5443A);
  EXPECT_EQ(p.BusyStyle.color, 10510742);
  EXPECT_EQ(std::wstring(p.IdleStyle.face), L"calibri");
  EXPECT_EQ(p.IdleStyle.points, 12);
  EXPECT_EQ(std::wstring(p.BusyStyle.face), L"trebuchet ms");
  EXPECT_EQ(p.BusyStyle.points, 9);
  EXPECT_EQ(p.StatusCopyPrefix + L"a.txt", L"Copie du fichier a.txt");
  EXPECT_EQ(p.ProgressJitterMax, 5);
  EXPECT_EQ(p.WindowHeight, 430);
}

// The sources are UTF-8; what reaches the platform must be the UTF-16 code units
// (or, natively, the same values as UTF-32).
TEST(InstallerProfile, AccentedTextsAreTheRightCodeUnits) {
  const InstallerProfileTable& p = InstallerProfile();
  const std::vector<unsigned> picker(p.PickerTitle.begin(), p.PickerTitle.end());
  ASSERT_EQ(picker.size(), 41u);
  EXPECT_EQ(picker[0], 0x53u);   // S
  EXPECT_EQ(picker[1], 0xE9u);   // é as one code unit, not the two bytes C3 A9
  EXPECT_EQ(p.InstallDoneText.size(), 22u);
  EXPECT_EQ(static_cast<unsigned>(p.InstallDoneText[19]), 0xE9u);
  EXPECT_EQ(static_cast<unsigned>(p.StatusIcons[15]), 0xF4u);  // ô of icônes
#ifdef _WIN32
  static_assert(sizeof(wchar_t) == 2, "Windows text is UTF-16");
#endif
}

}  // namespace
