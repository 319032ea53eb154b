// SPDX-License-Identifier: GPL-3.0-or-later
// The settings dialog: every setting with only valid choices, the hall of fame, Play or Continue.
// Each input widget is named after its settings key (gtk_widget_set_name), the dialog "kavernixSettings".
#include "setup/setup_dialog.h"
#include "setup/key_capture.h"
#include "setup/key_table.h"
#include "setup/mine_code.h"
#include "setup/mine_records.h"
#include "setup/settings_file.h"
#include "setup/settings_values.h"
#include <gtk/gtk.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

enum { FIELD_CHECK, FIELD_COMBO, FIELD_SPIN };
enum { DIALOG_CONTINUE_SAVED = 2 }; // the response of "Continue saved game"

// Marks a text for the catalogue; the dialog looks it up where it shows it (settingsText).
#define N_(text) text
// The texts of the mines, saved runs and their tables, in one place (looked up where shown).
static const struct {
    const char* mine;
    const char* mineHelp;
    const char* continueSaved;
    const char* dailyMine;
    const char* lastMine;
} dialogTexts = {
    N_("Mine"),
    // TRANSLATORS: classic, new and daily as the mine's list shows them.
    N_("classic: the mine of the stored hall of fame; new: a fresh mine each start; daily: the mine of the "
       "day (UTC), the same for everybody; or a mine code such as 16-5-3-K7QX2MD"),
    N_("Continue _saved game"),
    N_("Mine of the day"),
    N_("Last mine"),
};
// The mine's words as the list shows them; the setting keeps the English word (a typed word or code
// stays as typed).
static const struct {
    const char* word;
    const char* shown;
} mineChoices[] = {
    // TRANSLATORS: the mine's list on the Game page; the words the setting and --mine take are
    // classic, new and daily whatever the list shows.
    {"classic", N_("classic")},
    {"new", N_("new")},
    {"daily", N_("daily")},
};
enum { PAGE_DISPLAY, PAGE_GAME, PAGE_KEYS, PAGES };

struct DialogField {
    const char* key;
    const char* label;
    int type;
    int page;
    const char* const* choices; // combo texts, one per value from 0
};

static const char* const shadeChoices[] = {N_("Wireframe"), N_("Flat"), N_("Smooth"), nullptr};
static const char* const textureChoices[] = {N_("Off"), N_("Textures"), N_("Textures with mipmaps"), nullptr};
static const char* const sourceChoices[] = {N_("Definitions (build and refine)"), N_("Text files"),
                                            N_("Binary files"), nullptr};

static const char* const lampChoices[] = {N_("Plain"), N_("Brighter"), N_("Brightest"), nullptr};
static const char* const routeChoices[] = {N_("Hold: they walk while held"),
                                           N_("Tap: a press starts, the next stops"), nullptr};

// Each language by its own name; only the first follows the dialog's language.
static const char* const languageChoices[] = {N_("Automatic (the desktop's language)"), "English", "Deutsch",
                                              nullptr};

static const DialogField dialogFields[] = {
    {"shadeMode", N_("Shading"), FIELD_COMBO, PAGE_DISPLAY, shadeChoices},
    {"textureMode", N_("Textures"), FIELD_COMBO, PAGE_DISPLAY, textureChoices},
    {"fieldOfView", N_("Field of view (degrees)"), FIELD_SPIN, PAGE_DISPLAY, nullptr},
    {"lodLevel", N_("Model detail (0 coarse to 3 fine)"), FIELD_SPIN, PAGE_DISPLAY, nullptr},
    {"distanceLod", N_("Less detail for far models"), FIELD_CHECK, PAGE_DISPLAY, nullptr},
    {"useDisplayLists", N_("Draw through display lists"), FIELD_CHECK, PAGE_DISPLAY, nullptr},
    {"modelSource", N_("Models from"), FIELD_COMBO, PAGE_DISPLAY, sourceChoices},
    {"splitQuads", N_("Cut model faces into triangles"), FIELD_CHECK, PAGE_DISPLAY, nullptr},
    {"pictureCache", N_("Keep scaled pictures as files"), FIELD_CHECK, PAGE_DISPLAY, nullptr},
    {"gothicFont", N_("Blackletter font"), FIELD_CHECK, PAGE_DISPLAY, nullptr},
    {"soundVolume", N_("Sound volume (0 silent to 10)"), FIELD_SPIN, PAGE_DISPLAY, nullptr},
    {"invertMouse", N_("Invert the mouse (forward looks down)"), FIELD_CHECK, PAGE_DISPLAY, nullptr},
    {"lampBrightness", N_("Lamp light"), FIELD_COMBO, PAGE_DISPLAY, lampChoices},
    {"mapSymbols", N_("Map symbols (you as an arrow, the horse and the exit by shape)"), FIELD_CHECK,
     PAGE_DISPLAY, nullptr},
    {"captions", N_("Captions for the sounds"), FIELD_CHECK, PAGE_DISPLAY, nullptr},
    {"mazeSize", N_("Maze size"), FIELD_SPIN, PAGE_GAME, nullptr},
    {"itemsPerKind", N_("Items of each kind"), FIELD_SPIN, PAGE_GAME, nullptr},
    {"diamondsNeeded", N_("Diamonds needed for the exit"), FIELD_SPIN, PAGE_GAME, nullptr},
    {"fullLevel", N_("Full oil and straw stock"), FIELD_SPIN, PAGE_GAME, nullptr},
    {"strawDistance", N_("Horse walk per straw bale"), FIELD_SPIN, PAGE_GAME, nullptr},
    {"oilSeconds", N_("Seconds per oil can"), FIELD_SPIN, PAGE_GAME, nullptr},
    {"routeKeys", N_("Page Up, Page Down, Home"), FIELD_COMBO, PAGE_GAME, routeChoices},
    {"gameSpeed", N_("Game pace (percent; below 100 no hall of fame)"), FIELD_SPIN, PAGE_GAME, nullptr},
    {"ghost", N_("Ghost of the best run"), FIELD_CHECK, PAGE_GAME, nullptr},
    {"mouseSpeed", N_("Mouse speed"), FIELD_SPIN, PAGE_GAME, nullptr},
    {"skipStory", N_("Skip the story"), FIELD_CHECK, PAGE_GAME, nullptr},
    {"running", N_("Clocks run from the start (off: start paused)"), FIELD_CHECK, PAGE_GAME, nullptr},
    {"language", N_("Language"), FIELD_COMBO, PAGE_GAME, languageChoices},
    {"padDeadZone", N_("Pad sticks' dead zone (percent)"), FIELD_SPIN, PAGE_KEYS, nullptr},
    {"padLookSpeed", N_("Pad look speed"), FIELD_SPIN, PAGE_KEYS, nullptr},
    {"padRumble", N_("Pad rumbles on hits and pick-ups"), FIELD_CHECK, PAGE_KEYS, nullptr},
};
enum { FIELD_COUNT = sizeof(dialogFields) / sizeof(dialogFields[0]) };

static const char* const windowSizes[] = {"640x480",   "800x600",   "1024x768",  "1280x720", "1280x800",
                                          "1280x1024", "1366x768",  "1440x900",  "1600x900", "1680x1050",
                                          "1920x1080", "1920x1200", "2560x1440", nullptr};
static const char* const gameModes[] = {"640x480:32",   "800x600:32",  "1024x768:32", "1280x720:32",
                                        "1280x1024:32", "1366x768:32", "1600x900:32", "1920x1080:32",
                                        "2560x1440:32", nullptr};

struct DialogWidgets {
    GtkWidget* field[FIELD_COUNT];
    GtkWidget* modeWindow;
    GtkWidget* modeFull;
    GtkWidget* modeGame;
    GtkWidget* gameMode;
    GtkWidget* windowSize;
    GtkWidget* showDialog;
    GtkWidget* mine;
    GtkWidget* keys[KEY_BOUND_COUNT]; // a button per action and switch showing its key; a click waits
    GtkWidget* padButtons[ACTION_COUNT];
    GtkWidget* keyMessage; // "Press a key for ...", or why a pressed key was refused
    int32_t keyCodes[KEY_BOUND_COUNT];
    int capturing; // the action waiting for its key, -1 none
};

// 0 not tried yet, 1 ready, -1 failed.
static int gtkState;

int setupDialogAvailable() {
    const char* x11 = getenv("DISPLAY");
    const char* wayland = getenv("WAYLAND_DISPLAY");
    if ((!x11 || !*x11) && (!wayland || !*wayland)) return 0;
    if (gtkState == 0) {
        // The game reads numbers with the C library; a decimal comma from the user's locale would break it.
        gtk_disable_setlocale();
        gtkState = gtk_init_check(nullptr, nullptr) ? 1 : -1;
    }
    return gtkState == 1;
}

// Hall-of-fame names are Latin-1 bytes typed in the game; GTK wants UTF-8. Control bytes show as U+FFFD.
static std::string latin1ToUtf8(const char* bytes, size_t length) {
    std::string out;
    for (size_t i = 0; i < length && bytes[i]; i++) {
        unsigned char b = (unsigned char)bytes[i];
        if (b < 0x20 || (b >= 0x7F && b < 0xA0)) {
            out += "\xEF\xBF\xBD";
        } else if (b < 0x80) {
            out += (char)b;
        } else {
            out += (char)(0xC0 | (b >> 6));
            out += (char)(0x80 | (b & 0x3F));
        }
    }
    return out;
}

static GtkWidget* labelLeft(const char* text) {
    GtkWidget* label = gtk_label_new(text);
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    return label;
}

// A combo of size texts with "WxH" ids; the current value is added when it is not one of the list.
static GtkWidget* sizeCombo(const char* name, const char* const* choices, const char* current) {
    GtkWidget* combo = gtk_combo_box_text_new();
    gtk_widget_set_name(combo, name);
    bool listed = false;
    for (int i = 0; choices[i]; i++) {
        gtk_combo_box_text_append(GTK_COMBO_BOX_TEXT(combo), choices[i], choices[i]);
        if (strcmp(choices[i], current) == 0) listed = true;
    }
    if (!listed && *current) gtk_combo_box_text_append(GTK_COMBO_BOX_TEXT(combo), current, current);
    if (!gtk_combo_box_set_active_id(GTK_COMBO_BOX(combo), current))
        gtk_combo_box_set_active(GTK_COMBO_BOX(combo), 0);
    return combo;
}

static GtkWidget* fieldWidget(const DialogField& d, const SettingsFile* values) {
    int value = settingsGetInt(values, d.key);
    int lo = 0, hi = 1;
    settingsIntRange(d.key, &lo, &hi);
    GtkWidget* w = nullptr;
    if (d.type == FIELD_CHECK) {
        w = gtk_check_button_new_with_label(settingsText(d.label));
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w), value != 0);
    } else if (d.type == FIELD_COMBO) {
        w = gtk_combo_box_text_new();
        for (int i = 0; d.choices[i]; i++)
            gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(w), settingsText(d.choices[i]));
        gtk_combo_box_set_active(GTK_COMBO_BOX(w), value);
    } else {
        bool even = strcmp(d.key, "mazeSize") == 0;
        w = gtk_spin_button_new_with_range(lo, hi, even ? 2 : 1);
        gtk_spin_button_set_digits(GTK_SPIN_BUTTON(w), 0);
        gtk_spin_button_set_numeric(GTK_SPIN_BUTTON(w), TRUE);
        // Typed odd sizes snap to the even ones, counted from the smallest size 4.
        gtk_spin_button_set_snap_to_ticks(GTK_SPIN_BUTTON(w), even);
        gtk_spin_button_set_update_policy(GTK_SPIN_BUTTON(w), GTK_UPDATE_IF_VALID);
        gtk_spin_button_set_value(GTK_SPIN_BUTTON(w), value);
        gtk_entry_set_activates_default(GTK_ENTRY(w), TRUE);
    }
    gtk_widget_set_name(w, d.key);
    return w;
}

static int fieldValue(const DialogField& d, GtkWidget* w) {
    if (d.type == FIELD_CHECK) return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w)) ? 1 : 0;
    if (d.type == FIELD_COMBO) return gtk_combo_box_get_active(GTK_COMBO_BOX(w));
    gtk_spin_button_update(GTK_SPIN_BUTTON(w));
    return gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(w));
}

static GtkWidget* findField(DialogWidgets* w, const char* key) {
    for (int i = 0; i < FIELD_COUNT; i++)
        if (strcmp(dialogFields[i].key, key) == 0) return w->field[i];
    return nullptr;
}

// A smaller maze holds fewer items, and the exit needs no more diamonds than were placed.
static void onItemsChanged(GtkSpinButton* items, gpointer data) {
    GtkWidget* diamonds = findField((DialogWidgets*)data, "diamondsNeeded");
    gtk_spin_button_set_range(GTK_SPIN_BUTTON(diamonds), 0, gtk_spin_button_get_value_as_int(items));
}

static void onMazeSizeChanged(GtkSpinButton* size, gpointer data) {
    GtkWidget* items = findField((DialogWidgets*)data, "itemsPerKind");
    gtk_spin_button_set_range(GTK_SPIN_BUTTON(items), 0,
                              settingsItemLimit(gtk_spin_button_get_value_as_int(size)));
}

static void onModeToggled(GtkToggleButton*, gpointer data) {
    DialogWidgets* w = (DialogWidgets*)data;
    gtk_widget_set_sensitive(w->gameMode, gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w->modeGame)));
}

static GtkWidget* newGrid() {
    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(grid), 6);
    gtk_grid_set_column_spacing(GTK_GRID(grid), 12);
    gtk_container_set_border_width(GTK_CONTAINER(grid), 12);
    return grid;
}

static void addDisplayMode(GtkWidget* grid, int* row, DialogWidgets* w, const SettingsFile* values) {
    const SettingsRecord& r = values->record;
    gtk_grid_attach(GTK_GRID(grid), labelLeft(settingsText("Display")), 0, (*row)++, 1, 1);
    w->modeWindow = gtk_radio_button_new_with_label(nullptr, settingsText("Window"));
    w->modeFull = gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(w->modeWindow),
                                                              settingsText("Full screen"));
    w->modeGame = gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(w->modeWindow),
                                                              settingsText("Game mode"));
    gtk_widget_set_name(w->modeWindow, "modeWindow");
    gtk_widget_set_name(w->modeFull, "fullScreen");
    gtk_widget_set_name(w->modeGame, "modeGame");
    w->gameMode =
        sizeCombo("gameModeString", gameModes, r.gameModeString[0] ? r.gameModeString : "1024x768:32");
    GtkWidget* active = r.gameModeString[0] ? w->modeGame : (r.fullScreen ? w->modeFull : w->modeWindow);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(active), TRUE);
    gtk_grid_attach(GTK_GRID(grid), w->modeWindow, 1, *row - 1, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), w->modeFull, 1, (*row)++, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), w->modeGame, 1, *row, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), w->gameMode, 2, (*row)++, 1, 1);
    g_signal_connect(w->modeGame, "toggled", G_CALLBACK(onModeToggled), w);
    onModeToggled(nullptr, w);

    char current[32];
    snprintf(current, sizeof current, "%dx%d", (int)r.windowWidth, (int)r.windowHeight);
    w->windowSize = sizeCombo("windowSize", windowSizes, current);
    gtk_grid_attach(GTK_GRID(grid), labelLeft(settingsText("Window size")), 0, *row, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), w->windowSize, 1, (*row)++, 1, 1);
}

// The actions in two columns, a heading and the rendering switches four to a row in a grid of their
// own, the W A S D button beside the message, the note; the pad's own settings below. The page stays
// no taller than the Display page.
enum {
    KEY_ROWS = (ACTION_COUNT + 1) / 2,
    SWITCH_HEADING_ROW = KEY_ROWS,
    SWITCHES_ROW = SWITCH_HEADING_ROW + 1,
    SWITCH_COLUMNS = 4,
    WASD_ROW = SWITCHES_ROW + 1,
    KEYS_PAGE_ROWS = WASD_ROW + 2
};

// The pad buttons by SDL's names, "none" first.
static GtkWidget* padCombo(int action, int current) {
    GtkWidget* combo = gtk_combo_box_text_new();
    gtk_widget_set_name(combo, padActions[action].setting);
    for (int b = PAD_NONE; b < PAD_INPUTS; b++)
        gtk_combo_box_text_append(GTK_COMBO_BOX_TEXT(combo), keyPadButtonName(b), keyPadShownName(b));
    const char* name = keyPadButtonName(current);
    gtk_combo_box_set_active_id(GTK_COMBO_BOX(combo),
                                name ? name : keyPadButtonName(padActions[action].defaultButton));
    return combo;
}

// The action's or the switch's text with a capital: "Walk forward", "Shading".
static std::string actionTitle(int action) {
    return keyBoundTitle(action);
}

static void showKey(DialogWidgets* w, int action) {
    gtk_button_set_label(GTK_BUTTON(w->keys[action]), keyShownName(w->keyCodes[action]));
}

static void onKeyButton(GtkButton* button, gpointer data) {
    DialogWidgets* w = (DialogWidgets*)data;
    if (w->capturing >= 0) showKey(w, w->capturing);
    for (int i = 0; i < KEY_BOUND_COUNT; i++)
        if (w->keys[i] == GTK_WIDGET(button)) w->capturing = i;
    gtk_button_set_label(button, "\u2026");
    char* text = g_strdup_printf(settingsText("Press a key for %s (Escape cancels)."),
                                 actionTitle(w->capturing).c_str());
    gtk_label_set_text(GTK_LABEL(w->keyMessage), text);
    g_free(text);
}

// While an action waits for its key, the next key press is its key, or says why it cannot be; either
// way the wait ends. Modifiers alone are passed by, and nothing else sees the press (Enter would play).
static gboolean onDialogKey(GtkWidget*, GdkEventKey* event, gpointer data) {
    DialogWidgets* w = (DialogWidgets*)data;
    int action = w->capturing;
    if (action < 0) return FALSE;
    if (keyIsModifier(event->keyval)) return TRUE;
    w->capturing = -1;
    int code = keyFromKeyval(event->keyval);
    std::string said;
    if (code == 27) {
        said = settingsText("Cancelled.");
    } else if (const char* reason = keyRefusal(w->keyCodes, action, code)) {
        said = reason;
    } else {
        w->keyCodes[action] = code;
    }
    showKey(w, action);
    if (!said.empty()) {
        char* keeps = g_strdup_printf(settingsText("%s keeps %s."), actionTitle(action).c_str(),
                                      keyShownName(w->keyCodes[action]));
        said += std::string(" ") + keeps;
        g_free(keeps);
    }
    gtk_label_set_text(GTK_LABEL(w->keyMessage), said.c_str());
    return TRUE;
}

// A combo's text ends a few pixels from its drop-down arrow in the default theme: give it room.
static void giveCombosRoom() {
    static GtkCssProvider* css;
    if (css) return;
    css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, "combobox button.combo arrow { margin-left: 12px; }", -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

// The W A S D layout in one click: the walking keys become w, a, s, d, and what held one of them
// moves to a free key, which the message says.
static void onWasd(GtkButton*, gpointer data) {
    DialogWidgets* w = (DialogWidgets*)data;
    if (w->capturing >= 0) showKey(w, w->capturing);
    w->capturing = -1;
    char said[512];
    keyWasdLayout(w->keyCodes, said, sizeof said);
    for (int i = 0; i < KEY_BOUND_COUNT; i++) showKey(w, i);
    gtk_label_set_text(GTK_LABEL(w->keyMessage), said);
}

// A key button for an action or a switch, named after its settings key, with its title (wrapped at
// `wrap` characters) beside it.
static void addKeyButton(GtkWidget* grid, DialogWidgets* w, int i, int code, int column, int row, int wrap) {
    w->keyCodes[i] = keyName(code) ? code : keyActions[i].defaultKey;
    w->keys[i] = gtk_button_new_with_label("");
    gtk_widget_set_name(w->keys[i], keyActions[i].setting);
    showKey(w, i);
    g_signal_connect(w->keys[i], "clicked", G_CALLBACK(onKeyButton), w);
    // Long texts take two lines, so both columns fit a 1024 pixel wide screen.
    GtkWidget* label = labelLeft(actionTitle(i).c_str());
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_width_chars(GTK_LABEL(label), wrap - 2);
    gtk_label_set_max_width_chars(GTK_LABEL(label), wrap);
    gtk_grid_attach(GTK_GRID(grid), label, column, row, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), w->keys[i], column + 1, row, 1, 1);
}

// A key button and a choice of pad button per action, then a key button per rendering switch, named
// after their settings keys; a button given twice is refused on Play. The pad's own settings follow
// (fields of PAGE_KEYS).
static GtkWidget* keysPage(DialogWidgets* w, const SettingsFile* values) {
    GtkWidget* grid = newGrid();
    giveCombosRoom();
    w->capturing = -1;
    int32_t bound[KEY_BOUND_COUNT];
    keyGather(&values->record, bound);
    for (int i = 0; i < ACTION_COUNT; i++) {
        // Two columns of actions keep the page no taller than the others.
        int row = i % KEY_ROWS, column = 3 * (i / KEY_ROWS);
        addKeyButton(grid, w, i, bound[i], column, row, 24);
        w->padButtons[i] = padCombo(i, values->record.padButtons[i]);
        gtk_grid_attach(GTK_GRID(grid), w->padButtons[i], column + 2, row, 1, 1);
    }
    GtkWidget* heading = labelLeft(settingsText("Rendering switches"));
    gtk_widget_set_margin_top(heading, 6);
    gtk_grid_attach(GTK_GRID(grid), heading, 0, SWITCH_HEADING_ROW, 6, 1);
    GtkWidget* switches = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(switches), 6);
    gtk_grid_set_column_spacing(GTK_GRID(switches), 12);
    for (int s = 0; s < KEY_SWITCH_COUNT; s++)
        addKeyButton(switches, w, ACTION_COUNT + s, bound[ACTION_COUNT + s], 2 * (s % SWITCH_COLUMNS),
                     s / SWITCH_COLUMNS, 16);
    gtk_grid_attach(GTK_GRID(grid), switches, 0, SWITCHES_ROW, 6, 1);
    GtkWidget* wasd = gtk_button_new_with_label(settingsText("The W A S D layout"));
    gtk_widget_set_name(wasd, "wasdLayout");
    g_signal_connect(wasd, "clicked", G_CALLBACK(onWasd), w);
    gtk_grid_attach(GTK_GRID(grid), wasd, 0, WASD_ROW, 1, 1);
    w->keyMessage = labelLeft("");
    gtk_label_set_line_wrap(GTK_LABEL(w->keyMessage), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(w->keyMessage), 100);
    gtk_widget_set_name(w->keyMessage, "keyMessage");
    gtk_grid_attach(GTK_GRID(grid), w->keyMessage, 1, WASD_ROW, 5, 1);
    gtk_grid_attach(GTK_GRID(grid),
                    labelLeft(settingsText("Escape keeps its key, and the arrow keys walk beside the walking "
                                           "keys. The pad's left stick walks, its right stick looks.")),
                    0, WASD_ROW + 1, 6, 1);
    return grid;
}

// Five places from *row on; widget names are prefix + "Name1", prefix + "Time1", ...
static void addHallTable(GtkWidget* grid, int* row, const char* prefix, const char (*names)[32],
                         const float* times) {
    for (int i = 0; i < 5; i++, (*row)++) {
        char place[8], key[48];
        snprintf(place, sizeof place, "%d.", i + 1);
        float t = times[i];
        bool empty = !(t < SETTINGS_EMPTY_TIME);
        std::string name = latin1ToUtf8(names[i], 31);
        GtkWidget* nameLabel = labelLeft(empty ? "" : name.c_str());
        GtkWidget* timeLabel = labelLeft(empty ? "-" : settingsClockText(t).c_str());
        snprintf(key, sizeof key, "%sName%d", prefix, i + 1);
        gtk_widget_set_name(nameLabel, key);
        snprintf(key, sizeof key, "%sTime%d", prefix, i + 1);
        gtk_widget_set_name(timeLabel, key);
        gtk_grid_attach(GTK_GRID(grid), labelLeft(place), 0, *row, 1, 1);
        gtk_grid_attach(GTK_GRID(grid), nameLabel, 1, *row, 1, 1);
        gtk_grid_attach(GTK_GRID(grid), timeLabel, 2, *row, 1, 1);
    }
}

// A heading with the mine's code above its table.
static void addMineTable(GtkWidget* grid, int* row, const char* title, const char* prefix,
                         const MineTable* t) {
    std::string heading = std::string(title) + " " + t->code;
    GtkWidget* label = labelLeft(heading.c_str());
    gtk_widget_set_name(label, (std::string(prefix) + "Code").c_str());
    gtk_widget_set_margin_top(label, 12);
    gtk_grid_attach(GTK_GRID(grid), label, 0, (*row)++, 3, 1);
    addHallTable(grid, row, prefix, t->names, t->times);
}

// The classic mine's hall of fame, then the mine of the day's and the last mine's tables.
static GtkWidget* hallPage(const SettingsFile* values) {
    GtkWidget* grid = newGrid();
    // Headings over the columns; the time stands right beside its name.
    const char* const headings[3] = {N_("Place"), N_("Name"), N_("Time")};
    for (int c = 0; c < 3; c++) {
        GtkWidget* heading = labelLeft("");
        char* markup = g_markup_printf_escaped("<b>%s</b>", settingsText(headings[c]));
        gtk_label_set_markup(GTK_LABEL(heading), markup);
        g_free(markup);
        gtk_grid_attach(GTK_GRID(grid), heading, c, 0, 1, 1);
    }
    gtk_grid_set_column_spacing(GTK_GRID(grid), 24);
    int row = 1;
    // The stored hall of fame is the classic mine's, of the size the settings ask for.
    char classic[96];
    snprintf(classic, sizeof classic, settingsText(N_("Classic mine, size %d")), values->record.mazeSize);
    GtkWidget* classicLabel = labelLeft(classic);
    gtk_widget_set_name(classicLabel, "hallMine");
    gtk_grid_attach(GTK_GRID(grid), classicLabel, 0, row++, 3, 1);
    addHallTable(grid, &row, "hall", values->record.hallNames, values->record.hallTimes);
    static MineRecords records;
    recordsRead(recordsPath().c_str(), &records, nullptr);
    MineCode today = mineCodeToday();
    MineTable daily = {};
    mineCodeFormat(&today, daily.code);
    for (float& t : daily.times) t = SETTINGS_EMPTY_TIME;
    if (const MineTable* kept = recordsFind(&records, daily.code)) daily = *kept;
    addMineTable(grid, &row, settingsText(dialogTexts.dailyMine), "daily", &daily);
    if (records.count > 0 && strcmp(records.tables[0].code, daily.code) != 0)
        addMineTable(grid, &row, settingsText(dialogTexts.lastMine), "last", &records.tables[0]);
    return grid;
}

// The list's text of the setting's word; a code stays as it is.
static const char* mineShown(const char* word) {
    for (const auto& c : mineChoices)
        if (!strcmp(word, c.word)) return settingsText(c.shown);
    return word;
}

// The setting's word of the list's text (or of the word itself); anything else stays as typed.
static const char* mineWord(const char* shown) {
    for (const auto& c : mineChoices)
        if (!strcmp(shown, settingsText(c.shown))) return c.word;
    return shown;
}

// The mine: a list of the three words, or a code typed in its entry.
static void addMineChoice(GtkWidget* grid, int* row, DialogWidgets* w, const SettingsFile* values) {
    w->mine = gtk_combo_box_text_new_with_entry();
    gtk_widget_set_name(w->mine, "mine");
    for (const auto& c : mineChoices)
        gtk_combo_box_text_append(GTK_COMBO_BOX_TEXT(w->mine), c.word, settingsText(c.shown));
    GtkWidget* entry = gtk_bin_get_child(GTK_BIN(w->mine));
    gtk_entry_set_text(GTK_ENTRY(entry), mineShown(values->record.mine));
    gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
    gtk_widget_set_tooltip_text(w->mine, settingsText(dialogTexts.mineHelp));
    // First on its page: it decides what the numbers below are for a code or the mine of the day.
    gtk_grid_insert_row(GTK_GRID(grid), 0);
    gtk_grid_attach(GTK_GRID(grid), labelLeft(settingsText(dialogTexts.mine)), 0, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), w->mine, 1, 0, 1, 1);
    (*row)++;
}

static GtkWidget* buildDialog(int inGame, DialogWidgets* w, const SettingsFile* values) {
    GtkWidget* dialog = gtk_dialog_new_with_buttons(
        settingsText("Kavernix settings"), nullptr, GTK_DIALOG_MODAL, settingsText("_Cancel"),
        GTK_RESPONSE_CANCEL, inGame ? settingsText("C_ontinue") : settingsText("_Play"), GTK_RESPONSE_OK,
        nullptr);
    gtk_widget_set_name(dialog, "kavernixSettings");
    g_signal_connect(dialog, "key-press-event", G_CALLBACK(onDialogKey), w);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    // In the game the dialog must come up above a full-screen GL window.
    gtk_window_set_keep_above(GTK_WINDOW(dialog), inGame ? TRUE : FALSE);

    GtkWidget* pages[PAGES] = {newGrid(), newGrid(), keysPage(w, values)};
    int rows[PAGES] = {0, 0, KEYS_PAGE_ROWS};
    addDisplayMode(pages[PAGE_DISPLAY], &rows[PAGE_DISPLAY], w, values);
    for (int i = 0; i < FIELD_COUNT; i++) {
        const DialogField& d = dialogFields[i];
        GtkWidget* grid = pages[d.page];
        int& row = rows[d.page];
        w->field[i] = fieldWidget(d, values);
        if (d.type == FIELD_CHECK) {
            gtk_grid_attach(GTK_GRID(grid), w->field[i], 0, row++, 2, 1);
        } else {
            gtk_grid_attach(GTK_GRID(grid), labelLeft(settingsText(d.label)), 0, row, 1, 1);
            gtk_grid_attach(GTK_GRID(grid), w->field[i], 1, row++, 1, 1);
        }
    }
    GtkWidget* size = findField(w, "mazeSize");
    GtkWidget* items = findField(w, "itemsPerKind");
    g_signal_connect(size, "value-changed", G_CALLBACK(onMazeSizeChanged), w);
    g_signal_connect(items, "value-changed", G_CALLBACK(onItemsChanged), w);
    // The loaded values already fit together; narrowing the ranges keeps them.
    onMazeSizeChanged(GTK_SPIN_BUTTON(size), w);
    onItemsChanged(GTK_SPIN_BUTTON(items), w);
    addMineChoice(pages[PAGE_GAME], &rows[PAGE_GAME], w, values);
    // At start a run saved when the game was last left can go on.
    const std::string saved = recordsRunPath();
    if (!inGame && !saved.empty() && access(saved.c_str(), F_OK) == 0) {
        GtkWidget* button = gtk_dialog_add_button(GTK_DIALOG(dialog), settingsText(dialogTexts.continueSaved),
                                                  DIALOG_CONTINUE_SAVED);
        gtk_widget_set_name(button, "continueSaved");
    }

    GtkWidget* notebook = gtk_notebook_new();
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook), pages[PAGE_GAME], gtk_label_new(settingsText("Game")));
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook), pages[PAGE_DISPLAY],
                             gtk_label_new(settingsText("Display")));
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook), pages[PAGE_KEYS], gtk_label_new(settingsText("Keys")));
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook), hallPage(values),
                             gtk_label_new(settingsText("Hall of fame")));

    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_box_pack_start(GTK_BOX(content), notebook, TRUE, TRUE, 0);
    if (inGame) {
        GtkWidget* note = labelLeft(
            settingsText("Maze size, items, window size and display take effect at the next start."));
        gtk_widget_set_margin_start(note, 12);
        gtk_widget_set_margin_top(note, 6);
        gtk_box_pack_start(GTK_BOX(content), note, FALSE, FALSE, 0);
    }
    w->showDialog = gtk_check_button_new_with_label(settingsText("Show this dialog at start"));
    gtk_widget_set_name(w->showDialog, "showDialog");
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w->showDialog), values->showDialog != 0);
    gtk_container_set_border_width(GTK_CONTAINER(w->showDialog), 6);
    gtk_box_pack_start(GTK_BOX(content), w->showDialog, FALSE, FALSE, 0);
    gtk_widget_show_all(dialog);
    // Enter plays (or continues) at once; in the game the keyboard comes over from the GL window.
    gtk_widget_grab_focus(gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK));
    gtk_window_present(GTK_WINDOW(dialog));
    return dialog;
}

static void readChoices(DialogWidgets* w, SettingsFile* values) {
    SettingsRecord& r = values->record;
    for (int i = 0; i < FIELD_COUNT; i++)
        settingsSetInt(values, dialogFields[i].key, fieldValue(dialogFields[i], w->field[i]));
    memset(r.gameModeString, 0, sizeof r.gameModeString);
    r.fullScreen = 0;
    if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w->modeGame))) {
        const char* mode = gtk_combo_box_get_active_id(GTK_COMBO_BOX(w->gameMode));
        if (mode) snprintf(r.gameModeString, sizeof r.gameModeString, "%s", mode);
    } else if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w->modeFull))) {
        r.fullScreen = 1;
    }
    const char* size = gtk_combo_box_get_active_id(GTK_COMBO_BOX(w->windowSize));
    int width, height;
    if (size && sscanf(size, "%dx%d", &width, &height) == 2) {
        r.windowWidth = r.windowedWidth = width;
        r.windowHeight = r.windowedHeight = height;
    }
    values->showDialog = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w->showDialog)) ? 1 : 0;
    // What was typed is checked with the file's rules when the choices are taken.
    const char* mine = gtk_entry_get_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(w->mine))));
    memset(r.mine, 0, sizeof r.mine);
    snprintf(r.mine, sizeof r.mine, "%s", mine ? mineWord(mine) : "classic");
    keyScatter(&r, w->keyCodes);
    for (int i = 0; i < ACTION_COUNT; i++) {
        const char* button = gtk_combo_box_get_active_id(GTK_COMBO_BOX(w->padButtons[i]));
        int b = button ? keyPadButtonByName(button) : PAD_INPUTS;
        r.padButtons[i] = b == PAD_INPUTS ? padActions[i].defaultButton : b;
    }
}

int setupDialogRun(int inGame, SettingsFile* values) {
    if (!setupDialogAvailable()) return -1;
    DialogWidgets widgets = {};
    GtkWidget* dialog = buildDialog(inGame, &widgets, values);
    int response = gtk_dialog_run(GTK_DIALOG(dialog));
    if (response == GTK_RESPONSE_OK || response == DIALOG_CONTINUE_SAVED) readChoices(&widgets, values);
    gtk_widget_destroy(dialog);
    while (gtk_events_pending()) gtk_main_iteration();
    if (response == DIALOG_CONTINUE_SAVED) return 2;
    return response == GTK_RESPONSE_OK ? 1 : 0;
}
