// Diagnostic trace: the one file support asks for when a device "does
// nothing". Off unless switched on at start-up; then every driver call, each
// module's run messages and dialogs, every warning and internal error shown,
// and each input module's account of its values go to it, one line each,
// stamped with the microseconds since start-up.
//
// This is what the layers above write with. Lines wait in a buffer that is
// written out when full, at TRC_Flush (every module's stop) and with every
// report. A file that cannot be written ends the trace for the rest of the
// session; the plug-in works on without it. Opening and closing belong to
// start-up and shut-down (trace_control.h).
#pragma once

#include "tarn_host.h"

enum {
    TRC_LINE_SIZE = 1024,  // a longer line is cut
    TRC_TEXT_CUT = 96,     // characters of a quoted text
};

// Whether the trace is on; read on every traced path, so kept in one flag.
extern bool g_trcOn;
static inline bool TRC_On(void) { return g_trcOn; }

// Microseconds since the trace was opened.
u64 TRC_Now(void);

// A line built piece by piece, then ended into the trace. Every piece is cut
// at the line's end.
struct TraceLine {
    char text[TRC_LINE_SIZE];
    u32 length;
};
void TRC_Begin(TraceLine* line, u64 time);
void TRC_Append(TraceLine* line, const char* format, ...) __attribute__((format(printf, 2, 3)));
// A text quoted, read no further than 'max' bytes and cut at TRC_TEXT_CUT
// characters ("..." after the quote then); control characters as \xNN; null as NULL.
void TRC_AppendText(TraceLine* line, const char* text, u32 max);
void TRC_End(TraceLine* line);

// One whole line, stamped with the time now.
void TRC_Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Writes the lines that wait; the file stays open.
void TRC_Flush(void);

// "<module>: <what> "<text>"" (without a module: "<what> "<text>""), written
// out at once: a report often comes just before the user ends the program.
// The module name is read within its field.
void TRC_Report(const char* module, const char* what, const char* text);
// The module the next internal error is about: the host's service names no
// module, so the error path names it here first.
void TRC_SetReportingModule(const Module* m);

// What a layer above set up for the trace and undoes when the trace ends:
// 'undo' runs once, when the file is closed at shut-down or after a failed
// write or change of file, and then is forgotten. One at a time (the driver
// table's thunks); a second call replaces the first.
void TRC_WhenEnded(void (*undo)(void));
