// The application runtime, scripted.
#include "fakes.h"

namespace fake {

std::u16string command_text;
std::u16string exe_base_name = u"todsync";
constexpr double kNow = 46206.37855376158;  // 2026-07-03 09:05:07.045 local time
std::vector<MessageBox> message_boxes;
int stop_signal = 0;
std::vector<std::u16string> shown_texts;

void ResetRuntime() {
    command_text.clear();
    exe_base_name = u"todsync";
    message_boxes.clear();
    stop_signal = 0;
    shown_texts.clear();
}

}  // namespace fake

namespace platform {

void InitCommonControls() {}
std::u16string CommandText() {
    return fake::command_text;
}
std::u16string ToUpper(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out) {
        if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
            c = static_cast<char16_t>(c - 0x20);
    }
    return out;
}
double LocalTimeAsOleDate() {
    return fake::kNow;
}
std::u16string ExeBaseName() {
    return fake::exe_base_name;
}
std::u16string UsageName() {
    return fake::exe_base_name + u"[.EXE]";
}
void ShowText(std::u16string_view text) {
    fake::shown_texts.emplace_back(text);
}
void ShowMessageBox(std::u16string_view text, MessageIcon icon, std::u16string_view caption) {
    fake::message_boxes.push_back({std::u16string(text), icon, std::u16string(caption)});
}
int StopSignal() {
    return fake::stop_signal;
}
std::u16string SignalName(int signal) {
    return signal == 15 ? u"SIGTERM" : u"another signal";
}
void Fatal(std::u16string_view what, std::int32_t status) {
    throw fake::FatalError{std::u16string(what), status};
}

}  // namespace platform
