// The board reader and what the report prints from it: bytes as the board file on the share, read as the
// program reads it (a zeroed image, a short file reads as zeros), then every field and both outputs.
#include <cstring>
#include <string>

#include "fuzz/harness.h"
#include "report/report.h"
#include "store/board.h"
#include "store/names.h"
#include "tests/fake.h"

namespace {

unsigned char image[store::BoardSize];

void checkFields() {
  char out[store::WrittenSize + 8];
  for (int slot = 0; slot < store::MaxMembers; ++slot) {
    for (int f = 0; f < store::FieldCount; ++f) {
      const auto field = static_cast<store::Field>(f);
      const size_t n = store::fieldText(fake::share, slot, field, out, sizeof out);
      fuzz::check(n < sizeof out && out[n] == '\0' && std::strlen(out) == n, "field text terminated at its length");
      fuzz::check(n <= store::fieldSize(field), "field text within its field");
      // A small destination cuts the text and still terminates it.
      char small[8];
      const size_t m = store::fieldText(fake::share, slot, field, small, sizeof small);
      fuzz::check(m < sizeof small && small[m] == '\0' && std::memcmp(small, out, m) == 0, "cut field text");
    }
  }
}

// A terminal must never receive a raw control byte: only the line ends the table writes itself.
void checkTable(const report::Rows& rows) {
  fuzz::Capture capture;
  report::printTable(capture.stream(), rows);
  const std::string s = capture.text();
  for (unsigned char c : s) fuzz::check(c == '\n' || (c >= 0x20 && c != 0x7F), "no raw control byte in the table");
  fuzz::check(fuzz::isUtf8(s.data(), s.size()), "table is UTF-8");
}

void checkJson(const report::Rows& rows) {
  fuzz::Capture capture;
  report::printJson(capture.stream(), rows);
  const std::string s = capture.text();
  for (unsigned char c : s) fuzz::check(c == '\n' || (c >= 0x20 && c != 0x7F), "no raw control byte in JSON");
  fuzz::check(fuzz::isUtf8(s.data(), s.size()), "JSON is UTF-8");
  fuzz::check(s.size() >= 3 && s.front() == '[' && s.compare(s.size() - 2, 2, "]\n") == 0, "JSON is one array");
}

// CSV: to a terminal a control from the file never arrives raw; to a file it stays, inside its quotes,
// so that a reader gets the text back, and outside quotes every line still ends in CRLF.
void checkCsv(const report::Rows& rows) {
  for (const bool terminal : {true, false}) {
    fuzz::Capture capture;
    report::printCsv(capture.stream(), rows, terminal);
    const std::string s = capture.text();
    bool quoted = false;
    for (size_t i = 0; i < s.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(s[i]);
      if (c == '"') quoted = !quoted;
      if (quoted && !terminal) continue;
      const bool lineEnd =
          (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') || (c == '\n' && i > 0 && s[i - 1] == '\r');
      fuzz::check(lineEnd || (c >= 0x20 && c != 0x7F), "no raw control byte in CSV outside quotes");
    }
    fuzz::check(!quoted && s.size() >= 2 && s.compare(s.size() - 2, 2, "\r\n") == 0, "CSV ends a whole line");
    fuzz::check(fuzz::isUtf8(s.data(), s.size()), "CSV is UTF-8");
  }
}

// Every field of all 300 slots is read; the outputs print the first rows only, since padding makes a
// table of 300 full rows megabytes long and the same code runs for every row.
constexpr int PrintedRows = 8;

void readAndPrint() {
  const int rows = PrintedRows;
  store::replaceImage(fake::share, image);
  fuzz::check(std::memcmp(&fake::share.board, image, store::BoardSize) == 0, "the image is the file's bytes");
  checkFields();
  // As show prints a board file: the rows with any text, under the board's own names.
  checkTable({&fake::share.board, nullptr, rows, true, {}});
  checkJson({&fake::share.board, nullptr, rows, true, {}});
  checkCsv({&fake::share.board, nullptr, rows, true, {}});
  // Every row under this PC's names in column 0.
  checkTable({&fake::share.board, fake::share.displayNames, rows, false, {}});
  checkJson({&fake::share.board, fake::share.displayNames, rows, false, {}});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fake::resetAll();
  if (size > store::BoardSize) size = store::BoardSize;
  std::memset(image, 0, sizeof image);
  if (size) std::memcpy(image, data, size);
  // Display names from the same bytes, as an unterminated 64-byte block would come.
  for (int slot = 0; slot < store::MaxMembers; ++slot)
    std::memcpy(fake::share.displayNames[slot], image + slot * store::NameSize, store::NameSize);
  readAndPrint();

  // A small input only reaches the first rows; repeated over the whole image it reaches every field.
  if (size > 0 && size < store::BoardSize) {
    for (size_t i = size; i < store::BoardSize; ++i) image[i] = data[i % size];
    readAndPrint();
  }
  return 0;
}
