#pragma once

// Start-up to a shown, painted main window, for Quillet's window and for a
// bare main window holding the same widgets, each in a process of its own and
// the two interleaved, so that both meet the same machine.

// Runs one start-up in this process when the arguments ask for it (the
// child side) and returns its exit code; -1 when they do not.
int runStartupChild(int argc, char **argv);

// Starts the children and prints the medians side by side.
void printStartupComparison(const char *program, int rounds);
