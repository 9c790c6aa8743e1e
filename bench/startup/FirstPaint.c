/* Launches a program and prints how many milliseconds passed until its window (found by its
   title) was shown, and until its title bar held painted white pixels: the first paint.
   Usage: first-paint TITLE PROGRAM [ARGUMENTS...]    (in an X display) */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double nowMs (void)
{
    struct timespec t;
    clock_gettime (CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1.0e6;
}

static Window findWindow (Display* display, const char* title)
{
    Window root, parent, *children = NULL, found = 0;
    unsigned int count = 0;

    if (! XQueryTree (display, DefaultRootWindow (display), &root, &parent, &children, &count))
        return 0;

    for (unsigned int i = 0; i < count && found == 0; ++i)
    {
        /* JUCE sets WM_NAME as UTF8_STRING, which XFetchName does not return. */
        XTextProperty name;
        if (XGetWMName (display, children[i], &name) && name.value != NULL)
        {
            if (name.nitems == strlen (title) && memcmp (name.value, title, name.nitems) == 0)
                found = children[i];
            XFree (name.value);
        }
    }

    if (children != NULL)
        XFree (children);
    return found;
}

/* Whether the middle of the title bar holds a white pixel (the title's text). */
static int titlePainted (Display* display, Window window, int width)
{
    XImage* image = XGetImage (display, window, width / 4, 3, (unsigned) (width / 2), 18, AllPlanes, ZPixmap);
    int painted = 0;

    if (image == NULL)
        return 0;

    for (int y = 0; y < image->height && ! painted; ++y)
        for (int x = 0; x < image->width && ! painted; ++x)
        {
            unsigned long pixel = XGetPixel (image, x, y);
            painted = ((pixel >> 16) & 0xff) > 200 && ((pixel >> 8) & 0xff) > 200 && (pixel & 0xff) > 200;
        }

    XDestroyImage (image);
    return painted;
}

static int ignoreErrors (Display* display, XErrorEvent* event)
{
    (void) display; (void) event;
    return 0;   /* the window may go while it is looked at */
}

int main (int argc, char** argv)
{
    if (argc < 3)
    {
        fprintf (stderr, "usage: %s TITLE PROGRAM [ARGUMENTS...]\n", argv[0]);
        return 2;
    }

    Display* display = XOpenDisplay (NULL);
    if (display == NULL)
        return 2;
    XSetErrorHandler (ignoreErrors);

    const double start = nowMs();
    const pid_t child = fork();
    if (child == 0)
    {
        execvp (argv[2], argv + 2);
        _exit (127);
    }

    double shown = -1.0, painted = -1.0;

    while (painted < 0.0 && nowMs() - start < 60000.0)
    {
        Window window = findWindow (display, argv[1]);
        XWindowAttributes attributes;

        if (window != 0 && XGetWindowAttributes (display, window, &attributes) && attributes.map_state == IsViewable)
        {
            if (shown < 0.0)
                shown = nowMs() - start;
            if (titlePainted (display, window, attributes.width))
                painted = nowMs() - start;
        }

        if (painted < 0.0)
            usleep (500);
    }

    kill (child, SIGTERM);
    waitpid (child, NULL, 0);
    XCloseDisplay (display);
    printf ("%.1f %.1f\n", shown, painted);
    return painted < 0.0 ? 1 : 0;
}
