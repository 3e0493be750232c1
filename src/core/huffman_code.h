#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace gb::core {

// A canonical Huffman code over byte symbols, no code longer than kMaxBits so that one table
// lookup decodes any symbol. The tile packer codes each colour plane's prediction errors with
// one of these. Rare large symbols may share one escape code followed by their own 8 bits, which
// keeps the code's description short. Bits go least significant first; a plane of a single
// symbol costs no bits at all.
class HuffmanCode {
public:
    static constexpr int kMaxBits = 11;
    // How far past `size` Decode may read: the caller pads its buffer by this much.
    static constexpr std::size_t kReadSlack = 16;
    using Counts = std::array<std::uint32_t, 256>;

    // The best code for symbols occurring `counts` times.
    static HuffmanCode ForCounts(const Counts& counts);
    // Reads the code that WriteLengths wrote at `data[at]`, moving `at` past it; nullopt when
    // the bytes there describe no complete code.
    static std::optional<HuffmanCode> ReadLengths(
        const std::uint8_t* data, std::size_t size, std::size_t& at);

    // The most bytes WriteLengths and Encode write for `count` symbols, with the 8 bytes past
    // its end that Encode may touch.
    static constexpr std::size_t MaxWrittenBytes(std::size_t count)
    {
        return 2 + 128 + count * (kMaxBits + 8) / 8 + 9;
    }
    // Writes the code's description (its escape and the length of every code) at `out` and
    // returns how many bytes it took.
    std::size_t WriteLengths(std::uint8_t* out) const;
    // Writes `symbols` at `out`, coded and padded to a whole byte, and returns how many bytes
    // they took.
    std::size_t Encode(const std::uint8_t* symbols, std::size_t count, std::uint8_t* out) const;
    // Decodes `count` symbols from the coded bytes data[at, size) into `symbols` and moves `at`
    // past the byte holding their last bit; false when they would need more bytes.
    bool Decode(const std::uint8_t* data, std::size_t size, std::size_t& at, std::uint8_t* symbols,
        std::size_t count) const;

private:
    using Lengths = std::array<std::uint8_t, 256>;
    HuffmanCode(const Lengths& lengths, int escape, int only);

    Lengths lengths_ {}; // of the codes for symbols below the escape and the escape; 0: unused
    std::array<std::uint16_t, 256> codes_ {}; // bit-reversed, ready to write LSB first
    std::array<std::uint32_t, 256> written_ {}; // every symbol as written, escape included
    std::array<std::uint8_t, 256> writtenBits_ {};
    int escape_ = 256; // symbols from here on are written as this code and their 8 bits
    int only_ = -1; // the one symbol of a single-symbol code
};

} // namespace gb::core
