// The window's command table against the menu of the resource script: every key a menu label shows is
// the key the table gives that command, no other key runs anything, every command is on the menu, and
// the toolbar's tooltips say the table's keys.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "ui/commands.h"
#include "ui/resources/resource.h"

namespace {

// The key a label promises after its tab ("F5", "Ctrl+1", "Esc"), as an accelerator.
bool accelOfLabel(const char* key, ACCEL& out) {
  out.fVirt = FVIRTKEY;
  if (std::strncmp(key, "Ctrl+", 5) == 0) out.fVirt |= FCONTROL, key += 5;
  if (std::strcmp(key, "Esc") == 0)
    out.key = VK_ESCAPE;
  else if (key[0] == 'F' && key[1] >= '1' && key[1] <= '9' && key[2] == '\0')
    out.key = static_cast<WORD>(VK_F1 + key[1] - '1');
  else if (key[0] != '\0' && key[1] == '\0')
    out.key = static_cast<WORD>(key[0]);
  else
    return false;
  return true;
}

// Every item of the menu and its submenus, with its label.
void itemsOf(HMENU menu, std::string (&labels)[65536]) {
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    if (HMENU sub = GetSubMenu(menu, i)) {
      itemsOf(sub, labels);
      continue;
    }
    const UINT id = GetMenuItemID(menu, i);
    char label[128] = {};
    GetMenuStringA(menu, i, label, sizeof label, MF_BYPOSITION);
    if (id) labels[id] = label;
  }
}

TEST(CommandTable, TheKeysTheMenuShowsAreTheTablesAndRunThoseCommands) {
  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDM_MAIN));
  HACCEL keys = ui::createAccelerators();
  ASSERT_TRUE(menu && keys);
  static std::string labels[65536];
  itemsOf(menu, labels);
  ACCEL table[64];
  const int keyCount = CopyAcceleratorTableA(keys, table, 64);
  int shown = 0;
  for (int id = 0; id < 65536; ++id) {
    const char* tab = std::strchr(labels[id].c_str(), '\t');
    if (!tab) continue;
    ++shown;
    ACCEL want = {};
    ASSERT_TRUE(accelOfLabel(tab + 1, want)) << labels[id];
    bool found = false;
    for (int k = 0; k < keyCount; ++k)
      found |= table[k].cmd == id && table[k].key == want.key &&
               (table[k].fVirt & (FVIRTKEY | FCONTROL | FSHIFT | FALT)) == want.fVirt;
    EXPECT_TRUE(found) << labels[id] << ": the key shown runs it";
  }
  EXPECT_EQ(shown, keyCount) << "every key is shown in the menu";
  int count = 0;
  const ui::Command* commands = ui::commands(count);
  for (int i = 0; i < count; ++i) EXPECT_FALSE(labels[commands[i].id].empty()) << commands[i].id << " is on the menu";
  DestroyAcceleratorTable(keys);
  DestroyMenu(menu);
}

TEST(CommandTable, TooltipsNameTheCommandAndItsKey) {
  const struct {
    int id;
    const char* tip;
  } cases[] = {
      {IDM_UPDATE_LIST, "リストのアップデート (F5)"},
      {IDM_MY_OFFICE, "自分の状態を「社内」に (Ctrl+1)"},
      {IDM_MY_OUT_RETURNING, "自分の状態を「外出・戻り」に、帰社予定を入力 (Ctrl+3)"},
      {IDM_MY_OUT_GOING_HOME, "自分の状態を「外出・直帰」に (Ctrl+4)"},
  };
  for (const auto& c : cases) {
    const ui::Command* command = ui::commandOf(c.id);
    ASSERT_NE(command, nullptr);
    char tip[80];
    ui::commandTip(*command, tip, sizeof tip);
    EXPECT_STREQ(tip, c.tip);
  }
}

}  // namespace
