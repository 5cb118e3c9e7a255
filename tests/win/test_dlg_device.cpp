// Device field, device selection and device information of kestrelwing.dll,
// from an analog input dialog in the simulated host, with the simulated
// driver's devices: two network devices, one PCI and one USB device. Also
// the help viewer that the module dialogs share.
#include "dialog_ids.h"
#include "dlg_driver.h"
#include "mod_params.h"
#include "import_patch.h"

static const char kDialog[] = "Analog Input";
static const char kList[] = "Measurement Device Selection";
static const char kInfo[] = "Measurement Device Information";
static const char kEth1[] = "\\?\\eth#1#SIM-1001#192.168.10.21#00:1A:2B:3C:4D:01#kw-eth-1";
static const char kPci[] = "\\?\\pci#3#SIM-2001###";

static char* device(SimModule* m) { return ((AnalogInParams*)m->record->params)->header.device; }
static HWND list_view(void) { return dlg_item(kList, IDC_DEVICE_LIST); }

// The list's rows, each as its five texts joined by '|', one row a line.
static std::string rows(void)
{
    std::string all;
    for (int index = 0; index < (int)SendMessageA(list_view(), LVM_GETITEMCOUNT, 0, 0); ++index)
        for (int column = 0; column < 5; ++column) {
            char text[600] = "";
            LVITEMA item = {};
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(list_view(), LVM_GETITEMTEXTA, index, (LPARAM)&item);
            all += text + std::string(column < 4 ? "|" : "\n");
        }
    return all;
}

static DlgStep expect_rows(std::string expected)
{
    return act([expected] { ok(rows() == expected, "rows:\n%sexpected:\n%s", rows().c_str(), expected.c_str()); });
}

// A click on a row: the list selects it and tells the dialog.
static DlgStep click_row(int index)
{
    return act([index] {
        HWND list = list_view();
        LVITEMA item = {};
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list, LVM_SETITEMSTATE, index, (LPARAM)&item);
        NMITEMACTIVATE n = {};
        n.hdr = {list, IDC_DEVICE_LIST, (UINT)NM_CLICK};
        n.iItem = index;
        SendMessageA(GetParent(list), WM_NOTIFY, IDC_DEVICE_LIST, (LPARAM)&n);
    });
}

static DlgStep expect_disabled(const char* title)
{
    return act([title] { ok(!IsWindowEnabled(dlg_find(title)), "%s enabled under another dialog", title); });
}

// A new module has no device: the field says "default" and Info does nothing.
// Opening the list shows what the driver sees without a new search; Refresh
// searches the network. The row applied becomes the module's device on Ok only.
static void test_search_and_apply(SimModule* m)
{
    dlg_open_module("default device", m,
                    {wait_for(kDialog), expect_text(kDialog, IDC_DEVICE_TEXT, "default"), click(kDialog, IDC_INFO),
                     expect_closed(kInfo), click(kDialog, IDC_SEARCH), wait_for(kList), expect_disabled(kDialog),
                     act([] { ok(SendMessageA(list_view(), LVM_GETITEMCOUNT, 0, 0) == 2, "rows before the search"); }),
                     expect_text(kList, IDC_DEVICE_FIELD, ""), click(kList, IDC_REFRESH),
                     expect_rows("SIM-1001|192.168.10.21|00:1A:2B:3C:4D:01|kw-eth-1|" + std::string(kEth1) +
                                 "\nSIM-1002|192.168.10.22|00:1A:2B:3C:4D:02|kw-eth-2|\\?\\eth#2#SIM-1002#192.168."
                                 "10.22#00:1A:2B:3C:4D:02#kw-eth-2\nSIM-2001||||" + kPci +
                                 "\nSIM-3001||||\\?\\usb#4#SIM-3001###\n"),
                     capture(kList, "devicelist"), click_row(0), expect_text(kList, IDC_DEVICE_FIELD, "192.168.10.21"),
                     click(kList, IDC_APPLY), expect_closed(kList), expect_text(kDialog, IDC_DEVICE_TEXT, "SIM-1001"),
                     act([m] { ok(device(m)[0] == 0, "the device changed before Ok"); }), click(kDialog, IDC_MODULE_OK)});
    ok(!strcmp(device(m), kEth1), "device \"%s\"", device(m));

    // A row applied and the module dialog cancelled; Apply without a row;
    // Cancel of the list: none of them changes the module's device.
    dlg_open_module("nothing applied", m,
                    {wait_for(kDialog), click(kDialog, IDC_SEARCH), wait_for(kList),
                     expect_text(kList, IDC_DEVICE_FIELD, kEth1), click(kList, IDC_APPLY),
                     expect_text(kDialog, IDC_DEVICE_TEXT, "SIM-1001"), click(kDialog, IDC_SEARCH), wait_for(kList),
                     click_row(3), click(kList, IDCANCEL), expect_text(kDialog, IDC_DEVICE_TEXT, "SIM-1001"),
                     click(kDialog, IDC_SEARCH), wait_for(kList), click_row(2), expect_text(kList, IDC_DEVICE_FIELD, ""),
                     click(kList, IDC_APPLY), expect_text(kDialog, IDC_DEVICE_TEXT, "SIM-2001"),
                     click(kDialog, IDC_MODULE_CANCEL)});
    ok(!strcmp(device(m), kEth1), "device \"%s\" after nothing was applied", device(m));
}

// A host name typed into the Device field becomes a network device string
// when a device answers there; otherwise the user is told and may retry.
static void test_typed_host_name(SimModule* m)
{
    DlgStep closeMessageBox = [] {
        HWND box = GetActiveWindow();  // the box, with the list dialog's caption
        if (!box || GetDlgItem(box, IDC_DEVICE_LIST)) return false;
        char text[300] = "";
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        ok(strstr(text, "nowhere") != nullptr, "message \"%s\"", text);
        SendMessageA(box, WM_COMMAND, IDOK, 0);
        return true;
    };
    dlg_open_module("typed host name", m,
                    {wait_for(kDialog), click(kDialog, IDC_SEARCH), wait_for(kList),
                     type(kList, IDC_DEVICE_FIELD, "nowhere"), click(kList, IDC_APPLY), closeMessageBox,
                     wait_for(kList), type(kList, IDC_DEVICE_FIELD, "KW-ETH-2"), click(kList, IDC_APPLY),
                     expect_closed(kList), expect_text(kDialog, IDC_DEVICE_TEXT, "SIM-1002"),
                     click(kDialog, IDC_MODULE_OK)});
    ok(!strcmp(device(m), "\\?\\eth#2#SIM-1002#KW-ETH-2#00:1A:2B:3C:4D:02#kw-eth-2"), "device \"%s\"", device(m));
}

// Info shows what the driver reports; a PCI device has no host name, and
// the field keeps the template's "---".
static void test_info(SimModule* m)
{
    dlg_open_module("info", m,
                    {wait_for(kDialog), click(kDialog, IDC_INFO), wait_for(kInfo), expect_disabled(kDialog),
                     expect_text(kInfo, IDC_INFO_MODEL, "Kestrelwing ETH-16 (simulated)"),
                     expect_text(kInfo, IDC_INFO_SERIAL, "SIM-1002"),
                     expect_text(kInfo, IDC_INFO_CUSTOMER, "Simulated device"),
                     expect_text(kInfo, IDC_INFO_DATE, "02.09.2024"), expect_text(kInfo, IDC_INFO_HOSTNAME, "kw-eth-2"),
                     expect_text(kInfo, IDC_INFO_HWADDRESS, "00:1A:2B:3C:4D:02"), capture(kInfo, "deviceinfo"),
                     click(kInfo, IDOK), expect_closed(kInfo), click(kDialog, IDC_MODULE_CANCEL)});

    kw_strlcpy(device(m), kPci, 260);
    dlg_open_module("info without a host name", m,
                    {wait_for(kDialog), click(kDialog, IDC_INFO), wait_for(kInfo),
                     expect_text(kInfo, IDC_INFO_HOSTNAME, "---"), click(kInfo, IDOK),
                     click(kDialog, IDC_MODULE_CANCEL)});
}

// A list control that reports a selected row one past its last, as a stale
// selection would: neither the click nor Apply takes that row's texts, and
// the module keeps its device.
static WNDPROC s_listProc;
static LRESULT CALLBACK selection_past_the_end(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == LVM_GETNEXTITEM) message = LVM_GETITEMCOUNT, wParam = lParam = 0;
    return CallWindowProcA(s_listProc, list, message, wParam, lParam);
}

static void test_selection_past_the_list(SimModule* m)
{
    kw_strlcpy(device(m), kPci, 260);
    std::string before = device(m);
    dlg_open_module("selection past the list", m,
                    {wait_for(kDialog), click(kDialog, IDC_SEARCH), wait_for(kList), act([] {
                         s_listProc = (WNDPROC)SetWindowLongPtrA(list_view(), GWLP_WNDPROC,
                                                                 (LONG_PTR)selection_past_the_end);
                     }),
                     click_row(0), expect_text(kList, IDC_DEVICE_FIELD, before), click(kList, IDC_APPLY),
                     expect_closed(kList), click(kDialog, IDC_MODULE_OK)});
    ok(device(m) == before, "device \"%s\", was \"%s\"", device(m), before.c_str());
}

// When a dialog ends, Windows activates its owner only if the owner is
// enabled by then; else some other window, often another application's. So
// the device dialogs enable the module dialog before they end, however they
// are closed. Wine's EndDialog enables the owner itself, so the state is
// read at the call, for every device dialog the tests close.
static BOOL(WINAPI* s_endDialog)(HWND, INT_PTR);
static u32 s_endedWithOwner[2];  // [owner enabled]
static BOOL WINAPI recorded_end_dialog(HWND dialog, INT_PTR result)
{
    char title[128] = "";
    GetWindowTextA(dialog, title, sizeof title);
    if (strcmp(title, kDialog)) ++s_endedWithOwner[IsWindowEnabled(GetWindow(dialog, GW_OWNER)) != 0];
    return s_endDialog(dialog, result);
}

// The help viewer comes from the system folder, even with a copy planted
// where a bare name is looked for first (the DLL directory here, as the
// program folder would be).
static void test_help_from_system_folder(SimModule* m)
{
    char planted[MAX_PATH], expected[MAX_PATH], loaded[MAX_PATH] = "";
    kwtest_bin_dir(planted, sizeof planted);
    strcat(planted, "\\planted");
    GetSystemDirectoryA(expected, sizeof expected);
    strcat(expected, "\\hhctrl.ocx");
    SetDllDirectoryA(planted);
    dlg_open_module("help", m,
                    {wait_for(kDialog), click(kDialog, IDC_MODULE_HELP), click(kDialog, IDC_MODULE_CANCEL)});
    SetDllDirectoryA(nullptr);
    HMODULE viewer = GetModuleHandleA("hhctrl.ocx");
    if (viewer) GetModuleFileNameA(viewer, loaded, sizeof loaded);
    ok(!lstrcmpiA(loaded, expected), "help viewer from \"%s\"", loaded);
}

int main(void)
{
    if (dlg_load_plugin()) {
        SimModule* m = SH_CreateModule("KWE:AnalogIn");
        s_endDialog = (decltype(s_endDialog))(void*)GetProcAddress(GetModuleHandleA("user32.dll"), "EndDialog");
        ok(patch_import(SHW_PluginModule(), "user32.dll", (void*)s_endDialog, (void*)recorded_end_dialog),
           "kestrelwing.dll imports no EndDialog");
        if (ok(m && device(m)[0] == 0, "a new module has a device")) {
            test_search_and_apply(m);
            test_typed_host_name(m);
            test_info(m);
            test_selection_past_the_list(m);
            test_help_from_system_folder(m);
        }
        ok(s_endedWithOwner[0] == 0 && s_endedWithOwner[1] >= 8,
           "%u device dialogs ended with their owner disabled, %u enabled", s_endedWithOwner[0], s_endedWithOwner[1]);
        patch_import(SHW_PluginModule(), "user32.dll", (void*)recorded_end_dialog, (void*)s_endDialog);
        dlg_finish_plugin();
        ok(!GetModuleHandleA("hhctrl.ocx"), "the help viewer stays loaded after shut-down");
    }
    return wintest_finish("test_dlg_device");
}
