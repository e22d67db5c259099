// The application runtime, scripted.
#include "fakes.h"

namespace fake {

std::u16string command_text;
std::u16string exe_base_name = u"todsync";
double now = 46206.37855376158;  // 2026-07-03 09:05:07.045 local time
std::vector<MessageBox> message_boxes;

void ResetRuntime() {
    command_text.clear();
    exe_base_name = u"todsync";
    now = 46206.37855376158;
    message_boxes.clear();
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
    return fake::now;
}
std::u16string ExeBaseName() {
    return fake::exe_base_name;
}
void ShowMessageBox(std::u16string_view text, MessageIcon icon, std::u16string_view caption) {
    fake::message_boxes.push_back({std::u16string(text), icon, std::u16string(caption)});
}
int StopSignal() {
    return 0;
}
std::u16string SignalName(int) {
    return u"";
}
void Fatal(std::u16string_view what, std::int32_t status) {
    throw fake::FatalError{std::u16string(what), status};
}

}  // namespace platform
