// The devices the driver can see, one row each with the device string that
// names it, and the texts the driver reports about a connected device. No
// window is involved: the selection and information dialogs show the results.
//
// The driver's answers are not taken on trust: every text is copied within
// its field, lists are walked a bounded number of nodes, and a row is left
// out when a '#' in its serial number or address would add a field, or when
// its texts are too long for a device field to keep them whole. A row whose
// serial number is empty (a device whose properties cannot be read) is
// listed: its device string then has its address as field 2, as the device
// string's field counting gives it.
#pragma once

#include "dev_device.h"
#include "drv_table.h"

enum {
    DEV_PROPERTY_SIZE = 256,        // driver texts, with terminator
    DEV_ADDRESS_SIZE = 64,          // network address of a search result
    DEV_SEARCH_RESULTS_MAX = 256,   // network search results asked for
    DEV_LIST_NODES_MAX = 256,       // nodes of a PCI or USB list walked
};

enum DevGroup { DEV_GROUP_ETH = 1, DEV_GROUP_PCI = 2, DEV_GROUP_USB = 3 };

// One device of the list: the texts of its columns and its device string.
// PCI and USB devices have no address, hardware address or host name.
struct DevRow {
    DevGroup group;
    char serial[DEV_PROPERTY_SIZE];
    char address[DEV_ADDRESS_SIZE];
    char hwAddress[DEV_PROPERTY_SIZE];
    char hostName[DEV_PROPERTY_SIZE];
    char deviceString[DEV_STRING_SIZE];
};

typedef void (*DevRowSink)(void* context, const DevRow* row);

// Hands every device to 'sink', in this order: the network devices of the
// driver's last search, then the PCI and the USB devices. Each is connected
// and registered before it is handed on; devices are skipped that do not
// connect or find no registry slot, and those whose row is left out (above).
void DEV_ListDevices(DevRowSink sink, void* context);

// Connects the network device at 'address' (a search result or what the user
// typed) and fills its row; false when it does not answer, its row cannot be
// built (as above) or the registry is full.
bool DEV_ConnectNetworkDevice(const char* address, DevRow* row);

// A driver property of a connected device into 'out' (DEV_PROPERTY_SIZE
// bytes); empty when it cannot be read.
void DEV_ReadProperty(i32 handle, const char* name, char* out);
// One of the driver's identity texts (GetCardName and the like) into 'out'
// (DEV_PROPERTY_SIZE bytes); "---" when the driver has none.
void DEV_ReadCardText(PFN_GetCardText read, i32 handle, char* out);
