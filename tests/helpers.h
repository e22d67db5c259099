// Small helpers shared by the tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "text.h"
#include "vestriosupport.h"

inline std::string U8(std::u16string_view text) {
    return vltext::ToUtf8(text);
}

// The message parts of the run log's lines "[time] [date] message" (ending
// in CR LF), in order; other lines come back whole.
inline std::vector<std::u16string> Messages(std::u16string_view log) {
    constexpr std::u16string_view line_end = u"\r\n";
    std::vector<std::u16string> out;
    while (!log.empty()) {
        const auto end = log.find(line_end);
        const auto line = log.substr(0, end);
        const auto date_end = line.find(u"] ", line.find(u"] ") + 2);
        out.emplace_back(date_end == line.npos ? line : line.substr(date_end + 2));
        if (end == log.npos)
            break;
        log.remove_prefix(end + line_end.size());
    }
    return out;
}

inline std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A BSTR that frees itself.
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

// A fresh folder of the test's own, removed with all it holds.
class ScratchDir {
public:
    ScratchDir() {
        std::random_device random;
        do
            path_ =
                std::filesystem::temp_directory_path() / ("todsync-" + std::to_string(random()));
        while (!std::filesystem::create_directory(path_));
    }
    ScratchDir(const ScratchDir&) = delete;
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(std::string_view name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};
