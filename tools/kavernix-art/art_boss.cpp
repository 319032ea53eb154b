// SPDX-License-Identifier: GPL-3.0-or-later
// The boss key's picture: a dull spreadsheet filling the screen, 1280 x 960 like the other pictures.
#include "art.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

const int W = 1280, H = 960;

// The grid: its top, the heights of the heading row and of a row, the width of the row numbers, the
// columns' widths and the rows that fit above the status bar.
const double top = 122, headH = 22, rowH = 22, left = 46;
const double colW[10] = {190, 110, 110, 110, 110, 120, 110, 110, 110, 150};
const int rows = int((H - top - headH - 30) / rowH);

// The sheet's words and number signs in one language: the German picture the game always had, and the
// English one the game shows when it speaks English.
struct BossWords {
    const char* file;
    const char* title;
    const char* menus[9];
    const char* formula;
    const char* heads[10];
    const char* places[13];
    const char* notes[8];
    const char* total;
    const char* tabs;
    const char* ready;
    const char* sum;
    char thousands, decimal;
};
const BossWords german = {
    "boss.tga",
    "Quartalsbericht_Kostenstellen_Q3_final_v7.xls - Tabellenkalkulation",
    {"Datei", "Bearbeiten", "Ansicht", "Einf\xC3\xBCgen", "Format", "Extras", "Daten", "Fenster", "Hilfe"},
    "=SUMME(F4:F16)-SVERWEIS($A17;Stammdaten!$A$2:$K$400;7;FALSCH)",
    {"Kostenstelle", "Januar", "Februar", "M\xC3\xA4rz", "April", "Summe Q1", "Plan", "Abw.", "Abw. %",
     "Bemerkung"},
    {"Verwaltung", "Vertrieb Nord", "Vertrieb S\u00FCd", "Einkauf", "Lager", "Fuhrpark", "IT", "Personal",
     "Buchhaltung", "Kantine", "Hausmeisterei", "Marketing", "Qualit\xC3\xA4t"},
    {"", "", "pr\u00FCfen", "", "s. Mail v. 12.", "", "", "Nachtrag"},
    "Gesamt",
    "Tabelle1   |   Stammdaten   |   Pivot (alt)",
    "Bereit",
    "Summe: 1.482.977,31",
    '.',
    ',',
};
const BossWords english = {
    "boss-en.tga",
    "Quarterly_report_cost_centres_Q3_final_v7.xls - Spreadsheet",
    {"File", "Edit", "View", "Insert", "Format", "Tools", "Data", "Window", "Help"},
    "=SUM(F4:F16)-VLOOKUP($A17,MasterData!$A$2:$K$400,7,FALSE)",
    {"Cost centre", "January", "February", "March", "April", "Total Q1", "Plan", "Var.", "Var. %", "Remark"},
    {"Administration", "Sales North", "Sales South", "Purchasing", "Warehouse", "Fleet", "IT", "Personnel",
     "Accounting", "Canteen", "Facilities", "Marketing", "Quality"},
    {"", "", "check", "", "see mail of 12th", "", "", "addendum"},
    "Total",
    "Sheet1   |   MasterData   |   Pivot (old)",
    "Ready",
    "Sum: 1,482,977.31",
    ',',
    '.',
};
const BossWords* words = &german; // the sheet being drawn

void titleBar(cairo_t* cr) {
    cairo_rectangle(cr, 0, 0, W, 30);
    cairo_set_source_rgb(cr, 0.16, 0.3, 0.55);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    artUseFont(cr, artFontSans, 15);
    artText(cr, words->title, 12, 21);
    cairo_fill(cr);
    for (int i = 0; i < 3; i++) {
        cairo_rectangle(cr, W - 100 + i * 32, 6, 24, 18);
        cairo_set_source_rgb(cr, i == 2 ? 0.75 : 0.3, i == 2 ? 0.2 : 0.42, i == 2 ? 0.2 : 0.65);
        cairo_fill(cr);
    }
}

void menuBar(cairo_t* cr) {
    cairo_rectangle(cr, 0, 30, W, 26);
    cairo_set_source_rgb(cr, 0.94, 0.94, 0.93);
    cairo_fill(cr);
    artUseFont(cr, artFontSansBook, 14);
    double mx = 12;
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    for (const char* m : words->menus) {
        cairo_text_extents_t e;
        cairo_text_extents(cr, m, &e);
        artText(cr, m, mx, 48);
        cairo_fill(cr);
        mx += e.x_advance + 22;
    }
}

// Rows of small grey icons.
void toolbar(cairo_t* cr) {
    cairo_rectangle(cr, 0, 56, W, 36);
    cairo_set_source_rgb(cr, 0.9, 0.9, 0.89);
    cairo_fill(cr);
    ArtRng rng{601};
    for (int i = 0; i < 30; i++) {
        double x = 10 + i * 30 + (i / 6) * 12;
        cairo_rectangle(cr, x, 62, 22, 22);
        cairo_set_source_rgb(cr, 0.82, 0.82, 0.8);
        cairo_fill(cr);
        float hue = rng.next();
        cairo_rectangle(cr, x + 5, 67, 12, 12);
        cairo_set_source_rgb(cr, 0.3 + 0.5 * hue, 0.4 + 0.3 * (1 - hue), 0.5);
        cairo_fill(cr);
    }
}

void formulaBar(cairo_t* cr) {
    cairo_rectangle(cr, 0, 92, W, 28);
    cairo_set_source_rgb(cr, 0.97, 0.97, 0.97);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    artText(cr, "F17", 14, 111);
    artText(cr, words->formula, 110, 111);
    cairo_fill(cr);
}

// The grey heading row and column: the columns' letters and the rows' numbers.
void gridHeads(cairo_t* cr) {
    cairo_rectangle(cr, 0, top, W, headH);
    cairo_rectangle(cr, 0, top, left, H - top);
    cairo_set_source_rgb(cr, 0.9, 0.9, 0.9);
    cairo_fill(cr);
    artUseFont(cr, artFontSansBook, 13);
    cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
    double x = left;
    for (int col = 0; col < 10 && x < W; col++) {
        char name[2] = {char('A' + col), 0};
        artText(cr, name, x + colW[col] / 2, top + 16, 0.5);
        cairo_fill(cr);
        x += colW[col];
    }
    for (int row = 0; row < rows; row++) {
        char num[8];
        snprintf(num, sizeof num, "%d", row + 1);
        artText(cr, num, left - 8, top + headH + row * rowH + 16, 1);
        cairo_fill(cr);
    }
}

// The text of a cell into text (empty for none), and its alignment: 0 left, 1 right. Row 0 is the
// heading, row 15 the total; *sum adds up the row's months for its quarter column.
double cellText(int row, int col, long* sum, char (&text)[40]) {
    double align = 1;
    if (row == 0) {
        snprintf(text, sizeof text, "%s", words->heads[col]);
        align = col == 0 || col == 9 ? 0 : 1;
    } else if (row == 14 || row >= 15 + 1 + 8) {
        text[0] = 0;
    } else if (row == 15) {
        if (col == 0) snprintf(text, sizeof text, "%s", words->total);
        if (col >= 1 && col <= 8)
            snprintf(text, sizeof text, "%ld%c%03ld%c%02d", 180 + long(col) * 37, words->thousands,
                     long(artHash(col, row, 602) % 1000), words->decimal, int(artHash(col, row, 603) % 100));
        if (col == 0) align = 0;
    } else if (col == 0) {
        snprintf(text, sizeof text, "%s", words->places[(row - 1 + (row > 15 ? 5 : 0)) % 13]);
        align = 0;
    } else if (col == 9) {
        snprintf(text, sizeof text, "%s", words->notes[artHash(row, 9, 604) % 8]);
        align = 0;
    } else if (col == 8) {
        int pct = int(artHash(row, col, 605) % 2000) - 1000;
        snprintf(text, sizeof text, "%d%c%d %%", pct / 100, words->decimal, std::abs(pct % 100) / 10);
    } else {
        long v = long(artHash(row, col, 606) % 90000) + 2000;
        if (col == 5) v = *sum;
        if (col <= 4) *sum += v;
        snprintf(text, sizeof text, "%ld%c%03ld%c%02d", v / 1000, words->thousands, v % 1000, words->decimal,
                 int(artHash(row, col, 607) % 100));
    }
    return align;
}

// The cells' texts: the heading and the total in bold, negative deviations in red.
void cells(cairo_t* cr) {
    for (int row = 0; row < rows; row++) {
        double y = top + headH + row * rowH + 16;
        double x = left;
        long sum = 0;
        for (int col = 0; col < 10; col++) {
            char text[40] = "";
            double tx = x + colW[col] - 6;
            bool bold = row == 0 || row == 15;
            double align = cellText(row, col, &sum, text);
            if (align == 0) tx = x + 6;
            if (text[0]) {
                artUseFont(cr, bold ? artFontSans : artFontSansBook, 13);
                if (col == 8 && text[0] == '-')
                    cairo_set_source_rgb(cr, 0.75, 0.1, 0.1);
                else
                    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
                artText(cr, text, tx, y, align);
                cairo_fill(cr);
            }
            x += colW[col];
        }
    }
}

// Grid lines, and the selected cell.
void gridLines(cairo_t* cr) {
    cairo_set_line_width(cr, 1);
    cairo_set_source_rgb(cr, 0.78, 0.78, 0.78);
    double x = left;
    for (int col = 0; col <= 10; col++) {
        cairo_move_to(cr, std::floor(x) + 0.5, top);
        cairo_line_to(cr, std::floor(x) + 0.5, top + headH + rows * rowH);
        if (col < 10) x += colW[col];
    }
    for (int row = 0; row <= rows + 1; row++) {
        double y = std::floor(top + headH + (row - 1) * rowH + (row == 0 ? rowH : 0)) + 0.5;
        cairo_move_to(cr, 0, y);
        cairo_line_to(cr, W, y);
    }
    cairo_stroke(cr);
    double selX = left + 190 + 4 * 110;
    cairo_rectangle(cr, selX, top + headH + 16 * rowH, 120, rowH);
    cairo_set_source_rgb(cr, 0.1, 0.3, 0.7);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
}

// Sheet tabs and the status bar.
void statusBar(cairo_t* cr) {
    double barY = H - 30;
    cairo_rectangle(cr, 0, barY, W, 30);
    cairo_set_source_rgb(cr, 0.92, 0.92, 0.91);
    cairo_fill(cr);
    artUseFont(cr, artFontSansBook, 13);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    artText(cr, words->tabs, 12, barY + 20);
    artText(cr, words->ready, W - 300, barY + 20);
    artText(cr, words->sum, W - 180, barY + 20);
    cairo_fill(cr);
}

// One sheet in the words of one language, saved under its file name.
int bossSheet(const char* dir, const BossWords& sheet) {
    words = &sheet;
    ArtCanvas c = artCanvasCreate(W, H);
    cairo_t* cr = c.cr;
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    titleBar(cr);
    menuBar(cr);
    toolbar(cr);
    formulaBar(cr);
    gridHeads(cr);
    cells(cr);
    gridLines(cr);
    statusBar(cr);
    int ok = artSave(&c, dir, sheet.file, 24);
    artCanvasFree(&c);
    return ok;
}

} // namespace

int artBossPicture(const char* dir) {
    return bossSheet(dir, german) && bossSheet(dir, english);
}
