// Device strings of any content: field accessors and the connection, with a
// driver that connects whatever it is asked for. An input of a device field's
// size or more fills a whole field without terminator, as a damaged
// worksheet can.
#include <stdlib.h>
#include <string.h>

#include "dev_device.h"
#include "drv_table.h"
#include "plugin_state.h"

static i32 Connect(i32* h, const char* address, i32, u32, u32*)
{
    *h = (i32)strlen(address) % 20;  // few distinct handles: the registry fills up
    return address[0] == 'x' ? -1000 : 0;
}
static i32 BySerial(const char* serial, i32* h)
{
    *h = (i32)strlen(serial) % 20;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    g_drv.RemoteDeviceConnect = Connect;
    g_drv.GetCardIDBySerial = BySerial;
    bool whole = size >= DEV_STRING_SIZE;
    size_t length = whole ? DEV_STRING_SIZE : size;
    char* s = (char*)malloc(whole ? length : length + 1);
    memcpy(s, data, length);
    if (!whole) s[length] = 0;

    // Every field is a non-empty piece without separator, and the pieces run out for good.
    bool valid = DEV_IsValidString(s);
    bool ended = false;
    for (int n = 0; n < 12; ++n) {
        char* f = DEV_GetField(s, n);
        if ((f && !valid) || (f && ended) || (f && (!*f || strchr(f, '#')))) abort();
        if (!f) ended = true;
        DEV_FreeString(f);
    }
    i32 handle = DEV_GetHandleField(s);
    if (!valid && handle != -1) abort();
    if (valid && strlen(s) >= DEV_STRING_SIZE) abort();

    // A cut after the naming length leaves the fields up to the address as
    // they were (a cut shorter than 8 characters leaves no device string).
    char cut[DEV_STRING_SIZE];
    if (valid) kw_strlcpy(cut, s, DEV_NamingLength(s) + 1);
    for (int n = DEV_FIELD_KIND; valid && DEV_IsValidString(cut) && n <= DEV_FIELD_ADDRESS; ++n) {
        char *full = DEV_GetField(s, n), *kept = DEV_GetField(cut, n);
        if (full ? !kept || strcmp(full, kept) : kept != nullptr) abort();
        DEV_FreeString(full);
        DEV_FreeString(kept);
    }

    i32 h = 77;
    int connected = TVXDeviceUriConnect(s, &h);
    if (connected ? (!DEV_FindDevice(h) || strcmp(DEV_CurrentDeviceString(), s) != 0) : h != -1) abort();
    free(s);
    if (size && data[0] == 0xFF) DEV_ResetAll();
    return 0;
}
