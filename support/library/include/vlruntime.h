// The runtime's windows on Linux.
//
// There is no window system here, so the application runtime keeps its
// invisible main window as a process-local object. The runtime lives in the
// executable and exports the functions below (see runtime.dynlist); the
// support library finds them through the dynamic linker, much as a Windows
// module reaches the window manager, and reaches a window's icons and its
// module's resources only through them.
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// One resource of a module: an icon group holds the bytes of an .ico file.
struct vlpResource {
    const char* type;  // "ICON_GROUP"
    const char* name;  // "A_MAIN", "#1"
    const uint8_t* data;
    size_t size;
};

// The resources built into an executable.
struct vlpModule {
    const struct vlpResource* resources;
    size_t count;
};

// One icon image attached to a window.
struct vlpIconImage {
    int32_t width;
    int32_t height;
    int32_t colors;       // palette entries; 0 when the image has no palette
    int32_t bits;         // bits per pixel
    const uint8_t* data;  // the image as the .ico file holds it
    size_t size;
};

struct vlpWindow;

// Creates a window of `class_name` owned by the calling thread, belonging to
// `module`. Returns null when out of memory.
struct vlpWindow* vlpCreateWindow(const char16_t* class_name, const struct vlpModule* module);
void vlpDestroyWindow(struct vlpWindow* window);

// The calling thread's first window of `class_name`, or null.
struct vlpWindow* vlpFindThreadWindow(const char16_t* class_name);

// The module that created `window`.
const struct vlpModule* vlpGetWindowModule(struct vlpWindow* window);

// Replaces the window's icons by a copy of `images` (the pixel data is not
// copied: it belongs to the module). Returns 0, or -1 when out of memory.
int vlpSetWindowIcons(struct vlpWindow* window, const struct vlpIconImage* images, size_t count);

// Copies up to `max` of the window's icons to `out`; returns how many it has.
size_t vlpGetWindowIcons(struct vlpWindow* window, struct vlpIconImage* out, size_t max);

#ifdef __cplusplus
}
#endif
