// AES-128 block cipher (FIPS-197), used to keep the remembered password.
#pragma once

#include <cstddef>
#include <cstdint>

class AES {
public:
    // Expands the 16-byte key into the round keys; the key itself is not kept.
    explicit AES(const std::uint8_t* key);
    virtual ~AES();

    // Enciphers / deciphers one 16-byte block in place; returns the block.
    std::uint8_t* EncryptBlock(std::uint8_t* block) const;
    std::uint8_t* DecryptBlock(std::uint8_t* block) const;

    // Enciphers the buffer in place as consecutive 16-byte blocks (code book, no padding).
    // A length of 0 means the text in the buffer up to and including its first zero byte; a
    // negative length enciphers nothing. The last block is always enciphered whole, so the buffer
    // must hold length rounded up to a multiple of 16 bytes. Returns the buffer.
    std::uint8_t* Encrypt(std::uint8_t* buffer, int length) const;

    // The same, for a buffer of capacity bytes: nothing at or beyond capacity is read or changed.
    // The text of a length of 0 ends at the first zero byte or at capacity; a last block that
    // would not fit whole is left as it is.
    std::uint8_t* Encrypt(std::uint8_t* buffer, int length, std::size_t capacity) const;

    static const int kBlockSize = 16;
    static const int kRounds = 10;

private:
    using State = std::uint8_t[16];

    void EncryptBlocks(std::uint8_t* buffer, std::size_t blocks) const;
    void ExpandKey(const std::uint8_t* key);
    void AddRoundKey(State state, int round) const;
    void SubBytes(State state, const std::uint8_t* box) const;
    static void ShiftRows(State state);
    static void InvShiftRows(State state);
    static void MixColumns(State state);
    static void InvMixColumns(State state);
    static void Load(State state, const std::uint8_t* block);
    static void Store(const State state, std::uint8_t* block);

    std::uint8_t sbox_[256];
    std::uint8_t invSbox_[256];
    std::uint8_t roundKeys_[kRounds + 1][16];
};
