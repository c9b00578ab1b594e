#include <iostream>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/debug_output.h"
#include "platform/text.h"
#include "tools/tool.h"

namespace {

template <typename Char>
int Main(int argc, Char** argv) {
    platform::SetBinaryStdout();
    platform::MirrorDebugOutputToStderr();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(platform::PathToUtf8(std::filesystem::path(argv[i])));
    }
    const int code = RunTool(args, std::cout, std::cerr);
    std::cout.flush();
    return code;
}

}  // namespace

#ifdef _WIN32
// Wide arguments: file names outside the ANSI code page reach the tool intact.
int wmain(int argc, wchar_t** argv) {
    return Main(argc, argv);
}
#else
int main(int argc, char** argv) {
    return Main(argc, argv);
}
#endif
