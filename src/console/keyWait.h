// Waiting for a single keystroke at the operator's console, for the sampler reminder; one
// implementation for POSIX terminals, one for the Windows console.
#pragma once

// Waits for one key at the operator's console, without echo and without Enter, taking
// nothing from standard input. Returns at once when no operator sits at a console
// (standard input is a file or a pipe, or there is no terminal), so scripted runs never
// block.
void waitForKey();
