// BSTR helpers shared by the library's exported operations.
#pragma once

#include <cstdint>
#include <limits>
#include <new>
#include <string>
#include <string_view>

#include "vestriosupport.h"

namespace vlbstr {

inline std::u16string_view View(BSTR text) {
    if (text == nullptr) {
        return {};
    }
    return {reinterpret_cast<const char16_t*>(text), SysStringLen(text)};
}

// A BSTR passed by reference: the caller's variable must exist.
inline bool ViewRef(BSTR* text, std::u16string_view* view) {
    if (text == nullptr) {
        return false;
    }
    *view = View(*text);
    return true;
}

// Hands `text` to the caller as a new BSTR.
inline std::int32_t Give(std::u16string_view text, BSTR* out) {
    if (out == nullptr) {
        return VL_E_POINTER;
    }
    if (text.size() > std::numeric_limits<UINT>::max() / 2 - 8) {
        return VL_E_OUTOFMEMORY;
    }
    BSTR copy = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                  static_cast<UINT>(text.size()));
    if (copy == nullptr) {
        return VL_E_OUTOFMEMORY;
    }
    *out = copy;
    return VL_S_OK;
}

inline VARIANT_BOOL Bool(bool value) {
    return value ? VL_TRUE : VL_FALSE;
}

// Runs an operation's body, turning an exhausted heap into a status: no
// exception may cross the C boundary.
template <typename Body>
std::int32_t Guard(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return VL_E_OUTOFMEMORY;
    } catch (...) {
        return VL_E_FAIL;
    }
}

}  // namespace vlbstr
