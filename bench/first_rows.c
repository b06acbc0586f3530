// SPDX-License-Identifier: GPL-3.0-or-later
/* Waits until rows are drawn in a rectangle of an X window and prints the
 * time then (CLOCK_REALTIME, nanoseconds), for timing the start-up from the
 * outside: the rectangle is the All list's rows, blank (light) in an empty
 * list. Rows are taken as drawn once at least MIN_DARK pixels of the
 * rectangle are dark (text).
 * Usage: first_rows WINDOW-ID X Y WIDTH HEIGHT [MIN_DARK] [TIMEOUT_MS]
 * Exit status 1 when the time-out passes first. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static long long now_ns(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

static int ignore_errors(Display* display, XErrorEvent* error)
{
    (void)display;
    (void)error;
    return 0;
}

int main(int argc, char** argv)
{
    if (argc < 6) {
        fputs("usage: first_rows WINDOW-ID X Y WIDTH HEIGHT [MIN_DARK] [TIMEOUT_MS]\n", stderr);
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fputs("no X display\n", stderr);
        return 2;
    }
    XSetErrorHandler(ignore_errors);
    const Window window = (Window)strtoul(argv[1], NULL, 0);
    const int x = atoi(argv[2]), y = atoi(argv[3]);
    const unsigned width = (unsigned)atoi(argv[4]), height = (unsigned)atoi(argv[5]);
    const long min_dark = argc > 6 ? atol(argv[6]) : 200;
    const long long deadline = now_ns() + (argc > 7 ? atoll(argv[7]) : 30000) * 1000000LL;
    const struct timespec pause = {0, 5000000};
    while (now_ns() < deadline) {
        XImage* image = XGetImage(display, window, x, y, width, height, AllPlanes, ZPixmap);
        if (image) {
            long dark = 0;
            for (unsigned row = 0; row < height; ++row) {
                for (unsigned col = 0; col < width; ++col) {
                    const unsigned long pixel = XGetPixel(image, (int)col, (int)row);
                    const unsigned sum = ((pixel >> 16) & 0xff) + ((pixel >> 8) & 0xff) + (pixel & 0xff);
                    dark += sum < 3 * 0x60;
                }
            }
            XDestroyImage(image);
            if (dark >= min_dark) {
                printf("%lld\n", now_ns());
                XCloseDisplay(display);
                return 0;
            }
        }
        nanosleep(&pause, NULL);
    }
    XCloseDisplay(display);
    return 1;
}
