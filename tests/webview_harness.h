#pragma once

// What the Windows tests need around the test runtime: copies of it laid out like installed
// runtimes, the registry and environment a test changes (and puts back), and a message pump.

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/runtime/test_runtime.h"

// A copy of the test runtime at <folder>\EBWebView\x64\EmbeddedBrowserWebView.dll. The test
// holds its own reference to the library for the rest of the process, so objects the copy made
// stay valid whatever the loader does with its reference.
struct RuntimeCopy {
    std::wstring folder;
    std::wstring libraryPath;
    TestRuntime* control = nullptr;
};

RuntimeCopy InstallRuntimeCopy(const std::filesystem::path& folder);

// Makes `to` the same file as `from`: a hard link where possible, else a copy.
void LinkOrCopy(const std::filesystem::path& from, const std::filesystem::path& to);

// Runs every message waiting on this thread, including those posted while running.
void PumpMessages();

// Sets or removes an environment variable for the object's life.
class ScopedVariable {
  public:
    ScopedVariable(const wchar_t* name, const wchar_t* value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    std::wstring name_;
    bool existed_ = false;
    std::wstring previous_;
};

// A text in the machine's 32-bit registry view, where the runtimes register.
void WriteRegistryText(const std::wstring& key, const wchar_t* name, const std::wstring& value);
// Removes every runtime registration and WebView2 policy from both hives.
void RemoveRuntimeRegistrations();
