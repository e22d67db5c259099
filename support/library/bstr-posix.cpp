// The string allocator of OLE Automation, with Windows' layout: a 32-bit
// byte count, the UTF-16 characters, and a 16-bit NUL after them. The BSTR
// points at the first character.
#include <cstdlib>
#include <cstring>

#include "vestriosupport.h"

extern "C" {

VLEXPORT BSTR SysAllocStringLen(const OLECHAR* text, UINT len) {
    constexpr UINT kMax = (0xFFFFFFFFu - sizeof(uint32_t) - sizeof(OLECHAR)) / sizeof(OLECHAR);
    if (len > kMax) {
        return nullptr;
    }
    const uint32_t bytes = len * static_cast<uint32_t>(sizeof(OLECHAR));
    auto* block =
        static_cast<unsigned char*>(std::malloc(sizeof(uint32_t) + bytes + sizeof(OLECHAR)));
    if (block == nullptr) {
        return nullptr;
    }
    std::memcpy(block, &bytes, sizeof bytes);
    auto* chars = reinterpret_cast<OLECHAR*>(block + sizeof(uint32_t));
    if (text != nullptr) {
        std::memcpy(chars, text, bytes);
    } else {
        std::memset(chars, 0, bytes);
    }
    chars[len] = 0;
    return chars;
}

VLEXPORT UINT SysStringLen(BSTR text) {
    if (text == nullptr) {
        return 0;
    }
    uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<unsigned char*>(text) - sizeof(uint32_t), sizeof bytes);
    return bytes / sizeof(OLECHAR);
}

VLEXPORT void SysFreeString(BSTR text) {
    if (text != nullptr) {
        std::free(reinterpret_cast<unsigned char*>(text) - sizeof(uint32_t));
    }
}

}  // extern "C"
