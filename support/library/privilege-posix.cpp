// Privileges on Linux: each privilege stands for a capability.
#include <sys/capability.h>

#include <string_view>

#include "bstr.h"
#include "text.h"

namespace {

struct Privilege {
    std::u16string_view name;
    cap_value_t capability;
};
constexpr Privilege kPrivileges[] = {
    {u"SeSystemtimePrivilege", CAP_SYS_TIME},    {u"SeShutdownPrivilege", CAP_SYS_BOOT},
    {u"SeBackupPrivilege", CAP_DAC_READ_SEARCH}, {u"SeRestorePrivilege", CAP_DAC_OVERRIDE},
    {u"SeDebugPrivilege", CAP_SYS_PTRACE},       {u"SeIncreaseBasePriorityPrivilege", CAP_SYS_NICE},
};

bool HasFlag(cap_value_t capability, cap_flag_t set) {
    cap_t caps = cap_get_proc();
    if (caps == nullptr) {
        return false;
    }
    cap_flag_value_t value = CAP_CLEAR;
    const bool ok = cap_get_flag(caps, capability, set, &value) == 0;
    cap_free(caps);
    return ok && value == CAP_SET;
}

// Raises or lowers `capability` in the effective set; true when it is now
// in the wanted state.
bool SetEffective(cap_value_t capability, bool enable) {
    if (enable && !HasFlag(capability, CAP_PERMITTED)) {
        return false;
    }
    cap_t caps = cap_get_proc();
    if (caps == nullptr) {
        return false;
    }
    const cap_value_t list[] = {capability};
    if (cap_set_flag(caps, CAP_EFFECTIVE, 1, list, enable ? CAP_SET : CAP_CLEAR) == 0) {
        cap_set_proc(caps);
    }
    cap_free(caps);
    return HasFlag(capability, CAP_EFFECTIVE) == enable;
}

}  // namespace

extern "C" VLEXPORT int32_t VLAPI vlSetPrivilegeForProcess(BSTR privilege_name, VARIANT_BOOL enable,
                                                           VARIANT_BOOL* result) {
    return vlbstr::Guard([&] {
        if (result == nullptr) {
            return VL_E_POINTER;
        }
        const auto name = vlbstr::View(privilege_name);
        bool now_in_state = false;
        for (const auto& privilege : kPrivileges) {
            if (vltext::SameIgnoringAsciiCase(name, privilege.name)) {
                now_in_state = SetEffective(privilege.capability, enable != 0);
                break;
            }
        }
        *result = vlbstr::Bool(now_in_state);
        return VL_S_OK;
    });
}
