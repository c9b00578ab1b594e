#pragma once

#include <atomic>
#include <ostream>
#include <string>
#include <vector>

// `marrowpeek create PATH... --out FILE.torrent [options]`: `args` are the words after
// "create". Returns 0 when the torrent was written, 1 when the input was refused (nothing
// written), 2 for a usage error. `stop` (Ctrl+C) ends it with nothing written.
int RunCreate(const std::vector<std::string>& args, const std::atomic<bool>& stop,
              std::ostream& out, std::ostream& err);
