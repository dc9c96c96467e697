#include "web/sheet.h"

#include <cstring>

#include "report/report.h"
#include "sheet_assets.h"
#include "store/share.h"
#include "text/bounded.h"

namespace web {

namespace {

constexpr int SlipsPerRow = 3;
constexpr int RowsPerPage = 4;

// Slips of 3 x 4 on an A4 page, a dashed line to cut along; the screen shows the same, with a word
// on what to do with the sheet.
constexpr char SheetStyle[] =
    "@page { size: A4; margin: 10mm; }\n"
    "body { margin: 0; font-family: \"Hiragino Sans\", \"Yu Gothic UI\", Meiryo, \"IPAGothic\", sans-serif; "
    "color: #000; }\n"
    ".note { max-width: 190mm; margin: 8mm auto; padding: 3mm 4mm; border: 1px solid #e0b84c; background: "
    "#fff7de; }\n"
    ".sheet { width: 190mm; margin: 0 auto; }\n"
    ".row { display: grid; grid-template-columns: repeat(3, 1fr); break-inside: avoid; }\n"
    ".row.last-on-page { break-after: page; }\n"
    ".row.last-on-page:last-child { break-after: auto; }\n"
    ".slip { height: 68mm; padding: 4mm; border: 1px dashed #888; margin: -1px 0 0 -1px; overflow: hidden; "
    "text-align: center; }\n"
    ".name { margin: 0 0 2mm; font-size: 13pt; font-weight: 700; white-space: nowrap; overflow: hidden; "
    "text-overflow: ellipsis; }\n"
    ".qr { width: 32mm; height: 32mm; margin: 0 auto 2mm; }\n"
    ".qr svg { display: block; width: 100%; height: 100%; }\n"
    ".link { margin: 0; font: 7.5pt/1.25 monospace; overflow-wrap: anywhere; }\n"
    ".how { margin: 1.5mm 0 0; font-size: 7pt; color: #333; }\n"
    "@media print { .note { display: none; } .sheet { width: auto; } }\n";

// Each slip's link drawn as an SVG QR code in its .qr box, which keeps the code's module count.
constexpr char SheetScript[] =
    "for (const slip of document.querySelectorAll('.slip')) {\n"
    "  const box = slip.querySelector('.qr');\n"
    "  const code = qrcode(0, 'M');\n"
    "  code.addData(slip.querySelector('.link').textContent);\n"
    "  code.make();\n"
    "  box.innerHTML = code.createSvgTag({ cellSize: 4, margin: 8, scalable: true });\n"
    "  box.dataset.modules = String(code.getModuleCount());\n"
    "}\n";

// The library's text inside a script element: "</" as "<\/", the same in any of its strings, so that
// no "</script" can end the element early.
void writeScriptText(FILE* out, const unsigned char* bytes, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    std::fputc(bytes[i], out);
    if (bytes[i] == '<' && i + 1 < size && bytes[i + 1] == '/') std::fputc('\\', out);
  }
}

void writeLink(FILE* out, const char* base, const Token& token) {
  char link[2048];
  linkOf(base, token.secret, token.slot, link, sizeof link);
  report::writeHtmlText(out, link, std::strlen(link));
}

void writeSlip(FILE* out, const store::Share& share, const char* base, const Token& token) {
  std::fputs("<section class=\"slip\"><h2 class=\"name\">", out);
  report::writeHtmlText(out, share.displayNames[token.slot],
                        text::fieldLength(share.displayNames[token.slot], store::NameSize));
  std::fputs("</h2><div class=\"qr\"></div><p class=\"link\">", out);
  writeLink(out, base, token);
  std::fputs(
      u8"</p><p class=\"how\">スマートフォンのカメラで読み取るか、このアドレスを開いてください。"
      u8"ほかの人には見せないでください。</p></section>\n",
      out);
}

}  // namespace

int writeSheet(FILE* out, const TokenTable& table, const store::Share& share, const char* base, int onlySlot) {
  std::fprintf(out,
               u8"<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\">\n%s\n"
               u8"<title>タベリン 行き先ボード 個人用リンク</title>\n<style>\n%s</style>\n</head>\n<body>\n"
               u8"<p class=\"note\">印刷して点線で切り分け、本人に渡してください。リンクを知っている人はその人の行を"
               u8"書き換えられます。配り終えたら、このファイルは消してください。</p>\n<main class=\"sheet\">\n",
               SheetMark, SheetStyle);
  int slips = 0;
  for (int i = 0; i < table.count; ++i) {
    const Token& token = table.tokens[i];
    if (token.slot < 0 || token.slot >= share.memberCount || (onlySlot >= 0 && token.slot != onlySlot)) continue;
    if (slips % SlipsPerRow == 0) {
      const int row = slips / SlipsPerRow;
      std::fputs(row % RowsPerPage == RowsPerPage - 1 ? "<div class=\"row last-on-page\">\n" : "<div class=\"row\">\n",
                 out);
    }
    writeSlip(out, share, base, token);
    if (++slips % SlipsPerRow == 0) std::fputs("</div>\n", out);
  }
  if (slips % SlipsPerRow != 0) std::fputs("</div>\n", out);
  std::fputs("</main>\n<script>\n", out);
  writeScriptText(out, assets::QrcodeJs, assets::QrcodeJsSize);
  std::fprintf(out, "</script>\n<script>\n%s</script>\n</body></html>\n", SheetScript);
  return slips;
}

bool looksLikeSheet(const char* bytes, size_t size) {
  const size_t mark = sizeof SheetMark - 1;
  for (size_t i = 0; i + mark <= size; ++i)
    if (std::memcmp(bytes + i, SheetMark, mark) == 0) return true;
  return false;
}

}  // namespace web
