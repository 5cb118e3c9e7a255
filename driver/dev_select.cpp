// Device selection dialog: the devices the driver can see, grouped into
// network, PCI and USB devices, and the device string of the row applied.
#include "dev_dialogs.h"

#include <commctrl.h>
#include <stdio.h>
#include <string.h>

#include "dialog_ids.h"
#include "dlg_center.h"
#include "drv_table.h"
#include "plugin_state.h"

static const char kTitle[] = "Measurement Device Selection";

enum {
    GROUP_ETH = 1,
    GROUP_PCI = 2,
    GROUP_USB = 3,
    COLUMN_ADDRESS = 1,
    COLUMN_DEVICE = 4,  // hidden: the row's device string
    // A row's device string: kind, handle and four texts of at most 255
    // characters each, so it may be longer than a module's device field;
    // applying it keeps the first 259 characters, which cuts the host name
    // and the hardware address before the fields that connect.
    ROW_STRING_SIZE = 8 + 12 + 3 * DEV_PROPERTY_SIZE + DEV_ADDRESS_SIZE,
    SEARCH_RESULTS_MAX = 256,
};

static char s_opening[DEV_STRING_SIZE];    // the caller's device string
static char s_selection[DEV_STRING_SIZE];  // last string applied; kept between openings
static char s_address[DEV_ADDRESS_SIZE];   // address of the row clicked last
static bool s_changed;

void DEV_ReadProperty(i32 handle, const char* name, char* out)
{
    out[0] = 0;
    if (!g_drv.GetDevicePropertyStringA) return;
    u32 length = DEV_PROPERTY_SIZE;
    if (g_drv.GetDevicePropertyStringA(handle, name, out, &length) != 0 || length == 0) {
        out[0] = 0;
        return;
    }
    out[length < DEV_PROPERTY_SIZE ? length : DEV_PROPERTY_SIZE - 1] = 0;
}

// A network device, connected and registered, with its row texts.
struct NetworkDevice {
    char serial[DEV_PROPERTY_SIZE];
    char hwAddress[DEV_PROPERTY_SIZE];
    char hostName[DEV_PROPERTY_SIZE];
    char deviceString[ROW_STRING_SIZE];
};

static bool ConnectNetworkDevice(const char* address, NetworkDevice* d)
{
    if (!g_drv.RemoteDeviceConnect) return false;
    i32 h = -1;
    u32 word = 0;
    if (g_drv.RemoteDeviceConnect(&h, address, -1, 0, &word) != 0) return false;
    DEV_ReadProperty(h, "serialnumber", d->serial);
    DEV_ReadProperty(h, "network.hwaddress", d->hwAddress);
    DEV_ReadProperty(h, "network.hostname", d->hostName);
    DevEntry* e = DEV_AddDevice(h);
    if (!e) return false;
    snprintf(d->deviceString, sizeof d->deviceString, "\\?\\eth#%d#%s#%s#%s#%s", e->handle, d->serial, address,
             d->hwAddress, d->hostName);
    return true;
}

void DEV_SetupDeviceList(HWND dialog, HWND)
{
    HWND list = GetDlgItem(dialog, IDC_DEVICE_LIST);
    if (!list) return;
    static const struct {
        const char* title;
        int width;
    } kColumns[] = {{"Serial", 140}, {"Address", 100}, {"HW-Address", 110}, {"Name", 140}, {"", 0}};
    for (int i = 0; i < 5; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = (char*)kColumns[i].title;
        column.cx = kColumns[i].width;
        column.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, i, (LPARAM)&column);
    }
    ListView_SetExtendedListViewStyleEx(list, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
}

static void InsertGroups(HWND list)
{
    static const struct {
        const wchar_t* header;
        int id;
    } kGroups[] = {{L"ETH", GROUP_ETH}, {L"PCI", GROUP_PCI}, {L"USB", GROUP_USB}};
    ListView_RemoveAllGroups(list);
    for (const auto& g : kGroups) {
        LVGROUP group = {};
        group.cbSize = sizeof group;
        group.mask = LVGF_HEADER | LVGF_GROUPID | LVGF_ALIGN;
        group.pszHeader = (wchar_t*)g.header;
        group.iGroupId = g.id;
        group.uAlign = LVGA_HEADER_LEFT;
        ListView_InsertGroup(list, -1, &group);
    }
}

static void InsertRow(HWND list, int* row, int group, const char* const texts[5])
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_GROUPID;
    item.iItem = *row;
    item.iGroupId = group;
    item.pszText = (char*)texts[0];
    int at = (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    if (at < 0) return;
    for (int column = 1; column < 5; ++column) {
        LVITEMA sub = {};
        sub.iSubItem = column;
        sub.pszText = (char*)texts[column];
        SendMessageA(list, LVM_SETITEMTEXTA, at, (LPARAM)&sub);
    }
    ++*row;
}

static void AddNetworkDevices(HWND list, int* row)
{
    if (!g_drv.RemoteDevicesGetIPFromSearchResult) return;
    for (u32 i = 0; i < SEARCH_RESULTS_MAX; ++i) {
        char address[DEV_ADDRESS_SIZE] = "";
        if (g_drv.RemoteDevicesGetIPFromSearchResult(i, address, sizeof address) != 0) break;
        address[sizeof address - 1] = 0;
        NetworkDevice d;
        if (!ConnectNetworkDevice(address, &d)) continue;
        const char* texts[5] = {d.serial, address, d.hwAddress, d.hostName, d.deviceString};
        InsertRow(list, row, GROUP_ETH, texts);
    }
}

// PCI or USB devices from the driver's device list; they connect by serial
// number, so their address fields stay empty.
static void AddListedDevices(HWND list, int* row, u32 kind, const char* prefix, int group)
{
    if (!g_drv.DeviceInfoGet || !g_drv.DeviceInfoFree) return;
    u32* head = nullptr;
    if (g_drv.DeviceInfoGet(kind, &head) != 0) return;
    for (const u32* node = head; node; node = (const u32*)(uintptr_t)node[DRV_NODE_NEXT]) {
        DevEntry* e = DEV_AddDevice((i32)node[DRV_NODE_HANDLE]);
        if (!e) continue;
        char serial[DEV_PROPERTY_SIZE];
        DEV_ReadProperty(e->handle, "serialnumber", serial);
        char deviceString[ROW_STRING_SIZE];
        snprintf(deviceString, sizeof deviceString, "%s#%d#%s###", prefix, e->handle, serial);
        const char* texts[5] = {serial, "", "", "", deviceString};
        InsertRow(list, row, group, texts);
    }
    g_drv.DeviceInfoFree(head);
}

static void EnableSearchButtons(HWND dialog, BOOL enable)
{
    EnableWindow(GetDlgItem(dialog, IDC_REFRESH), enable);
    EnableWindow(GetDlgItem(dialog, IDCANCEL), enable);
    EnableWindow(GetDlgItem(dialog, IDC_APPLY), enable);
}

void DEV_SearchDevices(HWND dialog, HWND, int refresh)
{
    HWND list = GetDlgItem(dialog, IDC_DEVICE_LIST);
    if (!list) return;
    if (refresh && g_drv.RemoteDevicesSearch) g_drv.RemoteDevicesSearch();
    EnableSearchButtons(dialog, FALSE);
    ListView_DeleteAllItems(list);
    InsertGroups(list);
    ListView_EnableGroupView(list, TRUE);
    int row = 0;
    AddNetworkDevices(list, &row);
    AddListedDevices(list, &row, DRV_INFO_PCI, "\\?\\pci", GROUP_PCI);
    AddListedDevices(list, &row, DRV_INFO_USB, "\\?\\usb", GROUP_USB);
    EnableSearchButtons(dialog, TRUE);
}

static int SelectedRow(HWND dialog)
{
    return (int)SendDlgItemMessageA(dialog, IDC_DEVICE_LIST, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
}

static void RowText(HWND dialog, int row, int column, char* out, int size)
{
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = out;
    item.cchTextMax = size;
    out[0] = 0;
    SendDlgItemMessageA(dialog, IDC_DEVICE_LIST, LVM_GETITEMTEXTA, row, (LPARAM)&item);
}

static void OnListClick(HWND dialog)
{
    int row = SelectedRow(dialog);
    if (row < 0) return;
    RowText(dialog, row, COLUMN_ADDRESS, s_address, sizeof s_address);
    SetDlgItemTextA(dialog, IDC_DEVICE_FIELD, s_address);
    s_changed = false;
}

static void Select(const char* deviceString)
{
    if (strcmp(deviceString, s_opening) == 0) return;
    kw_strlcpy(s_selection, deviceString, sizeof s_selection);
    s_changed = true;
}

// What the user typed into the Device field: a device string, a host name
// or a network address. The field shows the opening string or the address
// of the clicked row until the user types.
static bool FieldWasTyped(const char* text)
{
    return text[0] && strcmp(text, s_opening) != 0 && strcmp(text, s_address) != 0;
}

// Connects what was typed; a host name or address becomes a network device
// string. False when no device answers.
static bool SelectTyped(const char* text)
{
    if (DEV_IsValidString(text)) {
        i32 h;
        if (!TVXDeviceUriConnect(text, &h)) return false;
        Select(text);
        return true;
    }
    if (strlen(text) >= DEV_ADDRESS_SIZE) return false;
    NetworkDevice d;
    if (!ConnectNetworkDevice(text, &d)) return false;
    Select(d.deviceString);
    return true;
}

static void OnApply(HWND dialog)
{
    char typed[DEV_STRING_SIZE];
    GetDlgItemTextA(dialog, IDC_DEVICE_FIELD, typed, sizeof typed);
    if (FieldWasTyped(typed)) {
        if (!SelectTyped(typed)) {
            char text[DEV_STRING_SIZE + 64];
            snprintf(text, sizeof text, "No measurement device answers at \"%s\".", typed);
            MessageBoxA(dialog, text, kTitle, MB_OK | MB_ICONEXCLAMATION);
            return;  // the user may correct the entry
        }
    } else {
        int row = SelectedRow(dialog);
        if (row >= 0) {
            char deviceString[DEV_STRING_SIZE];
            RowText(dialog, row, COLUMN_DEVICE, deviceString, sizeof deviceString);
            Select(deviceString);
        }
    }
    EndDialog(dialog, 1);
}

static INT_PTR CALLBACK DeviceListProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND owner = GetWindow(dialog, GW_OWNER);
    switch (message) {
    case WM_INITDIALOG:
        DLG_CenterWindow(dialog, owner);
        DEV_SetupDeviceList(dialog, owner);
        DEV_SearchDevices(dialog, owner, 0);
        s_address[0] = 0;
        SetDlgItemTextA(dialog, IDC_DEVICE_FIELD, s_opening);
        return TRUE;
    case WM_NOTIFY: {
        const NMHDR* n = (const NMHDR*)lParam;
        if (n->idFrom == IDC_DEVICE_LIST && n->code == NM_CLICK) OnListClick(dialog);
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_REFRESH:
            DEV_SearchDevices(dialog, owner, 1);
            return TRUE;
        case IDC_APPLY:
            OnApply(dialog);
            return TRUE;
        case IDCANCEL:
            s_changed = false;
            EndDialog(dialog, 1);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

// Groups in a list view need version 6 of the common controls: the dialog
// runs in the activation context of the library's own manifest.
static HANDLE CreateCommonControlsContext(void)
{
    char path[MAX_PATH];
    if (!GetModuleFileNameA(g_instance, path, sizeof path)) return INVALID_HANDLE_VALUE;
    ACTCTXA context = {};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = path;
    context.hModule = g_instance;
    context.lpResourceName = MAKEINTRESOURCEA(IDR_COMMON_CONTROLS_MANIFEST);
    return CreateActCtxA(&context);
}

void DEV_SelectDevice(HWND owner, char* deviceString)
{
    s_changed = false;
    kw_strlcpy(s_opening, deviceString, sizeof s_opening);

    HANDLE context = CreateCommonControlsContext();
    ULONG_PTR cookie = 0;
    bool active = context != INVALID_HANDLE_VALUE && ActivateActCtx(context, &cookie);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    EnableWindow(owner, FALSE);
    DialogBoxParamA(g_instance, "DEVICELIST", owner, DeviceListProc, 0);
    EnableWindow(owner, TRUE);

    if (active) DeactivateActCtx(0, cookie);
    if (context != INVALID_HANDLE_VALUE) ReleaseActCtx(context);

    if (s_changed) {
        kw_strlcpy(deviceString, s_selection, DEV_STRING_SIZE);
        s_changed = false;
    }
}
