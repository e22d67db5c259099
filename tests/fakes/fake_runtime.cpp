// The application runtime, scripted.
#include "fakes.h"

namespace fake {

std::u16string command_text;
std::u16string exe_base_name = u"todsync";
std::vector<double> now_readings;
std::size_t now_calls = 0;
std::vector<MessageBox> message_boxes;

namespace {
std::string Narrow(std::u16string_view text) {
    std::string out;
    for (const char16_t c : text) {
        out += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return out;
}
}  // namespace

FatalError::FatalError(std::u16string what_failed_, std::int32_t status_)
    : std::runtime_error(Narrow(what_failed_) + " failed"),
      what_failed(std::move(what_failed_)),
      status(status_) {}

int stop_signal = 0;

void ResetRuntime() {
    command_text.clear();
    stop_signal = 0;
    exe_base_name = u"todsync";
    // 2026-07-03 09:05:07.045 local time.
    now_readings = {46206.37855376158};
    now_calls = 0;
    message_boxes.clear();
}

}  // namespace fake

namespace platform {

void InitCommonControls() {}
std::u16string CommandText() {
    return fake::command_text;
}

std::u16string UCase(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out) {
        if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
            c = static_cast<char16_t>(c - 0x20);
        }
    }
    return out;
}

double Now() {
    const auto& readings = fake::now_readings;
    const std::size_t i = fake::now_calls++;
    return readings.empty() ? 0.0 : readings[i < readings.size() ? i : readings.size() - 1];
}

std::u16string ExeBaseName() {
    return fake::exe_base_name;
}

void MsgBox(std::u16string_view text, int style, std::u16string_view caption) {
    fake::message_boxes.push_back({std::u16string(text), style, std::u16string(caption)});
}

int StopSignal() {
    return fake::stop_signal;
}

std::u16string SignalName(int signal) {
    return signal == 15 ? u"SIGTERM" : u"another signal";
}

void Fatal(std::u16string_view what, std::int32_t status) {
    throw fake::FatalError(std::u16string(what), status);
}

}  // namespace platform
