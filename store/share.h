#pragma once
// One board on one share, as this client works with it: where it is, the image and the names
// beside it, the lock's state and the timer's memory of the board. Every function of the core
// that touches the share takes one. A front end makes its Share once, at start: it is big
// (the image and the scratch image make up most of it), and nothing in it is allocated.
#include <cstddef>
#include <cstdint>

#include "platform/files.h"
#include "store/board.h"
#include "store/change_ring.h"
#include "store/lock.h"
#include "text/timestamps.h"

namespace store {

// As the preferences hold them: 256 bytes, NUL-terminated unless the whole field is the path.
constexpr size_t SharePathSize = 256;

struct Share {
  // Copied in by the front end (usePaths); the core never reads the preferences.
  char nameListPath[SharePathSize];
  char boardPath[SharePathSize];

  BoardImage board;
  // Names from this PC's name list, held beside the image and never written to the file.
  char displayNames[MaxMembers][NameSize];
  int memberCount;
  // The list as last loaded, so that a change on the share can be seen without reading it.
  bool listLoaded;
  files::Stamp loadedStamp;
  // Names of the list past MaxMembers, which the board has no row for.
  int namesIgnored;

  // After a busy answer: the first bytes (up to 255) of the lock file; after taking the lock: this PC's name.
  char holderName[HolderSize];
  // When set, a folder where no lock file can be made stops the access (acquireLock answers -1 and
  // shows nothing; lockUnavailable() tells why) instead of going ahead unlocked as older PCs do.
  bool requireLock;
  // When set (tavelin-cli's --no-lock), a write goes ahead there too; otherwise only reads do.
  bool writeWithoutLock;
  // The lock paths this client created, so that release deletes only its own files: ours, and the
  // older PCs' one where the board's name makes theirs another file. Set and cleared together with
  // the create and the remove, inside a platform::LockOperation: a stop deletes what they name.
  bool lockCreated;
  bool lockUnavailable;
  char createdPath[LockPathSize];
  bool olderLockCreated;
  char olderCreatedPath[LockPathSize];
  // The holder's name is read at most once a second: a waiter needs it for its message only.
  bool holderRead;
  uint64_t holderReadAt;
  // A wait's pace: when the last two requests on the lock file of this wait were made (the older
  // first), and whether the last try answered "try again". A waiter asks at most twice a second.
  uint64_t lockAskedAt[2];
  int lockAsks;
  bool lockWaiting;
  bool olderLockBusy;  // what kept us out was the older PCs' lock, not ours

  // The board as our last locked read or write left it (see access.cpp), and the timer's state.
  files::Stamp lastStamp;
  bool stampTrusted;
  bool lockedTickShown;  // the status line still holds a skipped tick's message
  bool lockWasBusy;      // the last try found the lock busy (or failing in passing)
  bool troubleShown;     // the status line still holds a failed access's message
  // A timer's look on a coarse share showed the ring's head at a stamp not yet proven, which may still be
  // its write's tick, and left the proof to the next named look (the front end's, ProofLookMs later).
  bool proofDeferred;
  // A save found the side file there but not writable for this account (made by another with rights
  // of its own): said once a session, and the save goes on without it.
  bool sideFileRefused;
  bool sideFileRefusedShown;

  // Set from another thread (a front end's cancel): the attempts waiting for a busy lock stop at the
  // next pause. Read and written with atomic builtins; cleared by the access that stopped.
  bool cancelWait;
  // Called after each attempt that found the lock busy, with the attempt's number (holderName says
  // whose it is): the front end's progress. None by default.
  void (*onBusy)(Share& share, int attempt);

  // The change ring (change_ring.h): the CRC-32 of the image, and the ring's head as last seen (its
  // number and board CRC), whether or not the image followed it.
  uint32_t imageCrc;
  bool ringSeen;
  uint32_t ringSeq;
  uint32_t ringCrc;
  // The ring's bytes: as a writer read them, or the entries a reader fetched; and the writer's next.
  unsigned char ring[RingTailMax];
  unsigned char nextRing[RingTailMax];

  // The time of the last good read of the whole board, for the status line's time part.
  char statusInfoText[text::StatusInfoSize];

  // One scratch image per operation; the operations on one Share do not nest.
  unsigned char scratch[BoardSize];
};

// Back to the state of a fresh process: no paths, an empty board, no lock.
void resetShare(Share& share);

// Copies the two paths (fields of SharePathSize bytes, as the preferences hold them) into the share.
void usePaths(Share& share, const char (&nameListPath)[SharePathSize], const char (&boardPath)[SharePathSize]);

// A path field of the share as a NUL-terminated text.
void sharePath(const char (&field)[SharePathSize], char (&out)[SharePathSize + 1]);

}  // namespace store
