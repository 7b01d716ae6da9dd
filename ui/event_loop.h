// The event loop's quit flag, as the install sequence sees it.
#pragma once

// Asks the event loop to end after the event being handled.
void SetQuitFlag();
