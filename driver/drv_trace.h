// Driver calls into the trace. With the trace on, every entry point the
// plug-in calls goes through a thunk of its own prototype, chosen once at
// start-up, that writes one line per call:
//   <time> Name(arguments) = result
// Numbers as the driver gets them (doubles with 15 digits), texts quoted and
// cut, a pointer to a number as its value before and after the call
// ("256->17"), other pointers (buffers, lists) as "&", a null one as NULL.
// With the trace off g_drv keeps the loader's addresses, and when the trace
// ends mid-session (a failed write, shut-down) they come back: a call then
// costs what it costs with the trace never switched on.
#pragma once

// With the trace on: replaces every entry point of g_drv that has a prototype
// (the plug-in calls it) and was resolved with its thunk, until the trace
// ends; null entries stay null. After DRV_Load.
void DRV_TraceCalls(void);
