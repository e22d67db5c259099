// Error descriptions on Linux.
#include <dlfcn.h>

#include <cstring>
#include <string_view>

#include "support/bstr.h"
#include "support/text.h"

namespace {

// The codes that todsync's NetRemoteTOD yields on Linux, in Windows' words.
struct Known {
    std::uint32_t code;
    const char16_t* text;
};
constexpr Known kKnown[] = {
    {5, u"Access is denied."},
    {53, u"The network path was not found."},
    {59, u"An unexpected network error occurred."},
    {64, u"The specified network name is no longer available."},
    {65, u"Network access is denied."},
    {67, u"The network name cannot be found."},
    {86, u"The specified network password is not correct."},
    {121, u"The semaphore timeout period has expired."},
    {123, u"The filename, directory name, or volume label syntax is incorrect."},
    {126, u"The specified module could not be found."},
    {1003, u"Cannot complete this function."},
    {1225, u"The remote computer refused the network connection."},
    {1231, u"The network location cannot be reached."},
    {1232, u"The network location cannot be reached."},
    {1236, u"The network connection was aborted by the local system."},
    {1311, u"There are currently no logon servers available to service the logon request."},
    {1317, u"The specified account does not exist."},
    {1326, u"The user name or password is incorrect."},
    {1327, u"Account restrictions are preventing this user from signing in."},
    {1328, u"Your account has time restrictions that keep you from signing in right now."},
    {1329, u"This user isn't allowed to sign in to this computer."},
    {1330, u"The password for this account has expired."},
    {1331, u"This user can't sign in because this account is currently disabled."},
    {1793, u"The user's account has expired."},
    {1907, u"The user's password must be changed before signing in."},
    {1909, u"The referenced account is currently locked out and may not be logged on to."},
};

// Samba's description of the code, which covers the Windows codes and
// libnetapi's own. libnetapi is loaded here only when a code is not ours;
// in todsync it is loaded already by then.
std::u16string SambaDescription(std::uint32_t code) {
    using ErrStr = char* (*)(std::uint32_t);
    using Free = std::uint32_t (*)(void*);
    static void* const library = dlopen("libnetapi.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (library == nullptr) {
        return {};
    }
    const auto errstr = reinterpret_cast<ErrStr>(dlsym(library, "libnetapi_errstr"));
    const auto release = reinterpret_cast<Free>(dlsym(library, "NetApiBufferFree"));
    if (errstr == nullptr || release == nullptr) {
        return {};
    }
    char* text = errstr(code);
    if (text == nullptr) {
        return {};
    }
    std::u16string description;
    // Samba names codes it does not know "DOS code 0x...": ours says more.
    if (std::strncmp(text, "DOS code 0x", 11) != 0) {
        description = vltext::FromUtf8(text);
    }
    release(text);
    return description;
}

}  // namespace

extern "C" VLEXPORT int32_t VLAPI vlGetAPIErrorDescription(int32_t code, BSTR* result) {
    return vlbstr::Guard([&] {
        if (result == nullptr) {
            return VL_E_POINTER;
        }
        const auto unsigned_code = static_cast<std::uint32_t>(code);
        for (const auto& known : kKnown) {
            if (known.code == unsigned_code) {
                return vlbstr::Give(known.text, result);
            }
        }
        std::u16string description = vltext::TrimCRLF(SambaDescription(unsigned_code));
        if (description.empty()) {
            description = vltext::UnknownErrorText(code);
        }
        return vlbstr::Give(description, result);
    });
}
