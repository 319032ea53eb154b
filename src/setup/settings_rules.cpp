// SPDX-License-Identifier: GPL-3.0-or-later
#include "setup/settings_rules.h"
#include <libintl.h>
#include <algorithm>

const char* settingsText(const char* id) {
    return dgettext("kavernix", id);
}

int settingsItemLimit(int mazeSize) {
    int half = mazeSize / 2;
    int limit = (half * half - 1) / 4;
    return std::max(0, std::min(9, limit));
}
