#include <gtest/gtest.h>

#include <string>

#include "md5.h"

namespace {

struct DigestCase {
    std::string message;
    const char* hex;
};

TEST(MD5, KnownDigests) {
    const DigestCase cases[] = {
        // The test suite of RFC 1321.
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
        // Around the block and padding boundaries.
        {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
        {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
        {std::string(63, 'a'), "b06521f39153d618550606be297466d5"},
        {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
        {std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435"},
        {std::string(128, 'a'), "e510683b3f5ffe4093d021808bc6ff70"},
    };
    for (const DigestCase& c : cases) {
        MD5 whole;
        whole.Update(c.message);
        EXPECT_EQ(whole.ToString(), c.hex) << "length " << c.message.size();

        MD5 piecewise;  // byte by byte through the buffer form
        for (char ch : c.message) piecewise.Update(&ch, 1);
        EXPECT_EQ(piecewise.ToString(), c.hex) << "length " << c.message.size();
    }
}

TEST(MD5, DigestKeepsTheRunningStateAndInitStartsAgain) {
    MD5 md5;
    md5.Update("a");
    EXPECT_EQ(md5.ToString(), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(md5.ToString(), "0cc175b9c0f1b6a831c399e269772661");  // asking twice changes nothing
    md5.Update(std::string("bc"));
    EXPECT_EQ(md5.ToString(), "900150983cd24fb0d6963f7d28e17f72");  // the message went on: "abc"
    const MD5::Digest& digest = md5.GetDigest();
    EXPECT_EQ(digest[0], 0x90);
    EXPECT_EQ(digest[15], 0x72);
    md5.Init();
    EXPECT_EQ(md5.ToString(), "d41d8cd98f00b204e9800998ecf8427e");
}

}  // namespace
