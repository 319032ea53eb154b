// SPDX-License-Identifier: GPL-3.0-or-later
// The per-mine records file.
#include "setup/mine_records.h"
#include "file/file.h"
#include "setup/mine_code.h"
#include "setup/settings_file.h"
#include "setup/settings_values.h"
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <unistd.h>

static const size_t recordsMaxBytes = 1 << 20;
static const int recordsMaxReported = 20;

std::string recordsPath() {
    std::string folder = fileUserFolder(FILE_FOLDER_DATA, stderr);
    return folder.empty() ? folder : folder + "/records.ini";
}

std::string recordsRunPath() {
    std::string folder = fileUserFolder(FILE_FOLDER_STATE, stderr);
    return folder.empty() ? folder : folder + "/run.ini";
}

namespace {
struct Problems {
    const char* where;
    FILE* out;
    int count;
    std::string* first; // the first problem's text with its line, when not null
};
} // namespace

__attribute__((format(printf, 3, 4))) static void problem(Problems* p, int line, const char* fmt, ...) {
    p->count++;
    if (p->first && p->count == 1) {
        char text[160];
        va_list args;
        va_start(args, fmt);
        vsnprintf(text, sizeof text, fmt, args);
        va_end(args);
        *p->first = settingsText("line ") + std::to_string(line) + ": " + text;
    }
    if (!p->out || p->count > recordsMaxReported) return;
    fprintf(p->out, "%s:%d: ", p->where, line);
    va_list args;
    va_start(args, fmt);
    vfprintf(p->out, fmt, args);
    va_end(args);
    fputc('\n', p->out);
}

static locale_t cLocale() {
    static locale_t c = newlocale(LC_ALL_MASK, "C", (locale_t)0);
    return c;
}

static void emptyTable(MineTable* t, const char* code) {
    memset(t, 0, sizeof *t);
    snprintf(t->code, sizeof t->code, "%s", code);
    for (float& time : t->times) time = SETTINGS_EMPTY_TIME;
}

static std::string trimmed(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) b++;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) e--;
    return s.substr(b, e - b);
}

// "SECONDS NAME" of a place: 1 with the time and the name, else 0 with *why.
static int parsePlace(const std::string& value, float* time, std::string* name, const char** why) {
    locale_t old = uselocale(cLocale());
    char* end = nullptr;
    double t = strtod(value.c_str(), &end);
    uselocale(old);
    if (end == value.c_str() || (*end != ' ' && *end != 0)) {
        *why = settingsText("does not start with a time in seconds");
        return 0;
    }
    // Checked as the float that is kept, so that what is written reads back.
    float kept = std::isfinite(t) && std::fabs(t) < 1e30 ? float(t) : -1.0f;
    if (!(kept >= 0.01f) || kept >= SETTINGS_EMPTY_TIME) {
        *why = settingsText("has a time that is not from 0.01 to 30000 seconds");
        return 0;
    }
    bool bad = false;
    *name = settingsUnescapeName(*end ? std::string(end + 1) : std::string(), &bad);
    if (bad || name->size() > 31) {
        *why = settingsText("has a name with a bad escape or longer than 31 bytes");
        return 0;
    }
    *time = kept;
    return 1;
}

// Best first; places of equal time keep their order.
static void sortPlaces(MineTable* t) {
    int order[RECORDS_PLACES] = {0, 1, 2, 3, 4};
    std::stable_sort(order, order + RECORDS_PLACES, [t](int a, int b) { return t->times[a] < t->times[b]; });
    MineTable copy = *t;
    for (int i = 0; i < RECORDS_PLACES; i++) {
        t->times[i] = copy.times[order[i]];
        memcpy(t->names[i], copy.names[order[i]], sizeof t->names[i]);
    }
}

// One line inside a table. Returns 0 when the line is not a valid one.
static int tableLine(MineTable* t, const std::string& key, const std::string& value, const char** why) {
    if (key == "played") {
        char* end = nullptr;
        errno = 0;
        unsigned long v = strtoul(value.c_str(), &end, 10);
        if (value.empty() || value[0] < '0' || value[0] > '9' || *end || errno || v > 0xFFFFFFFFul) {
            *why = settingsText("is not a whole number from 0 to 4294967295");
            return 0;
        }
        t->played = uint32_t(v);
        return 1;
    }
    if (key.size() != 1 || key[0] < '1' || key[0] > '5') {
        *why = settingsText("is not played or a place 1 to 5");
        return 0;
    }
    float time;
    std::string name;
    if (!parsePlace(value, &time, &name, why)) return 0;
    int place = key[0] - '1';
    t->times[place] = time;
    memset(t->names[place], 0, sizeof t->names[place]);
    memcpy(t->names[place], name.data(), name.size());
    return 1;
}

static int parseRecords(const char* text, size_t length, const char* fileName, MineRecords* r, FILE* report,
                        std::string* first) {
    Problems p = {fileName, report, 0, first};
    r->count = 0;
    static MineTable tables[RECORDS_MINES * 2];
    int count = 0;
    MineTable* current = nullptr; // null: lines are skipped until the next valid header
    size_t pos = 0;
    for (int lineNo = 1; pos < length; lineNo++) {
        const char* nl = static_cast<const char*>(memchr(text + pos, '\n', length - pos));
        size_t end = nl ? size_t(nl - text) : length;
        std::string line = trimmed(std::string(text + pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            current = nullptr;
            std::string code = line.size() >= 2 && line.back() == ']' ? line.substr(1, line.size() - 2) : "";
            MineCode c;
            const char* why = settingsText("is not a table header [CODE]");
            if (code.empty() || code.size() >= 32 || !mineCodeParse(code.c_str(), &c, &why)) {
                problem(&p, lineNo, settingsText("the mine %.40s %s; its table is skipped"), line.c_str(),
                        why);
                continue;
            }
            char canonical[MINE_CODE_TEXT];
            mineCodeFormat(&c, canonical);
            bool twice = false;
            for (int i = 0; i < count; i++) twice = twice || !strcmp(tables[i].code, canonical);
            if (twice || mineCodeIsClassic(&c) || count == RECORDS_MINES * 2) {
                // TRANSLATORS: the code, then "there twice", "the classic one" or "one too many".
                problem(&p, lineNo, settingsText("the mine %s is %s; its table is skipped"), canonical,
                        twice ? settingsText("there twice")
                              : (mineCodeIsClassic(&c) ? settingsText("the classic one")
                                                       : settingsText("one too many")));
                continue;
            }
            current = &tables[count++];
            emptyTable(current, canonical);
            continue;
        }
        size_t eq = line.find('=');
        const char* why = settingsText("is not \"key = value\"");
        if (eq != std::string::npos && current &&
            tableLine(current, trimmed(line.substr(0, eq)), trimmed(line.substr(eq + 1)), &why))
            continue;
        if (current || eq == std::string::npos)
            problem(&p, lineNo, settingsText("%.40s %s; skipped"), line.c_str(), why);
    }
    std::stable_sort(tables, tables + count,
                     [](const MineTable& a, const MineTable& b) { return a.played > b.played; });
    r->count = std::min(count, int(RECORDS_MINES));
    for (int i = 0; i < r->count; i++) {
        r->tables[i] = tables[i];
        sortPlaces(&r->tables[i]);
    }
    if (report && p.count > recordsMaxReported)
        fprintf(report, settingsText("%s: %d more problems not shown\n"), fileName,
                p.count - recordsMaxReported);
    return p.count;
}

int recordsParse(const char* text, size_t length, const char* fileName, MineRecords* r, FILE* report) {
    return parseRecords(text, length, fileName, r, report, nullptr);
}

static std::string timeText(float t) {
    char buf[48];
    locale_t old = uselocale(cLocale());
    snprintf(buf, sizeof buf, "%.9g", double(t));
    uselocale(old);
    return buf;
}

std::string recordsFormat(const MineRecords* r) {
    std::string text =
        "# Kavernix: the best five of every mine but the classic one, the mine last played first.\n"
        "# A place is \"P = SECONDS NAME\" (Latin-1; \\xNN for other bytes, \\\\ for a "
        "backslash).\n";
    for (int i = 0; i < r->count; i++) {
        const MineTable& t = r->tables[i];
        text += "\n[" + std::string(t.code) + "]\nplayed = " + std::to_string(t.played) + "\n";
        for (int k = 0; k < RECORDS_PLACES; k++) {
            if (!(t.times[k] < SETTINGS_EMPTY_TIME)) continue;
            text += std::to_string(k + 1) + " = " + timeText(t.times[k]) + " " +
                    settingsEscapeName(t.names[k], strnlen(t.names[k], 31)) + "\n";
        }
    }
    return text;
}

// The file's text: 1 read, 0 missing, -1 refused, unreadable or ended early, with *why.
static int readRecordsText(const char* path, std::string* text, std::string* why) {
    const char* cause = "";
    int fd = fileOpenRead(path, &cause);
    if (fd < 0) {
        if (errno == ENOENT) return 0;
        *why = cause;
        return -1;
    }
    char buf[8192];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) { // what came before the error is not the whole file
            *why = strerror(errno);
            close(fd);
            return -1;
        }
        if (n == 0) break;
        text->append(buf, size_t(n));
        if (text->size() > recordsMaxBytes) {
            *why = settingsText("larger than 1 MB");
            close(fd);
            return -1;
        }
    }
    close(fd);
    return 1;
}

int recordsLoad(const char* path, MineRecords* r, std::string* why) {
    r->count = 0;
    std::string text;
    int got = readRecordsText(path, &text, why);
    if (got <= 0) return got;
    std::string first;
    if (parseRecords(text.data(), text.size(), path, r, nullptr, &first) == 0) return 1;
    *why = first;
    return -1;
}

int recordsRead(const char* path, MineRecords* r, FILE* report) {
    r->count = 0;
    std::string text, why;
    int got = readRecordsText(path, &text, &why);
    if (got < 0 && report)
        fprintf(report, settingsText("%s: cannot read the records (%s); none are shown\n"), path,
                why.c_str());
    if (got <= 0) return got;
    return recordsParse(text.data(), text.size(), path, r, report) == 0 ? 1 : -1;
}

void recordsSayNotStored(const char* path, const std::string& why, FILE* report) {
    if (report)
        fprintf(report,
                settingsText("%s: the records cannot be read whole (%s); the time is not stored and the "
                             "file is left as it is\n"),
                path, why.c_str());
}

int recordsStore(const char* path, MineTable* table, FILE* report, void (*step)(void* arg, int stored), void* arg) {
    static MineRecords fresh; // 200 tables: too large for the stack of a toolkit callback
    int lock = fileLock(path);
    std::string why;
    if (recordsLoad(path, &fresh, &why) < 0) {
        fileUnlock(lock);
        recordsSayNotStored(path, why, report);
        return 0;
    }
    if (step) step(arg, 0);
    MineTable* t = recordsPlay(&fresh, table->code);
    settingsMergeHall(table->names, table->times, t->names, t->times);
    memcpy(t->names, table->names, sizeof t->names);
    memcpy(t->times, table->times, sizeof t->times);
    table->played = t->played;
    int written = recordsWrite(path, &fresh, report);
    if (step) step(arg, 1);
    fileUnlock(lock);
    return written;
}

int recordsWrite(const char* path, const MineRecords* r, FILE* report) {
    std::string text = recordsFormat(r);
    return fileWriteAll(path, text.data(), text.size(), FILE_WRITE_SYNC | FILE_WRITE_FOLDERS, report);
}

MineTable* recordsFind(MineRecords* r, const char* code) {
    for (int i = 0; i < r->count; i++)
        if (!strcmp(r->tables[i].code, code)) return &r->tables[i];
    return nullptr;
}

MineTable* recordsPlay(MineRecords* r, const char* code) {
    uint32_t latest = 0;
    for (int i = 0; i < r->count; i++) latest = std::max(latest, r->tables[i].played);
    MineTable* t = recordsFind(r, code);
    MineTable keep;
    if (t) {
        keep = *t;
        memmove(r->tables + 1, r->tables, sizeof(MineTable) * size_t(t - r->tables));
    } else {
        emptyTable(&keep, code);
        if (r->count < RECORDS_MINES) r->count++;
        memmove(r->tables + 1, r->tables, sizeof(MineTable) * size_t(r->count - 1));
    }
    if (latest == UINT32_MAX) { // renumbered in the same order before the count runs over
        for (int i = 1; i < r->count; i++) r->tables[i].played = uint32_t(r->count - i);
        latest = uint32_t(r->count - 1);
    }
    keep.played = latest + 1;
    r->tables[0] = keep;
    return &r->tables[0];
}
