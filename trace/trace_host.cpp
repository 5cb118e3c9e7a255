// Warnings and internal errors the plug-in shows, into the trace.
#include <stdio.h>

#include "plugin_state.h"
#include "trace_control.h"

enum {
    MODULE_NAME_SIZE = sizeof(Module::name),
    REPORT_TEXT_SIZE = 1024,  // the longest text the plug-in shows
};

static PFN_ShowWarning s_showWarning;
static PFN_ShowInternalError s_showInternalError;
static char s_reporting[MODULE_NAME_SIZE];

void TRC_Report(const char* module, const char* what, const char* text)
{
    if (!TRC_On()) return;
    TraceLine line;
    TRC_Begin(&line, TRC_Now());
    if (module) TRC_Append(&line, "%.*s: ", (int)MODULE_NAME_SIZE, module);
    TRC_Append(&line, "%s ", what);
    TRC_AppendText(&line, text, REPORT_TEXT_SIZE);
    TRC_End(&line);
    TRC_Flush();
}

static void KW_CDECL TracedWarning(const char* moduleName, const char* text)
{
    TRC_Report(moduleName, "warning", text);
    s_showWarning(moduleName, text);
}

static void KW_CDECL TracedInternalError(const char* text, const char* tag, int line)
{
    char what[64];
    snprintf(what, sizeof what, "internal error at %.20s:%d", tag ? tag : "", line);
    TRC_Report(s_reporting, what, text);
    s_showInternalError(text, tag, line);
}

void TRC_WrapHostReports(void)
{
    if (g_host.ShowWarning != TracedWarning) s_showWarning = g_host.ShowWarning;
    if (g_host.ShowInternalError != TracedInternalError) s_showInternalError = g_host.ShowInternalError;
    g_host.ShowWarning = TracedWarning;
    g_host.ShowInternalError = TracedInternalError;
}

void TRC_SetReportingModule(const Module* m) { kw_strlcpy(s_reporting, m->name, sizeof s_reporting); }
