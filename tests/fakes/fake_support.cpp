// The support library in memory: the real text operations, a list for the
// log, and any operation made to fail on request.
#include <cstring>

#include "bstr.h"
#include "fakes.h"
#include "text.h"

namespace fake {

std::string fail_operation;
std::int32_t fail_status = VL_E_FAIL;
std::int16_t privilege_result = VL_TRUE;
std::int16_t in_ide_result = VL_FALSE;
std::vector<Entry> log_entries;
std::vector<std::u16string> icon_resources;

void ResetSupport() {
    fail_operation.clear();
    fail_status = VL_E_FAIL;
    privilege_result = VL_TRUE;
    in_ide_result = VL_FALSE;
    log_entries.clear();
    icon_resources.clear();
}

}  // namespace fake

#define FAIL_WHEN_ASKED                   \
    if (fake::fail_operation == __func__) \
    return fake::fail_status

namespace {

std::u16string_view In(BSTR* text) {
    return vlbstr::View(*text);
}

char main_window;

int32_t Logged(bool information, BSTR* text, BSTR* log_file) {
    fake::log_entries.push_back({information, std::u16string(In(text))});
    return vlbstr::Give(u"/var/log/vestrio/todsync.log", log_file);
}

}  // namespace

extern "C" {

VLEXPORT int32_t VLAPI vlRegisterAppPath(BSTR* path) {
    FAIL_WHEN_ASKED;
    return vlbstr::Give(u"/usr/bin/todsync", path);
}

VLEXPORT int32_t VLAPI vlIsInIDE(VARIANT_BOOL* result) {
    FAIL_WHEN_ASKED;
    *result = fake::in_ide_result;
    return VL_S_OK;
}

VLEXPORT int32_t VLAPI vlGetThunderMainHandle(VLHWND* window) {
    FAIL_WHEN_ASKED;
    *window = reinterpret_cast<VLHWND>(&main_window);
    return VL_S_OK;
}

VLEXPORT int32_t VLAPI vlSetWindowResIconAll(VLHWND window, BSTR* resource_name) {
    FAIL_WHEN_ASKED;
    if (window != reinterpret_cast<VLHWND>(&main_window))
        return VL_E_INVALIDARG;
    fake::icon_resources.emplace_back(In(resource_name));
    return VL_S_OK;
}

VLEXPORT int32_t VLAPI vlTrimEx(BSTR* text, BSTR* result) {
    FAIL_WHEN_ASKED;
    return vlbstr::Give(vltext::Trim(In(text), vltext::kBlanks), result);
}

VLEXPORT int32_t VLAPI vlTrimEx2(BSTR* text, VARIANT_BOOL f1, VARIANT_BOOL f2, VARIANT_BOOL f3,
                                 VARIANT_BOOL f4, VARIANT_BOOL f5, VARIANT_BOOL f6, VARIANT_BOOL f7,
                                 VARIANT_BOOL f8, VARIANT_BOOL f9, VARIANT_BOOL f10, BSTR* result) {
    FAIL_WHEN_ASKED;
    const VARIANT_BOOL flags[] = {f1, f2, f3, f4, f5, f6, f7, f8, f9, f10};
    unsigned classes = 0;
    for (unsigned i = 0; i < 10; ++i)
        classes |= flags[i] != VL_FALSE ? 1u << i : 0;
    return vlbstr::Give(vltext::Trim(In(text), classes), result);
}

VLEXPORT int32_t VLAPI vlDestroyDoubleSpaces(BSTR text, BSTR* result) {
    FAIL_WHEN_ASKED;
    return vlbstr::Give(vltext::DestroyDoubleSpaces(vlbstr::View(text)), result);
}

VLEXPORT int32_t VLAPI vlTrimCRLF(BSTR* text, BSTR* result) {
    FAIL_WHEN_ASKED;
    return vlbstr::Give(vltext::TrimCRLF(In(text)), result);
}

VLEXPORT int32_t VLAPI vlSystemTimeToStringTime2(double date, BSTR* result) {
    FAIL_WHEN_ASKED;
    const auto text = vltext::TimeText(date);
    return text ? vlbstr::Give(*text, result) : VL_E_INVALIDARG;
}

VLEXPORT int32_t VLAPI vlSystemTimeToStringDate2(double date, int16_t option, BSTR* result) {
    FAIL_WHEN_ASKED;
    const auto text = vltext::DateText(date);
    return text && option == 0 ? vlbstr::Give(*text, result) : VL_E_INVALIDARG;
}

VLEXPORT int32_t VLAPI vlGetErrorNumber(int32_t code, BSTR* result) {
    FAIL_WHEN_ASKED;
    return vlbstr::Give(vltext::ErrorNumber(code), result);
}

VLEXPORT int32_t VLAPI vlGetAPIErrorDescription(int32_t code, BSTR* result) {
    FAIL_WHEN_ASKED;
    // Windows' texts end in a line break; so does this one.
    return vlbstr::Give(
        code == 77 ? u"First part.\r\nSecond part.\r\n" : vltext::UnknownErrorText(code), result);
}

VLEXPORT int32_t VLAPI vlSetPrivilegeForProcess(BSTR privilege_name, VARIANT_BOOL enable,
                                                VARIANT_BOOL* result) {
    FAIL_WHEN_ASKED;
    if (vlbstr::View(privilege_name) != u"SeSystemtimePrivilege")
        return VL_E_INVALIDARG;
    *result = enable == VL_TRUE ? fake::privilege_result : VL_TRUE;
    return VL_S_OK;
}

VLEXPORT int32_t VLAPI vlLogInfo(BSTR* text, BSTR* log_file) {
    FAIL_WHEN_ASKED;
    return Logged(true, text, log_file);
}

VLEXPORT int32_t VLAPI vlLogError(BSTR* text, BSTR* log_file) {
    FAIL_WHEN_ASKED;
    return Logged(false, text, log_file);
}

}  // extern "C"
