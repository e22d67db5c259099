// A stand-in for netapi32.dll in the Windows tests (Wine's own NetRemoteTOD
// is a stub that aborts). Loaded in place of the real one with
// WINEDLLOVERRIDES=netapi32=n from the program's folder.
//
// TODSYNC_TEST_NETAPI scripts the answers: entries "HOST=ANSWER" separated
// by ';', the host as the program passes it. ANSWER is one of
//   error:N                 the status N
//   null                    success with a null buffer
//   now                     the current UTC time, to the hundredth
//   record:Y,M,D,h,m,s,hh   that time
// A host without an entry gets 53.
#include <windows.h>
#include <lm.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::wstring Environment(const wchar_t* name) {
    wchar_t value[4096];
    const DWORD n = GetEnvironmentVariableW(name, value, 4096);
    return n > 0 && n < 4096 ? std::wstring(value, n) : std::wstring();
}

std::wstring AnswerFor(const std::wstring& host) {
    const std::wstring script = Environment(L"TODSYNC_TEST_NETAPI");
    std::size_t at = 0;
    while (at <= script.size()) {
        std::size_t end = script.find(L';', at);
        if (end == std::wstring::npos)
            end = script.size();
        const std::wstring entry = script.substr(at, end - at);
        const std::size_t equals = entry.find(L'=');
        if (equals != std::wstring::npos && entry.substr(0, equals) == host) {
            return entry.substr(equals + 1);
        }
        at = end + 1;
    }
    return L"error:53";
}

}  // namespace

extern "C" NET_API_STATUS WINAPI NetRemoteTOD(LPCWSTR server, LPBYTE* buffer) {
    const std::wstring host = server != nullptr ? server : L"";
    *buffer = nullptr;
    const std::wstring answer = AnswerFor(host);
    if (answer.rfind(L"error:", 0) == 0) {
        return static_cast<NET_API_STATUS>(std::wcstoul(answer.c_str() + 6, nullptr, 10));
    }
    if (answer == L"null") {
        return NERR_Success;
    }
    long v[7] = {};
    if (answer == L"now") {
        SYSTEMTIME now;
        GetSystemTime(&now);
        v[0] = now.wYear, v[1] = now.wMonth, v[2] = now.wDay, v[3] = now.wHour;
        v[4] = now.wMinute, v[5] = now.wSecond, v[6] = now.wMilliseconds / 10;
    } else {
        std::swscanf(answer.c_str(), L"record:%ld,%ld,%ld,%ld,%ld,%ld,%ld", &v[0], &v[1], &v[2],
                     &v[3], &v[4], &v[5], &v[6]);
    }
    auto* tod = static_cast<TIME_OF_DAY_INFO*>(
        HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(TIME_OF_DAY_INFO)));
    DWORD* fields[] = {&tod->tod_year, &tod->tod_month, &tod->tod_day,  &tod->tod_hours,
                       &tod->tod_mins, &tod->tod_secs,  &tod->tod_hunds};
    for (int i = 0; i < 7; ++i) {
        *fields[i] = static_cast<DWORD>(v[i]);
    }
    tod->tod_timezone = -60;
    *buffer = reinterpret_cast<LPBYTE>(tod);
    return NERR_Success;
}

extern "C" NET_API_STATUS WINAPI NetApiBufferFree(LPVOID buffer) {
    if (buffer != nullptr) {
        HeapFree(GetProcessHeap(), 0, buffer);
    }
    return NERR_Success;
}
