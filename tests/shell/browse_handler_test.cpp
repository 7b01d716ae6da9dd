// "Choisir un autre dossier...": what the folder picker's answer does to the destination and
// the folder field. The picker and the field are stand-ins here; the real ones are exercised
// end to end by browse_e2e.sh.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/install_path.h"
#include "core/profile.h"
#include "shell/dialogs.h"
#include "ui/browse_handler.h"
#include "ui/controls.h"

namespace {

std::wstring pickerAnswer;
std::vector<std::wstring> pickerCalls;  // title, then initial folder, per call
std::vector<std::pair<int, std::wstring>> fieldWrites;

}  // namespace

std::wstring BrowseForFolder(const std::wstring& title, const std::wstring& initialFolder) {
  pickerCalls.push_back(title);
  pickerCalls.push_back(initialFolder);
  return pickerAnswer;
}

void SetControlText(int control, const std::wstring& text) {
  fieldWrites.emplace_back(control, text);
}

namespace {

struct BrowseCase {
  const char* name;
  std::wstring answer;
  std::wstring destination;
};

TEST(BrowseHandlerTest, PutsTheChosenFolderThroughTheDestinationRule) {
  const BrowseCase cases[] = {
      {"folder", L"D:\\Apps\\", L"D:\\Apps\\Tovalu"},
      {"folder named after the product", L"D:\\Tovalu\\", L"D:\\Tovalu\\Tovalu"},
      {"drive root", L"D:\\", L"D:\\Tovalu"},
  };
  for (const BrowseCase& row : cases) {
    SCOPED_TRACE(row.name);
    SetInstallPath(L"c:\\Tovalu");
    pickerAnswer = row.answer;
    pickerCalls.clear();
    fieldWrites.clear();
    RunBrowseHandler();
    EXPECT_EQ(pickerCalls,
              (std::vector<std::wstring>{L"Sélectionnez un dossier de destination...", L""}));
    EXPECT_EQ(InstallPath(), row.destination);
    ASSERT_EQ(fieldWrites.size(), 1u);
    EXPECT_EQ(fieldWrites[0].first, FolderField);
    EXPECT_EQ(fieldWrites[0].second, row.destination);
  }
}

// A cancel must not throw away the destination the user had for "\Tovalu" at the root of
// whatever drive is current.
TEST(BrowseHandlerTest, CancelKeepsTheDestinationAndTheField) {
  SetInstallPath(L"E:\\Logiciels\\Tovalu");
  pickerAnswer = L"";
  pickerCalls.clear();
  fieldWrites.clear();
  RunBrowseHandler();
  EXPECT_EQ(pickerCalls.size(), 2u);
  EXPECT_EQ(InstallPath(), L"E:\\Logiciels\\Tovalu");
  EXPECT_TRUE(fieldWrites.empty()) << "the field was rewritten";
}

}  // namespace
