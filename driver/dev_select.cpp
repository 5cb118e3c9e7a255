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
#include "trace.h"

static const char kTitle[] = "Measurement Device Selection";

enum {
    COLUMN_ADDRESS = 1,
    COLUMN_DEVICE = 4,  // hidden: the row's device string
};

static char s_opening[DEV_STRING_SIZE];    // the caller's device string
static char s_selection[DEV_STRING_SIZE];  // last string applied; kept between openings
static char s_address[DEV_ADDRESS_SIZE];   // address of the row clicked last
static bool s_changed;

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
    } kGroups[] = {{L"ETH", DEV_GROUP_ETH}, {L"PCI", DEV_GROUP_PCI}, {L"USB", DEV_GROUP_USB}};
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

// Rows are numbered in insertion order across the groups.
struct ListFill {
    HWND list;
    int row;
};

static void InsertRow(void* context, const DevRow* r)
{
    ListFill* fill = (ListFill*)context;
    const char* const texts[5] = {r->serial, r->address, r->hwAddress, r->hostName, r->deviceString};
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_GROUPID;
    item.iItem = fill->row;
    item.iGroupId = r->group;
    item.pszText = (char*)texts[0];
    int at = (int)SendMessageA(fill->list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    if (at < 0) return;
    for (int column = 1; column < 5; ++column) {
        LVITEMA sub = {};
        sub.iSubItem = column;
        sub.pszText = (char*)texts[column];
        SendMessageA(fill->list, LVM_SETITEMTEXTA, at, (LPARAM)&sub);
    }
    ++fill->row;
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
    ListFill fill = {list, 0};
    DEV_ListDevices(InsertRow, &fill);
    EnableSearchButtons(dialog, TRUE);
}

// The first selected row when it is one of the list's rows, else -1.
static int SelectedRow(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_DEVICE_LIST);
    int row = (int)SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
    return row >= 0 && row < (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) ? row : -1;
}

// The text of a column of the row; false when it is empty or the list has none.
static bool RowText(HWND dialog, int row, int column, char* out, int size)
{
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = out;
    item.cchTextMax = size;
    out[0] = 0;
    SendDlgItemMessageA(dialog, IDC_DEVICE_LIST, LVM_GETITEMTEXTA, row, (LPARAM)&item);
    out[size - 1] = 0;
    return out[0] != 0;
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
    DevRow row;
    if (!DEV_ConnectNetworkDevice(text, &row)) return false;
    Select(row.deviceString);
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
            TRC_Report(nullptr, "device selection: warning", text);
            MessageBoxA(dialog, text, kTitle, MB_OK | MB_ICONEXCLAMATION);
            return;  // the user may correct the entry
        }
    } else {
        int row = SelectedRow(dialog);
        char deviceString[DEV_STRING_SIZE];
        if (row >= 0 && RowText(dialog, row, COLUMN_DEVICE, deviceString, sizeof deviceString))
            Select(deviceString);
    }
    DEV_EndModal(dialog);
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
            DEV_EndModal(dialog);
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

    DEV_RunModal(owner, "DEVICELIST", DeviceListProc, 0);

    if (active) DeactivateActCtx(0, cookie);
    if (context != INVALID_HANDLE_VALUE) ReleaseActCtx(context);

    if (s_changed) {
        kw_strlcpy(deviceString, s_selection, DEV_STRING_SIZE);
        s_changed = false;
    }
}
