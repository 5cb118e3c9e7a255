// Device search: the network devices of the driver's search and the devices
// of its PCI and USB lists, each connected, registered and turned into a row
// with the device string that names it.
#include "dev_search.h"

#include <stdio.h>
#include <string.h>

// Room for a row's device string before it is cut to a device field: kind,
// handle and four texts.
enum { FULL_STRING_SIZE = 8 + 12 + 3 * DEV_PROPERTY_SIZE + DEV_ADDRESS_SIZE };

// "kind#handle#serial#address#hwAddress#hostName" into the row. Four driver
// texts may make it longer than a device field; it is cut only where the cut
// leaves the serial number and address whole, else the row is left out. A '#'
// in the serial number or the address would add a field: left out as well.
// An empty serial number is no reason: the row is listed as the driver
// reports the device.
static bool FormatDeviceString(DevRow* row, const char* kind, i32 handle)
{
    if (strchr(row->serial, '#') || strchr(row->address, '#')) return false;
    char full[FULL_STRING_SIZE];
    snprintf(full, sizeof full, "%s#%d#%s#%s#%s#%s", kind, handle, row->serial, row->address, row->hwAddress,
             row->hostName);
    if (DEV_NamingLength(full) >= DEV_STRING_SIZE) return false;
    kw_strlcpy(row->deviceString, full, sizeof row->deviceString);
    return true;
}

bool DEV_ConnectNetworkDevice(const char* address, DevRow* row)
{
    if (!g_drv.RemoteDeviceConnect || strnlen(address, DEV_ADDRESS_SIZE) >= DEV_ADDRESS_SIZE) return false;
    i32 h = -1;
    u32 word = 0;
    if (g_drv.RemoteDeviceConnect(&h, address, -1, 0, &word) != 0 || h < 0) return false;
    *row = DevRow{};
    row->group = DEV_GROUP_ETH;
    kw_strlcpy(row->address, address, sizeof row->address);
    DEV_ReadProperty(h, "serialnumber", row->serial);
    DEV_ReadProperty(h, "network.hwaddress", row->hwAddress);
    DEV_ReadProperty(h, "network.hostname", row->hostName);
    // The row is checked before the device takes a registry slot.
    return FormatDeviceString(row, "\\?\\eth", h) && DEV_AddDevice(h);
}

static void ListNetworkDevices(DevRowSink sink, void* context)
{
    if (!g_drv.RemoteDevicesGetIPFromSearchResult) return;
    for (u32 i = 0; i < DEV_SEARCH_RESULTS_MAX; ++i) {
        char address[DEV_ADDRESS_SIZE] = "";
        if (g_drv.RemoteDevicesGetIPFromSearchResult(i, address, sizeof address) != 0) break;
        // An address that fills the buffer may have lost its end: another device.
        if (!memchr(address, 0, sizeof address)) continue;
        DevRow row;
        if (DEV_ConnectNetworkDevice(address, &row)) sink(context, &row);
    }
}

// A PCI or USB device; its node is checked before it takes a registry slot.
static void ListNode(const u32* node, const char* prefix, DevGroup group, DevRowSink sink, void* context)
{
    i32 h = (i32)node[DRV_NODE_HANDLE];
    if (h < 0) return;
    DevRow row = {};
    row.group = group;
    DEV_ReadProperty(h, "serialnumber", row.serial);
    if (FormatDeviceString(&row, prefix, h) && DEV_AddDevice(h)) sink(context, &row);
}

static bool Walked(const u32* const* walked, u32 count, const u32* node)
{
    for (u32 i = 0; i < count; ++i)
        if (walked[i] == node) return true;
    return false;
}

// A damaged chain ends at a repeated node or after DEV_LIST_NODES_MAX nodes.
static void ListDevicesOfKind(u32 kind, const char* prefix, DevGroup group, DevRowSink sink, void* context)
{
    if (!g_drv.DeviceInfoGet || !g_drv.DeviceInfoFree) return;
    u32* head = nullptr;
    if (g_drv.DeviceInfoGet(kind, &head) != 0) return;
    const u32* walked[DEV_LIST_NODES_MAX];
    u32 count = 0;
    for (const u32* node = head; node && count < DEV_LIST_NODES_MAX && !Walked(walked, count, node);
         node = (const u32*)(uintptr_t)node[DRV_NODE_NEXT]) {
        walked[count++] = node;
        ListNode(node, prefix, group, sink, context);
    }
    g_drv.DeviceInfoFree(head);
}

void DEV_ListDevices(DevRowSink sink, void* context)
{
    ListNetworkDevices(sink, context);
    ListDevicesOfKind(DRV_INFO_PCI, "\\?\\pci", DEV_GROUP_PCI, sink, context);
    ListDevicesOfKind(DRV_INFO_USB, "\\?\\usb", DEV_GROUP_USB, sink, context);
}
