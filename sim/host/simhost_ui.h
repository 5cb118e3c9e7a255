// Interactive mode of the simulated host (Windows only): a window listing the
// loaded worksheet's modules; a double-click opens a module's parameter
// dialog as the host does, so that every dialog can be tried by hand.
#pragma once

// Runs the window until it is closed; 'worksheet' is the file that its Save
// button writes. Returns 0.
int SHW_RunInteractive(const char* worksheet);
