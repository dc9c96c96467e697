// The side record reader: bytes as a record file left beside the board by anyone on the share, then a
// refresh. Whatever the record holds, only the one row it names may change, only to its own before
// bytes, and no other row of the board file or of the image is touched.
#include <cstring>
#include <string>

#include "fuzz/harness.h"
#include "fuzz/side_file.h"
#include "settings/preferences.h"
#include "store/access.h"
#include "store/board.h"
#include "store/names.h"
#include "store/row_record.h"
#include "tests/fake.h"

namespace {

int slotOf(const uint8_t* data, size_t size) { return size >= 8 ? (data[6] | data[7] << 8) : -1; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const unsigned char* original = fuzz::boardBesideSideFile(data, size);
  fuzz::check(store::refreshBoard(fake::share) == 1, "the board is read whatever the record holds");

  const auto* seen = reinterpret_cast<const unsigned char*>(&fake::share.board);
  const int slot = slotOf(data, size);
  unsigned char row[store::RowBytes], untouched[store::RowBytes];
  for (int s = 0; s < store::MaxMembers; ++s) {
    store::rowBytesOf(seen, s, row);
    store::rowBytesOf(original, s, untouched);
    if (std::memcmp(row, untouched, store::RowBytes) == 0) continue;
    fuzz::check(s == slot && size >= sizeof(store::RowRecord), "only the record's own row may change");
    fuzz::check(std::memcmp(row, data + offsetof(store::RowRecord, before), store::RowBytes) == 0,
                "a changed row is the record's before bytes");
  }
  // Names are never part of a row.
  fuzz::check(std::memcmp(seen, original, sizeof fake::share.board.boardNames) == 0, "names untouched");
  return 0;
}
