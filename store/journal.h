#pragma once
// The side file that makes a row write crash-safe. Under the lock, before the board is overwritten,
// the new image and its checksum go to "<board>.jnl" and reach the disk; the board is then written
// and the side file deleted. Whoever next holds the lock and finds a complete side file copies it
// over the board first, so a write torn by a crash or a lost connection is finished, never half-seen.
// Older clients ignore the side file; the board file itself is unchanged in format.
#include <cstddef>
#include <cstdint>

#include "store/board.h"

namespace store {

constexpr size_t JournalPathSize = 264;  // a 255-byte board path plus ".jnl" and the NUL
constexpr size_t JournalTrailerSize = 8;  // "TVJ1" and the image's CRC-32, little-endian
constexpr size_t JournalSize = BoardSize + JournalTrailerSize;

uint32_t crc32(const unsigned char* data, size_t size);

void journalPathFor(const char* boardPath, char (&out)[JournalPathSize]);

enum class Journal { written, notCreated, failed };
// Writes the image and its trailer to the side file and commits it to the device.
Journal writeJournal(const char* boardPath, const BoardImage& image);

void discardJournal(const char* boardPath);

// Called first under the lock: a complete side file is copied over the board's first 192,000 bytes
// and deleted; an incomplete one is deleted. False when a complete one could not be applied.
bool recoverJournal(const char* boardPath);

}  // namespace store
