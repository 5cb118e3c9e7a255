// Device search and the driver's texts, against a driver whose answers are
// damaged: texts without terminator, cyclic and endless lists, long serials.
#include <gtest/gtest.h>

#include "dev_search.h"
#include "test_fakes.h"

namespace {

using Log = std::vector<std::string>;

struct SearchTest : ::testing::Test {
    Rig rig;

    // A PCI or USB list of nodes with these handles; the last node links back
    // to node 'loopTo' when it is given.
    u32* Chain(std::vector<i32> handles, int loopTo = -1)
    {
        u32* nodes = (u32*)LowAlloc(handles.size() * DRV_NODE_WORDS * sizeof(u32));
        for (size_t i = 0; i < handles.size(); ++i) {
            u32* node = nodes + i * DRV_NODE_WORDS;
            node[DRV_NODE_HANDLE] = (u32)handles[i];
            bool last = i + 1 == handles.size();
            u32* next = !last ? node + DRV_NODE_WORDS : loopTo >= 0 ? nodes + loopTo * DRV_NODE_WORDS : nullptr;
            node[DRV_NODE_NEXT] = Low32(next);
        }
        return nodes;
    }

    std::vector<DevRow> List()
    {
        std::vector<DevRow> rows;
        DEV_ListDevices([](void* c, const DevRow* r) { ((std::vector<DevRow>*)c)->push_back(*r); }, &rows);
        return rows;
    }
};

// A cyclic chain ends at its first repeated node, an endless one after
// DEV_LIST_NODES_MAX nodes; a node without a device takes no registry slot.
TEST_F(SearchTest, DamagedListsEnd)
{
    rig.deviceList[DRV_INFO_PCI] = Chain({3, -1, 4}, 0);
    rig.deviceList[DRV_INFO_USB] = Chain({5}, 0);
    std::vector<DevRow> rows = List();
    EXPECT_EQ(rows.size(), 3u);
    EXPECT_EQ(rig.take(), (Log{"DeviceInfoFree(list)", "DeviceInfoFree(list)"}));
    EXPECT_EQ(DEV_FindDevice(-1), nullptr);

    rig.deviceList[DRV_INFO_PCI] = Chain(std::vector<i32>(5000, 9));
    rig.deviceList[DRV_INFO_USB] = nullptr;
    EXPECT_EQ(List().size(), (size_t)DEV_LIST_NODES_MAX);
}

// Rows whose device strings would not name their devices, refused before they
// take a registry slot: the cut at a device field's end would fall into the
// address or the serial number, or a '#' inside them would move the fields,
// or the address fills its buffer without terminator. Host name and hardware
// address may be cut.
TEST_F(SearchTest, LongTextsNeverChangeTheDevice)
{
    const std::string address = "192.168.1.100";
    // "\?\eth#7#" + serial + "#" + address ends at the field's last character.
    const std::string fits(259 - 9 - 1 - address.size(), 'S');
    const struct {
        std::string serial, address;
        bool listed;
    } cases[] = {
        {fits, address, true},
        {fits + "S", address, false},
        {"S#1", address, false},
        {fits, "192.168.1.#", false},
        {"S", std::string(DEV_ADDRESS_SIZE, '1'), false},
    };
    for (const auto& c : cases) {
        DEV_ResetAll();
        rig.searchResults = {c.address};
        rig.handleOf = {{c.address.substr(0, DEV_ADDRESS_SIZE - 1), 7}};
        rig.properties = {{{7, "serialnumber"}, c.serial}, {{7, "network.hostname"}, std::string(255, 'h')}};
        std::vector<DevRow> rows = List();
        ASSERT_EQ(rows.size(), c.listed ? 1u : 0u) << c.serial << " " << c.address;
        EXPECT_EQ(DEV_FindDevice(7) != nullptr, c.listed);
        if (!c.listed) continue;
        EXPECT_EQ(strlen(rows[0].deviceString), (size_t)DEV_STRING_SIZE - 1);
        char* connected = DEV_GetAddress(rows[0].deviceString);
        EXPECT_EQ(connected, address);
        DEV_FreeString(connected);
    }

    // A PCI serial number too long for a device field.
    rig.searchResults.clear();
    rig.properties = {{{3, "serialnumber"}, std::string(255, 'K')}};
    rig.deviceList[DRV_INFO_PCI] = Chain({3});
    EXPECT_TRUE(List().empty());
    EXPECT_EQ(DEV_FindDevice(3), nullptr);
}

// The driver's texts are read within their fields, however long they are; a
// card without a name reads "---", a property the driver cannot give "".
TEST_F(SearchTest, DriverTextsStayInTheirFields)
{
    char text[DEV_PROPERTY_SIZE];
    std::vector<char> unterminated(DEV_PROPERTY_SIZE - 1, 'x');  // exactly what may be read
    rig.cardName = unterminated.data();
    DEV_ReadCardText(g_drv.GetCardName, 7, text);
    EXPECT_EQ(std::string(text), std::string(DEV_PROPERTY_SIZE - 1, 'x'));
    rig.cardName = nullptr;
    DEV_ReadCardText(g_drv.GetCardName, 7, text);
    EXPECT_STREQ(text, "---");
    DEV_ReadCardText(nullptr, 7, text);
    EXPECT_STREQ(text, "---");
    rig.properties = {{{7, "network.hostname"}, std::string(300, 'h')}};
    DEV_ReadProperty(7, "network.hostname", text);
    EXPECT_EQ(std::string(text), std::string(DEV_PROPERTY_SIZE - 1, 'h'));
    DEV_ReadProperty(7, "serialnumber", text);  // a property the driver cannot give
    EXPECT_STREQ(text, "");
}

}  // namespace
