// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/lang_text.h"
#include <libintl.h>

const char* langText(const char* id) {
    return dgettext(LANG_FONT_DOMAIN, id);
}

const char* langConsole(const char* id) {
    return dgettext(LANG_DOMAIN, id);
}
