#include "dlg_font.h"

#include "plugin_state.h"

HFONT g_dlgFont;

void DLG_ReleaseFont(void)
{
    if (!g_dlgFont) return;
    g_host.DeleteStackedObject((HGDIOBJ)g_dlgFont);
    g_dlgFont = nullptr;
}
