#include "web/page.h"

#include <cstring>

#include "report/report.h"
#include "store/row_flags.h"
#include "store/row_words.h"
#include "text/bounded.h"
#include "text/cp932.h"
#include "text/fold.h"

namespace web {

namespace {

// A CP932 text of the program's own (a state, say) as the page's UTF-8.
void writeUtf8(FILE* out, const char* cp932) {
  char utf8[128];
  text::cp932ToUtf8(cp932, std::strlen(cp932), utf8, sizeof utf8);
  std::fputs(utf8, out);
}

int stateIcon(const PageBoard& board, int slot) {
  const store::State state = store::stateOfRow(board.image, slot);
  return state == store::State::none ? -1 : static_cast<int>(state);
}

void writeCell(FILE* out, const PageBoard& board, int slot, int field) {
  char cell[store::WrittenSize + 1];
  const store::Field f = static_cast<store::Field>(field);
  const size_t len = store::cellText(board.image, board.names, slot, f, cell, sizeof cell);
  std::fprintf(out, "<td class=\"f%d\">", field);
  // The name's cell carries the state's icon, as the window's first column does.
  const bool name = f == store::Field::name;
  if (name) {
    std::fprintf(out, "<span class=\"icon st%d\" aria-hidden=\"true\"></span><span class=\"t\">",
                 stateIcon(board, slot));
  }
  report::writeHtmlText(out, cell, len);
  std::fputs(name ? "</span></td>" : "</td>", out);
}

// Each flag that holds is a class of the row, under its JSON key, each followed by a space.
void writeFlagClasses(FILE* out, const PageBoard& board, int slot) {
  int count = 0;
  const store::FlagRule* flags = store::flagRules(count);
  const unsigned bits = store::flagsOf(board.image, slot, board.now);
  for (int i = 0; i < count; ++i)
    if ((bits >> i) & 1) std::fprintf(out, "%s ", flags[i].key);
}

void writeRow(FILE* out, const PageBoard& board, const PageView& view, int slot) {
  std::fprintf(out, "<tr id=\"s%d\" data-slot=\"%d\" class=\"", slot, slot);
  writeFlagClasses(out, board, slot);
  std::fprintf(out, "%s\">", slot == view.ownSlot ? "mine" : "");
  for (int f = 0; f < store::FieldCount; ++f) writeCell(out, board, slot, f);
  std::fputs("</tr>\n", out);
}

void writeHeader(FILE* out) {
  std::fputs("<thead><tr>", out);
  for (int f = 0; f < store::FieldCount; ++f) {
    std::fprintf(out, "<th class=\"f%d\" data-col=\"%d\" scope=\"col\">", f, f);
    report::writeHtmlText(out, store::fields[f].header, std::strlen(store::fields[f].header));
    std::fputs("</th>", out);
  }
  std::fputs("</tr></thead>\n", out);
}

// The window's find folds full-width letters, digits and punctuation to ASCII: the same table,
// as full-width character to ASCII, for the page's find box.
void writeFoldTable(FILE* out) {
  std::fputs("<script type=\"application/json\" id=\"fold\">{", out);
  bool first = true;
  for (unsigned lead = 0x81; lead <= 0x82; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      const char ascii = text::foldChar(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
      if (!ascii) continue;
      const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      char utf8[8];
      text::cp932ToUtf8(pair, 2, utf8, sizeof utf8);
      const bool quote = ascii == '"' || ascii == '\\';
      // '<' and '>' as escapes, so the block cannot end early.
      if (ascii == '<' || ascii == '>')
        std::fprintf(out, "%s\"%s\":\"\\u%04x\"", first ? "" : ",", utf8, ascii);
      else
        std::fprintf(out, "%s\"%s\":\"%s%c\"", first ? "" : ",", utf8, quote ? "\\" : "", ascii);
      first = false;
    }
  }
  std::fputs("}</script>\n", out);
}

// The row's words the script needs: the four states in their icons' order, the one that asks for a
// return time, and the flags a row's JSON carries, which are its classes.
void writeWords(FILE* out) {
  std::fputs("<script type=\"application/json\" id=\"words\">{\"states\":[", out);
  for (int i = 0; i < store::StateCount; ++i) {
    std::fputs(i ? ",\"" : "\"", out);
    writeUtf8(out, store::StateTexts[i]);
    std::fputc('"', out);
  }
  std::fprintf(out, "],\"returning\":%d,\"flags\":[", static_cast<int>(store::ReturningState));
  int count = 0;
  const store::FlagRule* flags = store::flagRules(count);
  for (int i = 0; i < count; ++i) std::fprintf(out, "%s\"%s\"", i ? "," : "", flags[i].key);
  std::fputs("]}</script>\n", out);
}

void writeEditor(FILE* out, const PageBoard& board, const PageView& view) {
  std::fputs(u8"<section id=\"editor\" class=\"editor\" hidden>\n<h2><span id=\"editor-name\">", out);
  report::writeHtmlText(out, board.names[view.ownSlot], text::fieldLength(board.names[view.ownSlot], store::NameSize));
  std::fputs(u8"</span> の行</h2>\n<div class=\"states\">", out);
  for (int i = 0; i < store::StateCount; ++i) {
    std::fputs("<button type=\"button\" class=\"state\" data-state=\"", out);
    writeUtf8(out, store::StateTexts[i]);
    std::fprintf(out, "\"><span class=\"icon st%d\"></span>", i);
    writeUtf8(out, store::StateTexts[i]);
    std::fputs("</button>", out);
  }
  std::fprintf(
      out,
      u8"</div>\n"
      u8"<div id=\"return-ask\" class=\"ask\" hidden><label>帰社予定 <input id=\"return\" autocomplete=\"off\" "
      u8"inputmode=\"numeric\" maxlength=\"%zu\" placeholder=\"15:00\"></label>"
      u8"<button type=\"button\" id=\"return-ok\">OK</button><button type=\"button\" id=\"return-cancel\">"
      u8"キャンセル</button></div>\n"
      u8"<div class=\"texts\"><label>午前 <input id=\"morning\" autocomplete=\"off\" maxlength=\"%zu\"></label>"
      u8"<label>午後 <input id=\"afternoon\" autocomplete=\"off\" maxlength=\"%zu\"></label>"
      u8"<button type=\"button\" id=\"save\">保存</button></div>\n",
      store::ReturnLimit, store::MorningLimit, store::AfternoonLimit);
  std::fputs(
      u8"<div id=\"conflict\" class=\"ask\" role=\"alert\" "
      u8"hidden><p>編集中に、ほかの画面かPCでこの行が書き換えられました。いまの内容:</p>"
      u8"<p id=\"conflict-row\"></p><button type=\"button\" id=\"overwrite\">上書きする</button>"
      u8"<button type=\"button\" id=\"keep\">書き込まない</button></div>\n"
      u8"<p id=\"editor-message\" class=\"message\" role=\"status\"></p>\n</section>\n",
      out);
}

}  // namespace

void writePage(FILE* out, const PageBoard& board, const PageView& view) {
  std::fputs(
      u8"<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\">\n"
      u8"<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      u8"<title>タベリン 行き先ボード</title>\n<link rel=\"stylesheet\" href=\"/style.css\">\n"
      u8"<script src=\"/app.js\" defer></script>\n</head>\n",
      out);
  std::fprintf(out, "<body data-generation=\"%llu\" data-own-slot=\"%d\" data-edit-any=\"%d\"%s%s%s>\n",
               static_cast<unsigned long long>(board.generation), view.ownSlot, view.editAny ? 1 : 0,
               view.token ? " data-token=\"" : "", view.token ? view.token : "", view.token ? "\"" : "");
  std::fputs(
      u8"<header class=\"top\"><h1>行き先ボード</h1>"
      u8"<input type=\"search\" id=\"find\" placeholder=\"検索\" aria-label=\"検索\" autocomplete=\"off\" hidden>"
      u8"</header>\n",
      out);
  std::fprintf(out,
               u8"<p id=\"age\" class=\"age\" role=\"status\"%s>ボードが読めません。<span id=\"age-since\">%s</span> "
               u8"に読んだ内容です。</p>\n",
               board.old ? "" : " hidden", board.readAt);
  if (view.ownSlot >= 0) writeEditor(out, board, view);
  std::fputs("<table id=\"board\">\n", out);
  writeHeader(out);
  std::fputs("<tbody>\n", out);
  for (int slot = 0; slot < board.memberCount; ++slot) writeRow(out, board, view, slot);
  std::fputs("</tbody></table>\n", out);
  writeFoldTable(out);
  writeWords(out);
  std::fputs("</body></html>\n", out);
}

void writeKiosk(FILE* out, const PageBoard& board, const char* token) {
  std::fputs(
      u8"<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\">\n"
      u8"<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      u8"<title>タベリン 行き先ボード (受付)</title>\n<link rel=\"stylesheet\" href=\"/style.css\">\n"
      u8"<script src=\"/app.js\" defer></script>\n</head>\n",
      out);
  std::fprintf(out, "<body class=\"kiosk\" data-generation=\"%llu\"%s%s%s>\n",
               static_cast<unsigned long long>(board.generation), token ? " data-token=\"" : "", token ? token : "",
               token ? "\"" : "");
  std::fprintf(out,
               u8"<header class=\"top\"><h1>行き先ボード</h1></header>\n"
               u8"<p id=\"age\" class=\"age\" role=\"status\"%s>ボードが読めません。<span id=\"age-since\">%s</span> "
               u8"に読んだ内容です。</p>\n<div id=\"kiosk-grid\">\n",
               board.old ? "" : " hidden", board.readAt);
  for (int slot = 0; slot < board.memberCount; ++slot) {
    std::fprintf(out, "<div id=\"s%d\" data-slot=\"%d\" class=\"", slot, slot);
    writeFlagClasses(out, board, slot);
    // The state as a colour (the cell's st class), its icon and its word, so that it reads without colour.
    const int state = stateIcon(board, slot);
    std::fprintf(out, "k st%d\"><span class=\"icon st%d\" aria-hidden=\"true\"></span><span class=\"n\">", state,
                 state);
    char cell[store::WrittenSize + 1];
    size_t len = text::copyField(cell, sizeof cell, board.names[slot], store::NameSize);
    report::writeHtmlText(out, cell, len);
    std::fputs("</span><span class=\"s\">", out);
    if (state >= 0) writeUtf8(out, store::StateTexts[state]);
    std::fputs("</span><span class=\"r\">", out);
    len = store::fieldTextOf(board.image, slot, store::Field::returnTime, cell, sizeof cell);
    report::writeHtmlText(out, cell, len);
    std::fputs("</span></div>\n", out);
  }
  std::fputs("</div>\n", out);
  writeWords(out);
  std::fputs("</body></html>\n", out);
}

void writeNeedsLink(FILE* out) {
  std::fputs(
      u8"<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\">\n"
      u8"<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      u8"<title>タベリン 行き先ボード</title>\n<link rel=\"stylesheet\" href=\"/style.css\">\n</head>\n"
      u8"<body><p class=\"age\">このボードは個人用のリンクから開いてください。リンクは管理者が配っています。</p>"
      u8"</body></html>\n",
      out);
}

}  // namespace web
