// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of single values in the settings file: numbers in the C locale, game modes, hall-of-fame
// names and "key = value" lines.
#include "setup/settings_values.h"
#include "file/clock.h"
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

static locale_t cLocale() {
    static locale_t c = newlocale(LC_ALL_MASK, "C", (locale_t)0);
    return c;
}

// A whole decimal number filling the text; values beyond long long come back as its limits.
int settingsParseWhole(const std::string& s, long long* v) {
    if (s.empty()) return 0;
    const char* begin = s.c_str();
    char* end = nullptr;
    errno = 0;
    *v = strtoll(begin, &end, 10);
    return end != begin && (size_t)(end - begin) == s.size();
}

int settingsParseDouble(const std::string& s, double* v) {
    if (s.empty()) return 0;
    locale_t old = uselocale(cLocale());
    const char* begin = s.c_str();
    char* end = nullptr;
    *v = strtod(begin, &end);
    uselocale(old);
    return end != begin && (size_t)(end - begin) == s.size();
}

// The shortest plain decimal that reads back as exactly t (times are below 30000: no exponents needed).
std::string settingsFormatFloat(float t) {
    char buf[64];
    locale_t old = uselocale(cLocale());
    bool exact = false;
    for (int decimals = 0; decimals <= 12 && !exact && std::fabs(t) < 1e7f; decimals++) {
        snprintf(buf, sizeof buf, "%.*f", decimals, (double)t);
        exact = strtof(buf, nullptr) == t;
    }
    if (!exact) snprintf(buf, sizeof buf, "%.9g", (double)t);
    uselocale(old);
    return buf;
}

// A game-mode string for the toolkit: [W x H][:bits][@rate], each number 1 to 5 digits.
bool settingsModeStringValid(const char* s, size_t length) {
    if (length == 0) return true;
    if (length > 31) return false;
    size_t i = 0;
    auto digits = [&]() {
        size_t start = i;
        while (i < length && s[i] >= '0' && s[i] <= '9') i++;
        return i > start && i - start <= 5;
    };
    if (s[0] >= '0' && s[0] <= '9') {
        if (!digits() || i >= length || s[i] != 'x') return false;
        i++;
        if (!digits()) return false;
    }
    if (i < length && s[i] == ':') {
        i++;
        if (!digits()) return false;
    }
    if (i < length && s[i] == '@') {
        i++;
        if (!digits()) return false;
    }
    return i == length;
}

// Decodes a name from the file: \\ and \xNN (NN not 00); anything else after a backslash stays as written.
std::string settingsUnescapeName(const std::string& value, bool* badEscape) {
    std::string out;
    *badEscape = false;
    for (size_t i = 0; i < value.size(); i++) {
        char c = value[i];
        if (c == '\\' && i + 1 < value.size() && value[i + 1] == '\\') {
            out += '\\';
            i++;
            continue;
        }
        if (c == '\\' && i + 3 < value.size() && value[i + 1] == 'x' &&
            isxdigit((unsigned char)value[i + 2]) && isxdigit((unsigned char)value[i + 3])) {
            int byte = (int)strtol(value.substr(i + 2, 2).c_str(), nullptr, 16);
            if (byte != 0) {
                out += (char)byte;
                i += 3;
                continue;
            }
        }
        if (c == '\\' || c == 0) *badEscape = true;
        if (c != 0) out += c;
    }
    return out;
}

std::string settingsEscapeName(const char* bytes, size_t length) {
    std::string out;
    for (size_t i = 0; i < length; i++) {
        unsigned char b = (unsigned char)bytes[i];
        bool edgeSpace = b == ' ' && (i == 0 || i + 1 == length);
        if (b == '\\') {
            out += "\\\\";
        } else if (b >= 0x20 && b < 0x7F && !edgeSpace) {
            out += (char)b;
        } else {
            char buf[8];
            snprintf(buf, sizeof buf, "\\x%02X", b);
            out += buf;
        }
    }
    return out;
}

// Splits a line: 0 blank or comment, 1 "key = value", -1 anything else.
int settingsSplitLine(const std::string& line, std::string* key, std::string* value) {
    auto trim = [](const std::string& s) {
        size_t b = 0, e = s.size();
        while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) b++;
        while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) e--;
        return s.substr(b, e - b);
    };
    std::string t = trim(line);
    if (t.empty() || t[0] == '#' || t[0] == ';') return 0;
    size_t eq = t.find('=');
    if (eq == std::string::npos || eq == 0) return -1;
    *key = trim(t.substr(0, eq));
    *value = trim(t.substr(eq + 1));
    return 1;
}

std::string settingsClockText(float seconds) {
    char text[32];
    formatClock(seconds, text);
    return text;
}
