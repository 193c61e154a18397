#include "console/pastedName.h"

// A backslash separates folders on Windows and escapes nothing; cmd.exe has no ~.
pasteRules nativePasteRules() { return {false, ""}; }
