#include "shell/shortcut.h"

#include <windows.h>
#include <wchar.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "core/profile.h"
#include "shell/dialogs.h"

namespace {

// Balances the CoInitialize of one call. The window's thread is already an apartment, so
// CoInitialize gives S_FALSE there and the CoUninitialize only undoes this call's own count.
// Both run on every path, whatever CoInitialize said.
struct ComCallScope {
  ComCallScope() { CoInitialize(NULL); }
  ~ComCallScope() { CoUninitialize(); }
  ComCallScope(const ComCallScope&) = delete;
  ComCallScope& operator=(const ComCallScope&) = delete;
};

// Releases one interface pointer once, when the scope ends.
template <typename Interface>
struct ComReleaser {
  Interface* pointer = nullptr;
  ComReleaser() = default;
  ~ComReleaser() {
    if (pointer) pointer->Release();
  }
  ComReleaser(const ComReleaser&) = delete;
  ComReleaser& operator=(const ComReleaser&) = delete;
};

// Statuses are tested for zero: S_FALSE and other positive codes are failures here too.
bool IsSuccess(HRESULT status) { return status == S_OK; }

// A failed call hands nothing back, whatever its out pointer holds. A positive status still
// counts as failure for us, but the object it handed back is ours to release.
template <typename Interface>
void DropUnlessHandedOver(HRESULT status, Interface*& pointer) {
  if (FAILED(status)) pointer = nullptr;
}

// Whether the link kept the target it was given. Wine's SetPath answers S_FALSE for every
// target not yet on disk, and for one longer than MAX_PATH it keeps nothing usable (GetPath
// then gives an empty or stray text): saved as it is, the shortcut would start nothing and
// nobody would be told. The kept path must at least end with the target's file name.
bool LinkKeptTarget(IShellLinkW* link, const std::wstring& targetPath) {
  wchar_t kept[MAX_PATH] = {};
  if (FAILED(link->GetPath(kept, MAX_PATH, nullptr, SLGP_RAWPATH))) return false;
  kept[MAX_PATH - 1] = L'\0';
  const std::wstring keptPath = kept;
  const std::wstring name = targetPath.substr(targetPath.find_last_of(L"\\/") + 1);
  return keptPath.size() >= name.size() &&
         _wcsicmp(keptPath.c_str() + keptPath.size() - name.size(), name.c_str()) == 0;
}

}  // namespace

std::int32_t CreateShortcut(const std::wstring& targetPath, const std::wstring& shortcutFile,
                            const std::wstring& arguments, const std::wstring& description,
                            const std::wstring& workingDirectory, const std::wstring& iconFile,
                            int iconIndex) {
  // Declared first, so that it ends last: both interfaces are released before COM is left.
  ComCallScope com;
  ComReleaser<IShellLinkW> link;
  HRESULT status = CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    reinterpret_cast<void**>(&link.pointer));
  if (!IsSuccess(status)) {
    DropUnlessHandedOver(status, link.pointer);
    return static_cast<std::int32_t>(status);
  }

  // The setters' statuses do not matter: only the save decides whether a shortcut exists.
  link.pointer->SetPath(targetPath.c_str());
  link.pointer->SetArguments(arguments.c_str());
  link.pointer->SetDescription(description.c_str());
  link.pointer->SetWorkingDirectory(workingDirectory.c_str());
  link.pointer->SetIconLocation(iconFile.c_str(), iconIndex);
  if (!targetPath.empty() && !LinkKeptTarget(link.pointer, targetPath)) {
    return static_cast<std::int32_t>(E_INVALIDARG);
  }

  // Declared after the link, so that it is released before the link.
  ComReleaser<IPersistFile> file;
  status = link.pointer->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.pointer));
  if (!IsSuccess(status)) {
    DropUnlessHandedOver(status, file.pointer);
    return static_cast<std::int32_t>(status);
  }
  status = file.pointer->Save(shortcutFile.c_str(), TRUE);
  return static_cast<std::int32_t>(status);
}

void CreateDesktopShortcut(const std::wstring& targetPath, const std::wstring& shortcutFile,
                           const std::wstring& description, const std::wstring& workingDirectory) {
  // No arguments; the installed program shows its own first icon.
  const std::int32_t status = CreateShortcut(targetPath, shortcutFile, L"", description,
                                             workingDirectory, targetPath, 0);
  if (status == 0) return;
  const InstallerProfileTable& p = InstallerProfile();
  ShowMessage(p.ShortcutFailedTitle, p.ShortcutFailedText, p.ShortcutFailedFlags);
}
