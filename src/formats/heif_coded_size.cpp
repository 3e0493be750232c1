#include "formats/heif_coded_size.h"

#include <QtGlobal>

namespace gb::formats {

namespace {

    // Reads bits most significant first; past the end it reads zeros and says so.
    class BitReader {
    public:
        explicit BitReader(QByteArray bytes)
            : bytes_(std::move(bytes))
        {
        }
        quint32 Bits(int count)
        {
            quint32 value = 0;
            for (int i = 0; i < count; ++i) {
                const qint64 byte = at_ >> 3;
                const bool bit = byte < bytes_.size()
                    && (quint8(bytes_.at(qsizetype(byte))) >> (7 - (at_ & 7))) & 1;
                overrun_ = overrun_ || byte >= bytes_.size();
                value = (value << 1) | quint32(bit);
                ++at_;
            }
            return value;
        }
        bool Flag() { return Bits(1) != 0; }
        void Skip(int count) { Bits(count); }
        // An unsigned Exp-Golomb number (HEVC's ue(v), AV1's uvlc); at most 32 bits of it.
        quint32 ExpGolomb()
        {
            int zeros = 0;
            while (!Flag() && !overrun_)
                ++zeros;
            if (zeros >= 32) {
                overrun_ = true; // no size we accept needs so many
                return 0;
            }
            return (quint32(1) << zeros) - 1 + Bits(zeros);
        }
        bool Overrun() const { return overrun_; }

    private:
        QByteArray bytes_;
        qint64 at_ = 0;
        bool overrun_ = false;
    };

    constexpr int kObuSequenceHeader = 1;
    constexpr int kHevcSps = 33;
    constexpr qsizetype kHvcCHeader = 22; // the fields before the arrays of parameter sets

    std::optional<QSize> Checked(const BitReader& bits, quint32 width, quint32 height)
    {
        if (bits.Overrun() || width == 0 || height == 0 || width > (1u << 30)
            || height > (1u << 30))
            return std::nullopt;
        return QSize(int(width), int(height));
    }

    // The sizes in an AV1 sequence header's payload.
    std::optional<QSize> SequenceHeaderSize(const QByteArray& payload)
    {
        BitReader bits(payload);
        bits.Skip(3); // seq_profile
        bits.Skip(1); // still_picture
        if (bits.Flag()) { // reduced_still_picture_header
            bits.Skip(5); // seq_level_idx[0]
        } else {
            bool decoderModel = false;
            int delayBits = 0;
            if (bits.Flag()) { // timing_info_present_flag
                bits.Skip(64); // num_units_in_display_tick, time_scale
                if (bits.Flag()) // equal_picture_interval
                    bits.ExpGolomb(); // num_ticks_per_picture_minus_1
                decoderModel = bits.Flag();
                if (decoderModel) {
                    delayBits = int(bits.Bits(5)) + 1; // buffer_delay_length_minus_1
                    bits.Skip(32 + 5 + 5); // decoding tick, removal and presentation time lengths
                }
            }
            const bool displayDelay = bits.Flag(); // initial_display_delay_present_flag
            const int points = int(bits.Bits(5)) + 1; // operating_points_cnt_minus_1
            for (int i = 0; i < points && !bits.Overrun(); ++i) {
                bits.Skip(12); // operating_point_idc
                if (bits.Bits(5) > 7) // seq_level_idx
                    bits.Skip(1); // seq_tier
                if (decoderModel && bits.Flag()) // decoder_model_present_for_this_op
                    bits.Skip(2 * delayBits + 1); // decoder and encoder buffer delay, low delay
                if (displayDelay && bits.Flag()) // initial_display_delay_present_for_this_op
                    bits.Skip(4);
            }
        }
        const int widthBits = int(bits.Bits(4)) + 1, heightBits = int(bits.Bits(4)) + 1;
        const quint32 width = bits.Bits(widthBits) + 1;
        return Checked(bits, width, bits.Bits(heightBits) + 1);
    }

    // An LEB128 number at `at`, moving past it; nullopt past the end or beyond 32 bits.
    std::optional<quint32> Leb128(const QByteArray& bytes, qsizetype& at)
    {
        quint64 value = 0;
        for (int i = 0; i < 5 && at < bytes.size(); ++i) {
            const quint8 byte = quint8(bytes.at(at++));
            value |= quint64(byte & 0x7f) << (7 * i);
            if (!(byte & 0x80))
                return value <= 0xffffffffu ? std::optional(quint32(value)) : std::nullopt;
        }
        return std::nullopt;
    }

    // An HEVC NAL unit's payload with its emulation prevention bytes (00 00 03) taken out.
    QByteArray Unescaped(const QByteArray& nal)
    {
        QByteArray out;
        out.reserve(nal.size());
        int zeros = 0;
        for (const char c : nal) {
            if (zeros >= 2 && c == 3) {
                zeros = 0;
                continue;
            }
            zeros = c == 0 ? zeros + 1 : 0;
            out.append(c);
        }
        return out;
    }

    std::optional<QSize> SpsSize(const QByteArray& nal)
    {
        BitReader bits(Unescaped(nal));
        bits.Skip(16); // the NAL unit header
        bits.Skip(4); // sps_video_parameter_set_id
        const int subLayers = int(bits.Bits(3)); // sps_max_sub_layers_minus1
        bits.Skip(1); // sps_temporal_id_nesting_flag
        bits.Skip(88 + 8); // general profile, tier and flags; general_level_idc
        int profiles = 0, levels = 0;
        for (int i = 0; i < subLayers; ++i) {
            profiles += bits.Flag() ? 1 : 0; // sub_layer_profile_present_flag
            levels += bits.Flag() ? 1 : 0; // sub_layer_level_present_flag
        }
        if (subLayers > 0)
            bits.Skip(2 * (8 - subLayers)); // reserved_zero_2bits
        bits.Skip(88 * profiles + 8 * levels);
        bits.ExpGolomb(); // sps_seq_parameter_set_id
        if (bits.ExpGolomb() == 3) // chroma_format_idc
            bits.Skip(1); // separate_colour_plane_flag
        const quint32 width = bits.ExpGolomb();
        return Checked(bits, width, bits.ExpGolomb());
    }

} // namespace

std::optional<QSize> Av1CodedSize(const QByteArray& obus)
{
    for (qsizetype at = 0; at < obus.size();) {
        const quint8 header = quint8(obus.at(at++));
        const int type = (header >> 3) & 15;
        if (header & 4) // obu_extension_flag
            ++at;
        if (!(header & 2)) // no obu_has_size_field: the OBU runs to the end
            return type == kObuSequenceHeader ? SequenceHeaderSize(obus.mid(at)) : std::nullopt;
        const std::optional<quint32> size = Leb128(obus, at);
        if (!size || *size > obus.size() - at)
            return std::nullopt;
        if (type == kObuSequenceHeader)
            return SequenceHeaderSize(obus.mid(at, *size));
        at += *size;
    }
    return std::nullopt;
}

std::optional<QSize> HevcCodedSize(const QByteArray& hvcC)
{
    if (hvcC.size() < kHvcCHeader + 1)
        return std::nullopt;
    const int arrays = quint8(hvcC.at(kHvcCHeader));
    qsizetype at = kHvcCHeader + 1;
    for (int i = 0; i < arrays && at + 3 <= hvcC.size(); ++i) {
        const int type = quint8(hvcC.at(at)) & 63;
        const int units = (quint8(hvcC.at(at + 1)) << 8) | quint8(hvcC.at(at + 2));
        at += 3;
        for (int unit = 0; unit < units && at + 2 <= hvcC.size(); ++unit) {
            const int length = (quint8(hvcC.at(at)) << 8) | quint8(hvcC.at(at + 1));
            at += 2;
            if (length > hvcC.size() - at)
                return std::nullopt;
            if (type == kHevcSps)
                return SpsSize(hvcC.mid(at, length));
            at += length;
        }
    }
    return std::nullopt;
}

} // namespace gb::formats
