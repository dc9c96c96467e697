#include "store/journal.h"

#include <cstdio>
#include <cstring>

#include "platform/files.h"

namespace store {

namespace {

constexpr char TrailerMagic[4] = {'T', 'V', 'J', '1'};

// CRC-32 (IEEE) eight bytes at a time: the checksum of every row write covers the whole image,
// and a byte at a time it costs more than the writes it protects.
struct CrcTables {
  uint32_t t[8][256];
  constexpr CrcTables() : t() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[0][i] = c;
    }
    for (int s = 1; s < 8; ++s)
      for (uint32_t i = 0; i < 256; ++i) t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
  }
};
constexpr CrcTables crc;

void trailerFor(const unsigned char* image, unsigned char (&trailer)[JournalTrailerSize]) {
  const uint32_t crc = crc32(image, BoardSize);
  std::memcpy(trailer, TrailerMagic, sizeof TrailerMagic);
  for (int i = 0; i < 4; ++i) trailer[4 + i] = static_cast<unsigned char>(crc >> (8 * i));
}

// The side file's image, when it is whole and its checksum matches.
bool readCompleteJournal(FILE* f, unsigned char* image) {
  unsigned char trailer[JournalTrailerSize];
  unsigned char expected[JournalTrailerSize];
  unsigned char extra;
  if (files::readBlock(image, BoardSize, f) != BoardSize) return false;
  if (files::readBlock(trailer, sizeof trailer, f) != sizeof trailer) return false;
  if (files::readBlock(&extra, 1, f) != 0 || files::hasError(f)) return false;
  trailerFor(image, expected);
  return std::memcmp(trailer, expected, sizeof trailer) == 0;
}

}  // namespace

uint32_t crc32(const unsigned char* data, size_t size) {
  uint32_t c = 0xFFFFFFFFu;
  size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    const uint32_t low = c ^ (data[i] | data[i + 1] << 8 | data[i + 2] << 16 | static_cast<uint32_t>(data[i + 3]) << 24);
    c = crc.t[7][low & 0xFF] ^ crc.t[6][(low >> 8) & 0xFF] ^ crc.t[5][(low >> 16) & 0xFF] ^ crc.t[4][low >> 24] ^
        crc.t[3][data[i + 4]] ^ crc.t[2][data[i + 5]] ^ crc.t[1][data[i + 6]] ^ crc.t[0][data[i + 7]];
  }
  for (; i < size; ++i) c = crc.t[0][(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

void journalPathFor(const char* boardPath, char (&out)[JournalPathSize]) {
  std::snprintf(out, sizeof out, "%s.jnl", boardPath);
}

Journal writeJournal(const char* boardPath, const BoardImage& image) {
  char path[JournalPathSize];
  journalPathFor(boardPath, path);
  files::Handle f(files::openWrite(path));
  if (!f) return Journal::notCreated;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&image);
  unsigned char trailer[JournalTrailerSize];
  trailerFor(bytes, trailer);
  const bool ok = files::writeBlock(bytes, BoardSize, f.get()) == 1 &&
                  files::writeBlock(trailer, sizeof trailer, f.get()) == 1 && files::flush(f.get());
  f.close();
  if (ok) return Journal::written;
  files::removeFile(path);
  return Journal::failed;
}

void discardJournal(const char* boardPath) {
  char path[JournalPathSize];
  journalPathFor(boardPath, path);
  files::removeFile(path);
}

bool recoverJournal(const char* boardPath) {
  char path[JournalPathSize];
  journalPathFor(boardPath, path);
  files::Handle journal(files::openRead(path));
  if (!journal) return true;
  static unsigned char image[BoardSize];
  const bool complete = readCompleteJournal(journal.get(), image);
  journal.close();
  if (!complete) {
    // Torn before the board was touched: the board still holds the old image.
    files::removeFile(path);
    return true;
  }
  files::Handle board(files::openUpdate(boardPath));
  if (!board) return false;
  const bool ok = files::writeBlock(image, BoardSize, board.get()) == 1 && files::flush(board.get());
  board.close();
  // An applied side file that stays behind would be applied again over later writes.
  return ok && files::removeFile(path);
}

}  // namespace store
