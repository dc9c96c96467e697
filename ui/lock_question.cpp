#include "ui/lock_question.h"

#include <cstdio>
#include <cstring>

#include "text/age.h"
#include "text/cp932.h"

namespace ui {

namespace {

constexpr char Question[] = "排他制御ファイルをリセットしてよろしいですか？";

bool needsEscape(unsigned char b) { return b < 0x20 || b == 0x7F || b == 0x80; }

// A whole double-byte character passes as it is; a control byte or a lead byte cut off at the end
// becomes \xNN. out always ends in a NUL.
void escapeHolder(const char* in, size_t length, char* out, size_t size) {
  size_t o = 0;
  for (size_t i = 0; i < length && in[i] != '\0';) {
    const unsigned char b = static_cast<unsigned char>(in[i]);
    const bool pair = text::isLeadByte(b) && i + 1 < length && in[i + 1] != '\0';
    const size_t need = pair ? 2 : needsEscape(b) || text::isLeadByte(b) ? 4 : 1;
    if (o + need >= size) break;
    if (pair) {
      out[o++] = in[i++];
      out[o++] = in[i++];
    } else if (need == 4) {
      std::snprintf(out + o, size - o, "\\x%02x", b);
      o += 4;
      ++i;
    } else {
      out[o++] = in[i++];
    }
  }
  out[o] = '\0';
}

void formatAge(const LockFacts& lock, char* out, size_t size) {
  const long long s = lock.ageSeconds;
  if (!lock.aged)
    std::snprintf(out, size, "不明");
  else if (s < 0)
    std::snprintf(out, size, "不明（このPCとファイルサーバーの時計が合っていません）");
  else
    text::formatAge(s, {"%lld秒", "%lld分", "%lld時間%lld分", "%lld日%lld時間", "%lld時間", "%lld日"}, out, size);
}

}  // namespace

void formatResetQuestion(const LockFacts& lock, char* out, size_t size) {
  if (!lock.present) {
    std::snprintf(out, size, "%s", Question);
    return;
  }
  char holder[1024];
  escapeHolder(lock.holder, lock.holderLength, holder, sizeof holder);
  char age[96];
  formatAge(lock, age, sizeof age);
  std::snprintf(out, size, "%s\n\n使用中のPC：%s\n使用開始から：%s", Question, holder[0] ? holder : "（名前なし）",
                age);
}

bool leftBehind(const LockFacts& lock) { return lock.aged && lock.ageSeconds >= LeftBehindSeconds; }

void formatWaitNotice(const LockFacts& lock, int attempt, int attempts, bool ended, char* out, size_t size) {
  char holder[1024];
  escapeHolder(lock.holder, lock.holderLength, holder, sizeof holder);
  const char* who = holder[0] ? holder : "名前なし";
  if (!leftBehind(lock)) {
    std::snprintf(out, size, "ほかのPC[%s]がボードを使用中のため待っています（%d/%d）", who, attempt, attempts);
    return;
  }
  char age[96];
  formatAge(lock, age, sizeof age);
  // The reset is a button beside this notice: say what it does, and when it is not the member's to press.
  if (ended)
    std::snprintf(out, size,
                  "PC[%s]の使用中の印（sem.dat）が%s前から残っているため、ボードを読み書きできません。そのPCが"
                  "止まっているなら、［リセット］で印を消すと読み書きできます。動いているかわからないときは、"
                  "管理者に相談してください。",
                  who, age);
  else
    std::snprintf(out, size, "PC[%s]の使用中の印（sem.dat）が%s前から残っています（%d/%d）", who, age, attempt,
                  attempts);
}

}  // namespace ui
