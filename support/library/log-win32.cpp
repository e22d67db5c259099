// Log entries on Windows: the Application event log and the plain-text log
// file.
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "bstr.h"
#include "logentry.h"
#include "messages.h"
#include "store.h"
#include "text.h"
#include "win32-util.h"

namespace {

std::wstring Environment(const wchar_t* name) {
    const DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0) {
        return {};
    }
    std::wstring value(n, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), n));
    return value;
}

bool MakeDirectories(const std::wstring& path) {
    for (std::size_t at = path.find(L'\\', 3);; at = path.find(L'\\', at + 1)) {
        const std::wstring prefix = path.substr(0, at);
        if (!CreateDirectoryW(prefix.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
        if (at == std::wstring::npos) {
            return true;
        }
    }
}

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    wchar_t* path = nullptr;
    std::wstring result;
    if (SHGetKnownFolderPath(id, 0, nullptr, &path) == S_OK) {
        result = path;
    }
    CoTaskMemFree(path);
    return result;
}

std::wstring LogFilePath(const std::wstring& name) {
    if (std::wstring chosen = Environment(L"VESTRIO_LOG_FILE"); !chosen.empty()) {
        return chosen;
    }
    for (const auto& base :
         {KnownFolder(FOLDERID_ProgramData), KnownFolder(FOLDERID_LocalAppData)}) {
        if (base.empty()) {
            continue;
        }
        const std::wstring dir = base + L"\\Vestrio\\Logs";
        const std::wstring file = dir + L"\\" + name + L".log";
        if (MakeDirectories(dir)) {
            const HANDLE probe =
                CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (probe != INVALID_HANDLE_VALUE) {
                CloseHandle(probe);
                return file;
            }
        }
    }
    return {};
}

std::wstring SystemText(DWORD code) {
    wchar_t* text = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = text != nullptr ? text : L"error " + std::to_wstring(code);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) {
        message.pop_back();
    }
    return message;
}

bool Report(const std::wstring& source, WORD type, const std::wstring& text) {
    const HANDLE log = RegisterEventSourceW(nullptr, source.c_str());
    if (log == nullptr) {
        return false;
    }
    const wchar_t* strings[] = {text.c_str()};
    const bool reported =
        ReportEventW(log, type, 0, VL_MSG_LOG_ENTRY, nullptr, 1, 0, strings, nullptr) != FALSE;
    DeregisterEventSource(log);
    return reported;
}

// How long a log file that another program holds (an editor, a backup) is
// waited for: well under the 2 s that the other places get.
constexpr ULONGLONG kShareWaitMs = 500;

// The one byte, far past any file's end, that every run locks around its
// append: entries of runs that end at once then never mix, and the lock
// stands in no reader's or writer's way.
OVERLAPPED AppendLock() {
    OVERLAPPED at{};
    at.Offset = 0xFFFFFFF0;
    at.OffsetHigh = 0x7FFFFFFF;
    return at;
}

HANDLE OpenForAppend(const std::wstring& path, ULONGLONG give_up, DWORD* error) {
    for (;;) {
        const HANDLE file =
            CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            return file;
        }
        *error = GetLastError();
        if ((*error != ERROR_SHARING_VIOLATION && *error != ERROR_LOCK_VIOLATION) ||
            GetTickCount64() >= give_up) {
            return INVALID_HANDLE_VALUE;
        }
        Sleep(20);
    }
}

// Takes the append lock, waiting until `give_up` at most; past that the
// entry is written all the same, since a lost entry is worse than a mixed one.
bool LockForAppend(HANDLE file, ULONGLONG give_up) {
    for (;;) {
        OVERLAPPED at = AppendLock();
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
            return true;
        }
        if (GetTickCount64() >= give_up) {
            return false;
        }
        Sleep(2);
    }
}

bool AppendToFile(const std::wstring& path, const std::string& block, DWORD* error) {
    if (path.empty()) {
        *error = ERROR_PATH_NOT_FOUND;
        return false;
    }
    const ULONGLONG give_up = GetTickCount64() + kShareWaitMs;
    const HANDLE file = OpenForAppend(path, give_up, error);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    // Only a file on a disk: a named pipe or a device could hold the run up
    // or take the entry nowhere.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        *error = ERROR_INVALID_NAME;
        return false;
    }
    const bool locked = LockForAppend(file, give_up);
    // One write, at the end of the file as it is under the lock.
    DWORD written = 0;
    const bool ok =
        WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &written, nullptr) &&
        written == block.size();
    *error = ok ? 0 : GetLastError();
    if (locked) {
        OVERLAPPED at = AppendLock();
        UnlockFileEx(file, 0, 1, 0, &at);
    }
    CloseHandle(file);
    return ok;
}

vllog::LocalTime Now() {
    SYSTEMTIME local;
    GetLocalTime(&local);
    TIME_ZONE_INFORMATION zone;
    const DWORD kind = GetTimeZoneInformation(&zone);
    LONG bias = zone.Bias;
    if (kind == TIME_ZONE_ID_DAYLIGHT)
        bias += zone.DaylightBias;
    if (kind == TIME_ZONE_ID_STANDARD)
        bias += zone.StandardBias;
    return {local.wYear,   local.wMonth,  local.wDay,          local.wHour,
            local.wMinute, local.wSecond, local.wMilliseconds, static_cast<int>(-bias)};
}

// The file holds CR LF line ends, as Windows' editors expect.
std::string WindowsLines(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (const char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

}  // namespace

int32_t vllog::Store(BSTR* text, BSTR* log_file, vllog::Kind kind) {
    std::u16string_view entry;
    if (!vlbstr::ViewRef(text, &entry) || log_file == nullptr) {
        return VL_E_POINTER;
    }
    const std::wstring name = vlwin::ExecutableName();
    const std::wstring path = LogFilePath(name);
    const std::string block = WindowsLines(
        vltext::ToUtf8(vllog::Block(Now(), vlwin::U16(name), GetCurrentProcessId(), kind, entry)));
    DWORD error = 0;
    const bool in_file = AppendToFile(path, block, &error);

    // The event's message: the entry's visible lines, cut where one
    // string of an event ends (31,839 characters); the file has them all.
    bool whole = false;
    const std::u16string message =
        vllog::EventMessage(entry, in_file ? vlwin::U16(path) : std::u16string(), &whole);
    const bool reported = Report(
        name, kind == vllog::Kind::kInformation ? EVENTLOG_INFORMATION_TYPE : EVENTLOG_ERROR_TYPE,
        vlwin::Wide(message));
    if (!in_file) {
        // The path comes from the environment: shown, never obeyed.
        const std::wstring warning =
            L"Cannot write the log file " + (path.empty() ? L"(no place for it)" : path) + L": " +
            SystemText(error) +
            (reported && !whole ? L" The event before this one holds only the first part of the "
                                  L"entry; the rest of it is lost."
                                : L"");
        Report(name, EVENTLOG_WARNING_TYPE, vlwin::Wide(vltext::Visible(vlwin::U16(warning))));
    }
    // Logged means that one place holds the whole entry.
    if (!in_file && !(reported && whole)) {
        return VL_E_FAIL;
    }
    return vlbstr::Give(vlwin::U16(path), log_file);
}
