#include <gtest/gtest.h>

#include <string>

#include "cli/mounts.h"

namespace {

TEST(CliMounts, LinesOfTheMountTable) {
  struct Case {
    std::string line;
    bool ok;
    std::string point;
    std::string type;
  } cases[] = {
      {"36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 - ext3 /dev/root rw,errors=continue\n", true, "/mnt2", "ext3"},
      {"22 1 0:21 / /proc rw,nosuid - proc proc rw", true, "/proc", "proc"},  // no optional field
      {"90 21 0:50 / /mnt/office\\040share rw shared:60 master:3 - fuse.smbnetfs smbnetfs rw,user_id=0", true,
       "/mnt/office share", "fuse.smbnetfs"},
      {"91 21 0:51 / /run/user/1000/gvfs rw,nosuid shared:61 - fuse.gvfsd-fuse gvfsd-fuse rw,user_id=1000", true,
       "/run/user/1000/gvfs", "fuse.gvfsd-fuse"},
      {"92 21 0:52 / /mnt/a\\011b\\134c rw - cifs //srv/office rw,cache=strict", true, "/mnt/a\tb\\c", "cifs"},
      {"93 21 0:53 / /mnt/x\\04 rw - cifs //srv/x rw", true, "/mnt/x\\04", "cifs"},  // not a whole escape
      {"94 21 0:54 / /mnt/y rw shared:1", false, "", ""},                            // no "-"
      {"95 21 0:55 / /mnt/z rw -", false, "", ""},                                   // no type
      {"96 21 0:56 / relative rw - ext4 /dev/sdb rw", false, "", ""},
      {"", false, "", ""},
  };
  for (const Case& c : cases) {
    cli::Mount m{};
    EXPECT_EQ(cli::parseMountLine(c.line.data(), c.line.size(), m), c.ok) << c.line;
    if (c.ok) {
      EXPECT_EQ(std::string(m.point), c.point) << c.line;
      EXPECT_EQ(std::string(m.type), c.type) << c.line;
    }
  }
}

TEST(CliMounts, TheLongestMountPointHoldingThePathDecidesAndLaterMountsCoverEarlierOnes) {
  const std::string table =
      "21 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
      "90 21 0:50 / /mnt/office rw - fuse.smbnetfs smbnetfs rw\n"
      "91 21 0:51 / /mnt/office\\040b rw - cifs //srv/b rw\n"
      "92 21 0:52 / /mnt/over rw - fuse.gvfsd-fuse gvfsd-fuse rw\n"
      "93 92 0:53 / /mnt/over rw - cifs //srv/over rw\n";
  struct Case {
    std::string path;
    std::string type;
  } cases[] = {
      {"/mnt/office", "fuse.smbnetfs"}, {"/mnt/office/sub/dir", "fuse.smbnetfs"},
      {"/mnt/officex", "ext4"},         {"/mnt/office b/x", "cifs"},
      {"/mnt/over/x", "cifs"},          {"/home", "ext4"},
  };
  for (const Case& c : cases) {
    cli::Mount m{};
    ASSERT_TRUE(cli::mountOf(table.data(), table.size(), c.path.c_str(), m)) << c.path;
    EXPECT_EQ(std::string(m.type), c.type) << c.path;
  }
  cli::Mount m{};
  EXPECT_FALSE(cli::mountOf(table.data(), table.size(), "relative/path", m));
}

TEST(CliMounts, OnlyTheFuseSmbClientsCannotLock) {
  for (const char* type : {"fuse.smbnetfs", "fuse.gvfsd-fuse", "fuse.gvfs-fuse-daemon"})
    EXPECT_TRUE(cli::cannotLock(type)) << type;
  for (const char* type : {"cifs", "smb3", "ext4", "nfs4", "fuse.sshfs", "fuse"})
    EXPECT_FALSE(cli::cannotLock(type)) << type;
}

}  // namespace
