// The install sequence's pacing: plain sleeps and the random steps of the progress bar.
// The Windows build implements them in ui/pacing.cpp; tests link their own.
#pragma once

// Sleeps the calling thread. From the first pause on, the system timer runs at 1 ms
// resolution so that short pauses last as long as asked.
void PauseMilliseconds(int milliseconds);

// A whole number drawn uniformly from 0 to maximum inclusive.
int RandomWholeNumber(int maximum);
