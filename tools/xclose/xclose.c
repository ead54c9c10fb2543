/* Asks a window, found by its title, to close the way a window manager's close
 * button does: a WM_DELETE_WINDOW client message. Used by the screen tests and the
 * screenshot script under Xvfb, where no window manager runs.
 * Usage: xclose TITLE [SECONDS] [--check-icon]
 * Exit 0 when the message was sent; 1 when no such window appeared within SECONDS
 * (default 10) or, with --check-icon, when the window has no icon. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static Window find_titled(Display* d, Window w, const char* title) {
    char* name = NULL;
    if (XFetchName(d, w, &name) && name) {
        int same = strcmp(name, title) == 0;
        XFree(name);
        if (same) return w;
    }
    Window root, parent, *children = NULL;
    unsigned int n = 0;
    Window found = 0;
    if (XQueryTree(d, w, &root, &parent, &children, &n)) {
        for (unsigned int i = 0; i < n && !found; ++i) found = find_titled(d, children[i], title);
        if (children) XFree(children);
    }
    return found;
}

/* Width and height of the window's icon, 0 when it has none. */
static void icon_size(Display* d, Window w, unsigned long* width, unsigned long* height) {
    Atom type;
    int format;
    unsigned long n = 0, rest = 0;
    unsigned char* data = NULL;
    *width = *height = 0;
    if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_ICON", False), 0, 2, False, AnyPropertyType,
                           &type, &format, &n, &rest, &data) == Success && data) {
        if (format == 32 && n == 2) {
            *width = ((unsigned long*)data)[0];
            *height = ((unsigned long*)data)[1];
        }
        XFree(data);
    }
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: xclose TITLE [SECONDS]\n");
        return 2;
    }
    int tries = (argc > 2 ? atoi(argv[2]) : 10) * 10;
    Display* d = XOpenDisplay(NULL);
    if (!d) {
        fprintf(stderr, "xclose: cannot open display\n");
        return 1;
    }
    Window w = 0;
    for (int i = 0; i < tries && !w; ++i) {
        w = find_titled(d, DefaultRootWindow(d), argv[1]);
        if (!w) usleep(100000);
    }
    if (!w) {
        fprintf(stderr, "xclose: no window titled \"%s\"\n", argv[1]);
        XCloseDisplay(d);
        return 1;
    }
    if (argc > 3 && strcmp(argv[3], "--check-icon") == 0) {
        unsigned long width, height;
        for (int i = 0; i < 20; ++i) {
            icon_size(d, w, &width, &height);
            if (width) break;
            usleep(100000);
        }
        if (!width || !height) {
            fprintf(stderr, "xclose: the window has no icon\n");
            XCloseDisplay(d);
            return 1;
        }
        printf("icon %lux%lu\n", width, height);
    }
    XEvent e;
    memset(&e, 0, sizeof e);
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &e);
    XCloseDisplay(d);
    return 0;
}
