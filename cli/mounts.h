#pragma once
// Which file system holds the board's folder, from the kernel's mount table. FUSE SMB clients
// (smbnetfs, gvfsd-fuse) do not carry the lock's exclusive create to the server: two PCs could
// both "create" sem.dat and write at once, so nothing may write through them.
#include <cstddef>

namespace cli {

constexpr size_t MountPointSize = 4096;
constexpr size_t FsTypeSize = 64;

struct Mount {
  char point[MountPointSize];  // octal escapes of the table (\040 for a space) decoded
  char type[FsTypeSize];
};

// One line of /proc/self/mountinfo ("36 35 98:0 / /mnt/a rw shared:1 - ext4 /dev/sda1 rw").
// False when it is not such a line or a field does not fit.
bool parseMountLine(const char* line, size_t length, Mount& out);

// Whether the file system mounted at point holds path (both absolute and resolved).
bool holds(const char* point, const char* path);

// Takes the line's mount into best when it holds path and its mount point is at least as long as
// best's (found: whether best holds one yet).
void considerMount(const char* line, size_t length, const char* path, Mount& best, bool& found);

// The mount that holds path in a whole mount table: the longest mount point that holds it, the
// later of two equal ones (a mount over a mount). False when none does.
bool mountOf(const char* table, size_t length, const char* path, Mount& out);

// Whether a file system type is one that cannot lock.
bool cannotLock(const char* type);

// Where the mount table is read; tests point it at a table of their own.
extern const char* mountTablePath;

// When the file system holding folder cannot lock, its type into type and true; false when it can,
// or when it cannot be told (no mount table, as on Windows, or a folder that does not resolve).
bool unsafeFileSystem(const char* folder, char* type, size_t typeSize);

}  // namespace cli
