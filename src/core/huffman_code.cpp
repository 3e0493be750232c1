#include "core/huffman_code.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace gb::core {

namespace {

    constexpr std::uint8_t kOnlySymbol = 15; // the written length of a single-symbol code's symbol
    constexpr int kLengthLimit = 256; // no code over 256 symbols is deeper than 255

    // Optimal code lengths for weights sorted in ascending order, computed in place: afterwards
    // weights[i] is the length of the code for the i-th lightest symbol (Moffat and Katajainen's
    // algorithm; at least two weights).
    void MinimumRedundancyLengths(std::vector<std::uint32_t>& weights)
    {
        auto& a = weights;
        const int n = static_cast<int>(a.size());
        a[0] += a[1];
        int root = 0;
        int leaf = 2;
        for (int next = 1; next < n - 1; ++next) { // pair up, leaving parent links behind
            for (int pick = 0; pick < 2; ++pick) {
                const bool takeRoot = leaf >= n || (root < next && a[root] < a[leaf]);
                const std::uint32_t weight = takeRoot ? a[root] : a[leaf++];
                if (takeRoot)
                    a[root++] = static_cast<std::uint32_t>(next);
                a[next] = pick == 0 ? weight : a[next] + weight;
            }
        }
        a[n - 2] = 0;
        for (int next = n - 3; next >= 0; --next) // depths of the inner nodes
            a[next] = a[a[next]] + 1;
        int available = 1;
        int depth = 0;
        for (int next = n - 1, inner = n - 2; available > 0; ++depth) { // depths of the leaves
            int used = 0;
            for (; inner >= 0 && static_cast<int>(a[inner]) == depth; --inner)
                ++used;
            for (; available > used; --available)
                a[next--] = static_cast<std::uint32_t>(depth);
            available = 2 * used;
        }
    }

    // Moves codes longer than kMaxBits up into shorter lengths, keeping the code complete: two
    // leaves at the deepest level become one a level up, and a shorter leaf splits to make room
    // for the other (the adjustment of JPEG's Annex K.3).
    void LimitLengths(std::array<int, kLengthLimit>& perLength)
    {
        for (int bits = kLengthLimit - 1; bits > HuffmanCode::kMaxBits; --bits) {
            while (perLength[bits] > 0) {
                int shorter = bits - 2;
                while (perLength[shorter] == 0)
                    --shorter;
                perLength[bits] -= 2;
                perLength[bits - 1] += 1;
                perLength[shorter + 1] += 2;
                perLength[shorter] -= 1;
            }
        }
    }

    // Where the escape goes: symbols from it on cost their own 8 bits after the escape's code
    // (about 4 bits more than a code of their own), symbols before it half a byte each in the
    // code's description. 256: no escape.
    int ChooseEscape(const HuffmanCode::Counts& counts)
    {
        int best = 256;
        double bestCost = 0;
        std::uint64_t escaped = 0;
        int top = 255;
        for (int escape = 256; escape >= 16; escape /= 2) {
            for (; top >= escape; --top)
                escaped += counts[top];
            int used = top;
            while (used >= 0 && counts[used] == 0)
                --used;
            const double cost = (used + 2) / 2.0 + static_cast<double>(escaped) * 4 / 8;
            if (used >= 0 && (escape == 256 || cost < bestCost)) {
                best = escape;
                bestCost = cost;
            }
        }
        return best;
    }

    std::uint16_t Reversed(unsigned code, int bits)
    {
        unsigned reversed = 0;
        for (int i = 0; i < bits; ++i, code >>= 1)
            reversed = (reversed << 1) | (code & 1);
        return static_cast<std::uint16_t>(reversed);
    }

} // namespace

HuffmanCode::HuffmanCode(const Lengths& lengths, int escape, int only)
    : lengths_(lengths)
    , escape_(escape)
    , only_(only)
{
    std::array<unsigned, kMaxBits + 1> next {};
    std::array<unsigned, kMaxBits + 1> perLength {};
    for (const std::uint8_t length : lengths_)
        ++perLength[length];
    perLength[0] = 0;
    for (int bits = 1; bits <= kMaxBits; ++bits)
        next[bits] = (next[bits - 1] + perLength[bits - 1]) << 1;
    for (size_t symbol = 0; symbol < lengths_.size(); ++symbol) {
        if (const int bits = lengths_[symbol])
            codes_[symbol] = Reversed(next[bits]++, bits);
    }
    for (int symbol = 0; symbol < 256; ++symbol) {
        const bool escaped = symbol >= escape_;
        const int code = escaped ? escape_ : symbol;
        written_[symbol] = codes_[code] | (escaped ? symbol << lengths_[code] : 0);
        writtenBits_[symbol] = static_cast<std::uint8_t>(lengths_[code] + (escaped ? 8 : 0));
    }
}

HuffmanCode HuffmanCode::ForCounts(const Counts& counts)
{
    const int escape = ChooseEscape(counts);
    Counts coded {}; // of the symbols below the escape, then of the escape
    for (int symbol = 0; symbol < 256; ++symbol)
        coded[std::min(symbol, escape)] += counts[symbol];
    std::vector<std::pair<std::uint32_t, int>> used; // (count, symbol), rarest first
    for (int symbol = 0; symbol < 256; ++symbol) {
        if (coded[symbol] > 0)
            used.emplace_back(coded[symbol], symbol);
    }
    std::sort(used.begin(), used.end());
    Lengths lengths {};
    if (used.size() < 2)
        return HuffmanCode(lengths, 256, used.empty() ? 0 : used[0].second);
    std::vector<std::uint32_t> depths(used.size());
    std::transform(used.begin(), used.end(), depths.begin(), [](auto u) { return u.first; });
    MinimumRedundancyLengths(depths);
    std::array<int, kLengthLimit> perLength {};
    for (const std::uint32_t depth : depths)
        ++perLength[depth];
    LimitLengths(perLength);
    size_t rarest = 0; // the longest codes go to the rarest symbols
    for (int bits = kMaxBits; bits >= 1; --bits) {
        for (int i = 0; i < perLength[bits]; ++i)
            lengths[used[rarest++].second] = static_cast<std::uint8_t>(bits);
    }
    return HuffmanCode(lengths, escape, -1);
}

std::size_t HuffmanCode::WriteLengths(std::uint8_t* out) const
{
    Lengths written = lengths_;
    if (only_ >= 0)
        written[only_] = kOnlySymbol;
    int top = 255;
    while (top > 0 && written[top] == 0)
        --top;
    out[0] = static_cast<std::uint8_t>(escape_ % 256); // 0: none
    out[1] = static_cast<std::uint8_t>(top);
    std::size_t at = 2;
    for (int symbol = 0; symbol <= top; symbol += 2) // two lengths a byte, the first one low
        out[at++] = static_cast<std::uint8_t>(
            written[symbol] | (symbol < top ? written[symbol + 1] << 4 : 0));
    return at;
}

std::optional<HuffmanCode> HuffmanCode::ReadLengths(
    const std::uint8_t* data, std::size_t size, std::size_t& at)
{
    if (at > size || size - at < 2)
        return std::nullopt;
    const int escape = data[at] == 0 ? 256 : data[at];
    const int top = data[at + 1];
    const std::size_t bytes = static_cast<std::size_t>(top) / 2 + 1;
    if (size - at - 2 < bytes || top > escape)
        return std::nullopt;
    Lengths lengths {};
    int only = -1;
    unsigned kraft = 0; // in units of the longest code's share
    for (int symbol = 0; symbol <= top; ++symbol) {
        const std::uint8_t bits = (data[at + 2 + symbol / 2] >> (symbol % 2 * 4)) & 15;
        if (bits == kOnlySymbol)
            only = only < 0 && kraft == 0 ? symbol : 256;
        else if (bits > kMaxBits || (bits > 0 && only >= 0))
            return std::nullopt;
        else if (bits > 0)
            kraft += 1u << (kMaxBits - bits);
        lengths[symbol] = bits == kOnlySymbol ? 0 : bits;
    }
    if (only > 255 || (only < 0 && kraft != 1u << kMaxBits))
        return std::nullopt;
    at += 2 + bytes;
    return HuffmanCode(lengths, only < 0 ? escape : 256, only);
}

std::size_t HuffmanCode::Encode(
    const std::uint8_t* symbols, std::size_t count, std::uint8_t* out) const
{
    if (only_ >= 0)
        return 0;
    std::uint8_t* at = out;
    quint64 pending = 0;
    unsigned bits = 0; // in `pending`, always fewer than 8 between symbols
    for (std::size_t i = 0; i < count; ++i) {
        pending |= static_cast<quint64>(written_[symbols[i]]) << bits;
        bits += writtenBits_[symbols[i]];
        qToLittleEndian(pending, at);
        at += bits / 8;
        pending >>= bits & ~7u;
        bits %= 8;
    }
    return static_cast<std::size_t>(at - out) + (bits > 0 ? 1 : 0);
}

bool HuffmanCode::Decode(const std::uint8_t* data, std::size_t size, std::size_t& at,
    std::uint8_t* symbols, std::size_t count) const
{
    if (only_ >= 0) {
        std::memset(symbols, only_, count);
        return true;
    }
    std::array<std::uint16_t, 1 << kMaxBits> table; // symbol << 4 | length, by the next bits
    for (size_t symbol = 0; symbol < lengths_.size(); ++symbol) {
        const unsigned bits = lengths_[symbol];
        for (unsigned next = bits ? codes_[symbol] : table.size(); next < table.size();
             next += 1u << bits)
            table[next] = static_cast<std::uint16_t>(symbol << 4 | bits);
    }
    const std::uint8_t* next = data + at;
    quint64 pending = 0;
    unsigned bits = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (bits < kMaxBits + 8) {
            // Past the end means junk; short of it, `next` is at most 8 bytes on, in the slack.
            if (static_cast<std::size_t>(next - data) * 8 - bits > size * 8)
                return false;
            pending |= qFromLittleEndian<quint64>(next) << bits; // at least 56 bits afterwards
            next += (63 - bits) / 8;
            bits |= 56;
        }
        const std::uint16_t entry = table[pending & ((1u << kMaxBits) - 1)];
        pending >>= entry & 15;
        bits -= entry & 15;
        unsigned symbol = entry >> 4;
        if (static_cast<int>(symbol) == escape_) {
            symbol = pending & 255;
            pending >>= 8;
            bits -= 8;
        }
        symbols[i] = static_cast<std::uint8_t>(symbol);
    }
    const std::size_t end = (static_cast<std::size_t>(next - data) * 8 - bits + 7) / 8;
    if (end > size)
        return false;
    at = end;
    return true;
}

} // namespace gb::core
