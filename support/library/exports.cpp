// The library's operations that are the same on every platform.
#include "bstr.h"
#include "logentry.h"
#include "store.h"
#include "text.h"

using vlbstr::Give;
using vlbstr::Guard;
using vlbstr::View;
using vlbstr::ViewRef;

extern "C" {

VLEXPORT int32_t VLAPI vlTrimEx(BSTR* text, BSTR* result) {
    return Guard([&] {
        std::u16string_view in;
        if (!ViewRef(text, &in) || result == nullptr) {
            return VL_E_POINTER;
        }
        return Give(vltext::Trim(in, vltext::kBlanks), result);
    });
}

VLEXPORT int32_t VLAPI vlTrimEx2(BSTR* text, VARIANT_BOOL space, VARIANT_BOOL tab, VARIANT_BOOL cr,
                                 VARIANT_BOOL lf, VARIANT_BOOL nul, VARIANT_BOOL vtff,
                                 VARIANT_BOOL nbsp, VARIANT_BOOL unispace, VARIANT_BOOL zerowidth,
                                 VARIANT_BOOL control, BSTR* result) {
    return Guard([&] {
        std::u16string_view in;
        if (!ViewRef(text, &in) || result == nullptr) {
            return VL_E_POINTER;
        }
        const VARIANT_BOOL flags[] = {space, tab,  cr,       lf,        nul,
                                      vtff,  nbsp, unispace, zerowidth, control};
        unsigned classes = 0;
        for (unsigned i = 0; i < 10; ++i) {
            if (flags[i] != 0) {
                classes |= 1u << i;
            }
        }
        return Give(vltext::Trim(in, classes), result);
    });
}

VLEXPORT int32_t VLAPI vlDestroyDoubleSpaces(BSTR text, BSTR* result) {
    return Guard([&] {
        if (result == nullptr) {
            return VL_E_POINTER;
        }
        return Give(vltext::DestroyDoubleSpaces(View(text)), result);
    });
}

VLEXPORT int32_t VLAPI vlTrimCRLF(BSTR* text, BSTR* result) {
    return Guard([&] {
        std::u16string_view in;
        if (!ViewRef(text, &in) || result == nullptr) {
            return VL_E_POINTER;
        }
        return Give(vltext::TrimCRLF(in), result);
    });
}

VLEXPORT int32_t VLAPI vlSystemTimeToStringTime2(double date, BSTR* result) {
    return Guard([&] {
        if (result == nullptr) {
            return VL_E_POINTER;
        }
        const auto text = vltext::TimeText(date);
        return text ? Give(*text, result) : VL_E_INVALIDARG;
    });
}

VLEXPORT int32_t VLAPI vlSystemTimeToStringDate2(double date, int16_t option, BSTR* result) {
    return Guard([&] {
        if (result == nullptr) {
            return VL_E_POINTER;
        }
        if (option != 0) {
            return VL_E_INVALIDARG;
        }
        const auto text = vltext::DateText(date);
        return text ? Give(*text, result) : VL_E_INVALIDARG;
    });
}

VLEXPORT int32_t VLAPI vlGetErrorNumber(int32_t code, BSTR* result) {
    return Guard([&] { return Give(vltext::ErrorNumber(code), result); });
}

VLEXPORT int32_t VLAPI vlLogInfo(BSTR* text, BSTR* log_file) {
    return Guard([&] { return vllog::Store(text, log_file, vllog::Kind::kInformation); });
}

VLEXPORT int32_t VLAPI vlLogError(BSTR* text, BSTR* log_file) {
    return Guard([&] { return vllog::Store(text, log_file, vllog::Kind::kError); });
}

}  // extern "C"
