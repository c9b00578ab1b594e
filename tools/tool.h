#pragma once

#include <ostream>
#include <string>
#include <vector>

// The developer tool's commands over the library: `args` are the words after the program name,
// in UTF-8. Returns the process exit code: 0 done, 1 refused, 2 misused.
int RunTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
