// The installation itself, run when "Installer" is pressed.
#pragma once

// Decides the destination, asks before writing into an existing folder, copies the payload,
// replays its top-level names, records the destination in "PathFile.txt", writes the desktop
// shortcut, reports the outcome and asks the event loop to end. Returns early, changing
// nothing but InstallPath, when the user declines the existing-folder question.
void RunInstallation();
