// Start-up operations of the library on Linux: the app path record, the
// development environment and the runtime's main window.
#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bstr.h"
#include "icon.h"
#include "process-posix.h"
#include "text.h"
#include "vlruntime.h"

using vlbstr::Guard;

namespace {

// Points <state>/vestrio/app-paths/<name> at `path`, replacing any older
// link in one step.
void RecordAppPath(const std::string& path) {
    const std::string home = vlproc::StateHome();
    if (home.empty()) {
        return;
    }
    const std::string dir = home + "/vestrio/app-paths";
    const std::string link = dir + "/" + vlproc::ExecutableName();
    std::vector<char> current(path.size() + 2);
    const ssize_t n = readlink(link.c_str(), current.data(), current.size());
    if (n >= 0 && std::string(current.data(), static_cast<std::size_t>(n)) == path) {
        return;
    }
    if (!vlproc::MakeDirectories(dir, 0755)) {
        return;
    }
    const std::string temporary = link + ".new." + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(path.c_str(), temporary.c_str()) != 0) {
        return;
    }
    if (rename(temporary.c_str(), link.c_str()) != 0) {
        unlink(temporary.c_str());
    }
}

// The runtime's window functions, from the executable.
template <typename Function>
Function* Runtime(const char* name) {
    return reinterpret_cast<Function*>(dlsym(RTLD_DEFAULT, name));
}

}  // namespace

extern "C" {

VLEXPORT int32_t VLAPI vlRegisterAppPath(BSTR* path) {
    return Guard([&] {
        if (path == nullptr) {
            return VL_E_POINTER;
        }
        // Without /proc (a minimal container) there is no path to record,
        // and nothing is lost: the record is a convenience.
        const auto executable = vlproc::ExecutablePath();
        if (!executable) {
            return vlbstr::Give(std::u16string(), path);
        }
        RecordAppPath(*executable);
        return vlbstr::Give(vltext::FromUtf8(*executable), path);
    });
}

VLEXPORT int32_t VLAPI vlIsInIDE(VARIANT_BOOL* result) {
    return Guard([&] {
        if (result == nullptr) {
            return VL_E_POINTER;
        }
        std::ifstream status("/proc/self/status");
        std::string line;
        bool traced = false;
        while (std::getline(status, line)) {
            if (line.rfind("TracerPid:", 0) == 0) {
                traced = std::strtol(line.c_str() + 10, nullptr, 10) != 0;
                break;
            }
        }
        *result = vlbstr::Bool(traced);
        return VL_S_OK;
    });
}

VLEXPORT int32_t VLAPI vlGetThunderMainHandle(VLHWND* window) {
    return Guard([&] {
        if (window == nullptr) {
            return VL_E_POINTER;
        }
        const auto find = Runtime<decltype(vlpFindThreadWindow)>("vlpFindThreadWindow");
        vlpWindow* found = find ? find(VL_RUNTIME_MAIN_CLASS) : nullptr;
        if (found == nullptr) {
            return VL_E_NO_WINDOW;
        }
        *window = found;
        return VL_S_OK;
    });
}

VLEXPORT int32_t VLAPI vlSetWindowResIconAll(VLHWND window, BSTR* resource_name) {
    return Guard([&] {
        std::u16string_view name;
        if (!vlbstr::ViewRef(resource_name, &name)) {
            return VL_E_POINTER;
        }
        const auto module_of = Runtime<decltype(vlpGetWindowModule)>("vlpGetWindowModule");
        const auto set_icons = Runtime<decltype(vlpSetWindowIcons)>("vlpSetWindowIcons");
        if (window == nullptr || module_of == nullptr || set_icons == nullptr) {
            return VL_E_INVALIDARG;
        }
        const vlpModule* module = module_of(window);
        if (module == nullptr) {
            return VL_E_INVALIDARG;
        }
        for (std::size_t i = 0; i < module->count; ++i) {
            const vlpResource& resource = module->resources[i];
            if (std::strcmp(resource.type, "ICON_GROUP") != 0 ||
                !vltext::SameIgnoringAsciiCase(name, vltext::FromUtf8(resource.name))) {
                continue;
            }
            const auto images = vlicon::ReadIcon(resource.data, resource.size);
            if (!images) {
                return VL_E_RESOURCE_NOT_FOUND;
            }
            std::vector<vlpIconImage> attached;
            for (const auto& image : *images) {
                attached.push_back(
                    {image.width, image.height, image.colors, image.bits, image.data, image.size});
            }
            return set_icons(window, attached.data(), attached.size()) == 0 ? VL_S_OK
                                                                            : VL_E_OUTOFMEMORY;
        }
        return VL_E_RESOURCE_NOT_FOUND;
    });
}

}  // extern "C"
