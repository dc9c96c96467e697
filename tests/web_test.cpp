// serve's own parts: the edit body's parser, the tokens, and the changed rows each page is sent.
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "store/board.h"
#include "tests/support.h"
#include "tests/web_private.h"
#include "web/feed.h"
#include "web/json_body.h"
#include "web/memory_file.h"
#include "web/page.h"
#include "web/server.h"
#include "web/tokens.h"

using namespace testsupport;

namespace {

// Literals in this file are CP932 (the build's execution charset); u8 literals stay UTF-8.

TEST(RowEditBody, TakesStringsOfKnownKeysOnly) {
  struct Case {
    const char* body;
    const char* morning;  // UTF-8 as parsed, or null when the body is refused
  } cases[] = {
      {R"({"morning": "\u4f1a\u8b70"})", u8"会議"},
      {R"( {"morning":"a\"\\\/\t"} )", "a\"\\/\t"},
      {R"({"morning":"\ud83d\ude00"})", u8"\U0001F600"},  // a surrogate pair, left to CP932 to refuse
      {R"({})", ""},
      {R"({"morning":"\ud83d"})", nullptr},  // a lone surrogate
      {R"({"morning":"a","morning":"b"})", nullptr},
      {R"({"morning":"a"} x)", nullptr},
      {R"({"morning":"a",})", nullptr},
      {R"({"morning":null})", nullptr},
      {R"(["morning"])", nullptr},
      {"{\"morning\":\"a\nb\"}", nullptr},  // a raw control character
      {R"({"morning":"\x41"})", nullptr},
      {R"({"morning":"a\u0000b"})", nullptr},  // NUL would cut the text short
  };
  for (const Case& c : cases) {
    web::RowEdit edit;
    char reason[128] = "";
    const bool parsed = web::parseRowEdit(c.body, std::strlen(c.body), edit, reason, sizeof reason);
    EXPECT_EQ(parsed, c.morning != nullptr) << c.body << ": " << reason;
    if (parsed && c.morning) {
      EXPECT_STREQ(edit.value[static_cast<int>(web::EditKey::morning)], c.morning) << c.body;
    }
  }
  web::RowEdit edit;
  char reason[128];
  const std::string tooLong = "{\"state\":\"" + std::string(web::EditValueSize, 'a') + "\"}";
  EXPECT_FALSE(web::parseRowEdit(tooLong.data(), tooLong.size(), edit, reason, sizeof reason));
}

TEST(Tokens, FoundOnlyWhole) {
  web::TokenTable table{};
  table.count = 2;
  std::memcpy(table.tokens[0].secret, std::string(40, 'a').c_str(), 41);
  std::memcpy(table.tokens[1].secret, (std::string(39, 'b') + "c").c_str(), 41);
  const std::pair<std::string, int> cases[] = {
      {std::string(40, 'a'), 0},  {std::string(39, 'b') + "c", 1}, {std::string(39, 'b') + "d", -1},
      {std::string(39, 'a'), -1}, {std::string(41, 'a'), -1},      {"", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(web::findToken(table, c.first.data(), c.first.size()), c.second) << c.first;
}

// Every byte is compared whatever the others: differences at the first and the last byte both show.
TEST(Tokens, EveryByteOfATokenIsCompared) {
  const std::string token(web::TokenChars, 'a');
  const struct {
    size_t at[2];
    unsigned difference;
  } cases[] = {{{0, 0}, 'a' ^ 'b'},
               {{web::TokenChars - 1, web::TokenChars - 1}, 'a' ^ 'b'},
               {{0, web::TokenChars - 1}, ('a' ^ 'b') | ('a' ^ 'd')},
               {{5, 20}, ('a' ^ 'b') | ('a' ^ 'd')}};
  for (const auto& c : cases) {
    std::string guess = token;
    guess[c.at[0]] = 'b';
    if (c.at[1] != c.at[0]) guess[c.at[1]] = 'd';
    EXPECT_EQ(web::tokenDifference(token.c_str(), guess.c_str()), c.difference) << c.at[0] << " " << c.at[1];
  }
  EXPECT_EQ(web::tokenDifference(token.c_str(), token.c_str()), 0u);
}

TEST(Tokens, ThirtyWritesInAnyMinute) {
  web::Token token{};
  uint64_t now = 5000;
  for (int i = 0; i < web::WritesPerMinute; ++i) ASSERT_TRUE(web::takeWrite(token, now += 100));
  EXPECT_FALSE(web::takeWrite(token, now));
  EXPECT_FALSE(web::takeWrite(token, 5100 + 59999));
  EXPECT_TRUE(web::takeWrite(token, 5100 + 60000));  // the first write is a minute old
  EXPECT_FALSE(web::takeWrite(token, 5100 + 60000));
}

class WebFeed : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    fake::share.memberCount = 3;
    for (int i = 0; i < 3; ++i) std::snprintf(fake::share.displayNames[i], store::NameSize, "m%d", i);
  }
  void write(int slot, const char* morning) {
    store::setRow(fake::share, slot, morning, "", "", "", "26/01/01 10:00");
    web::publish(feed, fake::share, fake::localTime, 0);
  }
  // The slots an event carries, in order.
  static std::string slotsIn(const std::string& event) {
    std::string slots;
    for (size_t at = event.find("\"slot\": "); at != std::string::npos; at = event.find("\"slot\": ", at + 1))
      slots += event[at + 8];
    return slots;
  }
  web::Feed feed;
};

TEST_F(WebFeed, APageIsSentTheRowsChangedSinceItsGeneration) {
  web::publish(feed, fake::share, fake::localTime, 0);
  const uint64_t first = feed.generation;
  write(1, "a");
  write(2, "b");
  web::publish(feed, fake::share, fake::localTime, 0);  // nothing changed: no generation
  EXPECT_EQ(feed.generation, first + 2);
  EXPECT_TRUE(web::changedSince(feed, 1, first));  // a write of row 1 from a page at first is asked about
  EXPECT_FALSE(web::changedSince(feed, 1, first + 1));
  EXPECT_FALSE(web::changedSince(feed, 0, first));
  std::lock_guard<std::mutex> hold(feed.mutex);
  EXPECT_EQ(slotsIn(web::eventsSince(feed, first)), "12");
  EXPECT_EQ(slotsIn(web::eventsSince(feed, first + 1)), "2");
  EXPECT_EQ(web::eventsSince(feed, first + 2), "");
  EXPECT_EQ(slotsIn(web::eventsSince(feed, UINT64_MAX)), "012");  // another run's page: every row
}

TEST_F(WebFeed, APageTooFarBehindIsSentEveryRow) {
  web::publish(feed, fake::share, fake::localTime, 0);
  const uint64_t first = feed.generation;
  for (int i = 0; i < web::ChangeHistory; ++i) write(1, i % 2 ? "a" : "b");
  std::lock_guard<std::mutex> hold(feed.mutex);
  EXPECT_EQ(slotsIn(web::eventsSince(feed, first)), "012");
  EXPECT_EQ(slotsIn(web::eventsSince(feed, first + 1)), "1");
}

TEST_F(WebFeed, TheBoardIsOldAfterTwoTicksWithoutAGoodRead) {
  web::publish(feed, fake::share, fake::localTime, 10000);
  EXPECT_FALSE(web::boardIsOld(feed, 12500));
  EXPECT_TRUE(web::boardIsOld(feed, 12501));
}

TEST_F(WebFeed, TokensNameExactlyOneMember) {
  std::snprintf(fake::share.displayNames[2], store::NameSize, "m1");
  const std::string token(40, 'a');
  const std::pair<std::string, bool> cases[] = {
      {token + "\tm0\n", true},
      {token + "\tm0\r\n\n", true},
      {token + "\tm1\n", false},  // two m1
      {token + "\tnobody\n", false},
      {token + " m0\n", false},
      {std::string(40, 'A') + "\tm0\n", false},
      {token.substr(1) + "\tm0\n", false},
      {std::string(1200, '\n') + token + "\tm0\n", true},
      {std::string(1201, '\n') + token + "\tm0\n", false},  // read without end, were it endless
      {token + "\t*kiosk\n", true},                         // the reception's, beside no member's name
  };
  for (const auto& c : cases) {
    writeFile(dir.file("tokens"), c.first);
    web::TokenTable table;
    char error[128] = "";
    EXPECT_EQ(web::loadTokens(dir.file("tokens").c_str(), fake::share, table, error, sizeof error), c.second)
        << c.first << error;
  }
}

TEST_F(WebFeed, MadeTokensAreFreshPerMemberAndTheirFileIsTheOwnersAlone) {
  FILE* links = std::tmpfile();
  char error[128] = "";
  ASSERT_TRUE(web::makeTokens(fake::share, dir.file("tokens").c_str(), "http://h", links, error, sizeof error))
      << error;
  EXPECT_TRUE(ownerOnlyFile(dir.file("tokens").c_str()));
  std::istringstream lines(readFile(dir.file("tokens")));
  std::set<std::string> seen;
  std::string expectedLinks;
  for (int slot = 0; slot < 3; ++slot) {
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    const std::string token = line.substr(0, web::TokenChars);
    EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos) << line;
    EXPECT_EQ(line.substr(web::TokenChars), "\tm" + std::to_string(slot));
    seen.insert(token);
    expectedLinks += "m" + std::to_string(slot) + "\thttp://h/m/" + token + "\n";
  }
  EXPECT_EQ(seen.size(), 3u);
  std::rewind(links);
  char printed[512] = "";
  EXPECT_EQ(std::fread(printed, 1, sizeof printed - 1, links), expectedLinks.size());
  EXPECT_EQ(printed, expectedLinks);
  std::fclose(links);
  web::TokenTable table;
  EXPECT_TRUE(web::loadTokens(dir.file("tokens").c_str(), fake::share, table, error, sizeof error)) << error;
}

// The page is UTF-8 while the board is CP932: the states the editor offers and the script reads are
// the board's four, converted, and each icon's class is its state's place among them.
TEST(Page, TheStatesItOffersAreTheBoardsInUtf8) {
  static web::PageBoard board;
  std::memset(&board, 0, sizeof board);
  board.memberCount = 2;
  std::strcpy(board.names[1], "m1");
  std::strcpy(board.image.entries[0].state, "外出・直帰");
  web::MemoryFile out;
  web::writePage(out.get(), board, web::PageView{"t", 1, false});
  const std::string page = out.take();
  EXPECT_NE(page.find(u8"{\"states\":[\"社内\",\"帰宅\",\"外出・戻り\",\"外出・直帰\"],\"returning\":2,\"flags\":["
                      u8"\"overdue\",\"stale\",\"gone\"]}"),
            std::string::npos);
  EXPECT_NE(page.find(u8"data-state=\"外出・戻り\"><span class=\"icon st2\"></span>外出・戻り</button>"),
            std::string::npos);
  EXPECT_NE(page.find("<tr id=\"s0\" data-slot=\"0\" class=\"\"><td class=\"f0\"><span class=\"icon st3\""),
            std::string::npos);
  EXPECT_NE(page.find("<tr id=\"s1\" data-slot=\"1\" class=\"mine\"><td class=\"f0\"><span class=\"icon st-1\""),
            std::string::npos);
}

TEST_F(WebFeed, OneMembersTokenChangesAloneAndAReloadKeepsWriteCounts) {
  FILE* links = std::tmpfile();
  char error[128] = "";
  const std::string path = dir.file("tokens");
  ASSERT_TRUE(web::makeTokens(fake::share, path.c_str(), nullptr, links, error, sizeof error)) << error;
  auto lines = [&] {
    std::istringstream in(readFile(path));
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
  };
  const std::vector<std::string> first = lines();
  ASSERT_TRUE(web::changeToken(fake::share, path.c_str(), 1, false, nullptr, links, error, sizeof error)) << error;
  std::vector<std::string> now = lines();
  ASSERT_EQ(now.size(), 3u);
  EXPECT_EQ(now[0], first[0]);
  EXPECT_EQ(now[1], first[2]);
  EXPECT_NE(now[2], first[1]);
  EXPECT_EQ(now[2].substr(web::TokenChars), "\tm1");
  ASSERT_TRUE(web::changeToken(fake::share, path.c_str(), 1, true, nullptr, links, error, sizeof error)) << error;
  EXPECT_EQ(lines(), (std::vector<std::string>{first[0], first[2]}));
  EXPECT_FALSE(web::changeToken(fake::share, path.c_str(), 1, true, nullptr, links, error, sizeof error));
  std::fclose(links);

  // Slot 2 used its minute's writes under the old table: the reloaded one, where its token moved, says so.
  web::TokenTable before{}, after{};
  before.count = 2;
  before.tokens[0].slot = 0;
  before.tokens[1].slot = 2;
  for (int i = 0; i < web::WritesPerMinute; ++i) ASSERT_TRUE(web::takeWrite(before.tokens[1], 1000 + i));
  after.count = 2;
  after.tokens[0].slot = 2;
  after.tokens[1].slot = 0;
  web::keepWriteCounts(before, after);
  EXPECT_FALSE(web::takeWrite(after.tokens[0], 2000));
  EXPECT_TRUE(web::takeWrite(after.tokens[1], 2000));
}

TEST(ServeHost, OnlyNamesThisServerAnswersFor) {
  struct Case {
    const char* host;
    bool allowed;
  } cases[] = {
      {"127.0.0.1:8080", true},
      {"[::1]:8080", true},
      {"::1", true},
      {"192.0.2.7", true},  // an address as such is never a rebound name
      {"localhost", true},
      {"LocalHost.:80", true},
      {"board.example:8443", true},  // --url's host
      {"BOARD.EXAMPLE", true},
      {"pc-01", true},  // this PC's name
      {"pc-01.evil.example", false},
      {"board.example.evil.example", false},
      {"evil.example", false},
      {"", false},
      {":8080", false},
      {"[::1", false},
  };
  const std::string url = web::urlHostOf("https://Board.Example:8443/m/");
  EXPECT_EQ(url, "board.example");
  for (const Case& c : cases)
    EXPECT_EQ(web::hostAllowed(c.host, std::strlen(c.host), "127.0.0.1", url.c_str(), "PC-01"), c.allowed) << c.host;
  EXPECT_FALSE(web::hostAllowed("board.example", 13, "127.0.0.1", nullptr, nullptr));
  EXPECT_EQ(web::urlHostOf("http://[::1]:8080"), "::1");
  EXPECT_EQ(web::urlHostOf(nullptr), "");
}

}  // namespace
