/* A program that takes the X11 clipboard and then never answers: it reads none of its events, so
 * a request for the clipboard's contents waits in vain. It prints "owner" once the clipboard is
 * its own, and runs until killed. */
#include <stdio.h>
#include <string.h>
#include <unistd.h>
#include <xcb/xcb.h>

int main(void) {
    xcb_connection_t* c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c)) return 1;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0, NULL);
    const char name[] = "CLIPBOARD";
    xcb_intern_atom_reply_t* clipboard =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, strlen(name), name), NULL);
    if (!clipboard) return 1;
    xcb_set_selection_owner(c, window, clipboard->atom, XCB_CURRENT_TIME);
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboard->atom), NULL);
    if (!owner || owner->owner != window) return 1;
    puts("owner");
    fflush(stdout);
    for (;;) pause();
}
