#include "runlog.h"

#include "platform.h"
#include "vl.h"

std::u16string runLog;

void AddLog(std::u16string_view text) {
    for (const auto& piece : platform::Split(text, u"\r\n")) {
        const std::u16string line = support::vlTrimEx(piece);
        if (line.empty()) {
            continue;
        }
        // Two readings, both taken before either text is made.
        const double time_reading = platform::LocalTimeAsOleDate();
        const double date_reading = platform::LocalTimeAsOleDate();
        const std::u16string time_text = support::vlSystemTimeToStringTime2(time_reading);
        const std::u16string date_text = support::vlSystemTimeToStringDate2(date_reading, 0);
        runLog += u"[" + time_text + u"] [" + date_text + u"] " + line + u"\r\n";
    }
}

void FlushLog(bool success) {
    const std::u16string text = support::vlTrimCRLF(runLog);
    if (success) {
        support::vlLogInfo(text);
    } else {
        support::vlLogError(text);
    }
}
