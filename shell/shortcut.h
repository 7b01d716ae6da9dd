// The desktop shortcut that starts the installed program.
#pragma once

#include <cstdint>
#include <string>

// Writes a shell link. Returns 0 when the file was written, otherwise the status
// (HRESULT form) of the first decisive call that did not return 0; positive statuses such as
// S_FALSE are failures too.
std::int32_t CreateShortcut(const std::wstring& targetPath, const std::wstring& shortcutFile,
                            const std::wstring& arguments, const std::wstring& description,
                            const std::wstring& workingDirectory, const std::wstring& iconFile,
                            int iconIndex);

// The installer's shortcut: no arguments, the target as its own icon (index 0). Shows
// "Erreur" / "Le raccourci n'a pas pu être créé" once when it cannot be written.
void CreateDesktopShortcut(const std::wstring& targetPath, const std::wstring& shortcutFile,
                           const std::wstring& description, const std::wstring& workingDirectory);
