// Warnings and internal errors the plug-in shows, into the trace. The two
// host services that show them are wrapped once at start-up, so no call site
// needs to know about the trace.
#pragma once

#include "tarn_host.h"

// With the trace on, after the binding: g_host's ShowWarning and
// ShowInternalError write their text to the trace, then show it as before.
void PLG_TraceHostReports(void);

// "<module>: <what> "<text>"" into the trace (without a module: "<what>
// "<text>""), written out at once: a report often comes just before the user
// ends the program. The module name is read within its field.
void PLG_TraceReport(const char* module, const char* what, const char* text);

// The module the next internal error is about: the host's service names no
// module, so the error path names it here first.
void PLG_SetReportingModule(const Module* m);
