#include "vlruntime.h"

#include <pthread.h>

#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#define VLP_EXPORT __attribute__((visibility("default")))

struct vlpWindow {
    std::u16string class_name;
    pthread_t thread;
    const vlpModule* module;
    std::vector<vlpIconImage> icons;
};

namespace {

std::mutex windows_lock;
std::vector<std::unique_ptr<vlpWindow>>& Windows() {
    static std::vector<std::unique_ptr<vlpWindow>> windows;
    return windows;
}

bool Alive(const vlpWindow* window) {
    for (const auto& w : Windows()) {
        if (w.get() == window) {
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" {

VLP_EXPORT vlpWindow* vlpCreateWindow(const char16_t* class_name, const vlpModule* module) {
    try {
        auto window = std::make_unique<vlpWindow>(
            vlpWindow{class_name ? class_name : u"", pthread_self(), module, {}});
        const std::lock_guard lock(windows_lock);
        Windows().push_back(std::move(window));
        return Windows().back().get();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

VLP_EXPORT void vlpDestroyWindow(vlpWindow* window) {
    const std::lock_guard lock(windows_lock);
    auto& windows = Windows();
    for (auto it = windows.begin(); it != windows.end(); ++it) {
        if (it->get() == window) {
            windows.erase(it);
            return;
        }
    }
}

VLP_EXPORT vlpWindow* vlpFindThreadWindow(const char16_t* class_name) {
    const std::lock_guard lock(windows_lock);
    const std::u16string_view wanted = class_name ? class_name : u"";
    for (const auto& w : Windows()) {
        if (pthread_equal(w->thread, pthread_self()) && w->class_name == wanted) {
            return w.get();
        }
    }
    return nullptr;
}

VLP_EXPORT const vlpModule* vlpGetWindowModule(vlpWindow* window) {
    const std::lock_guard lock(windows_lock);
    return Alive(window) ? window->module : nullptr;
}

VLP_EXPORT int vlpSetWindowIcons(vlpWindow* window, const vlpIconImage* images, size_t count) {
    const std::lock_guard lock(windows_lock);
    if (!Alive(window) || (images == nullptr && count != 0)) {
        return -1;
    }
    try {
        window->icons.assign(images, images + count);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return 0;
}

VLP_EXPORT size_t vlpGetWindowIcons(vlpWindow* window, vlpIconImage* out, size_t max) {
    const std::lock_guard lock(windows_lock);
    if (!Alive(window)) {
        return 0;
    }
    for (size_t i = 0; i < max && i < window->icons.size(); ++i) {
        out[i] = window->icons[i];
    }
    return window->icons.size();
}

}  // extern "C"
