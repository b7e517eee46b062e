// MD5 message digest (RFC 1321), used to sign the REST calls.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class MD5 {
public:
    using Digest = std::array<std::uint8_t, 16>;

    MD5();

    // Starts a new digest.
    void Init();

    // Adds bytes to the message. Adding after GetDigest continues the same message.
    void Update(const std::string& bytes);
    void Update(const void* bytes, std::size_t length);

    // The digest of everything added so far. The running state is kept, so further updates
    // continue the message.
    const Digest& GetDigest();

    // The digest as 32 lower-case hexadecimal digits.
    std::string ToString();

private:
    void Transform(const std::uint8_t block[64]);
    void Finalize();

    std::uint32_t state_[4];
    std::uint64_t bitCount_;
    std::uint8_t buffer_[64];
    Digest digest_;
    bool finalized_;
};
