// SPDX-License-Identifier: GPL-3.0-or-later
// Reading without blocking, and atomic replacement of files.
#include "file/file.h"

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <dlfcn.h>
#include <pwd.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

static const char* notRegular(mode_t mode) {
    if (S_ISDIR(mode)) return "is a folder, not a regular file";
    if (S_ISFIFO(mode)) return "is a FIFO, not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device, not a regular file";
    if (S_ISSOCK(mode)) return "is a socket, not a regular file";
    return S_ISREG(mode) ? nullptr : "is not a regular file";
}

int fileOpenRead(const char* path, const char** why) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer that never comes.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *why = errno == ENOENT ? "does not exist" : strerror(errno);
        return -1;
    }
    struct stat st;
    const char* bad = fstat(fd, &st) != 0 ? strerror(errno) : notRegular(st.st_mode);
    if (bad) {
        close(fd);
        *why = bad;
        errno = EINVAL;
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    *why = "";
    return fd;
}

FILE* fileOpenReadStream(const char* path, const char** why) {
    int fd = fileOpenRead(path, why);
    if (fd < 0) return nullptr;
    FILE* f = fdopen(fd, "rb");
    if (!f) {
        *why = strerror(errno);
        close(fd);
    }
    return f;
}

// ---- Writing.

__attribute__((format(printf, 2, 3))) static void say(FILE* report, const char* fmt, ...) {
    if (!report) return;
    va_list args;
    va_start(args, fmt);
    vfprintf(report, fmt, args);
    va_end(args);
    fputc('\n', report);
}

// Six letters or digits, as mkstemp uses.
static void randomSuffix(char out[7]) {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[6];
    if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != (ssize_t)sizeof bytes) {
        static unsigned counter;
        unsigned v = (unsigned)getpid() * 2654435761u ^ (unsigned)time(nullptr) ^ (++counter * 40503u);
        for (unsigned char& b : bytes) b = (unsigned char)(v >>= 5);
    }
    for (int i = 0; i < 6; i++) out[i] = letters[bytes[i] % 62];
    out[6] = 0;
}

// The mark of the writer's own temporaries, between ".NAME" and the six letters or digits: a name no
// person gives a file, so that cleaning up never touches a file someone made (".settings.ini.backup").
static const char tempMark[] = ".#kavernix-write#";

static std::string tempName(const std::string& base) {
    char suffix[7];
    randomSuffix(suffix);
    return "." + base + tempMark + suffix;
}

static bool isTempOf(const char* entry, const std::string& base) {
    const size_t mark = sizeof tempMark - 1, n = strlen(entry);
    if (n != 1 + base.size() + mark + 6 || entry[0] != '.' ||
        base.compare(0, base.size(), entry + 1, base.size()) != 0 ||
        strncmp(entry + 1 + base.size(), tempMark, mark) != 0)
        return false;
    for (const char* p = entry + 1 + base.size() + mark; *p; p++)
        if (!((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z') || (*p >= '0' && *p <= '9'))) return false;
    return true;
}

// Removes temporaries of base whose writer is gone. A writer holds a lock on its temporary for as
// long as the name exists, so a temporary that can be locked was left by a killed process.
static void removeStaleTemps(int dirFd, const std::string& base) {
    int scanFd = dup(dirFd);
    DIR* d = scanFd >= 0 ? fdopendir(scanFd) : nullptr;
    if (!d) {
        if (scanFd >= 0) close(scanFd);
        return;
    }
    while (const dirent* e = readdir(d)) {
        if (!isTempOf(e->d_name, base)) continue;
        int fd = openat(dirFd, e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat held, named;
        if (fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            fstatat(dirFd, e->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_ino == held.st_ino &&
            named.st_dev == held.st_dev)
            unlinkat(dirFd, e->d_name, 0);
        close(fd);
    }
    closedir(d);
}

int fileCreateLockedTemp(int dirFd, const std::string& base, std::string* name) {
    for (int tries = 0; tries < 100; tries++) {
        std::string temp = tempName(base);
        int fd = openat(dirFd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return -1;
        // Another writer's cleaning may take the name between the creation and the lock; the lock
        // counts only when the name still holds this file once it is taken, else a new name is made.
        // Held under its name, the temporary is never removed by anyone else.
        struct stat held, named;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &held) == 0 &&
            fstatat(dirFd, temp.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_ino == held.st_ino &&
            named.st_dev == held.st_dev) {
            *name = temp;
            return fd;
        }
        close(fd);
    }
    errno = EEXIST;
    return -1;
}

int fileLock(const char* path) {
    if (!path || !*path) return -1;
    const std::string lockPath = std::string(path) + ".lock";
    const size_t slash = lockPath.rfind('/');
    if (slash != std::string::npos && slash > 0) fileMakeFolders(lockPath.substr(0, slash));
    int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    while (flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            close(fd);
            return -1;
        }
    }
    return fd;
}

void fileUnlock(int fd) {
    if (fd >= 0) close(fd); // closing the last descriptor of the open file lets the lock go
}

int fileMakeFolders(const std::string& dir) {
    for (size_t i = 1; i <= dir.size(); i++) {
        if (i < dir.size() && dir[i] != '/') continue;
        if (mkdir(dir.substr(0, i).c_str(), 0700) != 0 && errno != EEXIST) return 0;
    }
    return 1;
}

static void closeWrite(FileWrite* w) {
    if (w->out) fclose(w->out);
    if (w->dirFd >= 0) close(w->dirFd);
    w->out = nullptr;
    w->dirFd = -1;
}

FILE* fileWriteBegin(FileWrite* w, const char* path, unsigned flags, FILE* report) {
    fileWriteCancel(w);
    if (!*path) return nullptr; // no place to write (the caller has said why)
    w->flags = flags;
    w->unnamed = false;
    w->shownPath = path;
    std::string target = path;
    struct stat st;
    bool exists = lstat(path, &st) == 0;
    if (exists && S_ISLNK(st.st_mode)) {
        if (!(flags & FILE_WRITE_FOLLOW)) {
            say(report, "%s: is a symbolic link; left as it is, nothing written", path);
            return nullptr;
        }
        char* real = realpath(path, nullptr);
        if (!real) {
            if (errno == ENOENT)
                say(report, "%s: is a symbolic link to a file that does not exist; nothing written", path);
            else
                say(report, "%s: is a symbolic link that cannot be followed (%s); nothing written", path,
                    strerror(errno));
            return nullptr;
        }
        target = real;
        free(real);
        exists = stat(target.c_str(), &st) == 0;
    }
    if (exists && notRegular(st.st_mode)) {
        say(report, "%s: %s; nothing written", path, notRegular(st.st_mode));
        return nullptr;
    }
    size_t slash = target.rfind('/');
    w->dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    w->base = slash == std::string::npos ? target : target.substr(slash + 1);
    if ((flags & FILE_WRITE_FOLDERS) && !fileMakeFolders(w->dir)) {
        say(report, "%s: cannot create the folder %s (%s); nothing written", path, w->dir.c_str(),
            strerror(errno));
        return nullptr;
    }
    w->dirFd = open(w->dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (w->dirFd < 0) {
        say(report, "%s: cannot open the folder %s (%s); nothing written", path, w->dir.c_str(),
            strerror(errno));
        return nullptr;
    }
    removeStaleTemps(w->dirFd, w->base);

    // An unnamed file is given its name through /proc at the end; without /proc, a named one.
    static const bool procMounted = access("/proc/self/fd", X_OK) == 0;
    int fd = procMounted ? openat(w->dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666) : -1;
    w->unnamed = fd >= 0;
    if (fd < 0) fd = fileCreateLockedTemp(w->dirFd, w->base, &w->temp);
    if (fd < 0) {
        say(report, "%s: cannot create a new file in %s (%s); nothing written", path, w->dir.c_str(),
            strerror(errno));
        closeWrite(w);
        return nullptr;
    }
    w->out = fdopen(fd, "wb");
    if (!w->out) {
        close(fd);
        fileWriteCancel(w);
        say(report, "%s: cannot write (%s); nothing written", path, strerror(errno));
        return nullptr;
    }
    // The old file's mode and owner: a save run by another user (root) must not take the file over.
    if (exists) {
        struct stat made;
        fchmod(fd, st.st_mode & 07777);
        if (fstat(fd, &made) == 0 && (made.st_uid != st.st_uid || made.st_gid != st.st_gid) &&
            fchown(fd, st.st_uid, st.st_gid) != 0) {
            int err = errno;
            fileWriteCancel(w);
            say(report, "%s: cannot keep its owner %u:%u (%s); nothing written", path, (unsigned)st.st_uid,
                (unsigned)st.st_gid, strerror(err));
            return nullptr;
        }
    }
    return w->out;
}

int fileWriteEnd(FileWrite* w, FILE* report) {
    if (!w->out) return 0;
    const char* step = "write";
    int fd = fileno(w->out);
    bool ok = fflush(w->out) == 0 && !ferror(w->out);
    if (ok && (w->flags & FILE_WRITE_SYNC)) {
        step = "sync";
        ok = fsync(fd) == 0;
    }
    if (ok && w->unnamed) {
        // A name is needed to rename over the old file; the lock keeps it while it exists.
        step = "link";
        flock(fd, LOCK_EX);
        char proc[64];
        snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
        ok = false;
        for (int tries = 0; !ok && tries < 100; tries++) {
            w->temp = tempName(w->base);
            ok = linkat(AT_FDCWD, proc, w->dirFd, w->temp.c_str(), AT_SYMLINK_FOLLOW) == 0;
            if (!ok && errno != EEXIST) break;
        }
        if (!ok) w->temp.clear();
    }
    if (ok) {
        step = "rename";
        struct stat st;
        // A link planted at the name since the start is left alone.
        if (!(w->flags & FILE_WRITE_FOLLOW) &&
            fstatat(w->dirFd, w->base.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(st.st_mode)) {
            errno = EEXIST;
            ok = false;
        } else {
            ok = renameat(w->dirFd, w->temp.c_str(), w->dirFd, w->base.c_str()) == 0;
        }
    }
    int err = errno;
    if (!ok) {
        fileWriteCancel(w);
        say(report, "%s: cannot %s the new file (%s); the old file is kept", w->shownPath.c_str(), step,
            strerror(err));
        return 0;
    }
    w->temp.clear();
    if (w->flags & FILE_WRITE_SYNC) fsync(w->dirFd); // the rename itself reaches the disk with the folder
    closeWrite(w);
    return 1;
}

void fileWriteCancel(FileWrite* w) {
    if (!w->temp.empty() && w->dirFd >= 0) unlinkat(w->dirFd, w->temp.c_str(), 0);
    w->temp.clear();
    closeWrite(w);
}

int fileWriteAll(const char* path, const void* data, size_t size, unsigned flags, FILE* report) {
    FileWrite w;
    FILE* out = fileWriteBegin(&w, path, flags, report);
    if (!out) return 0;
    if (size && fwrite(data, 1, size, out) != size) {
        int err = errno;
        fileWriteCancel(&w);
        say(report, "%s: cannot write the new file (%s); the old file is kept", path, strerror(err));
        return 0;
    }
    return fileWriteEnd(&w, report);
}

std::string fileUserFolder(int kind, FILE* report) {
    struct Kind {
        const char *variable, *underHome, *without;
    };
    static const Kind kinds[FILE_FOLDER_KINDS] = {
        {"XDG_CONFIG_HOME", "/.config", "the settings and the hall of fame are not saved"},
        {"XDG_CACHE_HOME", "/.cache", "nothing is cached"},
        {"XDG_DATA_HOME", "/.local/share", "no game data is saved"},
        {"XDG_STATE_HOME", "/.local/state", "no game state is saved"},
    };
    static bool said[FILE_FOLDER_KINDS];
    if (kind < 0 || kind >= FILE_FOLDER_KINDS) return "";
    const Kind& k = kinds[kind];
    const char* xdg = getenv(k.variable);
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/kavernix";
    const char* home = getenv("HOME");
    if (!home || !*home) {
        const struct passwd* pw = getpwuid(getuid());
        home = pw && pw->pw_dir ? pw->pw_dir : "";
    }
    if (home[0] == '/') return std::string(home) + k.underHome + "/kavernix";
    if (!said[kind])
        say(report, "kavernix: neither %s nor HOME is an absolute folder; %s", k.variable, k.without);
    said[kind] = report != nullptr || said[kind];
    return "";
}

int fileLoadLibrary(const char* soname, const FileLibraryFunction* table, int count, std::string* why) {
    void* none = nullptr;
    for (int i = 0; i < count; i++) memcpy(table[i].slot, &none, sizeof none);
    if (!dlopen(soname, RTLD_NOW | RTLD_GLOBAL)) {
        const char* reason = dlerror();
        *why = reason ? reason : soname;
        return 0;
    }
    for (int i = 0; i < count; i++) {
        void* f = dlsym(RTLD_DEFAULT, table[i].name);
        if (!f) {
            *why = std::string(soname) + ": no " + table[i].name;
            for (int k = 0; k < i; k++) memcpy(table[k].slot, &none, sizeof none);
            return 0;
        }
        memcpy(table[i].slot, &f, sizeof f);
    }
    return 1;
}
