#pragma once
// quillon-bench subcommands that run the editor window's own code.

// `editor FILE`: loads FILE into a real editor window (offscreen without a display) as EditFile does and
// prints the time until it is shown, then the time of Format JSON on its text (until the formatted text
// is shown), the slowest of a few keystrokes typed into the formatted text, and the peak memory.
int EditorCommand(int AArgc, char** AArgv, const char* APath);
