// A BSTR that frees itself, for the support library's tests.
#pragma once

#include <string>
#include <string_view>

#include "vestriosupport.h"

struct Str {
    BSTR value = nullptr;
    Str() = default;
    explicit Str(std::u16string_view text)
        : value(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                  static_cast<UINT>(text.size()))) {}
    Str(const Str&) = delete;
    Str& operator=(const Str&) = delete;
    ~Str() { SysFreeString(value); }
    std::u16string str() const {
        return {reinterpret_cast<const char16_t*>(value), SysStringLen(value)};
    }
};
