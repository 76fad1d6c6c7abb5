#pragma once
// quillon-bench subcommands that run the document window's own code.

// `report FILE`: the report rows exactly as the window writes them, one per line.
int ReportCommand(const char* APath);
// `window FILE`: loads FILE into a real document window (offscreen without a display) and prints the
// time until "Ready", the peak resident memory, and the time until Ctrl+End in the source view shows
// its last line (coloured or plain).
int WindowCommand(int AArgc, char** AArgv, const char* APath);
// `focus FILE`: loads FILE into a document window, focuses the top-level node and prints how long
// filling the details took, until the list was laid out and painted.
int FocusCommand(int AArgc, char** AArgv, const char* APath);
// `expand FILE`: loads FILE into a document window and prints how long "Full expand" and then "Full
// collapse" took, each until the tree was laid out and painted.
int ExpandCommand(int AArgc, char** AArgv, const char* APath);
// `reload FILE`: loads FILE into a document window, expands the whole tree, focuses its last node and
// prints the time of a reload that brings all that back, then of a plain load of the same file.
int ReloadCommand(int AArgc, char** AArgv, const char* APath);
// `print FILE [PDF [tree]]`: loads FILE into a document window and prints its Source page (or with
// "tree" its Tree page) to a PDF file (a temporary one unless PDF is given), printing the time it took.
int PrintCommand(int AArgc, char** AArgv, const char* APath);
