#include "core/install_path.h"

#include <gtest/gtest.h>

#include "core/profile.h"

namespace {

struct RuleCase {
  const wchar_t* note;
  const wchar_t* text;
  const wchar_t* expected;
};

const RuleCase kRuleCases[] = {
    {L"default path is already normal", L"c:\\Tovalu", L"c:\\Tovalu"},
    {L"folder without separator", L"D:\\Apps", L"D:\\Apps\\Tovalu"},
    {L"folder with its separator", L"D:\\Apps\\", L"D:\\Apps\\Tovalu"},
    {L"drive root", L"D:\\", L"D:\\Tovalu"},
    {L"other letter case does not match", L"D:\\tovalu", L"D:\\tovalu\\Tovalu"},
    {L"name then separator gets the name again", L"D:\\Tovalu\\", L"D:\\Tovalu\\Tovalu"},
    {L"shorter than the name", L"Tov", L"Tov\\Tovalu"},
    {L"the name alone", L"Tovalu", L"Tovalu"},
    {L"empty text: a folder at the root of the current drive", L"", L"\\Tovalu"},
    {L"a slash is not a separator here", L"D:/Apps/", L"D:/Apps/\\Tovalu"},
    {L"name inside a longer word still matches at the end", L"D:\\MonTovalu", L"D:\\MonTovalu"},
    {L"blanks are kept", L" D:\\A b ", L" D:\\A b \\Tovalu"},
};

TEST(NormalizeInstallPath, FollowsTheDestinationRule) {
  for (const RuleCase& c : kRuleCases) {
    SCOPED_TRACE(testing::Message() << "case: " << std::wstring(c.note).c_str());
    EXPECT_EQ(NormalizeInstallPath(c.text), std::wstring(c.expected));
  }
}

TEST(NormalizeInstallPath, IsIdempotent) {
  for (const RuleCase& c : kRuleCases) {
    const std::wstring once = NormalizeInstallPath(c.text);
    EXPECT_EQ(NormalizeInstallPath(once), once);
    EXPECT_NE(once.back(), L'\\');
  }
}

TEST(InstallPath, StartsEmptyAndKeepsWhatIsSet) {
  EXPECT_TRUE(InstallPath().empty());
  SetInstallPath(DefaultInstallPath());
  EXPECT_EQ(InstallPath(), L"c:\\Tovalu");
}

}  // namespace
