#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "aes.h"

namespace {

std::vector<std::uint8_t> FromHex(const char* hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
        const std::string pair(hex + i, 2);
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(pair, nullptr, 16)));
    }
    return bytes;
}

std::string ToHex(const std::uint8_t* bytes, std::size_t length) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

struct KnownAnswer {
    const char* name;
    const char* key;
    const char* plain;
    const char* cipher;
};

// FIPS-197 appendix B (the worked example) and appendix C.1 (AES-128 known answer).
const KnownAnswer kKnownAnswers[] = {
    {"appendix B", "2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734",
     "3925841d02dc09fbdc118597196a0b32"},
    {"appendix C.1", "000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff",
     "69c4e0d86a7b0430d8cdb78070b4c55a"},
};

// The fixed key of the remembered password.
const char kPasswordKey[] = "3f9a1c77e2b04d5816ca9e03b7f2416d";

}  // namespace

TEST(AesTest, KnownAnswerVectorsInBothDirections) {
    for (const KnownAnswer& vector : kKnownAnswers) {
        SCOPED_TRACE(vector.name);
        const std::vector<std::uint8_t> key = FromHex(vector.key);
        const AES aes(key.data());
        std::vector<std::uint8_t> block = FromHex(vector.plain);
        EXPECT_EQ(aes.EncryptBlock(block.data()), block.data());
        EXPECT_EQ(ToHex(block.data(), 16), vector.cipher);
        EXPECT_EQ(aes.DecryptBlock(block.data()), block.data());
        EXPECT_EQ(ToHex(block.data(), 16), vector.plain);
        // The buffer form of one block gives the same ciphertext.
        EXPECT_EQ(aes.Encrypt(block.data(), 16), block.data());
        EXPECT_EQ(ToHex(block.data(), 16), vector.cipher);
    }
}

TEST(AesTest, RoundTripsAndInstancesAgree) {
    const std::vector<std::uint8_t> key = FromHex(kPasswordKey);
    const AES first(key.data());
    const AES second(key.data());
    std::uint8_t block[16];
    for (int pattern = 0; pattern < 64; ++pattern) {
        for (int i = 0; i < 16; ++i) block[i] = static_cast<std::uint8_t>(pattern * 37 + i * 11);
        std::uint8_t original[16];
        std::memcpy(original, block, 16);
        std::uint8_t other[16];
        std::memcpy(other, block, 16);
        first.EncryptBlock(block);
        second.EncryptBlock(other);
        EXPECT_EQ(0, std::memcmp(block, other, 16));
        EXPECT_NE(0, std::memcmp(block, original, 16));
        second.DecryptBlock(block);
        EXPECT_EQ(0, std::memcmp(block, original, 16)) << "pattern " << pattern;
    }
}

TEST(AesTest, KeyIsReadNotKept) {
    std::vector<std::uint8_t> key = FromHex(kKnownAnswers[1].key);
    const AES aes(key.data());
    std::fill(key.begin(), key.end(), 0xEE);
    std::vector<std::uint8_t> block = FromHex(kKnownAnswers[1].plain);
    aes.EncryptBlock(block.data());
    EXPECT_EQ(ToHex(block.data(), 16), kKnownAnswers[1].cipher);
}

// Encrypt over a 64-byte buffer of a known pattern; reports how many leading bytes changed and
// checks that the changed part is whole blocks of the block cipher.
struct BufferCase {
    int length;
    int expectedBytes;
};

TEST(AesTest, BufferLengthDecidesTheBlocks) {
    const BufferCase cases[] = {{16, 16}, {17, 32}, {1, 16}, {32, 32}, {48, 48}, {-1, 0}, {-100, 0}};
    const std::vector<std::uint8_t> key = FromHex(kPasswordKey);
    const AES aes(key.data());
    for (const BufferCase& c : cases) {
        SCOPED_TRACE(c.length);
        std::uint8_t buffer[64];
        for (int i = 0; i < 64; ++i) buffer[i] = static_cast<std::uint8_t>(i + 1);
        std::uint8_t expected[64];
        std::memcpy(expected, buffer, 64);
        for (int offset = 0; offset < c.expectedBytes; offset += 16) aes.EncryptBlock(expected + offset);
        EXPECT_EQ(aes.Encrypt(buffer, c.length), buffer);
        EXPECT_EQ(0, std::memcmp(buffer, expected, 64));
    }
}

TEST(AesTest, LengthZeroCountsTheTextAndItsZeroByte) {
    const std::vector<std::uint8_t> key = FromHex(kPasswordKey);
    const AES aes(key.data());
    struct TextCase {
        const char* text;
        int blocks;
    } cases[] = {{"abc", 1}, {"", 1}, {"0123456789abcde", 1}, {"0123456789abcdef", 2}};
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.text);
        std::uint8_t buffer[48];
        std::memset(buffer, 0x5A, sizeof buffer);
        std::memcpy(buffer, c.text, std::strlen(c.text) + 1);
        std::uint8_t expected[48];
        std::memcpy(expected, buffer, sizeof buffer);
        for (int b = 0; b < c.blocks; ++b) aes.EncryptBlock(expected + b * 16);
        aes.Encrypt(buffer, 0);
        EXPECT_EQ(0, std::memcmp(buffer, expected, sizeof buffer));
    }
}

TEST(AesTest, CodeBookModeRepeatsIdenticalBlocks) {
    const std::vector<std::uint8_t> key = FromHex(kPasswordKey);
    const AES aes(key.data());
    std::uint8_t buffer[48];
    for (int i = 0; i < 48; ++i) buffer[i] = static_cast<std::uint8_t>('A' + i % 16);
    aes.Encrypt(buffer, 48);
    EXPECT_EQ(0, std::memcmp(buffer, buffer + 16, 16));
    EXPECT_EQ(0, std::memcmp(buffer, buffer + 32, 16));
}

// The bounded form never reaches beyond the buffer: a short last block that does not fit is left
// alone, and a text without a zero byte ends at the buffer's end.
TEST(AesTest, BoundedEncryptStaysInsideTheBuffer) {
    const std::vector<std::uint8_t> key = FromHex(kPasswordKey);
    const AES aes(key.data());
    struct BoundedCase {
        int length;
        std::size_t capacity;
        int expectedBytes;
    } cases[] = {{20, 20, 16}, {20, 32, 32}, {262, 260, 256}, {-5, 64, 0}, {16, 15, 0}};
    for (const BoundedCase& c : cases) {
        SCOPED_TRACE(c.length);
        std::vector<std::uint8_t> buffer(c.capacity + 16, 0x33);
        for (std::size_t i = 0; i < c.capacity; ++i) buffer[i] = static_cast<std::uint8_t>(i * 7 + 1);
        std::vector<std::uint8_t> expected = buffer;
        for (int offset = 0; offset < c.expectedBytes; offset += 16) aes.EncryptBlock(expected.data() + offset);
        aes.Encrypt(buffer.data(), c.length, c.capacity);
        EXPECT_EQ(buffer, expected);
    }
    // Text form: no zero byte in the 20 bytes → the text fills the buffer, one whole block fits.
    std::vector<std::uint8_t> text(36, 'x');
    std::vector<std::uint8_t> expected = text;
    aes.EncryptBlock(expected.data());
    aes.Encrypt(text.data(), 0, 20);
    EXPECT_EQ(text, expected);
}

// The remembered password keeps the first block of a zero-filled 260-byte buffer.
TEST(AesTest, PasswordSurvivesAsItsFirstSixteenBytes) {
    const std::vector<std::uint8_t> key = FromHex(kPasswordKey);
    const char* passwords[] = {"secret", "0123456789abcdef", "a-much-longer-password-than-one-block"};
    for (const char* password : passwords) {
        SCOPED_TRACE(password);
        std::uint8_t save[260] = {};
        std::memcpy(save, password, std::strlen(password));
        AES(key.data()).Encrypt(save, static_cast<int>(2 * std::strlen(password)), sizeof save);
        std::uint8_t load[260] = {};
        std::memcpy(load, save, 16);
        AES(key.data()).DecryptBlock(load);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(load)), std::string(password).substr(0, 16));
    }
}

// The bytes the password file keeps: the first block of the zero-filled 260-byte buffer after
// Encrypt with twice the password's length, under the fixed key (checked against an independent
// AES-128-ECB implementation). A password long enough for the length to pass the buffer's end
// keeps the same first block, and nothing past the buffer is touched.
TEST(AesTest, StoredPasswordBlockIsFixed) {
    const std::vector<std::uint8_t> key = FromHex(kPasswordKey);
    const std::string longPassword = "0123456789abcdef" + std::string(124, 'z');   // 2 * 140 > 260
    const struct {
        std::string password;
        const char* stored;
    } cases[] = {{"secret", "d6257ed65e094771c12222e446587061"},
                 {"0123456789abcdef", "49abda993e4a0473bb641476c809fb34"},
                 {longPassword, "49abda993e4a0473bb641476c809fb34"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.password);
        std::vector<std::uint8_t> buffer(260 + 16, 0);
        std::fill(buffer.begin() + 260, buffer.end(), 0xA5);
        std::memcpy(buffer.data(), c.password.data(), std::min<std::size_t>(c.password.size(), 259));
        const AES aes(key.data());
        aes.Encrypt(buffer.data(), static_cast<int>(2 * c.password.size()), 260);
        EXPECT_EQ(ToHex(buffer.data(), 16), c.stored);
        EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin() + 260, buffer.end()), std::vector<std::uint8_t>(16, 0xA5));
    }
}
