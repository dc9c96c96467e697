// Long texts measured in a real font: lines that fit, broken only where Japanese allows.
#include "ui/wrap_text.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

int widthIn(HDC dc, const std::string& line) {
  wchar_t wide[1024];
  const int n = MultiByteToWideChar(932, 0, line.c_str(), static_cast<int>(line.size()), wide, 1024);
  SIZE size{};
  GetTextExtentPoint32W(dc, wide, n, &size);
  return size.cx;
}

TEST(WrappedTexts, LinesFitTheWidthInTheFontAndBreakBetweenWords) {
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_TRUE(dc);
  HFONT font = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, "MS UI Gothic");
  HGDIOBJ old = SelectObject(dc, font);
  const char* const texts[] = {
      "PC[DEADPC]の使用中の印（sem.dat）が2時間5分前から残っているため、ボードを読み書きできません。そのPCが"
      "止まっているなら、［リセット］で印を消すと読み書きできます。動いているかわからないときは、管理者に相談してくださ"
      "い。",
      "読み書きを待っています。キャンセルで待つのをやめます。名前は１人63バイト（全角31文字）までです。",
  };
  for (int width : {120, 170, 230, 300}) {
    for (const char* text : texts) {
      char out[2048];
      ui::wrapForWidth(dc, text, width, out, sizeof out);
      const std::string shown = out;
      EXPECT_NE(shown.find('\n'), std::string::npos) << width;
      for (const char* bad : {"くださ\nい", "キャン\nセル", "ません\n。", "までで\nす", "\n。", "\n、", "\n）"})
        EXPECT_EQ(shown.find(bad), std::string::npos) << width << ": " << shown;
      std::string rest = shown;
      for (size_t at = 0; at != std::string::npos; rest.erase(0, at + 1)) {
        at = rest.find('\n');
        EXPECT_LE(widthIn(dc, rest.substr(0, at)), width) << width << ": " << shown;
        if (at == std::string::npos) break;
      }
    }
  }
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
}

}  // namespace
