// SPDX-License-Identifier: GPL-3.0-or-later
// What the game asks the X server itself (on the toolkit's own connection): whether the game's
// window has the keyboard, where the pointer is, and how held keys repeat. The toolkit reports no
// focus changes, so the focus is asked several times a second; a window that lost the keyboard gets
// no key releases, so everything held is released then.
#include <GL/glx.h>
#include <X11/XKBlib.h>
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

void inputPollFocus() {
    Display* display = glXGetCurrentDisplay();
    Window ours = glXGetCurrentDrawable();
    if (!display || !ours) return;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    // PointerRoot: the keyboard goes to the window under the pointer, as with the root window (the
    // usual states of an X server without a window manager).
    const int focused = focus == PointerRoot || (focus != None && focusIsOurs(display, ours, focus));
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
