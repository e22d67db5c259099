// A stand-in for netapi32.dll under Wine (whose NetRemoteTOD aborts), loaded
// with WINEDLLOVERRIDES=netapi32=n. TODSYNC_TEST_NETAPI holds HOST=ANSWER
// entries separated by ';', ANSWER one of error:N, null (no buffer), now
// (UTC) or record:Y,M,D,h,m,s,hh; any other host gets 53.
#include <windows.h>
#include <lm.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::wstring AnswerFor(const std::wstring& host) {
    wchar_t value[4096];
    const DWORD n = GetEnvironmentVariableW(L"TODSYNC_TEST_NETAPI", value, 4096);
    const std::wstring script = L";" + std::wstring(value, n < 4096 ? n : 0) + L";";
    const std::size_t at = script.find(L";" + host + L"=");
    if (at == std::wstring::npos)
        return L"error:53";
    const std::size_t start = at + host.size() + 2;
    return script.substr(start, script.find(L';', start) - start);
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
    for (int i = 0; i < 7; ++i)
        *fields[i] = static_cast<DWORD>(v[i]);
    tod->tod_timezone = -60;
    *buffer = reinterpret_cast<LPBYTE>(tod);
    return NERR_Success;
}

extern "C" NET_API_STATUS WINAPI NetApiBufferFree(LPVOID buffer) {
    if (buffer != nullptr)
        HeapFree(GetProcessHeap(), 0, buffer);
    return NERR_Success;
}
