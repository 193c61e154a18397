// The one platform-dependent piece of the dialogue: waiting for a single keystroke.
#pragma once

// Waits for one key at the operator's console, without echo and without Enter, taking
// nothing from standard input. Returns at once when no operator sits at a console
// (standard input is a file or a pipe, or there is no terminal), so scripted runs never
// block.
void waitForKey();
