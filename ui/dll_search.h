// Where the installer lets Windows look for DLLs.
#pragma once

// First thing at start-up: from now on DLLs loaded by name come from the system folder only,
// never from the folder the installer was started from (a Downloads folder is full of files
// the user never meant to run) nor from the current directory.
void RestrictDllSearchToSystemFolder();
