// The change ring's reader: bytes as a side file left beside the board by anyone on the share, then the
// timer's look of a PC that has not read the board yet. Whatever the file holds, the image shows the
// board file as it is, nothing, or a board whose CRC the file's own head names: never bytes from
// outside the image, the file or the entries.
#include <cstring>
#include <string>

#include "fuzz/harness.h"
#include "fuzz/side_file.h"
#include "store/access.h"
#include "store/board.h"
#include "store/change_ring.h"
#include "store/row_record.h"
#include "tests/fake.h"

namespace {

const unsigned char nothing[store::BoardSize] = {};

uint32_t headCrc(const uint8_t* data, size_t size) {
  const size_t at = store::RingOffset + 8;
  if (size < at + 4) return 0;
  return data[at] | data[at + 1] << 8 | data[at + 2] << 16 | static_cast<uint32_t>(data[at + 3]) << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const unsigned char* original = fuzz::boardBesideSideFile(data, size);
  store::refreshIfChanged(fake::share);
  const auto* seen = reinterpret_cast<const unsigned char*>(&fake::share.board);
  const bool asFile = std::memcmp(seen, original, store::BoardSize) == 0;
  const bool none = std::memcmp(seen, nothing, store::BoardSize) == 0;
  fuzz::check(asFile || none || store::crc32(seen, store::BoardSize) == headCrc(data, size),
              "the image is the board, nothing, or the board the head names");
  return 0;
}
