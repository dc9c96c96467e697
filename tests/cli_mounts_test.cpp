#include <gtest/gtest.h>

#include <string>

#include "cli/mounts.h"

namespace {

// The mount holding a path is the longest mount point above it, the later of two equal ones (a
// mount over a mount); escaped characters in mount points and any number of optional fields. The FUSE
// clients of SMB cannot carry the lock's exclusive create; the kernel's can.
TEST(CliMounts, TheMountTableTellsWhichFileSystemHoldsAPath) {
  const std::string table =
      "21 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n"
      "90 21 0:50 / /mnt/office rw,nosuid shared:60 master:3 - fuse.smbnetfs smbnetfs rw,user_id=0\n"
      "91 21 0:51 / /mnt/office\\040b rw shared:61 - cifs //srv/b rw,cache=strict\n"
      "92 21 0:52 / /mnt/a\\011b\\134c rw - cifs //srv/c rw\n"
      "93 21 0:53 / /mnt/over rw - fuse.gvfsd-fuse gvfsd-fuse rw\n"
      "94 93 0:54 / /mnt/over rw - cifs //srv/over rw\n"
      "95 21 0:55 / /mnt/broken rw shared:1 fuse.smbnetfs\n"  // no "-": not a line of the table
      "96 21 0:56 / relative rw - fuse.smbnetfs smbnetfs rw\n"
      "97 21 0:57 / /mnt/old rw - fuse.gvfs-fuse-daemon gvfs-fuse-daemon rw\n"
      "98 21 0:58 / /run/user/1000/gvfs rw - fuse.gvfsd-fuse gvfsd-fuse rw";
  struct Case {
    std::string path;
    std::string type;
    bool locks;
  } cases[] = {
      {"/mnt/office", "fuse.smbnetfs", false},
      {"/mnt/office/sub/dir", "fuse.smbnetfs", false},
      {"/mnt/officex", "ext4", true},
      {"/mnt/office b/x", "cifs", true},
      {"/mnt/a\tb\\c", "cifs", true},
      {"/run/user/1000/gvfs/smb-share:server=s,share=o/x", "fuse.gvfsd-fuse", false},
      {"/mnt/over/x", "cifs", true},
      {"/mnt/old/x", "fuse.gvfs-fuse-daemon", false},
      {"/mnt/broken/x", "ext4", true},
      {"/home", "ext4", true},
  };
  for (const Case& c : cases) {
    cli::Mount m{};
    ASSERT_TRUE(cli::mountOf(table.data(), table.size(), c.path.c_str(), m)) << c.path;
    EXPECT_EQ(std::string(m.type), c.type) << c.path;
    EXPECT_EQ(cli::cannotLock(m.type), !c.locks) << c.path;
  }
  cli::Mount m{};
  EXPECT_FALSE(cli::mountOf(table.data(), table.size(), "relative/x", m));
  const std::string truncated = "97 21 0:57 / /mnt/x\\04 rw - cifs //srv/x rw";  // not a whole escape
  ASSERT_TRUE(cli::parseMountLine(truncated.data(), truncated.size(), m));
  EXPECT_EQ(std::string(m.point), "/mnt/x\\04");
}

}  // namespace
