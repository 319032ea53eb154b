// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/lang.h"
#include <libintl.h>
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "app/paths.h"
#include "setup/key_capture.h"
#include "setup/key_table.h"

static const char* const languageNames[LANG_COUNT] = {"auto", "en", "de"};
static int spoken = LANG_EN;
static int optionLanguage = -1; // --language of this run, -1 when not given

const char* langName(int language) {
    return language >= 0 && language < LANG_COUNT ? languageNames[language] : nullptr;
}

int langByName(const char* name) {
    for (int i = 0; i < LANG_COUNT; ++i)
        if (name && strcmp(name, languageNames[i]) == 0) return i;
    return LANG_BAD;
}

int langFromOption(const char* value, const char** why) {
    if (!value || !*value) {
        optionLanguage = -1;
        return 1;
    }
    int language = langByName(value);
    if (language == LANG_BAD) {
        static char reason[160];
        snprintf(reason, sizeof reason, langConsole("--language: '%.40s' is none of auto, en and de"), value);
        *why = reason;
        return 0;
    }
    optionLanguage = language;
    langApply(language);
    return 1;
}

// The game's language of a locale or LANGUAGE entry ("de_AT.UTF-8", "de"), or LANG_BAD.
static int languageOf(const char* entry, size_t length) {
    size_t n = strcspn(entry, "_.@:");
    if (n > length) n = length;
    if (n == 2 && strncmp(entry, "de", 2) == 0) return LANG_DE;
    if (n == 2 && strncmp(entry, "en", 2) == 0) return LANG_EN;
    return LANG_BAD;
}

int langResolve(int setting, const char* language, const char* lcAll, const char* lcMessages,
                const char* lang) {
    if (setting == LANG_EN || setting == LANG_DE) return setting;
    const char* locale = "C";
    for (const char* value : {lcAll, lcMessages, lang}) {
        if (value && *value) {
            locale = value;
            break;
        }
    }
    bool plain = strcmp(locale, "C") == 0 || strcmp(locale, "POSIX") == 0;
    if (language && *language && !plain) {
        // gettext tries LANGUAGE's entries in order and gives the English id after the last one.
        for (const char* entry = language; *entry;) {
            size_t length = strcspn(entry, ":");
            int found = languageOf(entry, length);
            if (found != LANG_BAD) return found;
            entry += length + (entry[length] == ':');
        }
        return LANG_EN;
    }
    return languageOf(locale, strlen(locale)) == LANG_DE ? LANG_DE : LANG_EN;
}

// The desktop's own LANGUAGE. The game writes its choice into LANGUAGE (for gettext), so a value
// equal to the one written last is ours, and the desktop's stays the one seen before; a value
// anybody else set since is the desktop's. Null when the desktop has none.
static std::string desktopLanguage, languageWritten;
static bool desktopHasLanguage, languageWrittenYet;

static const char* desktopLanguageNow() {
    const char* now = getenv("LANGUAGE");
    if (!languageWrittenYet || !now || languageWritten != now) {
        desktopHasLanguage = now != nullptr;
        desktopLanguage = now ? now : "";
    }
    return desktopHasLanguage ? desktopLanguage.c_str() : nullptr;
}

int langApply(int setting) {
    if (optionLanguage >= 0) setting = optionLanguage;
    spoken =
        langResolve(setting, desktopLanguageNow(), getenv("LC_ALL"), getenv("LC_MESSAGES"), getenv("LANG"));
    // gettext reads LANGUAGE only outside the C locale; C.UTF-8 is built into the C library, so the
    // choice works where no locale of the language is generated. Only the messages category changes.
    setenv("LANGUAGE", languageNames[spoken], 1);
    languageWritten = languageNames[spoken], languageWrittenYet = true;
    if (!setlocale(LC_MESSAGES, "C.UTF-8")) setlocale(LC_MESSAGES, "C.utf8");
    std::string folder = pathLocaleFolder();
    char absolute[PATH_MAX];
    if (realpath(folder.c_str(), absolute)) folder = absolute;
    bindtextdomain(LANG_DOMAIN, folder.c_str());
    bindtextdomain(LANG_FONT_DOMAIN, folder.c_str());
    bind_textdomain_codeset(LANG_DOMAIN, "UTF-8");
    bind_textdomain_codeset(LANG_FONT_DOMAIN, "ISO-8859-1");
    textdomain(LANG_DOMAIN); // also makes gettext forget the texts of the previous language
    return spoken;
}

int langSpoken() {
    return spoken;
}

static const char* fontText(const char* id) {
    return langText(id);
}

const char* langKeyName(int code) {
    return keyShownNameIn(code, fontText);
}

const char* langPadButtonName(int button) {
    return keyPadShownNameIn(button, fontText);
}
