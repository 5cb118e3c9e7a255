// Simulated device access: network search, connection, PCI/USB device lists,
// properties and identity texts. The same device always has the same handle.
#include <ctype.h>
#include <string.h>

#include "simdrv_state.h"

static u32 s_searchResult[SIMDRV_MAX_DEVICES];  // device positions, in search order
static u32 s_searchCount;

// DeviceInfoGet lists come from a fixed pool: one slot per list not yet freed.
static constexpr u32 SIM_LIST_SLOTS = 8;
static u32 s_nodes[SIM_LIST_SLOTS * SIMDRV_MAX_DEVICES][DRV_NODE_WORDS];
static bool s_slotUsed[SIM_LIST_SLOTS];

void SimResetDeviceAccess()
{
    s_searchCount = 0;
    memset(s_slotUsed, 0, sizeof s_slotUsed);
}

static bool SimSameText(const char* a, const char* b, bool ignoreCase)
{
    for (; *a && *b; ++a, ++b)
        if (ignoreCase ? tolower((unsigned char)*a) != tolower((unsigned char)*b) : *a != *b) return false;
    return *a == *b;
}

// ---------------------------------------------------------------- search

extern "C" i32 KW_STDCALL Sim_RemoteDevicesSearch(void)
{
    i32 st;
    if (SimEnter(&st, "RemoteDevicesSearch", -1, "%s", "")) return st;
    s_searchCount = 0;
    for (u32 i = 0; i < g_sim.count; ++i) {
        const SimDevice& d = g_sim.dev[i];
        if (d.kind == SIM_ETH && d.address[0]) s_searchResult[s_searchCount++] = i;
    }
    return DRV_OK;
}

extern "C" i32 KW_STDCALL Sim_RemoteDevicesGetIPFromSearchResult(u32 index, char* buffer, u32 size)
{
    i32 st;
    if (SimEnter(&st, "RemoteDevicesGetIPFromSearchResult", -1, "%u,%s,%u", index, SimPtr(buffer), size))
        return st;
    if (index >= s_searchCount) return SIMDRV_ERR_NOT_FOUND;
    if (!buffer) return SIMDRV_ERR_ARGUMENT;
    const char* address = g_sim.dev[s_searchResult[index]].address;
    if (strlen(address) >= size) return SIMDRV_ERR_BUFFER;
    kw_strlcpy(buffer, address, size);
    return DRV_OK;
}

// ---------------------------------------------------------------- connection

extern "C" i32 KW_STDCALL Sim_RemoteDeviceConnect(i32* handle, const char* address, i32 port, u32 flags,
                                                  u32* word)
{
    i32 st;
    if (SimEnter(&st, "RemoteDeviceConnect", -1, "%s,%s,%d,%u,%s", SimPtr(handle), SimQuote(address), port,
                 flags, SimPtr(word)))
        return st;
    if (!handle) return SIMDRV_ERR_ARGUMENT;
    *handle = -1;
    if (!address || !*address) return SIMDRV_ERR_NOT_FOUND;
    for (u32 i = 0; i < g_sim.count; ++i) {
        SimDevice& d = g_sim.dev[i];
        if (d.kind != SIM_ETH) continue;
        if ((d.address[0] && SimSameText(d.address, address, false)) ||
            (d.hostname[0] && SimSameText(d.hostname, address, true))) {
            d.connected = true;
            *handle = d.handle;
            if (word) *word = 0;
            return DRV_OK;
        }
    }
    return SIMDRV_ERR_NOT_FOUND;
}

extern "C" i32 KW_STDCALL Sim_GetCardIDBySerial(const char* serial, i32* handle)
{
    i32 st;
    if (SimEnter(&st, "GetCardIDBySerial", -1, "%s,%s", SimQuote(serial), SimPtr(handle))) return st;
    if (!handle) return SIMDRV_ERR_ARGUMENT;
    *handle = -1;
    if (!serial || !*serial) return SIMDRV_ERR_NOT_FOUND;
    for (u32 i = 0; i < g_sim.count; ++i) {
        SimDevice& d = g_sim.dev[i];
        if (d.kind != SIM_ETH && !strcmp(d.serial, serial)) {
            d.connected = true;
            *handle = d.handle;
            return DRV_OK;
        }
    }
    return SIMDRV_ERR_NOT_FOUND;
}

extern "C" i32 KW_STDCALL Sim_RemoteDeviceDisconnect(i32 h)
{
    i32 st;
    if (SimEnter(&st, "RemoteDeviceDisconnect", h, "%d", h)) return st;
    SimDevice* d = SimFindHandle(h);
    if (!d) return DRV_ERR_LOST_CONNECTION;
    SimDisconnect(d);
    return DRV_OK;
}

// ---------------------------------------------------------------- PCI and USB lists

// Word 4 of a node: the next node's address, which a word holds on the
// 32-bit target only (natively it is not followed).
static u32 SimNodeRef(u32 index) { return (u32)(uintptr_t)s_nodes[index]; }

extern "C" i32 KW_STDCALL Sim_DeviceInfoGet(u32 kind, u32** head)
{
    i32 st;
    if (SimEnter(&st, "DeviceInfoGet", -1, "%u,%s", kind, SimPtr(head))) return st;
    if (!head || (kind != DRV_INFO_PCI && kind != DRV_INFO_USB)) return SIMDRV_ERR_ARGUMENT;
    *head = nullptr;
    SimKind wanted = kind == DRV_INFO_PCI ? SIM_PCI : SIM_USB;
    u32 slot = 0;
    while (slot < SIM_LIST_SLOTS && s_slotUsed[slot]) ++slot;
    if (slot == SIM_LIST_SLOTS) return SIMDRV_ERR_NO_ROOM;

    // An empty list is a success with no head.
    u32 first = slot * SIMDRV_MAX_DEVICES, n = 0;
    for (u32 i = 0; i < g_sim.count; ++i) {
        SimDevice& d = g_sim.dev[i];
        if (d.kind != wanted) continue;
        d.connected = true;
        u32* node = s_nodes[first + n];
        node[0] = kind;
        node[DRV_NODE_HANDLE] = (u32)d.handle;
        node[2] = i;
        node[3] = 0;
        node[DRV_NODE_NEXT] = 0;
        if (n > 0) s_nodes[first + n - 1][DRV_NODE_NEXT] = SimNodeRef(first + n);
        ++n;
    }
    if (n == 0) return DRV_OK;
    s_slotUsed[slot] = true;
    *head = s_nodes[first];
    return DRV_OK;
}

extern "C" i32 KW_STDCALL Sim_DeviceInfoFree(u32* head)
{
    i32 st;
    if (SimEnter(&st, "DeviceInfoFree", -1, "%s", SimPtr(head))) return st;
    for (u32 slot = 0; slot < SIM_LIST_SLOTS; ++slot)
        if (s_slotUsed[slot] && head == s_nodes[slot * SIMDRV_MAX_DEVICES]) {
            s_slotUsed[slot] = false;
            return DRV_OK;
        }
    return SIMDRV_ERR_ARGUMENT;
}

// ---------------------------------------------------------------- properties and identity

extern "C" i32 KW_STDCALL Sim_GetDevicePropertyStringA(i32 h, const char* name, char* buffer, u32* length)
{
    i32 st;
    if (SimEnter(&st, "GetDevicePropertyStringA", h, "%d,%s,%s,%u", h, SimQuote(name), SimPtr(buffer),
                 length ? *length : 0))
        return st;
    if (!name || !buffer || !length) return SIMDRV_ERR_ARGUMENT;
    u32 size = *length;
    *length = 0;
    SimDevice* d = SimConnected(h);
    if (!d) return DRV_ERR_LOST_CONNECTION;
    const char* value = nullptr;
    if (!strcmp(name, "serialnumber")) value = d->serial;
    else if (d->kind == SIM_ETH && !strcmp(name, "network.hwaddress")) value = d->hwaddress;
    else if (d->kind == SIM_ETH && !strcmp(name, "network.hostname")) value = d->hostname;
    if (!value) return SIMDRV_ERR_NOT_FOUND;
    u32 len = (u32)strlen(value);
    if (len >= size) {
        *length = len + 1;  // room needed
        return SIMDRV_ERR_BUFFER;
    }
    kw_strlcpy(buffer, value, size);
    *length = len;  // characters; 0 for an empty property
    return DRV_OK;
}

// Identity text of a connected device, or null (unknown, disconnected, empty).
static const char* SimIdentity(const char* call, i32 h, size_t field)
{
    i32 st;
    if (SimEnter(&st, call, h, "%d", h)) return nullptr;
    const SimDevice* d = SimConnected(h);
    if (!d) return nullptr;
    const char* text = (const char*)d + field;
    return *text ? text : nullptr;
}

extern "C" const char* KW_STDCALL Sim_GetCardName(i32 h)
{
    return SimIdentity("GetCardName", h, offsetof(SimDevice, name));
}
extern "C" const char* KW_STDCALL Sim_GetSerialNumber(i32 h)
{
    return SimIdentity("GetSerialNumber", h, offsetof(SimDevice, serial));
}
extern "C" const char* KW_STDCALL Sim_GetCustomer_Name(i32 h)
{
    return SimIdentity("GetCustomer_Name", h, offsetof(SimDevice, customer));
}
extern "C" const char* KW_STDCALL Sim_GetCustomer_DateOfPurchase(i32 h)
{
    return SimIdentity("GetCustomer_DateOfPurchase", h, offsetof(SimDevice, date));
}
