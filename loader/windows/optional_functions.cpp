#include "loader/windows/optional_functions.h"

namespace loader {
namespace {

template <typename Function>
Function Resolve(HMODULE module, const char* name) {
    if (module == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Libraries taken only from the system folder, so that a file beside the host cannot stand in.
HMODULE SystemLibrary(const wchar_t* name) {
    if (HMODULE loaded = GetModuleHandleW(name)) {
        return loaded;
    }
    return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

// Function-local statics: initialised once, safely, on first use.
const PackageFunctions& SystemPackageFunctions() {
    static const PackageFunctions functions = [] {
        const HMODULE kernelbase = SystemLibrary(L"kernelbase.dll");
        PackageFunctions found;
        found.tryCreatePackageDependency =
            Resolve<TryCreatePackageDependencyFunction>(kernelbase, "TryCreatePackageDependency");
        found.addPackageDependency =
            Resolve<AddPackageDependencyFunction>(kernelbase, "AddPackageDependency");
        found.getCurrentPackageInfo =
            Resolve<GetCurrentPackageInfoFunction>(kernelbase, "GetCurrentPackageInfo");
        return found;
    }();
    return functions;
}

const IdentityFunctions& SystemIdentityFunctions() {
    static const IdentityFunctions functions = [] {
        IdentityFunctions found;
        found.getCurrentApplicationUserModelId = Resolve<GetCurrentApplicationUserModelIdFunction>(
            SystemLibrary(L"Kernel32.dll"), "GetCurrentApplicationUserModelId");
        if (found.getCurrentApplicationUserModelId == nullptr) {
            found.getCurrentProcessExplicitAppUserModelId =
                Resolve<GetCurrentProcessExplicitAppUserModelIdFunction>(
                    SystemLibrary(L"shell32.dll"), "GetCurrentProcessExplicitAppUserModelID");
        }
        return found;
    }();
    return functions;
}

const TracingFunctions& SystemTracingFunctions() {
    static const TracingFunctions functions = [] {
        const HMODULE advapi = SystemLibrary(L"ADVAPI32.dll");
        TracingFunctions found;
        found.eventRegister = Resolve<EventRegisterFunction>(advapi, "EventRegister");
        if (found.eventRegister == nullptr) {
            return found;
        }
        found.eventSetInformation =
            Resolve<EventSetInformationFunction>(advapi, "EventSetInformation");
        found.eventWriteTransfer =
            Resolve<EventWriteTransferFunction>(advapi, "EventWriteTransfer");
        found.eventUnregister = Resolve<EventUnregisterFunction>(advapi, "EventUnregister");
        if (found.eventWriteTransfer == nullptr || found.eventUnregister == nullptr) {
            found.eventRegister = nullptr;
        }
        return found;
    }();
    return functions;
}

}  // namespace loader
