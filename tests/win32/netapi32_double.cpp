// A stand-in for netapi32.dll under Wine (whose NetRemoteTOD aborts), loaded
// with WINEDLLOVERRIDES=netapi32=n. TODSYNC_TEST_NETAPI holds HOST=ANSWER
// entries separated by ';', ANSWER one of error:N, now (UTC) or
// record:Y,M,D,h,m,s,hh; any other host gets 53. DsGetDcNameW answers
// DOMAIN:NAME=dc:SERVER[|SERVER] (the second found by a forced
// rediscovery); any other domain gets 1355.
#include <windows.h>
// This DLL defines DsGetDcNameW: not an import.
#define _DSGETDCAPI_
#include <dsgetdc.h>
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

extern "C" DWORD WINAPI DsGetDcNameW(LPCWSTR, LPCWSTR domain, GUID*, LPCWSTR, ULONG flags,
                                     PDOMAIN_CONTROLLER_INFOW* info) {
    *info = nullptr;
    std::wstring answer = AnswerFor(L"DOMAIN:" + std::wstring(domain != nullptr ? domain : L""));
    if (answer.rfind(L"dc:", 0) != 0) {
        return ERROR_NO_SUCH_DOMAIN;
    }
    std::wstring server = answer.substr(answer.find(L':') + 1);
    const std::size_t bar = server.find(L'|');
    server = (flags & DS_FORCE_REDISCOVERY) != 0 && bar != std::wstring::npos
                 ? server.substr(bar + 1)
                 : server.substr(0, bar);
    // One block, the names behind the structure, as NetApiBufferFree frees it.
    const std::wstring name = L"\\\\" + server;
    const std::wstring domain_name = L"tod.test";
    const std::size_t size =
        sizeof(DOMAIN_CONTROLLER_INFOW) + (name.size() + domain_name.size() + 2) * sizeof(wchar_t);
    auto* block =
        static_cast<DOMAIN_CONTROLLER_INFOW*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size));
    auto* text = reinterpret_cast<wchar_t*>(block + 1);
    block->DomainControllerName = text;
    wcscpy(text, name.c_str());
    block->DomainName = text + name.size() + 1;
    wcscpy(block->DomainName, domain_name.c_str());
    block->Flags = DS_TIMESERV_FLAG | DS_PDC_FLAG;
    *info = block;
    return ERROR_SUCCESS;
}

extern "C" NET_API_STATUS WINAPI NetApiBufferAllocate(DWORD size, LPVOID* buffer) {
    *buffer = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);
    return *buffer != nullptr ? NERR_Success : ERROR_NOT_ENOUGH_MEMORY;
}

extern "C" NET_API_STATUS WINAPI NetApiBufferFree(LPVOID buffer) {
    if (buffer != nullptr)
        HeapFree(GetProcessHeap(), 0, buffer);
    return NERR_Success;
}
