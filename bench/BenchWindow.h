#pragma once
// quillon-bench subcommands that run the document window's own code.

// `report FILE`: the report rows exactly as the window writes them, one per line.
int ReportCommand(const char* APath);
// `window FILE`: loads FILE into a real document window (offscreen without a display) and prints the
// time until "Ready" and the peak resident memory.
int WindowCommand(int AArgc, char** AArgv, const char* APath);
// `focus FILE`: loads FILE into a document window, focuses the top-level node and prints how long
// filling the details took, until the list was laid out and painted.
int FocusCommand(int AArgc, char** AArgv, const char* APath);
// `expand FILE`: loads FILE into a document window and prints how long "Full expand" and then "Full
// collapse" took, each until the tree was laid out and painted.
int ExpandCommand(int AArgc, char** AArgv, const char* APath);
