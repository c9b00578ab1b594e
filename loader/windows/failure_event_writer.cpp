#include "loader/windows/failure_event_writer.h"

#include <evntprov.h>

#include <cstring>
#include <string>

#include "loader/failure_event.h"
#include "loader/windows/optional_functions.h"

namespace loader {
namespace {

// EventSetInformation's class for provider traits.
constexpr int kEventProviderSetTraits = 2;
// Data descriptor kinds that carry self-describing metadata instead of field values.
constexpr ULONG kProviderMetadataDescriptor = 2;
constexpr ULONG kEventMetadataDescriptor = 1;

struct SessionInterest {
    bool wanted = false;
};

// Called during registration for every session that already enabled the provider.
void NTAPI OnEnable(LPCGUID, ULONG isEnabled, UCHAR level, ULONGLONG matchAny, ULONGLONG matchAll,
                    PEVENT_FILTER_DESCRIPTOR, PVOID context) {
    auto* interest = static_cast<SessionInterest*>(context);
    if (isEnabled == 1 && SessionWantsFailureEvent(level, matchAny, matchAll)) {
        interest->wanted = true;
    }
}

EVENT_DATA_DESCRIPTOR Describe(const std::string& bytes, ULONG kind) {
    EVENT_DATA_DESCRIPTOR descriptor;
    descriptor.Ptr = reinterpret_cast<ULONGLONG>(bytes.data());
    descriptor.Size = static_cast<ULONG>(bytes.size());
    descriptor.Reserved = kind;
    return descriptor;
}

}  // namespace

void WriteFailureEvent(HRESULT result, bool clientDllFound, bool installedRuntime) {
    const TracingFunctions& tracing = SystemTracingFunctions();
    if (tracing.eventRegister == nullptr) {
        return;
    }
    GUID provider;
    const std::string id = ProviderIdBytes();
    std::memcpy(&provider, id.data(), sizeof provider);

    SessionInterest interest;
    REGHANDLE handle = 0;
    if (tracing.eventRegister(&provider, OnEnable, &interest, &handle) != ERROR_SUCCESS) {
        return;
    }
    std::string traits = ProviderTraits();
    if (tracing.eventSetInformation != nullptr) {
        tracing.eventSetInformation(handle, kEventProviderSetTraits, traits.data(),
                                    static_cast<ULONG>(traits.size()));
    }
    if (interest.wanted) {
        EVENT_DESCRIPTOR event{};
        event.Channel = kTraceLoggingChannel;
        event.Level = kFailureEventLevel;
        event.Keyword = kFailureEventKeyword;
        const std::string metadata = FailureEventMetadata();
        const std::string fields = FailureEventFields(result, clientDllFound, installedRuntime);
        EVENT_DATA_DESCRIPTOR data[] = {Describe(traits, kProviderMetadataDescriptor),
                                        Describe(metadata, kEventMetadataDescriptor),
                                        Describe(fields, 0)};
        tracing.eventWriteTransfer(handle, &event, nullptr, nullptr, 3, data);
    }
    tracing.eventUnregister(handle);
}

}  // namespace loader
