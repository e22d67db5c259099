#include "vl.h"

#include "platform.h"
#include "vestriosupport.h"

namespace support {
namespace {

// A BSTR that the program owns for one call.
class Text {
public:
    Text() = default;
    explicit Text(std::u16string_view text) {
        value_ = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                   static_cast<UINT>(text.size()));
        if (value_ == nullptr && !text.empty()) {
            platform::Fatal(u"SysAllocStringLen", VL_E_OUTOFMEMORY);
        }
    }
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    ~Text() { SysFreeString(value_); }

    BSTR* ref() { return &value_; }
    BSTR get() const { return value_; }
    std::u16string str() const {
        return {reinterpret_cast<const char16_t*>(value_), SysStringLen(value_)};
    }

private:
    BSTR value_ = nullptr;
};

void Check(std::int32_t status, std::u16string_view operation) {
    if (status < 0) {
        platform::Fatal(operation, status);
    }
}

VARIANT_BOOL Bool(bool value) {
    return value ? VL_TRUE : VL_FALSE;
}

// A yielded Boolean counts on its low 16 bits only.
bool IsTrue(VARIANT_BOOL value) {
    return static_cast<std::uint16_t>(value) != 0;
}

}  // namespace

void vlRegisterAppPath() {
    Text path;
    Check(::vlRegisterAppPath(path.ref()), u"vlRegisterAppPath");
}

bool vlIsInIDE() {
    VARIANT_BOOL result = VL_FALSE;
    Check(::vlIsInIDE(&result), u"vlIsInIDE");
    return IsTrue(result);
}

WindowHandle vlGetThunderMainHandle() {
    VLHWND window = nullptr;
    Check(::vlGetThunderMainHandle(&window), u"vlGetThunderMainHandle");
    return reinterpret_cast<WindowHandle>(window);
}

void vlSetWindowResIconAll(WindowHandle window, std::u16string_view resource_name) {
    Text name(resource_name);
    Check(::vlSetWindowResIconAll(reinterpret_cast<VLHWND>(window), name.ref()),
          u"vlSetWindowResIconAll");
}

std::u16string vlTrimEx(std::u16string_view text) {
    Text in(text);
    Text out;
    Check(::vlTrimEx(in.ref(), out.ref()), u"vlTrimEx");
    return out.str();
}

std::u16string vlTrimEx2(std::u16string_view text, unsigned classes) {
    const auto has = [classes](unsigned c) { return Bool((classes & c) != 0); };
    Text in(text);
    Text out;
    Check(::vlTrimEx2(in.ref(), has(kTrimSpace), has(kTrimTab), has(kTrimCR), has(kTrimLF),
                      has(kTrimNul), has(kTrimVtFf), has(kTrimNbsp), has(kTrimUnispace),
                      has(kTrimZeroWidth), has(kTrimControl), out.ref()),
          u"vlTrimEx2");
    return out.str();
}

std::u16string vlDestroyDoubleSpaces(std::u16string_view text) {
    Text in(text);
    Text out;
    Check(::vlDestroyDoubleSpaces(in.get(), out.ref()), u"vlDestroyDoubleSpaces");
    return out.str();
}

std::u16string vlTrimCRLF(std::u16string_view text) {
    Text in(text);
    Text out;
    Check(::vlTrimCRLF(in.ref(), out.ref()), u"vlTrimCRLF");
    return out.str();
}

std::u16string vlSystemTimeToStringTime2(double date) {
    Text out;
    Check(::vlSystemTimeToStringTime2(date, out.ref()), u"vlSystemTimeToStringTime2");
    return out.str();
}

std::u16string vlSystemTimeToStringDate2(double date, std::int16_t option) {
    Text out;
    Check(::vlSystemTimeToStringDate2(date, option, out.ref()), u"vlSystemTimeToStringDate2");
    return out.str();
}

std::u16string vlGetErrorNumber(std::int32_t code) {
    Text out;
    Check(::vlGetErrorNumber(code, out.ref()), u"vlGetErrorNumber");
    return out.str();
}

std::u16string vlGetAPIErrorDescription(std::int32_t code) {
    Text out;
    Check(::vlGetAPIErrorDescription(code, out.ref()), u"vlGetAPIErrorDescription");
    return out.str();
}

bool vlSetPrivilegeForProcess(std::u16string_view privilege_name, bool enable) {
    Text name(privilege_name);
    VARIANT_BOOL result = VL_FALSE;
    Check(::vlSetPrivilegeForProcess(name.get(), Bool(enable), &result),
          u"vlSetPrivilegeForProcess");
    return IsTrue(result);
}

void vlLogInfo(std::u16string_view text) {
    Text in(text);
    Text file;
    Check(::vlLogInfo(in.ref(), file.ref()), u"vlLogInfo");
}

void vlLogError(std::u16string_view text) {
    Text in(text);
    Text file;
    Check(::vlLogError(in.ref(), file.ref()), u"vlLogError");
}

}  // namespace support
