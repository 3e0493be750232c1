// LibRaw's reads of a byte source: as from a file, and where they stop.
#include "formats/raw_datastream.h"

#include <gtest/gtest.h>
#include <vector>

namespace gb::formats {
namespace {

    QByteArray Counting(int size)
    {
        QByteArray bytes(size, '\0');
        for (int i = 0; i < size; ++i)
            bytes[i] = char(i % 251);
        return bytes;
    }

    TEST(RawDatastreamTest, ReadsAcrossBlocksAndStopsAtTheLimit)
    {
        MemoryByteSource source(Counting(200000));
        int stops = 0;
        RawDatastream stream(source, 150000, [&] { ++stops; });
        char small[16];
        stream.seek(65530, SEEK_SET); // the first block ends at 65536
        EXPECT_EQ(stream.read(small, 4, 4), 4);
        EXPECT_EQ(uchar(small[0]), 65530 % 251);
        EXPECT_EQ(uchar(small[15]), 65545 % 251);
        EXPECT_EQ(stream.get_char(), 65546 % 251);
        stream.seek(-10, SEEK_END);
        EXPECT_EQ(stream.tell(), 199990);
        stream.seek(INT64(1) << 40, SEEK_CUR);
        EXPECT_EQ(stream.tell(), 200000);
        EXPECT_EQ(stream.get_char(), -1);
        stream.seek(-(INT64(1) << 40), SEEK_CUR);
        EXPECT_EQ(stream.tell(), 0);
        EXPECT_FALSE(stream.eof());
        EXPECT_EQ(stops, 0);
        std::vector<char> large(200000);
        EXPECT_EQ(stream.read(large.data(), 1, large.size()), 150000 - 17);
        EXPECT_EQ(uchar(large[100000]), 100000 % 251);
        EXPECT_EQ(stops, 1);
        EXPECT_TRUE(stream.eof());
        EXPECT_EQ(stream.read(small, 1, 1), 0);
    }

    TEST(RawDatastreamTest, ScansNumbersAndLinesAsCReadsThem)
    {
        MemoryByteSource source(QByteArray("  12 -3.5e1\nsecond line"));
        RawDatastream stream(source, 1000, [] {});
        int integer = 0;
        float real = 0;
        char line[16];
        EXPECT_EQ(stream.scanf_one("%s", line), 0);
        EXPECT_EQ(stream.scanf_one("%d", &integer), 1);
        EXPECT_EQ(integer, 12);
        EXPECT_EQ(stream.scanf_one("%f", &real), 1);
        EXPECT_FLOAT_EQ(real, -35);
        EXPECT_STREQ(stream.gets(line, sizeof line), "\n");
        EXPECT_STREQ(stream.gets(line, 7), "second");
        EXPECT_STREQ(stream.gets(line, sizeof line), " line");
        EXPECT_EQ(stream.gets(line, sizeof line), nullptr);
        EXPECT_EQ(stream.scanf_one("%d", &integer), EOF);
    }

    TEST(RawDatastreamTest, StopsFarPastTheEndAndAtAFailedRead)
    {
        MemoryByteSource source(Counting(100));
        int stops = 0;
        RawDatastream stream(source, 1 << 20, [&] { ++stops; });
        std::vector<char> buffer(20000);
        stream.seek(90, SEEK_SET);
        EXPECT_EQ(stream.read(buffer.data(), 2, 10000), 5);
        EXPECT_EQ(stops, 1);
        EXPECT_TRUE(stream.Stopped());
        EXPECT_FALSE(stream.Failed());
        struct Failing : ByteSource {
            qint64 Size() const override { return 100; }
            bool Read(qint64, qint64, QByteArray&) override { return false; }
        } failing;
        RawDatastream broken(failing, 1 << 20, [&] { ++stops; });
        EXPECT_EQ(broken.get_char(), -1);
        EXPECT_TRUE(broken.Failed());
        EXPECT_EQ(stops, 2);
    }

} // namespace
} // namespace gb::formats
