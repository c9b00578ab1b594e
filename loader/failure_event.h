#pragma once

// The self-describing (TraceLogging) metadata of the loader's failure event. Portable so that the
// exact bytes are tested everywhere; the Windows side only registers and writes.

#include <cstdint>
#include <string>

namespace loader {

inline constexpr char kEventProviderName[] = "Microsoft.MSEdgeWebView.Loader";
inline constexpr char kFailureEventName[] = "CreateWebViewEnvironmentError";
constexpr std::uint8_t kFailureEventLevel = 2;  // error
constexpr std::uint64_t kFailureEventKeyword = 0x400000000000;
constexpr std::uint64_t kPartAPrivacyTags = 0x1000000;
// Events that describe themselves travel on this channel.
constexpr std::uint8_t kTraceLoggingChannel = 11;

// Provider {951DDD7E-F2FF-5B3F-7137-E2F1A0DD9804} in its in-memory byte order.
std::string ProviderIdBytes();

// Provider name and its group {4F50731A-89CF-4782-B3E0-DCE8C90476BA}, as provider traits.
std::string ProviderTraits();

// Event name and the field list HRESULT, ClientDllFound, InstalledRuntime, PartA_PrivTags.
std::string FailureEventMetadata();

// The field values in the order of the metadata.
std::string FailureEventFields(std::int32_t hresult, bool clientDllFound, bool installedRuntime);

// Whether a session that enabled the provider with this level and these keywords wants the event.
bool SessionWantsFailureEvent(std::uint8_t enabledLevel, std::uint64_t matchAny,
                              std::uint64_t matchAll);

}  // namespace loader
