#include "aes.h"

#include <cstring>

namespace {

// Round constants of the key expansion, rounds 1 to 10.
const std::uint8_t kRoundConstant[AES::kRounds] = {0x01, 0x02, 0x04, 0x08, 0x10,
                                                  0x20, 0x40, 0x80, 0x1b, 0x36};

// Doubling in GF(2^8) with the AES polynomial x^8 + x^4 + x^3 + x + 1.
inline std::uint8_t Double(std::uint8_t b) {
    return static_cast<std::uint8_t>((b << 1) ^ ((b & 0x80) ? 0x1b : 0x00));
}

// factor (1, 2, 3, 9, 11, 13 or 14) times b: the doublings of b selected by the factor's low bits.
inline std::uint8_t Multiply(std::uint8_t factor, std::uint8_t b) {
    std::uint8_t result = 0;
    for (int bit = 0; bit < 4; ++bit) {
        if (factor & (1 << bit)) result ^= b;
        b = Double(b);
    }
    return result;
}

// General GF(2^8) product, used only to build the S-boxes.
std::uint8_t FieldProduct(std::uint8_t a, std::uint8_t b) {
    std::uint8_t result = 0;
    while (b) {
        if (b & 1) result ^= a;
        a = Double(a);
        b >>= 1;
    }
    return result;
}

inline std::uint8_t RotateByteLeft(std::uint8_t b, int n) {
    return static_cast<std::uint8_t>((b << n) | (b >> (8 - n)));
}

}  // namespace

AES::AES(const std::uint8_t* key) {
    // Forward S-box: multiplicative inverse followed by the affine transformation of FIPS-197 5.1.1.
    for (int x = 0; x < 256; ++x) {
        std::uint8_t inverse = 0;
        if (x != 0) {
            for (int y = 1; y < 256; ++y) {
                if (FieldProduct(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y)) == 1) {
                    inverse = static_cast<std::uint8_t>(y);
                    break;
                }
            }
        }
        const std::uint8_t s = static_cast<std::uint8_t>(inverse ^ RotateByteLeft(inverse, 1) ^
                                                         RotateByteLeft(inverse, 2) ^
                                                         RotateByteLeft(inverse, 3) ^
                                                         RotateByteLeft(inverse, 4) ^ 0x63);
        sbox_[x] = s;
        invSbox_[s] = static_cast<std::uint8_t>(x);
    }
    ExpandKey(key);
}

AES::~AES() = default;

void AES::Load(State state, const std::uint8_t* block) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) state[r * 4 + c] = block[r + 4 * c];
}

void AES::Store(const State state, std::uint8_t* block) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) block[r + 4 * c] = state[r * 4 + c];
}

void AES::ExpandKey(const std::uint8_t* key) {
    Load(roundKeys_[0], key);
    for (int k = 1; k <= kRounds; ++k) {
        for (int c = 0; c < 4; ++c) {
            std::uint8_t t[4];
            for (int r = 0; r < 4; ++r) t[r] = (c == 0) ? roundKeys_[k - 1][r * 4 + 3] : roundKeys_[k][r * 4 + c - 1];
            if (c == 0) {
                const std::uint8_t first = t[0];
                t[0] = sbox_[t[1]];
                t[1] = sbox_[t[2]];
                t[2] = sbox_[t[3]];
                t[3] = sbox_[first];
                t[0] ^= kRoundConstant[k - 1];
            }
            for (int r = 0; r < 4; ++r) roundKeys_[k][r * 4 + c] = roundKeys_[k - 1][r * 4 + c] ^ t[r];
        }
    }
}

void AES::AddRoundKey(State state, int round) const {
    for (int i = 0; i < 16; ++i) state[i] ^= roundKeys_[round][i];
}

void AES::SubBytes(State state, const std::uint8_t* box) const {
    for (int i = 0; i < 16; ++i) state[i] = box[state[i]];
}

void AES::ShiftRows(State state) {
    for (int r = 1; r < 4; ++r) {
        std::uint8_t row[4];
        for (int c = 0; c < 4; ++c) row[c] = state[r * 4 + (c + r) % 4];
        std::memcpy(state + r * 4, row, 4);
    }
}

void AES::InvShiftRows(State state) {
    for (int r = 1; r < 4; ++r) {
        std::uint8_t row[4];
        for (int c = 0; c < 4; ++c) row[(c + r) % 4] = state[r * 4 + c];
        std::memcpy(state + r * 4, row, 4);
    }
}

void AES::MixColumns(State state) {
    for (int c = 0; c < 4; ++c) {
        std::uint8_t a[4];
        for (int r = 0; r < 4; ++r) a[r] = state[r * 4 + c];
        for (int i = 0; i < 4; ++i)
            state[i * 4 + c] = Multiply(2, a[i]) ^ Multiply(3, a[(i + 1) % 4]) ^ a[(i + 2) % 4] ^ a[(i + 3) % 4];
    }
}

void AES::InvMixColumns(State state) {
    for (int c = 0; c < 4; ++c) {
        std::uint8_t a[4];
        for (int r = 0; r < 4; ++r) a[r] = state[r * 4 + c];
        for (int i = 0; i < 4; ++i)
            state[i * 4 + c] = Multiply(14, a[i]) ^ Multiply(11, a[(i + 1) % 4]) ^ Multiply(13, a[(i + 2) % 4]) ^
                               Multiply(9, a[(i + 3) % 4]);
    }
}

std::uint8_t* AES::EncryptBlock(std::uint8_t* block) const {
    State state;
    Load(state, block);
    AddRoundKey(state, 0);
    for (int round = 1; round <= kRounds; ++round) {
        SubBytes(state, sbox_);
        ShiftRows(state);
        if (round < kRounds) MixColumns(state);
        AddRoundKey(state, round);
    }
    Store(state, block);
    return block;
}

std::uint8_t* AES::DecryptBlock(std::uint8_t* block) const {
    State state;
    Load(state, block);
    AddRoundKey(state, kRounds);
    for (int round = kRounds - 1; round >= 0; --round) {
        InvShiftRows(state);
        SubBytes(state, invSbox_);
        AddRoundKey(state, round);
        if (round > 0) InvMixColumns(state);
    }
    Store(state, block);
    return block;
}

void AES::EncryptBlocks(std::uint8_t* buffer, std::size_t blocks) const {
    for (std::size_t i = 0; i < blocks; ++i) EncryptBlock(buffer + i * kBlockSize);
}

std::uint8_t* AES::Encrypt(std::uint8_t* buffer, int length) const {
    if (length < 0) return buffer;
    std::size_t bytes = static_cast<std::size_t>(length);
    if (length == 0) bytes = std::strlen(reinterpret_cast<const char*>(buffer)) + 1;
    // Rounded up without overflow, even for lengths close to the largest int.
    EncryptBlocks(buffer, bytes / kBlockSize + (bytes % kBlockSize != 0 ? 1 : 0));
    return buffer;
}

std::uint8_t* AES::Encrypt(std::uint8_t* buffer, int length, std::size_t capacity) const {
    if (length < 0) return buffer;
    std::size_t bytes = static_cast<std::size_t>(length);
    if (length == 0) {
        const void* zero = std::memchr(buffer, 0, capacity);
        bytes = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - buffer) + 1 : capacity;
    }
    std::size_t blocks = bytes / kBlockSize + (bytes % kBlockSize != 0 ? 1 : 0);
    if (blocks > capacity / kBlockSize) blocks = capacity / kBlockSize;
    EncryptBlocks(buffer, blocks);
    return buffer;
}
