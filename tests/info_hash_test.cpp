#include "torrent/info_hash.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(HashHex, KnownDigests) {
    const std::string abc = "abc";
    EXPECT_EQ(HashHex(L"SHA1", abc.data(), abc.size()), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(HashHex(L"SHA256", abc.data(), abc.size()),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(HashHex(L"SHA1", "", 0), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    const std::string million(1000000, 'a');
    EXPECT_EQ(HashHex(L"SHA1", million.data(), million.size()),
              "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(HashHex, RefusedAlgorithmGivesEmptyText) {
    EXPECT_EQ(HashHex(L"NOT-A-HASH", "abc", 3), "");
}

}  // namespace
