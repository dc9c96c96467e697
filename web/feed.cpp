#include "web/feed.h"

#include <cstdio>
#include <cstring>

#include "report/report.h"
#include "store/row_flags.h"
#include "store/share.h"
#include "web/memory_file.h"

namespace web {

namespace {

constexpr uint64_t TickMs = 1000;

bool sameRow(const store::BoardImage& a, const store::BoardImage& b, int slot) {
  for (int f = 0; f < store::FieldCount; ++f) {
    const store::Field field = static_cast<store::Field>(f);
    if (std::memcmp(store::fieldBytesOf(a, slot, field), store::fieldBytesOf(b, slot, field), store::fieldSize(field)))
      return false;
  }
  return true;
}

bool has(const uint64_t (&bits)[SlotWords], int slot) { return (bits[slot / 64] >> (slot % 64)) & 1; }
void mark(uint64_t (&bits)[SlotWords], int slot) { bits[slot / 64] |= uint64_t{1} << (slot % 64); }

std::string rowsEvent(const Feed& feed, const uint64_t (&bits)[SlotWords]) {
  std::string text = "id: " + std::to_string(feed.generation) + "\nevent: rows\ndata: [";
  bool first = true;
  for (int slot = 0; slot < feed.memberCount; ++slot) {
    if (!has(bits, slot)) continue;
    if (!first) text += ',';
    first = false;
    text += feed.rowJson[slot];
  }
  return text + "]\n\n";
}

}  // namespace

void publish(Feed& feed, const store::Share& share, const std::tm& now, uint64_t nowMs) {
  publish(feed, share.board, share.displayNames, share.memberCount, now, nowMs);
}

void publish(Feed& feed, const store::BoardImage& board, const char (*names)[store::NameSize], int memberCount,
             const std::tm& now, uint64_t nowMs) {
  std::lock_guard<std::mutex> hold(feed.mutex);
  uint64_t bits[SlotWords] = {};
  bool any = false;
  const bool namesChanged = feed.memberCount != memberCount || std::memcmp(feed.names, names, sizeof feed.names) != 0;
  for (int slot = 0; slot < memberCount; ++slot) {
    const unsigned char flags = store::flagsOf(board, slot, now);
    const bool texts = namesChanged || !sameRow(feed.image, board, slot);
    if (texts) feed.textsChangedIn[slot] = feed.generation + 1;
    if (texts || flags != feed.flags[slot]) {
      mark(bits, slot);
      feed.flags[slot] = flags;
      any = true;
    }
  }
  feed.goodReadMs = nowMs;
  std::snprintf(feed.goodReadText, sizeof feed.goodReadText, "%02d/%02d %02d:%02d:%02d", now.tm_mon + 1, now.tm_mday,
                now.tm_hour, now.tm_min, now.tm_sec);
  if (any) {
    std::memcpy(&feed.image, &board, sizeof feed.image);
    std::memcpy(feed.names, names, sizeof feed.names);
    feed.memberCount = memberCount;
    feed.judgedAt = now;
    ++feed.generation;
    std::memcpy(feed.changedIn[feed.generation % ChangeHistory], bits, sizeof bits);
    const report::Rows rows{&feed.image, feed.names, feed.memberCount, false, now};
    for (int slot = 0; slot < feed.memberCount; ++slot) {
      if (!has(bits, slot)) continue;
      MemoryFile json;
      report::printJsonRow(json.get(), rows, slot);
      feed.rowJson[slot] = json.take();
    }
    feed.nextEvent = rowsEvent(feed, bits);
  }
  feed.changed.notify_all();
}

bool changedSince(Feed& feed, int slot, uint64_t generation) {
  std::lock_guard<std::mutex> hold(feed.mutex);
  return feed.textsChangedIn[slot] > generation;
}

void tick(Feed& feed) {
  std::lock_guard<std::mutex> hold(feed.mutex);
  ++feed.ticks;
  feed.changed.notify_all();
}

bool boardIsOld(const Feed& feed, uint64_t nowMs) { return nowMs > feed.goodReadMs + 2 * TickMs + TickMs / 2; }

std::string eventsSince(const Feed& feed, uint64_t since) {
  if (since == feed.generation) return "";
  if (since + 1 == feed.generation) return feed.nextEvent;
  uint64_t bits[SlotWords] = {};
  if (since < feed.generation && feed.generation - since < ChangeHistory) {
    for (uint64_t g = since + 1; g <= feed.generation; ++g)
      for (int w = 0; w < SlotWords; ++w) bits[w] |= feed.changedIn[g % ChangeHistory][w];
  } else {
    for (int slot = 0; slot < feed.memberCount; ++slot) mark(bits, slot);
  }
  return rowsEvent(feed, bits);
}

std::string ageEvent(const Feed& feed, bool old) {
  char text[128];
  std::snprintf(text, sizeof text, "event: age\ndata: {\"old\": %s, \"readAt\": \"%s\"}\n\n", old ? "true" : "false",
                feed.goodReadText);
  return text;
}

}  // namespace web
