// Error descriptions on Linux.
#include <cstring>
#include <string_view>

#include "bstr.h"
#include "text.h"

namespace {

// The codes that todsync's NetRemoteTOD and DsGetDcName yield on Linux, in
// Windows' words.
// The library loads nothing of Samba's: the process that calls it may hold
// privileges that Samba's code must not run beside.
struct Known {
    std::uint32_t code;
    const char16_t* text;
};
constexpr Known kKnown[] = {
    {2, u"The system cannot find the file specified."},
    {5, u"Access is denied."},
    {10, u"The environment is incorrect."},
    {8, u"Not enough memory resources are available to process this command."},
    {13, u"The data is invalid."},
    {50, u"The request is not supported."},
    {53, u"The network path was not found."},
    {59, u"An unexpected network error occurred."},
    {64, u"The specified network name is no longer available."},
    {65, u"Network access is denied."},
    {67, u"The network name cannot be found."},
    {86, u"The specified network password is not correct."},
    {87, u"The parameter is incorrect."},
    {89, u"The system cannot start another process at this time."},
    {121, u"The semaphore timeout period has expired."},
    {123, u"The filename, directory name, or volume label syntax is incorrect."},
    {126, u"The specified module could not be found."},
    {127, u"The specified procedure could not be found."},
    {995,
     u"The I/O operation has been aborted because of either a thread exit or an application "
     u"request."},
    {1003, u"Cannot complete this function."},
    {1067, u"The process terminated unexpectedly."},
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
    {1355, u"The specified domain either does not exist or could not be contacted."},
    {1722, u"The RPC server is unavailable."},
    {1793, u"The user's account has expired."},
    {1907, u"The user's password must be changed before signing in."},
    {1908, u"Could not find the domain controller for this domain."},
    {1909, u"The referenced account is currently locked out and may not be logged on to."},
    {2152, u"The printer destination cannot be found."},
    {0x80090303, u"The specified target is unknown or unreachable"},
    {0x8009030E, u"No credentials are available in the security package"},
};

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
        return vlbstr::Give(vltext::UnknownErrorText(code), result);
    });
}
