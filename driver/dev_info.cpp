// Device information dialog: the identity the driver reports for a device,
// and its network properties.
#include "dev_dialogs.h"

#include "dialog_ids.h"
#include "dlg_center.h"
#include "drv_table.h"
#include "plugin_state.h"

static void ShowIdentity(HWND dialog, int id, PFN_GetCardText read, i32 h)
{
    char text[DEV_PROPERTY_SIZE];
    DEV_ReadCardText(read, h, text);
    SetDlgItemTextA(dialog, id, text);
}

// Properties that a device without a network connection lacks keep the
// template's "---".
static void ShowProperty(HWND dialog, int id, i32 h, const char* name)
{
    char text[DEV_PROPERTY_SIZE];
    DEV_ReadProperty(h, name, text);
    if (text[0]) SetDlgItemTextA(dialog, id, text);
}

static INT_PTR CALLBACK DeviceInfoProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        i32 h;
        bool connected = TVXDeviceUriConnect((const char*)lParam, &h);
        DLG_CenterWindow(dialog, GetWindow(dialog, GW_OWNER));
        if (connected) {
            ShowIdentity(dialog, IDC_INFO_MODEL, g_drv.GetCardName, h);
            ShowIdentity(dialog, IDC_INFO_SERIAL, g_drv.GetSerialNumber, h);
            ShowIdentity(dialog, IDC_INFO_CUSTOMER, g_drv.GetCustomer_Name, h);
            ShowIdentity(dialog, IDC_INFO_DATE, g_drv.GetCustomer_DateOfPurchase, h);
            ShowProperty(dialog, IDC_INFO_HOSTNAME, h, "network.hostname");
            ShowProperty(dialog, IDC_INFO_HWADDRESS, h, "network.hwaddress");
        }
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) != IDOK) return FALSE;
        DEV_EndModal(dialog);
        return TRUE;
    }
    return FALSE;
}

bool DEV_ShowDeviceInfo(HWND dialog, const char* deviceString)
{
    i32 h;
    if (!TVXDeviceUriConnect(deviceString, &h)) return false;
    char copy[DEV_STRING_SIZE];
    kw_strlcpy(copy, deviceString, sizeof copy);
    DEV_RunModal(dialog, "DEVICEINFO", DeviceInfoProc, (LPARAM)copy);
    return true;
}
