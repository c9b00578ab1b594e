#include "loader/failure_event.h"

namespace loader {
namespace {

// Field encodings of self-describing events: input type, with the high bit set when an output
// type follows.
constexpr std::uint8_t kInUInt8 = 4;
constexpr std::uint8_t kInInt32 = 7;
constexpr std::uint8_t kInUInt64 = 10;
constexpr std::uint8_t kOutTypeFollows = 0x80;
constexpr std::uint8_t kOutBoolean = 3;
constexpr std::uint8_t kOutHresult = 15;
constexpr std::uint8_t kProviderGroupTrait = 1;

struct Guid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
};

constexpr Guid kProviderId{
    0x951DDD7E, 0xF2FF, 0x5B3F, {0x71, 0x37, 0xE2, 0xF1, 0xA0, 0xDD, 0x98, 0x04}};
constexpr Guid kProviderGroup{
    0x4F50731A, 0x89CF, 0x4782, {0xB3, 0xE0, 0xDC, 0xE8, 0xC9, 0x04, 0x76, 0xBA}};

void AppendLittleEndian(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

void AppendGuid(std::string& out, const Guid& guid) {
    AppendLittleEndian(out, guid.data1, 4);
    AppendLittleEndian(out, guid.data2, 2);
    AppendLittleEndian(out, guid.data3, 2);
    for (std::uint8_t byte : guid.data4) {
        out += static_cast<char>(byte);
    }
}

void AppendName(std::string& out, const char* name) {
    out += name;
    out += '\0';
}

// Both blobs start with their own total size as a 16-bit number.
std::string WithSizePrefix(const std::string& body) {
    std::string out;
    AppendLittleEndian(out, body.size() + 2, 2);
    return out + body;
}

}  // namespace

std::string ProviderIdBytes() {
    std::string out;
    AppendGuid(out, kProviderId);
    return out;
}

std::string ProviderTraits() {
    std::string body;
    AppendName(body, kEventProviderName);
    std::string group;
    AppendLittleEndian(group, 2 + 1 + 16, 2);
    group += static_cast<char>(kProviderGroupTrait);
    AppendGuid(group, kProviderGroup);
    return WithSizePrefix(body + group);
}

std::string FailureEventMetadata() {
    std::string body;
    body += '\0';  // no event tags
    AppendName(body, kFailureEventName);
    const auto field = [&](const char* name, std::uint8_t in, std::uint8_t out) {
        AppendName(body, name);
        if (out == 0) {
            body += static_cast<char>(in);
        } else {
            body += static_cast<char>(in | kOutTypeFollows);
            body += static_cast<char>(out);
        }
    };
    field("HRESULT", kInInt32, kOutHresult);
    field("ClientDllFound", kInUInt8, kOutBoolean);
    field("InstalledRuntime", kInUInt8, kOutBoolean);
    field("PartA_PrivTags", kInUInt64, 0);
    return WithSizePrefix(body);
}

std::string FailureEventFields(std::int32_t hresult, bool clientDllFound, bool installedRuntime) {
    std::string out;
    AppendLittleEndian(out, static_cast<std::uint32_t>(hresult), 4);
    out += static_cast<char>(clientDllFound ? 1 : 0);
    out += static_cast<char>(installedRuntime ? 1 : 0);
    AppendLittleEndian(out, kPartAPrivacyTags, 8);
    return out;
}

bool SessionWantsFailureEvent(std::uint8_t enabledLevel, std::uint64_t matchAny,
                              std::uint64_t matchAll) {
    // Level 0 in an enable request means every level.
    const bool levelOn = enabledLevel == 0 || kFailureEventLevel <= enabledLevel;
    const bool anyOn = matchAny == 0 || (kFailureEventKeyword & matchAny) != 0;
    const bool allOn = (kFailureEventKeyword & matchAll) == matchAll;
    return levelOn && anyOn && allOn;
}

}  // namespace loader
