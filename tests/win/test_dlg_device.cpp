// Device field, device selection and device information of kestrelwing.dll,
// from an analog input dialog in the simulated host, with the simulated
// driver's devices: two network devices, one PCI and one USB device.
#include "dialog_ids.h"
#include "dlg_driver.h"
#include "mod_params.h"

static const char kDialog[] = "Analog Input";
static const char kList[] = "Measurement Device Selection";
static const char kInfo[] = "Measurement Device Information";

static const char kEth1[] = "\\?\\eth#1#KW24-1001#192.168.10.21#00:1A:2B:3C:4D:01#kw-eth-1";
static const char kPci[] = "\\?\\pci#3#KW24-2001###";

typedef void (*FailCallFn)(const char* name, i32 handle, i32 status, u32 times);

static void fail_driver_call(const char* name, i32 handle, u32 times)
{
    FailCallFn fail = (FailCallFn)(void*)GetProcAddress(GetModuleHandleA("tvxv2_w32.dll"), "SimDrv_FailCall");
    ok(fail != nullptr, "the simulated driver has no SimDrv_FailCall");
    if (fail) fail(name, handle, -5, times);
}

static char* device(SimModule* m) { return ((AnalogInParams*)m->record->params)->header.device; }

static HWND list_view(void) { return dlg_item(kList, IDC_DEVICE_LIST); }

static int rows(void) { return (int)SendMessageA(list_view(), LVM_GETITEMCOUNT, 0, 0); }

static std::string cell(int row, int column)
{
    char text[600] = "";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list_view(), LVM_GETITEMTEXTA, row, (LPARAM)&item);
    return text;
}

// What the dialog tells the list about groups. Recorded from the messages,
// not read back: a list view without groups (Wine's) ignores them.
struct GroupLog {
    std::vector<int> groups;  // ids inserted, in order
    std::string headers;      // their headers, joined by blanks
    int groupView;            // last LVM_ENABLEGROUPVIEW argument, -1 none
    std::vector<int> rowGroups;
    WNDPROC original;
};
static GroupLog s_groupLog;

static LRESULT CALLBACK record_groups(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    GroupLog& g = s_groupLog;
    if (message == LVM_INSERTGROUP) {
        const LVGROUP* group = (const LVGROUP*)lParam;
        g.groups.push_back(group->iGroupId);
        char header[16] = "";
        WideCharToMultiByte(CP_ACP, 0, group->pszHeader, -1, header, sizeof header, nullptr, nullptr);
        g.headers += (g.headers.empty() ? "" : " ") + std::string(header);
    } else if (message == LVM_REMOVEALLGROUPS) {
        g.groups.clear();
        g.headers.clear();
    } else if (message == LVM_ENABLEGROUPVIEW) {
        g.groupView = (int)wParam;
    } else if (message == LVM_INSERTITEMA) {
        const LVITEMA* item = (const LVITEMA*)lParam;
        g.rowGroups.push_back(item->mask & LVIF_GROUPID ? item->iGroupId : 0);
    }
    return CallWindowProcA(g.original, list, message, wParam, lParam);
}

static DlgStep record_group_messages(void)
{
    return act([] {
        s_groupLog = GroupLog{{}, "", -1, {}, nullptr};
        s_groupLog.original = (WNDPROC)SetWindowLongPtrA(list_view(), GWLP_WNDPROC, (LONG_PTR)record_groups);
    });
}

// A click on a row: the list selects it and tells the dialog.
static DlgStep click_row(int row)
{
    return act([row] {
        HWND list = list_view();
        LVITEMA item = {};
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list, LVM_SETITEMSTATE, row, (LPARAM)&item);
        NMITEMACTIVATE n = {};
        n.hdr.hwndFrom = list;
        n.hdr.idFrom = IDC_DEVICE_LIST;
        n.hdr.code = NM_CLICK;
        n.iItem = row;
        SendMessageA(GetParent(list), WM_NOTIFY, IDC_DEVICE_LIST, (LPARAM)&n);
    });
}

static DlgStep expect_text(const char* title, int id, const char* text)
{
    return act([title, id, text] {
        std::string shown = dlg_text(title, id);
        ok(shown == text, "%s: control %d shows \"%s\", expected \"%s\"", title, id, shown.c_str(), text);
    });
}

static DlgStep expect_closed(const char* title)
{
    return act([title] { ok(dlg_find(title) == nullptr, "%s still open", title); });
}

// A new module has no device: the field says "default" and Info does nothing.
static void test_default_device(SimModule* m)
{
    dlg_open_module("default device", m,
                    {wait_for(kDialog), expect_text(kDialog, IDC_DEVICE_TEXT, "default"), click(kDialog, IDC_INFO),
                     expect_closed(kInfo),
                     act([] { ok(IsWindowEnabled(dlg_find(kDialog)), "module dialog left disabled"); }),
                     click(kDialog, IDC_MODULE_CANCEL)});
}

// Opening lists what the driver sees without a new search; Refresh searches
// the network. The row applied becomes the module's device on Ok only.
static void test_search_and_apply(SimModule* m)
{
    std::string eth1 = kEth1;
    dlg_open_module(
        "search and apply", m,
        {wait_for(kDialog), click(kDialog, IDC_SEARCH), wait_for(kList),
         act([] {
             ok(!IsWindowEnabled(dlg_find(kDialog)), "module dialog enabled under the device list");
             ok(rows() == 2 && cell(0, 0) == "KW24-2001" && cell(1, 0) == "KW24-3001",
                "%d rows before the network search", rows());
         }),
         expect_text(kList, IDC_DEVICE_FIELD, ""), record_group_messages(), click(kList, IDC_REFRESH), act([eth1] {
             ok(rows() == 4, "%d rows after the search", rows());
             ok(cell(0, 0) == "KW24-1001" && cell(0, 1) == "192.168.10.21" && cell(0, 2) == "00:1A:2B:3C:4D:01" &&
                    cell(0, 3) == "kw-eth-1" && cell(0, 4) == eth1,
                "network row: %s | %s | %s | %s | %s", cell(0, 0).c_str(), cell(0, 1).c_str(), cell(0, 2).c_str(),
                cell(0, 3).c_str(), cell(0, 4).c_str());
             ok(cell(2, 0) == "KW24-2001" && cell(2, 1).empty() && cell(2, 2).empty() && cell(2, 3).empty() &&
                    cell(2, 4) == kPci,
                "PCI row: %s | %s", cell(2, 0).c_str(), cell(2, 4).c_str());
             ok(cell(3, 4) == "\\?\\usb#4#KW24-3001###", "USB row: %s", cell(3, 4).c_str());
             const GroupLog& g = s_groupLog;
             const std::vector<int> groups = {1, 2, 3}, rowGroups = {1, 1, 2, 3};
             ok(g.groups == groups && g.headers == "ETH PCI USB" && g.groupView == 1,
                "groups \"%s\", group view %d", g.headers.c_str(), g.groupView);
             ok(g.rowGroups == rowGroups, "rows not placed in their groups");
         }),
         capture(kList, "devicelist"), click_row(0), expect_text(kList, IDC_DEVICE_FIELD, "192.168.10.21"),
         click(kList, IDC_APPLY), expect_closed(kList), expect_text(kDialog, IDC_DEVICE_TEXT, "KW24-1001"),
         act([m] { ok(device(m)[0] == 0, "the device changed before Ok"); }), click(kDialog, IDC_MODULE_OK)});
    ok(eth1 == device(m), "device \"%s\"", device(m));

    // Another row applied and the module dialog cancelled: no change.
    dlg_open_module("apply and cancel", m,
                    {wait_for(kDialog), click(kDialog, IDC_SEARCH), wait_for(kList),
                     expect_text(kList, IDC_DEVICE_FIELD, eth1.c_str()), click_row(2),
                     expect_text(kList, IDC_DEVICE_FIELD, ""), click(kList, IDC_APPLY),
                     expect_text(kDialog, IDC_DEVICE_TEXT, "KW24-2001"), click(kDialog, IDC_MODULE_CANCEL)});
    ok(eth1 == device(m), "Cancel kept device \"%s\"", device(m));

    // Apply without a row, and Cancel of the list, leave the device alone.
    dlg_open_module("nothing applied", m,
                    {wait_for(kDialog), click(kDialog, IDC_SEARCH), wait_for(kList), click(kList, IDC_APPLY),
                     expect_text(kDialog, IDC_DEVICE_TEXT, "KW24-1001"), click(kDialog, IDC_SEARCH), wait_for(kList),
                     click_row(3), click(kList, IDCANCEL), expect_text(kDialog, IDC_DEVICE_TEXT, "KW24-1001"),
                     click(kDialog, IDC_MODULE_OK)});
    ok(eth1 == device(m), "device \"%s\" after nothing was applied", device(m));
}

// A device whose properties cannot be read is listed with empty texts.
static void test_unreadable_properties(SimModule* m)
{
    dlg_open_module("unreadable properties", m,
                    {wait_for(kDialog), click(kDialog, IDC_SEARCH), wait_for(kList),
                     act([] { fail_driver_call("GetDevicePropertyStringA", 1, 3); }), click(kList, IDC_REFRESH),
                     act([] {
                         ok(cell(0, 0).empty() && cell(0, 1) == "192.168.10.21" && cell(0, 2).empty() &&
                                cell(0, 3).empty() && cell(0, 4) == "\\?\\eth#1##192.168.10.21##",
                            "row without properties: %s", cell(0, 4).c_str());
                     }),
                     click(kList, IDCANCEL), click(kDialog, IDC_MODULE_CANCEL)});
}

static DlgStep close_message_box(const char* mentioning)
{
    return [mentioning] {
        HWND box = dlg_find(kList, -IDC_DEVICE_LIST);  // same caption, no list
        if (!box) return false;
        char text[300] = "";
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        ok(strstr(text, mentioning) != nullptr, "message \"%s\"", text);
        SendMessageA(box, WM_COMMAND, IDOK, 0);
        return true;
    };
}

// A host name typed into the Device field becomes a network device string
// when a device answers there; otherwise the user is told and may retry.
static void test_typed_host_name(SimModule* m)
{
    dlg_open_module("typed host name", m,
                    {wait_for(kDialog), click(kDialog, IDC_SEARCH), wait_for(kList),
                     type(kList, IDC_DEVICE_FIELD, "nowhere"), click(kList, IDC_APPLY), close_message_box("nowhere"),
                     wait_for(kList), type(kList, IDC_DEVICE_FIELD, "KW-ETH-2"), click(kList, IDC_APPLY),
                     expect_closed(kList), expect_text(kDialog, IDC_DEVICE_TEXT, "KW24-1002"),
                     click(kDialog, IDC_MODULE_OK)});
    ok(!strcmp(device(m), "\\?\\eth#2#KW24-1002#KW-ETH-2#00:1A:2B:3C:4D:02#kw-eth-2"), "device \"%s\"", device(m));
}

// Info shows what the driver reports; texts it lacks read "---".
static void test_info(SimModule* m)
{
    dlg_open_module("info", m,
                    {wait_for(kDialog), click(kDialog, IDC_INFO), wait_for(kInfo),
                     act([] { ok(!IsWindowEnabled(dlg_find(kDialog)), "module dialog enabled under the information"); }),
                     expect_text(kInfo, IDC_INFO_MODEL, "Kestrelwing ETH-16"),
                     expect_text(kInfo, IDC_INFO_SERIAL, "KW24-1002"),
                     expect_text(kInfo, IDC_INFO_CUSTOMER, "Brennholt Messtechnik"),
                     expect_text(kInfo, IDC_INFO_DATE, "02.09.2024"), expect_text(kInfo, IDC_INFO_HOSTNAME, "kw-eth-2"),
                     expect_text(kInfo, IDC_INFO_HWADDRESS, "00:1A:2B:3C:4D:02"), capture(kInfo, "deviceinfo"),
                     click(kInfo, IDOK), expect_closed(kInfo), click(kDialog, IDC_MODULE_CANCEL)});

    kw_strlcpy(device(m), kPci, 260);
    dlg_open_module("info without texts", m,
                    {wait_for(kDialog), expect_text(kDialog, IDC_DEVICE_TEXT, "KW24-2001"), act([] {
                         fail_driver_call("GetCustomer_Name", -1, 1);
                         fail_driver_call("GetCustomer_DateOfPurchase", -1, 1);
                     }),
                     click(kDialog, IDC_INFO), wait_for(kInfo), expect_text(kInfo, IDC_INFO_MODEL, "Kestrelwing PCI-16"),
                     expect_text(kInfo, IDC_INFO_CUSTOMER, "---"), expect_text(kInfo, IDC_INFO_DATE, "---"),
                     expect_text(kInfo, IDC_INFO_HOSTNAME, "---"), click(kInfo, IDOK),
                     click(kDialog, IDC_MODULE_CANCEL)});
}

int main(void)
{
    if (!dlg_load_plugin()) return wintest_finish("test_dlg_device");
    SimModule* m = SH_CreateModule("KWE:AnalogIn");
    ok(m && device(m)[0] == 0, "a new module has a device");
    if (m) {
        test_default_device(m);
        test_search_and_apply(m);
        test_unreadable_properties(m);
        test_typed_host_name(m);
        test_info(m);
    }
    ok(g_sim.faults.empty() && g_sim.traps.empty(), "host faults");
    ok(SHW_FinishPlugin() == 1, "FinishTarnDLL");
    return wintest_finish("test_dlg_device");
}
