#include <gtest/gtest.h>

#include "settings/config_files.h"
#include "tests/scratch_directory.h"

// Payload preparation writes the default INI files into the configuration folder; the tests
// give it a scratch folder instead of the folder beside the test program.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const ScratchDirectory configFolder;
    UseConfigFolder(configFolder.path());
    return RUN_ALL_TESTS();
}
