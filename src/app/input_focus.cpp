// SPDX-License-Identifier: GPL-3.0-or-later
// What the game asks the X server itself: whether the game's window has the keyboard, where the
// pointer is, and how held keys repeat. The toolkit reports no focus changes, so the focus is asked
// several times a second; a window that lost the keyboard gets no key releases, so everything held
// is released then. The focus asking runs on a thread of its own with its own connection to the
// server: a question on the toolkit's connection would wait until the server has taken the frames
// before it, in the middle of the game's frame.
#include <GL/glx.h>
#include <X11/XKBlib.h>
#include <atomic>
#include <thread>
#include <time.h>
#include "app/input.h"

static int focusedNow = 1;

int inputHasFocus() {
    return focusedNow;
}

void inputSetFocus(int focused) {
    focusedNow = focused;
}

// 1 when the focus window is the game's window or one of the windows around it (a window
// manager's frame, or the root window, which a focused window that closed hands the focus back to:
// the keys then go to the window under the pointer, which the game keeps in its own); the answer for
// the last focus window is kept.
static int focusIsOurs(Display* display, Window ours, Window focus) {
    static Window lastFocus, lastOurs;
    static int lastAnswer;
    if (focus == lastFocus && ours == lastOurs) return lastAnswer;
    int answer = 0;
    for (Window w = ours; w && !answer;) {
        if (w == focus) answer = 1;
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, w, &root, &parent, &children, &count)) break;
        if (children) XFree(children);
        w = w == root ? 0 : parent;
    }
    lastFocus = focus, lastOurs = ours, lastAnswer = answer;
    return answer;
}

// The watcher's findings: the window it asks about, set by the game, and its last answer (-1 before
// the first).
static std::atomic<unsigned long> watchedWindow{0};
static std::atomic<int> watchedFocus{-1};

static void watchFocus(Display* display) {
    const timespec pause = {0, 50 * 1000 * 1000};
    for (;;) {
        const Window ours = watchedWindow.load();
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(display, &focus, &revert);
        // PointerRoot: the keyboard goes to the window under the pointer, as with the root window
        // (the usual states of an X server without a window manager).
        watchedFocus = focus == PointerRoot || (focus != None && focusIsOurs(display, ours, focus));
        nanosleep(&pause, nullptr);
    }
}

void inputPollFocus() {
    static int watching;
    if (!watching) {
        Display* game = glXGetCurrentDisplay();
        const Window ours = glXGetCurrentDrawable();
        if (!game || !ours) return;
        watchedWindow = ours;
        Display* own = XOpenDisplay(DisplayString(game));
        if (!own) return;
        watching = 1;
        std::thread(watchFocus, own).detach();
    }
    const Window ours = glXGetCurrentDrawable();
    if (ours) watchedWindow = ours;
    const int focused = watchedFocus.load();
    if (focused < 0) return;
    if (!focused && focusedNow) inputReleaseAll();
    focusedNow = focused;
}

int inputPointerPlace(int* x, int* y, int* originX, int* originY) {
    Display* display = glXGetCurrentDisplay();
    Window ours = glXGetCurrentDrawable();
    if (!display || !ours) return 0;
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0;
    unsigned buttons = 0;
    if (!XQueryPointer(display, ours, &root, &child, &rootX, &rootY, x, y, &buttons)) return 0;
    *originX = rootX - *x, *originY = rootY - *y;
    return 1;
}

void inputPointerMoveBy(int dx, int dy) {
    Display* display = glXGetCurrentDisplay();
    if (!display) return;
    XWarpPointer(display, None, None, 0, 0, 0, 0, dx, dy);
    XFlush(display);
}

int inputRepeatWithoutRelease() {
    Display* display = glXGetCurrentDisplay();
    Bool supported = False;
    return display && XkbSetDetectableAutoRepeat(display, True, &supported) && supported;
}
