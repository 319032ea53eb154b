// SPDX-License-Identifier: GPL-3.0-or-later
// Files the game and its settings library read and write. Every write of either goes through
// fileWriteBegin/fileWriteEnd (or fileWriteAll): the new content goes to a file without a name, or
// a hidden temporary ".NAME.#kavernix-write#XXXXXX", in the target's folder and takes the target's
// name in one rename, so a reader sees the old file or the new one, never a part. Temporaries left
// by a writer that was killed are removed by the next write to the same name; only names with that
// mark are ever removed, and only when no writer holds them.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

// Opens path for reading without ever waiting: a FIFO, device, socket or folder is refused at once.
// Returns the descriptor, or -1 with *why saying why ("does not exist", "is a FIFO, not a regular
// file", or the system's text). errno is ENOENT exactly when nothing is there.
int fileOpenRead(const char* path, const char** why);
// The same as a stdio stream opened "rb"; null with *why on refusal.
FILE* fileOpenReadStream(const char* path, const char** why);

enum {
    // A symbolic link at the name is followed and the file it points to is replaced (the settings);
    // without it a link is refused and left as it is (the game's own files).
    FILE_WRITE_FOLLOW = 1,
    FILE_WRITE_SYNC = 2,    // the data and the rename reach the disk before the write counts as done
    FILE_WRITE_FOLDERS = 4, // missing folders on the way are created (0700)
};

struct FileWrite;
void fileWriteCancel(FileWrite* w);

// One write in progress, between fileWriteBegin and fileWriteEnd or fileWriteCancel; a write never
// ended is cancelled when the record goes out of scope.
struct FileWrite {
    FileWrite() = default;
    FileWrite(const FileWrite&) = delete;
    FileWrite& operator=(const FileWrite&) = delete;
    ~FileWrite() { fileWriteCancel(this); }
    FILE* out = nullptr;
    int dirFd = -1;
    unsigned flags = 0;
    bool unnamed = false;  // the new file has no name until fileWriteEnd links it
    std::string shownPath; // the name messages give
    std::string dir, base; // the folder and name that are replaced (a followed link's target)
    std::string temp;      // the temporary's name in dir; empty while unnamed
};

// Starts replacing path. Refuses (null, one line on report, nothing touched) when what is at the
// name is not a regular file: a folder, FIFO, device, a symbolic link without FILE_WRITE_FOLLOW, or
// a link to nothing; an empty path is refused silently. The new file gets the old one's mode and
// owner. Returns the stream to write to.
FILE* fileWriteBegin(FileWrite* w, const char* path, unsigned flags, FILE* report);
// Puts the new file in place of the old one. Returns 1, or 0 with one line on report when writing
// or renaming failed; the old file is then whole and no temporary is left.
int fileWriteEnd(FileWrite* w, FILE* report);
// Drops the new file: the old one stays as it was.
void fileWriteCancel(FileWrite* w);
// The named temporary used where the system makes no file without a name: a new hidden file of
// base in the folder dirFd, locked against the cleaning of other writers from the moment it holds
// its name (*name). Returns the descriptor, or -1 with errno set.
int fileCreateLockedTemp(int dirFd, const std::string& base, std::string* name);
// A whole write in one call: 1 written, 0 refused or failed (one line on report).
int fileWriteAll(const char* path, const void* data, size_t size, unsigned flags, FILE* report);

// The lock of a file that several games may change at once: "NAME.lock" beside it (never the file
// itself, which the atomic write replaces: a game waiting on the old file would read the old text).
// Waits until this process holds it alone; the folders on the way are made. Returns the descriptor to
// give to fileUnlock, or -1 when the lock file cannot be made (the caller goes on without it).
int fileLock(const char* path);
void fileUnlock(int fd);

// Creates every missing folder of dir, each 0700 (as for a user's own files); 0 with errno set when
// one cannot be made. A part that exists already is passed over, whatever it is.
int fileMakeFolders(const std::string& dir);

// The game's own folders under the user's home, one rule for all: $XDG_CONFIG_HOME, $XDG_CACHE_HOME,
// $XDG_DATA_HOME or $XDG_STATE_HOME plus "/kavernix" when that variable names an absolute path, else
// the home folder ($HOME, or the password entry without it) plus ".config", ".cache", ".local/share"
// or ".local/state" and "/kavernix" when the home folder is absolute. Never the current folder.
enum { FILE_FOLDER_CONFIG, FILE_FOLDER_CACHE, FILE_FOLDER_DATA, FILE_FOLDER_STATE, FILE_FOLDER_KINDS };
// The folder of a kind (not made here), or "" when there is none: nothing of that kind is then
// written, which the first such call of the process says in one line on report.
std::string fileUserFolder(int kind, FILE* report);

// A function of a shared library that is opened only when first needed: its name, and the pointer
// (of the function's type) that receives it.
struct FileLibraryFunction {
    const char* name;
    void* slot;
};
// Opens the library by its soname (such as "libopenal.so.1") for the whole process and fills every
// slot of the table, each looked up as the linker would bind it (a preloaded library may stand in).
// Returns 1, or 0 with *why (the loader's reason) when the library or one of its functions is
// missing; the slots are then all null.
int fileLoadLibrary(const char* soname, const FileLibraryFunction* table, int count, std::string* why);
