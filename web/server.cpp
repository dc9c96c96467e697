#include "web/server.h"

#include <atomic>
#include <boost/asio/ip/host_name.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/system.h"
#include "report/report.h"
#include "store/access.h"
#include "store/lock.h"
#include "store/row_copy.h"
#include "store/share.h"
#include "store/typed_row.h"
#include "text/bounded.h"
#include "text/cp932.h"
#include "text/entry_text.h"
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

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using Reply = http::response<http::string_body>;
using Ms = std::chrono::milliseconds;

// What one request may take. Every connection is a socket and a few hundred bytes while it waits,
// so thousands of idle pages cost little; a request's head and body are bounded, and the whole
// request (from its first byte) has a deadline, so a slow sender cannot hold its place.
constexpr size_t MaxHead = 8192;
constexpr size_t MaxFields = 100;
constexpr size_t MaxBody = 4096;
constexpr int RequestMs = 10000;
// A kept-alive connection waits this long for its next request.
constexpr int IdleMs = 120000;
// After a refusal, how long the rest of the request is read and dropped before the connection closes.
constexpr int DrainMs = 2000;
// Connections from one address: enough for an office behind one proxy, too few for one host to take
// every socket the process may open.
constexpr int PerAddress = 1024;
// A page hears at least this often, so a page that went away is found out.
constexpr uint64_t HeartbeatMs = 15000;
// A page whose stream has this much unsent is too slow to follow the board: it is closed, and
// reconnects with the rows it missed.
constexpr size_t MaxStreamBacklog = 256 * 1024;
// The streams are looked after this often: the board's changes reach pages within it.
constexpr int PumpMs = 50;

constexpr char Csp[] =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; connect-src 'self'; "
    "form-action 'self'; base-uri 'none'; frame-ancestors 'none'";

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

class Session;

struct Server {
  store::Share& share;  // the worker's once it runs
  ServeOptions options;
  std::atomic<bool> stopping{false};
  Feed feed;
  ServeListener listener{feed};
  worker::ShareWorker worker;
  std::mutex tokenMutex;

  // Everything below belongs to the one thread that runs io.
  asio::io_context io{1};
  tcp::acceptor acceptor{io};
  asio::steady_timer pumpTimer{io};
  std::map<asio::ip::address, int> perAddress;
  int connections = 0;
  int maxConnections = 1000;
  std::vector<std::weak_ptr<Session>> streams;
  uint64_t pumpedGeneration = 0;
  uint64_t pumpedTicks = 0;
  files::Stamp tokensStamp{};
  files::Stamp tokensFailedStamp{};  // the file as it last failed to read: said once
  bool boardOld = false;             // as last logged
  // The names a request's Host may give: besides loopback and any address written as such.
  std::string listenHost, urlHost, machineName;

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

std::string lower(beast::string_view text) {
  std::string out(text.data(), text.size());
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// The host part of a Host header or a URL's authority: "[::1]:8080" gives "::1", "Name:80" "name".
std::string hostPart(beast::string_view authority) {
  if (!authority.empty() && authority.front() == '[') {
    const size_t close = authority.find(']');
    return close == beast::string_view::npos ? std::string() : lower(authority.substr(1, close - 1));
  }
  const size_t colon = authority.find(':');
  // More than one colon and no brackets: an IPv6 address without a port.
  if (colon != beast::string_view::npos && authority.find(':', colon + 1) == beast::string_view::npos)
    authority = authority.substr(0, colon);
  return lower(authority);
}

}  // namespace

// Whether a request naming host (its Host header) is meant for this server. An address written as
// such is never a name turned to point here (DNS rebinding); a name must be one serve answers for.
bool hostAllowed(const char* host, size_t length, const char* listenHost, const char* urlHost,
                 const char* machineName) {
  const std::string name = hostPart(beast::string_view(host, length));
  if (name.empty()) return false;
  boost::system::error_code ec;
  asio::ip::make_address(name, ec);
  if (!ec) return true;
  const std::string trimmed = name.back() == '.' ? name.substr(0, name.size() - 1) : name;
  for (const char* allowed : {"localhost", listenHost, urlHost, machineName})
    if (allowed && allowed[0] && trimmed == lower(allowed)) return true;
  return false;
}

// The host of a URL as --url gives it ("https://board.example:8443/x" gives "board.example").
std::string urlHostOf(const char* url) {
  if (!url) return std::string();
  beast::string_view rest(url);
  const size_t scheme = rest.find("://");
  if (scheme != beast::string_view::npos) rest = rest.substr(scheme + 3);
  rest = rest.substr(0, rest.find('/'));
  return hostPart(rest);
}

namespace {

void appendJsonText(std::string& out, const char* text) {
  for (const char* p = text; *p; ++p) {
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
}

// An error's body: {"error": "...", "message": "..."}. The reason in English is for logs and
// programs; the message is what a member reads, in Japanese, with what to do. Both are UTF-8.
std::string errorJson(const char* reason, const char* message) {
  std::string out = "{\"error\": \"";
  appendJsonText(out, reason);
  out += "\", \"message\": \"";
  appendJsonText(out, message);
  return out + "\"}\n";
}

void content(Reply& res, std::string body, const char* type) {
  res.set(http::field::content_type, type);
  res.body() = std::move(body);
}

void answer(Reply& res, int status, const char* reason, const char* message) {
  res.result(static_cast<unsigned>(status));
  res.set(http::field::cache_control, "no-store");
  content(res, errorJson(reason, message), "application/json; charset=utf-8");
}

// What members read for each refusal that is not about their texts.
constexpr char SayLink[] = u8"個人用のリンクが必要です。管理者から配られたリンクで開き直してください。";
constexpr char SayReload[] =
    u8"送った内容を読み取れませんでした。ページを再読み込みしてから、もう一度保存してください。";
constexpr char SayRequest[] = u8"要求を受け付けられませんでした。ページを再読み込みしてください。";
constexpr char SayNoPage[] = u8"このページはありません。配られたリンクを確かめてください。";
constexpr char SayBusyServer[] = u8"サーバーが混み合っています。少し待ってから、もう一度お試しください。";

// A request as the handlers see it: its path's pieces and what they match.
struct Target {
  std::string path;
  std::string query;
  std::string tokenInPath;  // /m/TOKEN and /m/TOKEN/events
  int slotInPath = -1;      // /api/rows/SLOT
};

// The value of name in a query string ("" when absent).
std::string queryValue(const std::string& query, const char* name) {
  const size_t length = std::strlen(name);
  size_t at = 0;
  while (at <= query.size()) {
    const size_t end = std::min(query.find('&', at), query.size());
    if (end - at > length && query.compare(at, length, name) == 0 && query[at + length] == '=')
      return query.substr(at + length + 1, end - at - length - 1);
    at = end + 1;
  }
  return std::string();
}

bool allOf(const std::string& text, const char* set) {
  return !text.empty() && text.find_first_not_of(set) == std::string::npos;
}

// The token a request carries (Authorization: Bearer, or the personal link's path), or -1.
int tokenOf(const Server& s, const http::request<http::string_body>& req, const Target& t) {
  if (!s.options.tokens) return -1;
  if (t.tokenInPath.size() == TokenChars)
    return findToken(*s.options.tokens, t.tokenInPath.c_str(), t.tokenInPath.size());
  const beast::string_view auth = req[http::field::authorization];
  constexpr char Bearer[] = "Bearer ";
  if (!auth.starts_with(Bearer)) return -1;
  return findToken(*s.options.tokens, auth.data() + sizeof Bearer - 1, auth.size() - (sizeof Bearer - 1));
}

// A line of the log, after the local time.
void logLine(const char* what, const std::string& detail) {
  std::tm now = localNow();
  std::fprintf(stderr, "%04d-%02d-%02d %02d:%02d:%02d serve: %s", now.tm_year + 1900, now.tm_mon + 1, now.tm_mday,
               now.tm_hour, now.tm_min, now.tm_sec, what);
  report::writeTerminalUtf8(stderr, detail.c_str(), detail.size());
  std::fputc('\n', stderr);
}

// A link or token given that is none of the members': logged with the address (never the token).
void logFailedLogin(const http::request<http::string_body>& req, const Target& t, const std::string& from) {
  if (!t.tokenInPath.empty() || req.count(http::field::authorization))
    logLine("a link or token that is not in the token file, from ", from);
}

// With tokens, every page and API needs one: false (and 401 answered) without a valid token.
bool admitted(const Server& s, const http::request<http::string_body>& req, const Target& t, Reply& res, int& token,
              const std::string& from) {
  token = tokenOf(s, req, t);
  if (!s.options.tokens || token >= 0) return true;
  logFailedLogin(req, t, from);
  res.set(http::field::www_authenticate, "Bearer");
  answer(res, 401, "a member's link or token is needed", SayLink);
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

void sendPage(Server& s, Reply& res, int token) {
  const auto board = copyBoard(s.feed);
  PageView view{nullptr, -1, s.options.editAny};
  if (token >= 0) {
    view.token = s.options.tokens->tokens[token].secret;
    view.ownSlot = s.options.tokens->tokens[token].slot;
  }
  MemoryFile page;
  writePage(page.get(), *board, view);
  res.set(http::field::cache_control, "no-store");
  content(res, page.take(), "text/html; charset=utf-8");
}

void sendKiosk(Server& s, Reply& res, int token) {
  const auto board = copyBoard(s.feed);
  MemoryFile page;
  writeKiosk(page.get(), *board, token >= 0 ? s.options.tokens->tokens[token].secret : nullptr);
  res.set(http::field::cache_control, "no-store");
  content(res, page.take(), "text/html; charset=utf-8");
}

void sendNeedsLink(Reply& res) {
  MemoryFile page;
  writeNeedsLink(page.get());
  res.result(http::status::unauthorized);
  res.set(http::field::cache_control, "no-store");
  content(res, page.take(), "text/html; charset=utf-8");
}

void sendBoard(Server& s, Reply& res) {
  const auto board = copyBoard(s.feed);
  MemoryFile json;
  report::printJson(json.get(), report::Rows{&board->image, board->names, board->memberCount, false, board->now});
  res.set(http::field::cache_control, "no-store");
  content(res, json.take(), "application/json; charset=utf-8");
}

// Why a text was refused: in English for the log and programs, in Japanese for the member.
struct Refusal {
  char reason[160];
  char message[320];
};

// The member's words for a text the core refused (its English reason is already said): the first
// given text that the dialog's rules do not take, checked again to tell which rule it broke.
void sayInJapanese(const store::GivenTexts& given, Refusal& refusal) {
  static const char* const Labels[store::TypedCount] = {u8"午前", u8"午後", u8"帰社予定", u8"状態"};
  constexpr size_t Limits[store::TypedCount] = {store::MorningLimit, store::AfternoonLimit, store::ReturnLimit,
                                                store::StateLimit};
  refusal.message[0] = '\0';
  for (int k = 0; k < store::TypedCount; ++k) {
    if (!given[k]) continue;
    char scratch[sizeof(store::TypedRow)];
    char what[48] = "";
    size_t at = 0;
    switch (text::dialogText(given[k], Limits[k], scratch, sizeof scratch, &at)) {
      case text::TextCheck::ok: continue;
      case text::TextCheck::tooLong:
        std::snprintf(refusal.message, sizeof refusal.message,
                      u8"%sが長すぎます (全角 %zu 文字、半角 %zu 文字まで)。短くしてから保存してください。", Labels[k],
                      Limits[k] / 2, Limits[k]);
        return;
      case text::TextCheck::notCp932:
        text::nameCharacter(given[k], at, what, sizeof what);
        std::snprintf(refusal.message, sizeof refusal.message,
                      u8"%sの %s はボードに保存できない文字です。別の文字に置き換えてください。", Labels[k], what);
        return;
      case text::TextCheck::control:
        std::snprintf(refusal.message, sizeof refusal.message,
                      u8"%sに制御文字が入っています。取り除いてから保存してください。", Labels[k]);
        return;
    }
  }
}

// The texts given, and for those not given the row's current texts, as set does.
bool editTexts(const store::BoardImage& image, int slot, const RowEdit& edit, store::TypedRow& t, Refusal& refusal) {
  static_assert(static_cast<int>(EditKey::morning) == static_cast<int>(store::Typed::morning) &&
                    static_cast<int>(EditKey::afternoon) == static_cast<int>(store::Typed::afternoon) &&
                    static_cast<int>(EditKey::returnTime) == static_cast<int>(store::Typed::returnTime) &&
                    static_cast<int>(EditKey::state) == static_cast<int>(store::Typed::state),
                "an edit's texts come in the typed fields' order");
  constexpr store::TextNames names = {"morning", "afternoon", "returnTime", "state"};
  store::GivenTexts given;
  for (int k = 0; k < store::TypedCount; ++k) given[k] = edit.given[k] ? edit.value[k] : nullptr;
  if (!store::takeTexts(given, names, t, refusal.reason, sizeof refusal.reason)) {
    sayInJapanese(given, refusal);
    return false;
  }
  store::completeRow(image, slot, given, t);
  return true;
}

std::string rowJson(const PageBoard& board, int slot) {
  MemoryFile json;
  report::printJsonRow(json.get(), report::Rows{&board.image, board.names, board.memberCount, false, board.now}, slot);
  return json.take() + "\n";
}

void logWrite(const PageBoard& board, int slot, int tokenSlot, const std::string& from, const char* outcome) {
  std::tm now = localNow();
  std::fprintf(stderr, "%04d-%02d-%02d %02d:%02d:%02d serve: row %d (", now.tm_year + 1900, now.tm_mon + 1, now.tm_mday,
               now.tm_hour, now.tm_min, now.tm_sec, slot);
  report::writeTerminalText(stderr, board.names[slot], text::fieldLength(board.names[slot], store::NameSize));
  std::fputs(") by ", stderr);
  report::writeTerminalText(stderr, board.names[tokenSlot], text::fieldLength(board.names[tokenSlot], store::NameSize));
  std::fputs(" from ", stderr);
  report::writeTerminalUtf8(stderr, from.c_str(), from.size());
  std::fprintf(stderr, ": %s\n", outcome);
}

// A write on its way to the worker: what its answer needs.
struct PendingWrite {
  std::unique_ptr<PageBoard> before;
  int slot = 0;
  int holderSlot = 0;
  unsigned id = 0;
  uint64_t until = 0;
};

// One connection: requests read one at a time and answered in order (a pipelined one waits in the
// buffer), until it closes, or its stream of events for a page.
class Session : public std::enable_shared_from_this<Session> {
 public:
  Session(Server& s, tcp::socket socket, asio::ip::address from)
      : s_(s), stream_(std::move(socket)), timer_(s.io), from_(from), fromText_(from.to_string()) {
    ++s_.perAddress[from_];
    ++s_.connections;
  }
  ~Session() {
    if (--s_.perAddress[from_] == 0) s_.perAddress.erase(from_);
    --s_.connections;
  }

  void start() { awaitRequest(); }

  // The events the page has not had yet, sent if nothing is on its way; called by the pump.
  void pump(uint64_t nowMs) {
    if (closed_) return;
    std::string out;
    {
      std::lock_guard<std::mutex> hold(s_.feed.mutex);
      out += eventsSince(s_.feed, since_);
      since_ = s_.feed.generation;
      const int old = boardIsOld(s_.feed, nowMs) ? 1 : 0;
      if (old != old_) out += ageEvent(s_.feed, old != 0);
      old_ = old;
    }
    if (out.empty() && nowMs - lastSentMs_ >= HeartbeatMs) out = ":\n\n";
    if (out.empty()) return;
    lastSentMs_ = nowMs;
    backlog_ += out;
    if (backlog_.size() > MaxStreamBacklog) return close();
    sendBacklog();
  }

 private:
  // A kept-alive connection costs no buffer while it waits for its next request.
  void awaitRequest() {
    if (buffer_.size() > 0) return readHead();
    buffer_.shrink_to_fit();
    timer_.expires_after(Ms(IdleMs));
    timer_.async_wait([self = shared_from_this()](beast::error_code ec) {
      if (!ec) self->close();
    });
    stream_.socket().async_wait(tcp::socket::wait_read, [self = shared_from_this()](beast::error_code ec) {
      self->timer_.cancel();
      if (ec) return self->close();
      self->readHead();
    });
  }

  void readHead() {
    parser_.emplace();
    parser_->header_limit(MaxHead);
    parser_->body_limit(MaxBody);
    stream_.expires_after(Ms(RequestMs));
    http::async_read_header(stream_, buffer_, *parser_,
                            [self = shared_from_this()](beast::error_code ec, size_t) { self->onHead(ec); });
  }

  // A head that cannot be taken is answered and the connection closed: what follows it cannot be
  // told apart from a next request.
  void refuse(int status, const char* reason) {
    reply_.emplace();
    reply_->version(11);
    answer(*reply_, status, reason, SayRequest);
    close_ = true;
    send();
  }

  void onHead(beast::error_code ec) {
    if (ec == http::error::header_limit) return refuse(431, "the request's head is larger than 8 KB");
    if (ec == http::error::body_limit) return refuse(413, "the body is larger than 4 KB");
    if (ec == http::error::bad_content_length) return refuse(400, "a bad or repeated Content-Length");
    if (ec == beast::error::timeout || ec == http::error::end_of_stream || ec == asio::error::eof ||
        ec == asio::error::connection_reset || ec == http::error::partial_message ||
        ec == asio::error::operation_aborted)
      return close();
    if (ec) return refuse(400, "bad request");
    const auto& req = parser_->get();
    size_t fields = 0;
    for (auto it = req.begin(); it != req.end(); ++it) ++fields;
    if (fields > MaxFields) return refuse(431, "more than 100 header fields");
    const beast::string_view host = req[http::field::host];
    if (req.version() >= 11 && host.empty()) return refuse(400, "no Host");
    if (!host.empty() &&
        !hostAllowed(host.data(), host.size(), s_.listenHost.c_str(), s_.urlHost.c_str(), s_.machineName.c_str()))
      return refuse(400, "this server does not answer for that Host");
    // A body is taken only with one Content-Length: chunks, or none at all on a POST, cannot be bounded
    // before they are read, and behind a proxy may be read another way.
    if (req.count(http::field::transfer_encoding)) return refuse(400, "a body needs a Content-Length");
    if (req.method() == http::verb::post && !parser_->content_length())
      return refuse(400, "a body needs a Content-Length");
    if (parser_->content_length() && *parser_->content_length() > MaxBody)
      return refuse(413, "the body is larger than 4 KB");
    if (parser_->is_done()) return onRequest();
    http::async_read(stream_, buffer_, *parser_, [self = shared_from_this()](beast::error_code ec, size_t) {
      if (ec == http::error::body_limit) return self->refuse(413, "the body is larger than 4 KB");
      if (ec) return self->close();
      self->onRequest();
    });
  }

  void onRequest() {
    stream_.expires_never();
    const auto& req = parser_->get();
    reply_.emplace();
    reply_->version(req.version());
    reply_->keep_alive(req.keep_alive());
    Target t;
    const beast::string_view target = req.target();
    const size_t question = target.find('?');
    t.path = std::string(target.substr(0, question));
    if (question != beast::string_view::npos) t.query = std::string(target.substr(question + 1));
    route(req, t);
  }

  void route(const http::request<http::string_body>& req, Target& t) {
    Reply& res = *reply_;
    const bool get = req.method() == http::verb::get || req.method() == http::verb::head;
    const bool post = req.method() == http::verb::post;
    if (get && t.path == "/healthz") {
      res.set(http::field::cache_control, "no-store");
      content(res, "ok\n", "text/plain; charset=utf-8");
    } else if (get && t.path == "/app.js") {
      res.set(http::field::cache_control, "no-cache");
      content(res, std::string(reinterpret_cast<const char*>(assets::AppJs), assets::AppJsSize),
              "text/javascript; charset=utf-8");
    } else if (get && t.path == "/style.css") {
      res.set(http::field::cache_control, "no-cache");
      content(res, std::string(reinterpret_cast<const char*>(assets::StyleCss), assets::StyleCssSize),
              "text/css; charset=utf-8");
    } else if (get && t.path == "/") {
      if (s_.options.tokens)
        sendNeedsLink(res);
      else
        sendPage(s_, res, -1);
    } else if (get && t.path.compare(0, 3, "/m/") == 0) {
      const size_t slash = t.path.find('/', 3);
      t.tokenInPath = t.path.substr(3, slash == std::string::npos ? std::string::npos : slash - 3);
      const std::string rest = slash == std::string::npos ? "" : t.path.substr(slash);
      int token = -1;
      if (!allOf(t.tokenInPath, "0123456789abcdef") || (!rest.empty() && rest != "/events")) {
        answer(res, 404, "no such page", SayNoPage);
      } else if (rest.empty()) {
        token = tokenOf(s_, req, t);
        if (token < 0 && s_.options.tokens) logFailedLogin(req, t, fromText_);
        if (token < 0)
          sendNeedsLink(res);
        else
          sendPage(s_, res, token);
      } else if (admitted(s_, req, t, res, token, fromText_)) {
        return startEvents(req, t);
      }
    } else if (get && (t.path == "/kiosk" || t.path.compare(0, 7, "/kiosk/") == 0)) {
      // The reception's view: its own token, or none on a read-only server.
      t.tokenInPath = t.path.size() > 7 ? t.path.substr(7) : "";
      const int token = s_.options.tokens && allOf(t.tokenInPath, "0123456789abcdef") ? tokenOf(s_, req, t) : -1;
      if (!s_.options.tokens)
        sendKiosk(s_, res, -1);
      else if (token >= 0 && s_.options.tokens->tokens[token].slot == KioskSlot)
        sendKiosk(s_, res, token);
      else {
        logFailedLogin(req, t, fromText_);
        sendNeedsLink(res);
      }
    } else if (get && t.path == "/api/board") {
      int token;
      if (admitted(s_, req, t, res, token, fromText_)) sendBoard(s_, res);
    } else if (get && t.path == "/api/events") {
      int token;
      if (admitted(s_, req, t, res, token, fromText_)) return startEvents(req, t);
    } else if (post && t.path == "/api/rows/me") {
      return startWrite(req, t, true);
    } else if (post && t.path.compare(0, 10, "/api/rows/") == 0 && t.path.size() <= 13 &&
               allOf(t.path.substr(10), "0123456789")) {
      t.slotInPath = std::atoi(t.path.c_str() + 10);
      return startWrite(req, t, false);
    } else {
      answer(res, 404, "no such page", SayNoPage);
    }
    send();
  }

  // POST /api/rows/me and /api/rows/SLOT: one row written as the entry dialog writes it. What can be
  // judged at once is answered at once; the write itself goes to the worker and is awaited.
  void startWrite(const http::request<http::string_body>& req, const Target& t, bool me) {
    Reply& res = *reply_;
    if (!s_.options.tokens) {
      answer(res, 403, "this server is read-only (started without --tokens)",
             u8"このボードはここからは書き込めません (閲覧専用)。タベリンのウィンドウから書き込んでください。");
      return send();
    }
    int token;
    if (!admitted(s_, req, t, res, token, fromText_)) return send();
    Token& holder = s_.options.tokens->tokens[token];
    if (holder.slot == KioskSlot) {
      answer(res, 403, "the reception's link only reads", u8"受付用のリンクでは書き込めません。");
      return send();
    }
    int slot = holder.slot;
    if (!me) {
      if (t.slotInPath != holder.slot && !s_.options.editAny) {
        answer(res, 403, "only the member's own row (the server was started without --edit-any)",
               u8"書き込めるのは自分の行だけです。");
        return send();
      }
      slot = t.slotInPath;
    }
    {
      std::lock_guard<std::mutex> hold(s_.tokenMutex);
      if (!takeWrite(holder, platform::elapsedMs())) {
        answer(res, 429, "at most 30 writes a minute",
               u8"保存は 1 分間に 30 回までです。1 分ほど待ってから、もう一度保存してください。");
        return send();
      }
    }
    char reason[256];
    auto edit = std::make_unique<RowEdit>();
    if (!parseRowEdit(req.body().data(), req.body().size(), *edit, reason, sizeof reason)) {
      answer(res, 400, reason, SayReload);
      return send();
    }
    const int seenKey = static_cast<int>(EditKey::seenWrittenAt);
    char seenWritten[text::WrittenAtSize];
    if (edit->given[seenKey] && !text::utf8ToCp932(edit->value[seenKey], seenWritten, sizeof seenWritten)) {
      answer(res, 400, "seenWrittenAt is not a time this board could hold", SayReload);
      return send();
    }

    // The texts not given, the row's seen and the slot's name come from the board as published: the
    // share is the worker's, and the write itself checks the row again under the lock.
    if (s_.stopping) {
      answer(res, 503, "the server is stopping",
             u8"サーバーが停止するところです。しばらくしてから、もう一度保存してください。");
      return send();
    }
    write_.emplace();
    write_->before = copyBoard(s_.feed);
    write_->slot = slot;
    write_->holderSlot = holder.slot;
    if (slot >= write_->before->memberCount) {
      answer(res, 404, "no member has this slot", u8"その行はボードにありません。ページを再読み込みしてください。");
      return send();
    }
    store::TypedRow texts;
    store::RowCopy seen;
    Refusal refusal;
    if (!editTexts(write_->before->image, slot, *edit, texts, refusal)) {
      answer(res, 400, refusal.reason, refusal.message);
      return send();
    }
    store::copyRow(write_->before->image, slot, seen);
    const int generationKey = static_cast<int>(EditKey::seenGeneration);
    const bool changed = (edit->given[seenKey] && std::strcmp(seen.written, seenWritten) != 0) ||
                         (edit->given[generationKey] &&
                          changedSince(s_.feed, slot, std::strtoull(edit->value[generationKey], nullptr, 10)));
    if (changed) return finishWrite({0, store::RowChanged, write_->before->generation});
    worker::Request w;
    w.job = worker::Job::writeRow;
    w.slot = slot;
    text::copyField(w.row.morning, texts.morning);
    text::copyField(w.row.afternoon, texts.afternoon);
    text::copyField(w.row.state, texts.state);
    text::copyField(w.row.returnTime, texts.returnTime);
    text::copyField(w.row.written, texts.written);
    w.seen = seen;
    w.hasSeen = edit->given[seenKey];
    if (!s_.worker.post(w)) {
      answer(res, 503, "the server has too many writes waiting; try again", SayBusyServer);
      return send();
    }
    write_->id = w.id;
    write_->until = platform::elapsedMs() + WriteAnswerMs;
    awaitWrite();
  }

  // The write's answer, polled: nothing here blocks the thread every connection shares.
  void awaitWrite() {
    WriteAnswer written;
    if (s_.listener.answerTo(write_->id, written)) return finishWrite(written);
    if (platform::elapsedMs() >= write_->until) {
      logWrite(*write_->before, write_->slot, write_->holderSlot, fromText_, "still waiting for the board");
      answer(*reply_, 503, "the board is still busy; the write waits and may yet be saved",
             u8"ほかのPCがボードを使用中のため、保存を待っています。このあと保存されることがあります。少し待ってから表"
             u8"示を確かめ"
             u8"てください。");
      return send();
    }
    timer_.expires_after(Ms(10));
    timer_.async_wait([self = shared_from_this()](beast::error_code ec) {
      if (ec) return self->close();
      self->awaitWrite();
    });
  }

  void finishWrite(const WriteAnswer& written) {
    Reply& res = *reply_;
    const int saved = written.code;
    const int slot = write_->slot;
    const std::string row = rowJson(*copyBoard(s_.feed), slot);
    const char* outcome = saved == 1                      ? "saved"
                          : saved == store::RowChanged    ? "not written: the row changed meanwhile"
                          : saved == store::MayHaveLanded ? "could not be confirmed"
                                                          : "failed";
    logWrite(*write_->before, slot, write_->holderSlot, fromText_, outcome);
    write_.reset();
    res.set(http::field::cache_control, "no-store");
    res.set("X-Board-Generation", std::to_string(written.generation));
    if (saved == 1) {
      content(res, row, "application/json; charset=utf-8");
    } else if (saved == store::RowChanged) {
      res.result(http::status::conflict);
      content(res, row, "application/json; charset=utf-8");
    } else {
      const bool unsure = saved == store::MayHaveLanded;
      answer(res, unsure ? 500 : 503,
             unsure ? "the write could not be confirmed; the row may have been saved"
                    : "the board could not be written (busy or unreachable); try again",
             unsure
                 ? u8"保存できたか確かめられませんでした。表示を確かめて、変わっていなければもう一度保存してください。"
                 : u8"ボードに書き込めませんでした (ほかの人が書き込み中か、共有フォルダーに届きません)。"
                   u8"少し待ってから、もう一度保存してください。");
    }
    send();
  }

  static void secure(Reply& res) {
    res.set("Content-Security-Policy", Csp);
    res.set("Referrer-Policy", "no-referrer");
    res.set("X-Content-Type-Options", "nosniff");
    res.set("X-Frame-Options", "DENY");
  }

  void send() {
    Reply& res = *reply_;
    secure(res);
    if (close_) res.keep_alive(false);
    res.prepare_payload();
    if (parser_ && parser_->get().method() == http::verb::head) res.body().clear();
    stream_.expires_after(Ms(RequestMs));
    http::async_write(stream_, res, [self = shared_from_this()](beast::error_code ec, size_t) {
      const bool keep = !ec && !self->close_ && self->reply_->keep_alive();
      self->reply_.reset();
      self->parser_.reset();
      if (!keep) return self->close();
      self->stream_.expires_never();
      self->awaitRequest();
    });
  }

  // Server-sent events: the rows that changed since the generation the page shows, the board's age
  // when it changes, and a comment line now and then to find out pages that went away. The
  // connection is the page's stream from here on.
  void startEvents(const http::request<http::string_body>& req, const Target& t) {
    std::string since(req["Last-Event-ID"]);
    if (since.empty()) since = queryValue(t.query, "since");
    since_ = since.empty() ? UINT64_MAX : std::strtoull(since.c_str(), nullptr, 10);
    Reply& res = *reply_;
    secure(res);
    res.set(http::field::cache_control, "no-store");
    res.set(http::field::content_type, "text/event-stream");
    // A reverse proxy such as nginx would otherwise hold the events back in its buffer.
    res.set("X-Accel-Buffering", "no");
    res.chunked(true);
    header_.emplace(std::move(res));
    headerWriter_.emplace(*header_);
    parser_.reset();
    streaming_ = true;
    stream_.expires_after(Ms(RequestMs));
    http::async_write_header(stream_, *headerWriter_, [self = shared_from_this()](beast::error_code ec, size_t) {
      if (ec) return self->close();
      self->stream_.expires_never();
      self->s_.streams.push_back(self);
      self->backlog_ = "retry: 2000\n\n";
      self->lastSentMs_ = platform::elapsedMs();
      self->pump(platform::elapsedMs());
      self->watchClose();
    });
  }

  // A page's stream is never read again: a read ending tells that the page went away.
  void watchClose() {
    stream_.socket().async_wait(tcp::socket::wait_read, [self = shared_from_this()](beast::error_code ec) {
      if (ec) return self->close();
      char byte[64];
      beast::error_code readError;
      const size_t got = self->stream_.socket().read_some(asio::buffer(byte), readError);
      if (readError || got == 0) return self->close();
      self->watchClose();
    });
  }

  void sendBacklog() {
    if (writing_ || backlog_.empty() || closed_) return;
    writing_ = true;
    sending_.swap(backlog_);
    backlog_.clear();
    stream_.expires_after(Ms(RequestMs));
    asio::async_write(stream_, http::make_chunk(asio::buffer(sending_)),
                      [self = shared_from_this()](beast::error_code ec, size_t) {
                        self->writing_ = false;
                        if (ec) return self->close();
                        self->stream_.expires_never();
                        self->sending_.clear();
                        self->sendBacklog();
                      });
  }

  void close() {
    if (closed_) return;
    closed_ = true;
    timer_.cancel();
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
    // After a refusal the rest of what was sent is read and dropped for a moment: closed with unread
    // bytes, the system would reset the connection and the client could lose the answer.
    if (!close_ || streaming_) return stream_.close();
    drainUntil_ = std::chrono::steady_clock::now() + Ms(DrainMs);
    stream_.expires_after(Ms(DrainMs));
    drain();
  }

  // Reads stop at the deadline even for a sender that never pauses: the stream's own time-out is
  // not met while every read completes at once.
  void drain() {
    static char sink[4096];  // never read: every connection's leftovers may share it
    stream_.async_read_some(asio::buffer(sink), [self = shared_from_this()](beast::error_code ec, size_t) {
      if (ec || std::chrono::steady_clock::now() >= self->drainUntil_) return self->stream_.close();
      self->drain();
    });
  }

  Server& s_;
  beast::tcp_stream stream_;
  asio::steady_timer timer_;
  beast::flat_buffer buffer_{MaxHead + MaxBody};
  asio::ip::address from_;
  std::string fromText_;
  std::optional<http::request_parser<http::string_body>> parser_;
  std::optional<Reply> reply_;
  std::optional<PendingWrite> write_;
  bool close_ = false;
  bool closed_ = false;
  std::chrono::steady_clock::time_point drainUntil_;

  // The page's stream.
  bool streaming_ = false;
  std::optional<http::response<http::empty_body>> header_;
  std::optional<http::response_serializer<http::empty_body>> headerWriter_;
  uint64_t since_ = UINT64_MAX;
  int old_ = -1;  // the age last sent: none yet
  uint64_t lastSentMs_ = 0;
  std::string backlog_, sending_;
  bool writing_ = false;
};

// A connection beyond the caps is told so and closed, without a byte of it read.
void turnAway(tcp::socket socket) {
  static constexpr char Busy[] =
      "HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json; charset=utf-8\r\n"
      "Content-Length: 36\r\nConnection: close\r\n\r\n{\"error\": \"too many connections\"}\n";
  auto held = std::make_shared<tcp::socket>(std::move(socket));
  asio::async_write(*held, asio::buffer(Busy, sizeof Busy - 1), [held](beast::error_code, size_t) {
    beast::error_code ignored;
    held->shutdown(tcp::socket::shutdown_send, ignored);
    held->close(ignored);
  });
}

void acceptNext(Server& s) {
  s.acceptor.async_accept([&s](beast::error_code ec, tcp::socket socket) {
    if (ec == asio::error::operation_aborted) return;
    if (ec) {
      // Out of sockets for now: a little later, rather than a loop that takes the processor.
      auto wait = std::make_shared<asio::steady_timer>(s.io, Ms(100));
      wait->async_wait([&s, wait](beast::error_code) { acceptNext(s); });
      return;
    }
    beast::error_code peerError;
    const tcp::endpoint peer = socket.remote_endpoint(peerError);
    if (!peerError) {
      auto it = s.perAddress.find(peer.address());
      const int fromThere = it == s.perAddress.end() ? 0 : it->second;
      if (fromThere >= PerAddress || s.connections >= s.maxConnections)
        turnAway(std::move(socket));
      else
        std::make_shared<Session>(s, std::move(socket), peer.address())->start();
    }
    acceptNext(s);
  });
}

// The token file changed (make-tokens --slot, --revoke): its tokens replace the ones in use, each
// member's count of writes kept. A file that does not read leaves the old tokens, and says why.
void reloadTokens(Server& s) {
  if (!s.options.tokens || !s.options.tokensPath) return;
  files::Stamp now;
  if (!files::stamp(s.options.tokensPath, now) || now == s.tokensStamp) return;
  // The names as published: the share itself is the worker's.
  auto names = std::make_unique<store::Share>();
  {
    std::lock_guard<std::mutex> hold(s.feed.mutex);
    std::memcpy(names->displayNames, s.feed.names, sizeof names->displayNames);
    names->memberCount = s.feed.memberCount;
  }
  auto fresh = std::make_unique<TokenTable>();
  char error[256];
  // A file that does not read (caught half written, say) is read again at the next look, since its
  // finished version may carry the same time; its failure is logged once.
  if (!loadTokens(s.options.tokensPath, *names, *fresh, error, sizeof error)) {
    if (!(now == s.tokensFailedStamp))
      logLine("the token file changed but does not read; the tokens before it stay: ", error);
    s.tokensFailedStamp = now;
    return;
  }
  s.tokensStamp = now;
  keepWriteCounts(*s.options.tokens, *fresh);
  std::memcpy(s.options.tokens, fresh.get(), sizeof *fresh);
  logLine("the token file is read again: ", std::to_string(fresh->count) + " tokens");
}

// The board unread for two looks is logged with its time, and so is its end.
void logOutage(Server& s, uint64_t nowMs) {
  bool old;
  std::string readAt;
  {
    std::lock_guard<std::mutex> hold(s.feed.mutex);
    old = boardIsOld(s.feed, nowMs);
    readAt = s.feed.goodReadText;
  }
  if (old == s.boardOld) return;
  s.boardOld = old;
  if (old)
    logLine("the board cannot be read; pages are told their rows are as read at ", readAt);
  else
    logLine("the board is read again", "");
}

// Every page's stream is sent what it has not had, whenever the board or its age moved, and a
// heartbeat now and then.
void pumpStreams(Server& s) {
  s.pumpTimer.expires_after(Ms(PumpMs));
  s.pumpTimer.async_wait([&s](beast::error_code ec) {
    if (ec) return;
    uint64_t generation, ticks;
    {
      std::lock_guard<std::mutex> hold(s.feed.mutex);
      generation = s.feed.generation;
      ticks = s.feed.ticks;
    }
    const uint64_t now = platform::elapsedMs();
    const bool moved = generation != s.pumpedGeneration || ticks != s.pumpedTicks;
    if (moved) logOutage(s, now);
    if (ticks != s.pumpedTicks) reloadTokens(s);
    s.pumpedTicks = ticks;
    s.pumpedGeneration = generation;
    size_t kept = 0;
    for (size_t i = 0; i < s.streams.size(); ++i) {
      std::shared_ptr<Session> page = s.streams[i].lock();
      if (!page) continue;
      s.streams[kept++] = s.streams[i];
      if (moved) page->pump(now);
    }
    s.streams.resize(kept);
    pumpStreams(s);
  });
}

bool listen(Server& s, const char* host, int port, int& taken) {
  beast::error_code ec;
  const asio::ip::address address = asio::ip::make_address(host, ec);
  if (ec) return false;
  const tcp::endpoint at(address, static_cast<unsigned short>(port));
  s.acceptor.open(at.protocol(), ec);
  if (!ec) s.acceptor.set_option(asio::socket_base::reuse_address(true), ec);
  if (!ec) s.acceptor.bind(at, ec);
  // A burst of pages opening at once waits in the system's queue, not for SYN retries.
  if (!ec) s.acceptor.listen(asio::socket_base::max_listen_connections, ec);
  if (ec) return false;
  taken = s.acceptor.local_endpoint().port();
  return true;
}

// A second signal: the process ends now, whatever the worker is in, once no lock file of ours is being
// created or removed; what it created is deleted first, so no lock is left behind.
[[noreturn]] void endAtOnce(Server& s, int signal) {
  std::fprintf(stderr, "tavelin-cli serve: stopping at once (signal %d)\n", signal);
  platform::holdLockOperations();
  store::releaseAtStop(s.share);
  endWithSignal(signal);
}

}  // namespace

int serve(store::Share& share, const ServeOptions& options) {
  const int files = prepareProcess();
  auto s = std::make_unique<Server>(share, options);
  // Each connection is a socket; some are kept for the share's files and the log.
  s->maxConnections = files > 200 ? files - 100 : 100;
  s->listenHost = hostPart(options.host);
  s->urlHost = urlHostOf(options.url);
  beast::error_code nameError;
  s->machineName = lower(asio::ip::host_name(nameError));
  if (options.tokensPath) files::stamp(options.tokensPath, s->tokensStamp);
  // Generations go on from the last run's (milliseconds of the clock at the start), so a page from
  // before a restart is never taken as current.
  s->feed.generation = static_cast<uint64_t>(std::time(nullptr)) * 1000;
  // Read before the worker starts, on this thread, which owns the share until then.
  share.requireLock = false;
  if (store::refreshBoard(share) == 1) publish(s->feed, share, localNow(), platform::elapsedMs());
  int port = 0;
  if (!listen(*s, options.host, options.port, port)) {
    std::fprintf(stderr, "tavelin-cli serve: cannot listen on %s:%d\n", options.host, options.port);
    return 1;
  }
  const bool ipv6 = std::strchr(options.host, ':') != nullptr;
  std::fprintf(stderr, "tavelin-cli serve: listening on http://%s%s%s:%d/%s\n", ipv6 ? "[" : "", options.host,
               ipv6 ? "]" : "", port, options.tokens ? " (a member's link is needed)" : " (read-only)");
  if (!s->worker.start()) {
    std::fputs("tavelin-cli serve: cannot start the share's thread\n", stderr);
    return 1;
  }
  acceptNext(*s);
  pumpStreams(*s);
  std::thread ticker([&] { tickPages(*s); });
  std::thread network([&] { s->io.run(); });

  const int signal = waitForStop();
  std::fprintf(stderr, "tavelin-cli serve: stopping (signal %d)\n", signal);
  s->stopping = true;
  {
    std::lock_guard<std::mutex> hold(s->feed.mutex);
    s->feed.stopping = true;
    s->feed.changed.notify_all();
  }
  s->worker.stop(worker::StopFinishMs);
  s->io.stop();
  network.join();
  ticker.join();
  // The write in flight ends and lets go of the lock; queued ones have a few seconds. A second signal
  // ends the process at once, once no lock operation is under way and our lock is gone.
  while (!s->worker.waitEnded(50)) {
    const int again = anotherStop();
    if (again) endAtOnce(*s, again);
  }
  std::fflush(stdout);
  std::fflush(stderr);
  // Connections still open are the system's to close.
  std::_Exit(0);
}

}  // namespace web
