// The side file beside a board on a POSIX share: every account that may write the board may write it,
// whatever the creating PC's umask.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "store/access.h"
#include "store/board.h"
#include "tests/support.h"

using namespace testsupport;

namespace {

TEST(SideFilePosix, TakesTheBoardsModeAndGroup) {
  const struct {
    mode_t board;
    gid_t group;
  } cases[] = {{0664, 100}, {0660, 0}, {0600, 100}, {0644, 0}};
  const mode_t was = umask(077);
  for (const auto& c : cases) {
    TempDir dir;
    fake::resetAll();
    const std::string board = dir.file("tv_cont.lst");
    writeFile(board, std::string(store::BoardSize, '\0'));
    ASSERT_EQ(chmod(board.c_str(), c.board), 0);
    ASSERT_EQ(chown(board.c_str(), static_cast<uid_t>(-1), c.group), 0);
    std::strcpy(fake::share.boardPath, board.c_str());
    fake::share.memberCount = 3;
    ASSERT_EQ(store::writeRow(fake::share, 0, {"x", "", "", "", "t"}), 1);
    struct stat side;
    ASSERT_EQ(stat((board + ".jnl").c_str(), &side), 0);
    EXPECT_EQ(side.st_mode & 0777, c.board) << std::oct << c.board;
    EXPECT_EQ(side.st_gid, c.group) << std::oct << c.board;
  }
  umask(was);
}

}  // namespace
