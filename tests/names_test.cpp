#include "store/names.h"

#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/faults.h"
#include "settings/preferences.h"
#include "store/board.h"
#include "tests/support.h"

using namespace testsupport;

namespace {

std::vector<std::string> parse(const std::string& bytes) {
  fake::share.memberCount = 0;
  store::clearBoard(fake::share);
  store::parseNameList(fake::share, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  std::vector<std::string> names;
  for (int i = 0; i < fake::share.memberCount; ++i) {
    EXPECT_STREQ(fake::share.displayNames[i], fake::share.board.boardNames[i]);
    names.push_back(fake::share.displayNames[i]);
  }
  return names;
}

using V = std::vector<std::string>;
using NameListTest = CoreTest;

TEST_F(NameListTest, SemicolonsEndNamesAndControlBytesAreDropped) {
  struct Case {
    std::string bytes;
    V names;
  } cases[] = {
      {"A;B;C", {"A", "B"}},
      {"A;B;C;", {"A", "B", "C"}},
      {"A;\r\nB;\r\n", {"A", "B"}},
      {"Ya\tma\rda\n 1;", {"Yamada 1"}},
      {";;", {"", ""}},
      {std::string("A\0B;C;", 6), {"A", "C"}},
      {"", {}},
      {"山田(101);佐藤;", {"山田(101)", "佐藤"}},
      // The second byte of ソ and 表 is 0x5C, of ｿ is none; a trail byte 0x3B would be ';' in ASCII.
      {"ソ表;\x81;x;", {"ソ表", "\x81;x"}},
      // A double-byte character whose second byte would read as TAB or LF stays whole.
      {"\x88\x09;\x88\x0A;", {"\x88\x09", "\x88\x0A"}},
      // A lead byte as the last byte ends the scan; its name is dropped.
      {"A;B\x88", {"A"}},
  };
  for (const Case& c : cases) EXPECT_EQ(parse(c.bytes), c.names) << "bytes: " << c.bytes;
}

TEST_F(NameListTest, LongNamesAreCutAt63BytesOr62WhenByte62IsALeadByteValue) {
  std::string kanji;
  for (int i = 0; i < 40; ++i) kanji += "表";
  struct Case {
    std::string name;  // the bytes before the ';'
    std::string kept;
  } cases[] = {
      {std::string(70, 'a'), std::string(63, 'a')},
      {std::string(63, 'a'), std::string(63, 'a')},
      // 31 kanji (62 bytes), then one more: byte 62 is a lead byte.
      {kanji, kanji.substr(0, 62)},
      // Byte 62 is a trail byte with a lead-byte value (0x88 0x9F: 'b' then 0x88 0x9F at 61, 62).
      {std::string(61, 'b') + "\x88\x9Fzz", std::string(61, 'b') + "\x88"},
      // Exactly 63 bytes ending in a double-byte character is no long name: it stays whole.
      {std::string(61, 'b') + "\x88\x9F", std::string(61, 'b') + "\x88\x9F"},
  };
  for (const Case& c : cases) EXPECT_EQ(parse(c.name + ";"), V{c.kept}) << c.name.size() << " bytes";
}

TEST_F(NameListTest, AtMost300NamesAreLoaded) {
  std::string bytes;
  for (int i = 0; i < 301; ++i) bytes += "n" + std::to_string(i) + ";";
  V names = parse(bytes);
  ASSERT_EQ(names.size(), 300u);
  EXPECT_EQ(names.back(), "n299");
  // Counted for the front end to tell; text after the last ';' is no name.
  EXPECT_EQ(fake::share.namesIgnored, 1);
  parse(bytes + "n301;n302;tail");
  EXPECT_EQ(fake::share.namesIgnored, 3);
  parse("a;b;");
  EXPECT_EQ(fake::share.namesIgnored, 0);
}

class NameListFileTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    path = dir.file("tv_name.lst");
    std::strcpy(fake::share.nameListPath, path.c_str());
  }
  std::string path;
};

TEST_F(NameListFileTest, OnlyTheFirst32768BytesAreReadAndANameCutThereIsDropped) {
  std::string bytes(32760, 'x');
  bytes[0] = 'a';
  bytes[1] = ';';
  bytes += "12345678;after;";  // the name crossing the boundary has no ';' within the window
  writeFile(path, bytes);
  std::memset(&fake::share.board, 'z', sizeof fake::share.board);
  EXPECT_EQ(store::loadNameList(fake::share), 1);
  ASSERT_EQ(fake::share.memberCount, 1);
  EXPECT_STREQ(fake::share.displayNames[0], "a");
  EXPECT_EQ(fake::share.board.entries[0].morning[0], '\0');  // cleared before loading
}

TEST_F(NameListFileTest, EmptyFileSucceedsWithNoMembers) {
  writeFile(path, "");
  EXPECT_EQ(store::loadNameList(fake::share), 1);
  EXPECT_EQ(fake::share.memberCount, 0);
  EXPECT_TRUE(fake::sleeps.empty());
}

TEST_F(NameListFileTest, UnreachableFileIsTriedTwentyTimesWithAJitteredSecondAfterEach) {
  writeFile(path, "A;");
  files::faults::failAt(1, true, files::faults::Op::open);  // there, but no open gets through
  const uint64_t start = fake::nowMs;
  EXPECT_EQ(store::loadNameList(fake::share), 0);
  EXPECT_EQ(fake::share.memberCount, 0);
  EXPECT_GE(fake::nowMs - start, 20000u);
  EXPECT_LT(fake::nowMs - start, 21000u);
  EXPECT_TRUE(fake::events.empty());  // the caller reports it
}

// What no wait can change fails at the first try: a missing file or folder, a folder, a FIFO.
TEST_F(NameListFileTest, CertainFailuresAreNotRetried) {
#ifdef _WIN32
  // Windows cannot tell a missing file from a share not connected yet.
  const std::vector<std::string> cases = {dir.path()};
#else
  const std::vector<std::string> cases = {path, dir.file("none/tv_name.lst"), dir.path(), dir.file("fifo")};
  mkfifo(dir.file("fifo").c_str(), 0600);
#endif
  for (const std::string& file : cases) {
    fake::resetAll();
    std::strcpy(fake::share.nameListPath, file.c_str());
    const uint64_t start = fake::nowMs;
    EXPECT_EQ(store::loadNameList(fake::share), 0) << file;
    EXPECT_LT(fake::nowMs - start, 1000u) << file;
  }
}

TEST_F(NameListFileTest, FileThatOpensOnTheThirdAttemptLoads) {
  writeFile(path, "A;B;");
  files::faults::failAt(1, false, files::faults::Op::open);
  EXPECT_EQ(store::loadNameList(fake::share), 1);
  EXPECT_EQ(fake::share.memberCount, 2);
  EXPECT_GE(fake::nowMs - 1000000, 1000u);
}

TEST_F(NameListFileTest, ReadErrorParsesWhateverArrived) {
  writeFile(path, "A;B;");
  files::faults::failAt(1, false, files::faults::Op::read);
  EXPECT_EQ(store::loadNameList(fake::share), 1);
  EXPECT_EQ(fake::share.memberCount, 0);
}

}  // namespace

namespace {

// A list that changes on the share is seen by one look at its metadata; a timer's quick load tries once.
TEST_F(NameListFileTest, AChangedListIsSeenWithoutReadingAndAQuickLoadTriesOnce) {
  using namespace std::chrono_literals;
  EXPECT_EQ(store::loadNameList(fake::share, 1), 0);
  EXPECT_TRUE(fake::sleeps.empty());
  EXPECT_TRUE(store::nameListChanged(fake::share));  // none loaded: the list is wanted
  writeFile(path, "A;B;");
  std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - 1h);
  ASSERT_EQ(store::loadNameList(fake::share, 1), 1);
  EXPECT_FALSE(store::nameListChanged(fake::share));
  writeFile(path, "A;B;C;");  // a new member at the end
  EXPECT_TRUE(store::nameListChanged(fake::share));
  ASSERT_EQ(store::loadNameList(fake::share), 1);
  EXPECT_EQ(fake::share.memberCount, 3);
  std::remove(path.c_str());  // the share gone: nothing to say it changed
  EXPECT_FALSE(store::nameListChanged(fake::share));
}

}  // namespace
