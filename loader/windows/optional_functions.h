#pragma once

// Windows functions that older systems (and Wine) lack, resolved once per process. A null member
// means the function is not there and its step is skipped.

#include <windows.h>
// Needs the types of windows.h.
#include <evntprov.h>

namespace loader {

// The package version as one number: major, minor, build, revision from the high 16 bits down.
using PackageVersion = UINT64;

using TryCreatePackageDependencyFunction = HRESULT(WINAPI*)(PSID user, PCWSTR packageFamilyName,
                                                            PackageVersion minVersion,
                                                            INT32 architectures, INT32 lifetimeKind,
                                                            PCWSTR lifetimeArtifact, INT32 options,
                                                            PWSTR* packageDependencyId);
using AddPackageDependencyFunction = HRESULT(WINAPI*)(PCWSTR packageDependencyId, INT32 rank,
                                                      INT32 options, void** context,
                                                      PWSTR* packageFullName);
using GetCurrentPackageInfoFunction = LONG(WINAPI*)(UINT32 flags, UINT32* bufferLength,
                                                    BYTE* buffer, UINT32* count);

struct PackageFunctions {
    TryCreatePackageDependencyFunction tryCreatePackageDependency = nullptr;
    AddPackageDependencyFunction addPackageDependency = nullptr;
    GetCurrentPackageInfoFunction getCurrentPackageInfo = nullptr;

    bool Complete() const {
        return tryCreatePackageDependency != nullptr && addPackageDependency != nullptr &&
               getCurrentPackageInfo != nullptr;
    }
};

using GetCurrentApplicationUserModelIdFunction = LONG(WINAPI*)(UINT32* length, PWSTR id);
using GetCurrentProcessExplicitAppUserModelIdFunction = HRESULT(WINAPI*)(PWSTR* id);

struct IdentityFunctions {
    GetCurrentApplicationUserModelIdFunction getCurrentApplicationUserModelId = nullptr;
    GetCurrentProcessExplicitAppUserModelIdFunction getCurrentProcessExplicitAppUserModelId =
        nullptr;
};

using EventRegisterFunction = ULONG(WINAPI*)(LPCGUID providerId, PENABLECALLBACK callback,
                                             PVOID context, PREGHANDLE handle);
using EventSetInformationFunction = ULONG(WINAPI*)(REGHANDLE handle, int informationClass,
                                                   PVOID information, ULONG length);
using EventWriteTransferFunction = ULONG(WINAPI*)(REGHANDLE handle, PCEVENT_DESCRIPTOR descriptor,
                                                  LPCGUID activityId, LPCGUID relatedActivityId,
                                                  ULONG count, PEVENT_DATA_DESCRIPTOR data);
using EventUnregisterFunction = ULONG(WINAPI*)(REGHANDLE handle);

struct TracingFunctions {
    EventRegisterFunction eventRegister = nullptr;
    EventSetInformationFunction eventSetInformation = nullptr;
    EventWriteTransferFunction eventWriteTransfer = nullptr;
    EventUnregisterFunction eventUnregister = nullptr;
};

const PackageFunctions& SystemPackageFunctions();
const IdentityFunctions& SystemIdentityFunctions();
const TracingFunctions& SystemTracingFunctions();

}  // namespace loader
