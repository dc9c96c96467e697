#include "web/server.h"

#include <httplib.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "platform/system.h"
#include "report/report.h"
#include "store/access.h"
#include "store/lock.h"
#include "store/row_copy.h"
#include "store/share.h"
#include "store/typed_row.h"
#include "text/bounded.h"
#include "text/cp932.h"
#include "text/timestamps.h"
#include "web/feed.h"
#include "web/json_body.h"
#include "web/memory_file.h"
#include "web/page.h"
#include "web/system.h"
#include "web_assets.h"
#include "worker/share_worker.h"

namespace web {

namespace {

using httplib::Request;
using httplib::Response;

// Beyond SoftCap open connections every request but /healthz is answered 503 at once; beyond
// HardCap none is taken from the system's queue until one ends. Each connection has its own thread,
// so a page's event stream never keeps another request waiting.
constexpr int SoftCap = 512;
constexpr int HardCap = 1024;
constexpr size_t MaxBody = 4096;
// A page hears at least this often, so a page that went away is found out.
constexpr uint64_t HeartbeatMs = 15000;

constexpr char Csp[] =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; connect-src 'self'; "
    "form-action 'self'; base-uri 'none'; frame-ancestors 'none'";

// One thread per connection, counted.
struct ThreadCount {
  std::mutex mutex;
  std::condition_variable room;
  int running = 0;
};

class ConnectionThreads : public httplib::TaskQueue {
 public:
  explicit ConnectionThreads(std::shared_ptr<ThreadCount> count) : count_(std::move(count)) {}

  void enqueue(std::function<void()> fn) override {
    std::unique_lock<std::mutex> lock(count_->mutex);
    count_->room.wait(lock, [&] { return count_->running < HardCap; });
    ++count_->running;
    lock.unlock();
    std::shared_ptr<ThreadCount> count = count_;
    auto run = [count, fn = std::move(fn)] {
      fn();
      std::lock_guard<std::mutex> hold(count->mutex);
      --count->running;
      count->room.notify_all();
    };
    try {
      std::thread(run).detach();
    } catch (const std::system_error&) {
      run();  // no thread to be had: this connection is served before the next is taken
    }
  }

  // Nothing waits for the connections: serve() takes the share for itself, and a request still
  // being read is refused once it asks for it.
  void shutdown() override {}

 private:
  std::shared_ptr<ThreadCount> count_;
};

std::tm localNow() {
  std::tm now;
  platform::localNow(&now);
  return now;
}

// A write's answer as the worker gave it, and the pages' generation after it.
struct WriteAnswer {
  unsigned id = 0;
  int code = 0;
  uint64_t generation = 0;
};
constexpr int AnswerRing = 64;

// On the share worker's thread: each look or write that read or changed the board goes to every
// page, and each write's answer waits in a ring for the handler that posted it.
class ServeListener final : public worker::Listener {
 public:
  explicit ServeListener(Feed& feed) : feed_(feed) {}

  void published(const worker::Snapshot& snapshot, bool, bool) override { snapshot_ = &snapshot; }

  void answered(const worker::Request& r, const worker::Outcome& o) override {
    const bool write = r.job == worker::Job::writeRow;
    if (snapshot_ && (write ? o.code != 0 : o.code == 1))
      publish(feed_, snapshot_->board, snapshot_->displayNames, snapshot_->memberCount, localNow(),
              platform::elapsedMs());
    if (!write) return;
    uint64_t generation;
    {
      std::lock_guard<std::mutex> hold(feed_.mutex);
      generation = feed_.generation;
    }
    std::lock_guard<std::mutex> hold(mutex_);
    ring_[next_++ % AnswerRing] = {o.id, o.code, generation};
  }

  // The answer to write id, if it has come.
  bool answerTo(unsigned id, WriteAnswer& out) {
    std::lock_guard<std::mutex> hold(mutex_);
    for (const WriteAnswer& a : ring_)
      if (a.id == id) {
        out = a;
        return true;
      }
    return false;
  }

 private:
  Feed& feed_;
  const worker::Snapshot* snapshot_ = nullptr;
  std::mutex mutex_;
  WriteAnswer ring_[AnswerRing];
  unsigned next_ = 0;
};

// A write waits for another PC's lock for up to 20 attempts a second apart; its handler waits a little
// longer, then says the write may still land.
constexpr uint64_t WriteAnswerMs = 30000;

struct Server {
  store::Share& share;  // the worker's once it runs
  ServeOptions options;
  std::atomic<bool> stopping{false};
  Feed feed;
  ServeListener listener{feed};
  worker::ShareWorker worker;
  std::mutex tokenMutex;
  std::shared_ptr<ThreadCount> threads = std::make_shared<ThreadCount>();
  httplib::Server http;
  int listening = -1;  // the listening socket, as the library made it

  // The worker looks at the board once a second; reading without the lock harms nobody, as show does
  // where no lock file can be made.
  static worker::Options workerOptions(const ServeOptions& o) {
    worker::Options w;
    w.lookEveryMs = 1000;
    w.readsWithoutLock = true;
    w.writeRequiresLock = !o.noLock;
    w.writeWithoutLock = o.noLock;
    return w;
  }
  Server(store::Share& s, const ServeOptions& o) : share(s), options(o), worker(s, listener, workerOptions(o)) {}
};

// The pages' streams wake once a second to judge the board's age, whatever the share is doing: a
// write that waits for another PC's lock holds the worker, never this. No wait here is timed by a
// condition variable: a clock set ahead (faketime in the tests) would stretch it.
void tickPages(Server& s) {
  while (!s.stopping) {
    tick(s.feed);
    for (int slice = 0; slice < 10 && !s.stopping; ++slice) platform::sleepMs(100);
  }
}

// The write's answer, polled: a condition variable's timed wait would follow a clock set ahead.
bool awaitWrite(Server& s, unsigned id, WriteAnswer& out) {
  const uint64_t until = platform::elapsedMs() + WriteAnswerMs;
  while (!s.listener.answerTo(id, out)) {
    if (platform::elapsedMs() >= until) return false;
    platform::sleepMs(10);
  }
  return true;
}

// A short reason as the body of an error: {"error": "..."}; the reason is UTF-8.
std::string errorJson(const char* reason) {
  std::string out = "{\"error\": \"";
  for (const char* p = reason; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '"' || c == '\\') out += '\\';
    if (c < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"}\n";
}

void answer(Response& res, int status, const char* reason) {
  res.status = status;
  res.set_header("Cache-Control", "no-store");
  res.set_content(errorJson(reason), "application/json; charset=utf-8");
}

// The token a request carries (Authorization: Bearer, or the personal link's path), or -1.
int tokenOf(const Server& s, const Request& req) {
  if (!s.options.tokens) return -1;
  if (req.matches.size() > 1 && req.matches[1].length() == TokenChars)
    return findToken(*s.options.tokens, req.matches[1].str().c_str(), TokenChars);
  const std::string auth = req.get_header_value("Authorization");
  constexpr char Bearer[] = "Bearer ";
  if (auth.compare(0, sizeof Bearer - 1, Bearer) != 0) return -1;
  return findToken(*s.options.tokens, auth.c_str() + sizeof Bearer - 1, auth.size() - (sizeof Bearer - 1));
}

// With tokens, every page and API needs one: false (and 401 answered) without a valid token.
bool admitted(const Server& s, const Request& req, Response& res, int& token) {
  token = tokenOf(s, req);
  if (!s.options.tokens || token >= 0) return true;
  res.set_header("WWW-Authenticate", "Bearer");
  answer(res, 401, "a member's link or token is needed");
  return false;
}

std::unique_ptr<PageBoard> copyBoard(Feed& feed) {
  auto board = std::make_unique<PageBoard>();
  std::lock_guard<std::mutex> hold(feed.mutex);
  std::memcpy(&board->image, &feed.image, sizeof board->image);
  std::memcpy(board->names, feed.names, sizeof board->names);
  board->memberCount = feed.memberCount;
  board->now = localNow();
  board->generation = feed.generation;
  board->old = boardIsOld(feed, platform::elapsedMs());
  text::copyField(board->readAt, sizeof board->readAt, feed.goodReadText, sizeof feed.goodReadText);
  return board;
}

void sendPage(Server& s, Response& res, int token) {
  const auto board = copyBoard(s.feed);
  PageView view{nullptr, -1, s.options.editAny};
  if (token >= 0) {
    view.token = s.options.tokens->tokens[token].secret;
    view.ownSlot = s.options.tokens->tokens[token].slot;
  }
  MemoryFile page;
  writePage(page.get(), *board, view);
  res.set_header("Cache-Control", "no-store");
  res.set_content(page.take(), "text/html; charset=utf-8");
}

void sendNeedsLink(Response& res) {
  MemoryFile page;
  writeNeedsLink(page.get());
  res.status = 401;
  res.set_header("Cache-Control", "no-store");
  res.set_content(page.take(), "text/html; charset=utf-8");
}

void sendBoard(Server& s, Response& res) {
  const auto board = copyBoard(s.feed);
  MemoryFile json;
  report::printJson(json.get(), report::Rows{&board->image, board->names, board->memberCount, false, board->now});
  res.set_header("Cache-Control", "no-store");
  res.set_content(json.take(), "application/json; charset=utf-8");
}

struct Stream {
  uint64_t since;
  uint64_t ticks = 0;
  int old = -1;  // the age last sent: none yet
  uint64_t lastSentMs = 0;
};

// Server-sent events: the rows that changed since the generation the page shows, the board's age
// when it changes, and a comment line now and then to find out pages that went away.
void sendEvents(Server& s, const Request& req, Response& res) {
  auto stream = std::make_shared<Stream>();
  std::string since = req.get_header_value("Last-Event-ID");
  if (since.empty()) since = req.get_param_value("since");
  stream->since = since.empty() ? UINT64_MAX : std::strtoull(since.c_str(), nullptr, 10);
  res.set_header("Cache-Control", "no-store");
  res.set_chunked_content_provider("text/event-stream", [&s, stream](size_t, httplib::DataSink& sink) {
    std::string out = stream->old < 0 ? "retry: 2000\n\n" : "";
    {
      std::unique_lock<std::mutex> lock(s.feed.mutex);
      s.feed.changed.wait(
          lock, [&] { return s.feed.stopping || s.feed.generation != stream->since || s.feed.ticks != stream->ticks; });
      if (s.feed.stopping) return false;
      stream->ticks = s.feed.ticks;
      out += eventsSince(s.feed, stream->since);
      stream->since = s.feed.generation;
      const int old = boardIsOld(s.feed, platform::elapsedMs()) ? 1 : 0;
      if (old != stream->old) out += ageEvent(s.feed, old != 0);
      stream->old = old;
    }
    const uint64_t now = platform::elapsedMs();
    if (out.empty() && now - stream->lastSentMs >= HeartbeatMs) out = ":\n\n";
    if (out.empty()) return true;
    stream->lastSentMs = now;
    return sink.write(out.data(), out.size());
  });
}

// The texts given, and for those not given the row's current texts, as set does.
bool editTexts(const store::BoardImage& image, int slot, const RowEdit& edit, store::TypedRow& t, char* reason,
               size_t reasonSize) {
  static_assert(static_cast<int>(EditKey::morning) == static_cast<int>(store::Typed::morning) &&
                    static_cast<int>(EditKey::afternoon) == static_cast<int>(store::Typed::afternoon) &&
                    static_cast<int>(EditKey::returnTime) == static_cast<int>(store::Typed::returnTime) &&
                    static_cast<int>(EditKey::state) == static_cast<int>(store::Typed::state),
                "an edit's texts come in the typed fields' order");
  constexpr store::TextNames names = {"morning", "afternoon", "returnTime", "state"};
  store::GivenTexts given;
  for (int k = 0; k < store::TypedCount; ++k) given[k] = edit.given[k] ? edit.value[k] : nullptr;
  if (!store::takeTexts(given, names, t, reason, reasonSize)) return false;
  store::completeRow(image, slot, given, t);
  return true;
}

std::string rowJson(const PageBoard& board, int slot) {
  MemoryFile json;
  report::printJsonRow(json.get(), report::Rows{&board.image, board.names, board.memberCount, false, board.now}, slot);
  return json.take() + "\n";
}

void logWrite(const PageBoard& board, int slot, int tokenSlot, const Request& req, const char* outcome) {
  std::tm now = localNow();
  flockfile(stderr);
  std::fprintf(stderr, "%04d-%02d-%02d %02d:%02d:%02d serve: row %d (", now.tm_year + 1900, now.tm_mon + 1, now.tm_mday,
               now.tm_hour, now.tm_min, now.tm_sec, slot);
  report::writeTerminalText(stderr, board.names[slot], text::fieldLength(board.names[slot], store::NameSize));
  std::fputs(") by ", stderr);
  report::writeTerminalText(stderr, board.names[tokenSlot], text::fieldLength(board.names[tokenSlot], store::NameSize));
  std::fputs(" from ", stderr);
  report::writeTerminalUtf8(stderr, req.remote_addr.c_str(), req.remote_addr.size());
  std::fprintf(stderr, ": %s\n", outcome);
  funlockfile(stderr);
}

// POST /api/rows/me and /api/rows/SLOT: one row written as the entry dialog writes it.
void writeRequest(Server& s, const Request& req, Response& res, bool me) {
  if (!s.options.tokens) return answer(res, 403, "this server is read-only (started without --tokens)");
  int token;
  if (!admitted(s, req, res, token)) return;
  Token& holder = s.options.tokens->tokens[token];
  int slot = holder.slot;
  if (!me) {
    const long asked = std::strtol(req.matches[1].str().c_str(), nullptr, 10);
    if (asked != holder.slot && !s.options.editAny)
      return answer(res, 403, "only the member's own row (the server was started without --edit-any)");
    slot = static_cast<int>(asked);
  }
  {
    std::lock_guard<std::mutex> hold(s.tokenMutex);
    if (!takeWrite(holder, platform::elapsedMs())) return answer(res, 429, "at most 30 writes a minute");
  }
  char reason[256];
  auto edit = std::make_unique<RowEdit>();
  if (!parseRowEdit(req.body.data(), req.body.size(), *edit, reason, sizeof reason)) return answer(res, 400, reason);
  const int seenKey = static_cast<int>(EditKey::seenWrittenAt);
  char seenWritten[text::WrittenAtSize];
  if (edit->given[seenKey] && !text::utf8ToCp932(edit->value[seenKey], seenWritten, sizeof seenWritten))
    return answer(res, 400, "seenWrittenAt is not a time this board could hold");

  // The texts not given, the row's seen and the slot's name come from the board as published: the
  // share is the worker's, and the write itself checks the row again under the lock.
  if (s.stopping) return answer(res, 503, "the server is stopping");
  const auto before = copyBoard(s.feed);
  if (slot >= before->memberCount) return answer(res, 404, "no member has this slot");
  store::TypedRow t;
  store::RowCopy seen;
  if (!editTexts(before->image, slot, *edit, t, reason, sizeof reason)) return answer(res, 400, reason);
  store::copyRow(before->image, slot, seen);
  const int generationKey = static_cast<int>(EditKey::seenGeneration);
  const bool changed = (edit->given[seenKey] && std::strcmp(seen.written, seenWritten) != 0) ||
                       (edit->given[generationKey] &&
                        changedSince(s.feed, slot, std::strtoull(edit->value[generationKey], nullptr, 10)));
  WriteAnswer written = {0, store::RowChanged, before->generation};
  if (!changed) {
    worker::Request w;
    w.job = worker::Job::writeRow;
    w.slot = slot;
    text::copyField(w.row.morning, t.morning);
    text::copyField(w.row.afternoon, t.afternoon);
    text::copyField(w.row.state, t.state);
    text::copyField(w.row.returnTime, t.returnTime);
    text::copyField(w.row.written, t.written);
    w.seen = seen;
    w.hasSeen = edit->given[seenKey];
    if (!s.worker.post(w)) return answer(res, 503, "the server has too many writes waiting; try again");
    if (!awaitWrite(s, w.id, written)) {
      logWrite(*before, slot, holder.slot, req, "still waiting for the board");
      return answer(res, 503, "the board is still busy; the write waits and may yet be saved");
    }
  }
  const int saved = written.code;
  const uint64_t generation = written.generation;
  const std::string row = rowJson(*copyBoard(s.feed), slot);
  const char* outcome = saved == 1                      ? "saved"
                        : saved == store::RowChanged    ? "not written: the row changed meanwhile"
                        : saved == store::MayHaveLanded ? "could not be confirmed"
                                                        : "failed";
  logWrite(*before, slot, holder.slot, req, outcome);
  res.set_header("Cache-Control", "no-store");
  res.set_header("X-Board-Generation", std::to_string(generation));
  if (saved == 1) return res.set_content(row, "application/json; charset=utf-8");
  if (saved == store::RowChanged) {
    res.status = 409;
    return res.set_content(row, "application/json; charset=utf-8");
  }
  answer(res, saved == store::MayHaveLanded ? 500 : 503,
         saved == store::MayHaveLanded ? "the write could not be confirmed; the row may have been saved"
                                       : "the board could not be written (busy or unreachable); try again");
}

// A second signal: the process ends now, whatever the worker is in, once no lock file of ours is being
// created or removed; what it created is deleted first, so no lock is left behind.
[[noreturn]] void endAtOnce(Server& s, int signal) {
  std::fprintf(stderr, "tavelin-cli serve: stopping at once (signal %d)\n", signal);
  platform::holdLockOperations();
  store::releaseAtStop(s.share);
  endWithSignal(signal);
}

void routes(Server& s) {
  httplib::Server& http = s.http;
  http.Get("/healthz", [](const Request&, Response& res) {
    res.set_header("Cache-Control", "no-store");
    res.set_content("ok\n", "text/plain; charset=utf-8");
  });
  http.Get("/app.js", [](const Request&, Response& res) {
    res.set_header("Cache-Control", "no-cache");
    res.set_content(reinterpret_cast<const char*>(assets::AppJs), assets::AppJsSize, "text/javascript; charset=utf-8");
  });
  http.Get("/style.css", [](const Request&, Response& res) {
    res.set_header("Cache-Control", "no-cache");
    res.set_content(reinterpret_cast<const char*>(assets::StyleCss), assets::StyleCssSize, "text/css; charset=utf-8");
  });
  http.Get("/", [&s](const Request&, Response& res) {
    if (s.options.tokens) return sendNeedsLink(res);
    sendPage(s, res, -1);
  });
  http.Get(R"(/m/([0-9a-f]+))", [&s](const Request& req, Response& res) {
    const int token = tokenOf(s, req);
    if (token < 0) return sendNeedsLink(res);
    sendPage(s, res, token);
  });
  http.Get(R"(/m/([0-9a-f]+)/events)", [&s](const Request& req, Response& res) {
    int token;
    if (admitted(s, req, res, token)) sendEvents(s, req, res);
  });
  http.Get("/api/board", [&s](const Request& req, Response& res) {
    int token;
    if (admitted(s, req, res, token)) sendBoard(s, res);
  });
  http.Get("/api/events", [&s](const Request& req, Response& res) {
    int token;
    if (admitted(s, req, res, token)) sendEvents(s, req, res);
  });
  http.Post("/api/rows/me", [&s](const Request& req, Response& res) { writeRequest(s, req, res, true); });
  http.Post(R"(/api/rows/(\d{1,3}))", [&s](const Request& req, Response& res) { writeRequest(s, req, res, false); });
}

void configure(Server& s) {
  httplib::Server& http = s.http;
  http.new_task_queue = [threads = s.threads] { return new ConnectionThreads(threads); };
  http.set_socket_options([&s](socket_t sock) {
    httplib::default_socket_options(sock);
    s.listening = sock;
  });
  http.set_read_timeout(5, 0);
  http.set_write_timeout(5, 0);
  http.set_keep_alive_timeout(5);
  http.set_keep_alive_max_count(100);
  http.set_payload_max_length(MaxBody);
  http.set_default_headers({{"Content-Security-Policy", Csp},
                            {"Referrer-Policy", "no-referrer"},
                            {"X-Content-Type-Options", "nosniff"},
                            {"X-Frame-Options", "DENY"}});
  http.set_pre_routing_handler([&s](const Request& req, Response& res) {
    int running;
    {
      std::lock_guard<std::mutex> hold(s.threads->mutex);
      running = s.threads->running;
    }
    if (running > SoftCap && req.path != "/healthz") {
      answer(res, 503, "too many connections");
      return httplib::Server::HandlerResponse::Handled;
    }
    // Refused before a byte of the body is read (the library's own limit is not relied on): a body
    // in chunks, or one over 4 KB. The connection closes, as its unread body cannot be skipped.
    const std::string length = req.get_header_value("Content-Length");
    if (req.has_header("Transfer-Encoding") ||
        (!length.empty() && std::strtoull(length.c_str(), nullptr, 10) > MaxBody)) {
      answer(res, 413, "the body is larger than 4 KB");
      res.set_header("Connection", "close");
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  http.set_error_handler([](const Request&, Response& res) {
    if (!res.body.empty()) return;
    const char* reason = res.status == 404   ? "no such page"
                         : res.status == 413 ? "the body is larger than 4 KB"
                         : res.status == 400 ? "bad request"
                                             : "refused";
    answer(res, res.status, reason);
  });
  routes(s);
}

}  // namespace

bool serverBuilt() { return true; }

int serve(store::Share& share, const ServeOptions& options) {
  prepareProcess();
  auto s = std::make_unique<Server>(share, options);
  configure(*s);
  // Generations go on from the last run's (milliseconds of the clock at the start), so a page from
  // before a restart is never taken as current.
  s->feed.generation = static_cast<uint64_t>(std::time(nullptr)) * 1000;
  // Read before the worker starts, on this thread, which owns the share until then.
  share.requireLock = false;
  if (store::refreshBoard(share) == 1) publish(s->feed, share, localNow(), platform::elapsedMs());
  const int port = options.port == 0 ? s->http.bind_to_any_port(options.host)
                                     : (s->http.bind_to_port(options.host, options.port) ? options.port : -1);
  if (port < 0) {
    std::fprintf(stderr, "tavelin-cli serve: cannot listen on %s:%d\n", options.host, options.port);
    return 1;
  }
  deepenBacklog(s->listening);
  const bool ipv6 = std::strchr(options.host, ':') != nullptr;
  std::fprintf(stderr, "tavelin-cli serve: listening on http://%s%s%s:%d/%s\n", ipv6 ? "[" : "", options.host,
               ipv6 ? "]" : "", port, options.tokens ? " (a member's link is needed)" : " (read-only)");
  if (!s->worker.start()) {
    std::fputs("tavelin-cli serve: cannot start the share's thread\n", stderr);
    return 1;
  }
  std::thread ticker([&] { tickPages(*s); });
  std::thread listener([&] { s->http.listen_after_bind(); });

  const int signal = waitForStop();
  std::fprintf(stderr, "tavelin-cli serve: stopping (signal %d)\n", signal);
  s->stopping = true;
  {
    std::lock_guard<std::mutex> hold(s->feed.mutex);
    s->feed.stopping = true;
    s->feed.changed.notify_all();
  }
  s->worker.stop(worker::StopFinishMs);
  s->http.stop();
  listener.join();
  ticker.join();
  // The write in flight ends and lets go of the lock; queued ones have a few seconds. A second signal
  // ends the process at once, once no lock operation is under way and our lock is gone.
  while (!s->worker.waitEnded(50)) {
    const int again = anotherStop();
    if (again) endAtOnce(*s, again);
  }
  std::fflush(stdout);
  std::fflush(stderr);
  // Connection threads may still be reading a request that will be refused: not waited for.
  std::_Exit(0);
}

}  // namespace web
