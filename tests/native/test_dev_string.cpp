// Device strings: validity, field counting and the handle field.
#include <gtest/gtest.h>

#include <string>

#include "dev_device.h"

namespace {

std::string Field(const char* s, int n)
{
    char* f = DEV_GetField(s, n);
    std::string out = f ? f : "<null>";
    DEV_FreeString(f);
    return out;
}

TEST(DeviceString, Validity)
{
    EXPECT_FALSE(DEV_IsValidString(nullptr));
    EXPECT_FALSE(DEV_IsValidString(""));
    EXPECT_FALSE(DEV_IsValidString("\\?\\eth#"));   // 7 characters
    EXPECT_TRUE(DEV_IsValidString("\\?\\eth#1"));   // 8
    EXPECT_FALSE(DEV_IsValidString("/?/eth#1#2"));
    EXPECT_FALSE(DEV_IsValidString("\\!\\eth#1#2"));
    EXPECT_EQ(Field("\\?\\eth#", 0), "<null>");  // an invalid string has no fields at all
}

TEST(DeviceString, FieldsAreCountedLikeStrtok)
{
    const char* full = "\\?\\eth#3#SER9#192.168.1.7#00:0A:11#bench";
    EXPECT_EQ(Field(full, 0), "\\?\\eth");
    EXPECT_EQ(Field(full, 1), "3");
    EXPECT_EQ(Field(full, 2), "SER9");
    EXPECT_EQ(Field(full, 3), "192.168.1.7");
    EXPECT_EQ(Field(full, 5), "bench");
    EXPECT_EQ(Field(full, 6), "<null>");
    EXPECT_EQ(Field(full, -1), "<null>");

    // An empty serial number moves the later fields down by one.
    const char* noSerial = "\\?\\eth#3##192.168.1.7#00:0A:11#bench";
    EXPECT_EQ(Field(noSerial, 2), "192.168.1.7");
    EXPECT_EQ(Field(noSerial, 3), "00:0A:11");
    EXPECT_EQ(Field(noSerial, 5), "<null>");

    // Trailing separators of a USB string count for nothing.
    const char* usb = "\\?\\usb#0#K12345###";
    EXPECT_EQ(Field(usb, 2), "K12345");
    EXPECT_EQ(Field(usb, 3), "<null>");
    EXPECT_EQ(Field("\\?\\pci###0##K1", 2), "K1");
}

TEST(DeviceString, AccessorsReturnPrivateCopies)
{
    char s[] = "\\?\\usb#4#K777###";
    char* serial = DEV_GetSerial(s);
    ASSERT_STREQ(serial, "K777");
    serial[0] = 'X';
    EXPECT_STREQ(s, "\\?\\usb#4#K777###");
    DEV_FreeString(serial);
    char* kind = DEV_GetKind(s);
    EXPECT_STREQ(kind, "\\?\\usb");
    DEV_FreeString(kind);
    EXPECT_EQ(DEV_GetAddress(s), nullptr);
}

TEST(DeviceString, HandleFieldFollowsAtoi)
{
    EXPECT_EQ(DEV_GetHandleField("\\?\\eth#17#S#A#H#N"), 17);
    EXPECT_EQ(DEV_GetHandleField("\\?\\eth#-3#S#A"), -3);
    EXPECT_EQ(DEV_GetHandleField("\\?\\eth#12abc#S#A"), 12);
    EXPECT_EQ(DEV_GetHandleField("\\?\\eth#abc#S#A"), 0);
    EXPECT_EQ(DEV_GetHandleField("\\?\\ethernet"), -1);  // no field 1
    EXPECT_EQ(DEV_GetHandleField("short"), -1);
    EXPECT_EQ(DEV_GetHandleField(nullptr), -1);
}

}  // namespace
