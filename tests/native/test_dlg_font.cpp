// The dialog text font goes back to the host once, and only if it was made.
#include "dlg_font.h"
#include "plugin_state.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<HGDIOBJ> g_deleted;
void FakeDeleteStackedObject(HGDIOBJ object) { g_deleted.push_back(object); }

TEST(DialogFont, ReleasedOnceWhenMade)
{
    g_host.DeleteStackedObject = FakeDeleteStackedObject;
    g_deleted.clear();
    DLG_ReleaseFont();
    EXPECT_TRUE(g_deleted.empty());

    HFONT font = (HFONT)(uintptr_t)0x4242;
    g_dlgFont = font;
    DLG_ReleaseFont();
    DLG_ReleaseFont();
    ASSERT_EQ(g_deleted.size(), 1u);
    EXPECT_EQ(g_deleted[0], (HGDIOBJ)font);
    EXPECT_EQ(g_dlgFont, nullptr);
}

}  // namespace
