// NetRemoteTOD and DsGetDcName on Windows: netapi32 itself.
#include <windows.h>
#include <dsgetdc.h>
#include <lm.h>
#include <timeapi.h>

#include <cstring>
#include <string>

// dsgetdc.h makes DsGetDcName a macro for its A or W form: platform's is
// neither.
#undef DsGetDcName

#include "measure.h"
#include "platform.h"

static_assert(sizeof(::TIME_OF_DAY_INFO) == sizeof(platform::TIME_OF_DAY_INFO));
static_assert(DS_FORCE_REDISCOVERY == platform::kDsForceRediscovery &&
              DS_PDC_REQUIRED == platform::kDsPdcRequired &&
              DS_TIMESERV_REQUIRED == platform::kDsTimeservRequired &&
              DS_GOOD_TIMESERV_PREFERRED == platform::kDsGoodTimeservPreferred &&
              DS_RETURN_DNS_NAME == platform::kDsReturnDnsName &&
              DS_PDC_FLAG == platform::kDsPdcFlag &&
              DS_TIMESERV_FLAG == platform::kDsTimeservFlag &&
              DS_GOOD_TIMESERV_FLAG == platform::kDsGoodTimeservFlag);

namespace platform {

std::uint32_t NetRemoteTOD(std::u16string_view server, std::uint8_t** buffer) {
    *buffer = nullptr;
    const std::wstring name(server.begin(), server.end());
    LPBYTE data = nullptr;
    const NET_API_STATUS status = ::NetRemoteTOD(name.c_str(), &data);
    if (status != NERR_Success && data != nullptr) {
        ::NetApiBufferFree(data);
        data = nullptr;
    }
    *buffer = data;
    return status;
}

std::uint32_t NetRemoteTODPrecise(std::u16string_view server, std::uint8_t** buffer,
                                  estimate::Estimate* time, bool* estimated) {
    *buffer = nullptr;
    TIME_OF_DAY_INFO record{};
    bool has_record = false;
    // The 2 ms between questions, not the timer's default 15.6 ms.
    timeBeginPeriod(1);
    const std::uint32_t status = MeasureTimeOfDay(
        [server](TIME_OF_DAY_INFO* answer, bool* has) {
            std::uint8_t* data = nullptr;
            const std::uint32_t result = NetRemoteTOD(server, &data);
            *has = data != nullptr;
            if (data != nullptr) {
                std::memcpy(answer, data, sizeof *answer);
                ::NetApiBufferFree(data);
            }
            return result;
        },
        &record, &has_record, time, estimated);
    timeEndPeriod(1);
    // The record goes out in a buffer of netapi32's, as NetRemoteTOD's does.
    if (status == 0 && has_record &&
        ::NetApiBufferAllocate(sizeof record, reinterpret_cast<LPVOID*>(buffer)) == NERR_Success) {
        std::memcpy(*buffer, &record, sizeof record);
    }
    *estimated = *estimated && *buffer != nullptr;
    return status;
}

std::uint32_t DsGetDcName(std::u16string_view domain, std::uint32_t flags, TimeServer* found) {
    const std::wstring name(domain.begin(), domain.end());
    PDOMAIN_CONTROLLER_INFOW info = nullptr;
    const DWORD status = ::DsGetDcNameW(nullptr, domain.empty() ? nullptr : name.c_str(), nullptr,
                                        nullptr, flags, &info);
    if (info != nullptr) {
        if (status == ERROR_SUCCESS) {
            const auto text = [](const wchar_t* s) {
                return s != nullptr ? std::u16string(s, s + std::wcslen(s)) : std::u16string();
            };
            *found = {text(info->DomainControllerName), text(info->DomainName), info->Flags};
        }
        ::NetApiBufferFree(info);
    }
    return status == ERROR_SUCCESS && found->name.empty() ? ERROR_NO_SUCH_DOMAIN : status;
}

void NetApiBufferFree(void* buffer) {
    if (buffer != nullptr) {
        ::NetApiBufferFree(buffer);
    }
}

}  // namespace platform
