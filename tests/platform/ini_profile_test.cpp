#include "formats/ini_document.h"
#include "platform/ini_profile.h"
#include "support/disk_checks.h"
#include "support/scratch_mount.h"
#include "support/temp_folder.h"
#include <gtest/gtest.h>

// What the classic rules read is IniDocument's business; here: the file and the buffer.
namespace gb::test {
namespace {

    struct IniProfile : ::testing::Test {
        QString Get(const QString& key, int bufferSize = 256, const QString& fallback = "dflt")
        {
            return profile_.GetString("S", key, fallback, bufferSize, file_);
        }
        bool Set(const std::optional<QString>& key, const std::optional<QString>& value)
        {
            return profile_.WriteString("S", key, value, file_);
        }
        TempFolder folder_;
        QString file_ = folder_.File("settings.ini");
        platform::IniProfile profile_;
    };

    TEST_F(IniProfile, CutsLikeAFixedBufferAndDropsTrailingSpacesOfTheDefault)
    {
        const QString digits = QString("0123456789").repeated(300), photo = "ab\U0001F4F7";
        ASSERT_TRUE(Set("digits", digits) && Set("photo", photo));
        // A character outside the BMP is cut whole, never split into half a surrogate pair.
        const std::tuple<const char*, int, QString, QString> cases[]
            = { { "k", 256, " a b \t  ", " a b \t" }, { "k", 256, "   ", "" },
                  { "missing", 3, "dflt", "df" }, { "digits", 256, "", digits.left(255) },
                  { "digits", 3000, "", digits.left(2999) }, { "digits", 3001, "", digits },
                  { "digits", 2, "", "0" }, { "digits", 1, "", "" }, { "digits", 0, "", "" },
                  { "photo", 4, "", "ab" }, { "photo", 5, "", photo } };
        for (const auto& [key, bufferSize, fallback, value] : cases)
            EXPECT_EQ(Get(key, bufferSize, fallback), value) << key << " " << bufferSize;
    }

    TEST_F(IniProfile, RewritesOnlyWhenSomethingChangedAndKeepsTheUnreadTail)
    {
        EXPECT_TRUE(
            Set("k", std::nullopt) && Set(std::nullopt, std::nullopt) && !QFile::exists(file_));
        // Over the parse limit nothing more is read, but all of it is carried over.
        QByteArray tail;
        for (int i = 0; tail.size() < formats::IniDocument::kMaxParsedBytes + 100 * 1000; ++i)
            tail += "k" + QByteArray::number(i) + "=" + QByteArray(97, char('a' + i % 26)) + "\n";
        folder_.Write("settings.ini", "[S]\r\nk=1\r\n" + tail);
        ASSERT_TRUE(Set("k", "1") && Set("gone", std::nullopt));
        EXPECT_TRUE(folder_.Read("settings.ini").startsWith("[S]\r\n")); // untouched
        ASSERT_TRUE(Set("k", "2"));
        EXPECT_TRUE(folder_.Read("settings.ini") == "[S]\nk=2\n" + tail);
        EXPECT_EQ(Get("k0") + Get("k" + QString::number(tail.count('\n') - 1)),
            QString(97, 'a') + "dflt");
        EXPECT_EQ(Entries(folder_.Path()), QStringList { "settings.ini" });
    }

    TEST_F(IniProfile, FailedWritesLeaveEverythingAsItWas)
    {
        EXPECT_FALSE(profile_.WriteString("S", "k", "v", folder_.File("missing/settings.ini"))
            || profile_.WriteString("S", "k", "v", folder_.Path()));
        // A file that cannot be read is not replaced by one holding only the new value.
        ASSERT_TRUE(MakeFifo(file_));
        EXPECT_FALSE(Set("k", "v"));
        EXPECT_EQ(std::pair(Get("k"), S_ISFIFO(LinkMode(file_))), std::pair(QString("dflt"), true));
        ASSERT_TRUE(QFile::remove(file_));
        // On a full disk not even an emptied file is left.
        const ScratchMount disk(folder_.Path(), "size=16k");
        if (!disk.Mounted())
            GTEST_SKIP() << "mounting needs root with CAP_SYS_ADMIN";
        folder_.Write("settings.ini", "[S]\nk=old\n");
        QFile filler(folder_.File("filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        while (filler.write(QByteArray(4096, 'x')) > 0 && filler.flush()) { }
        EXPECT_FALSE(Set("k", "new" + QString(8000, 'w')));
        EXPECT_EQ(Entries(folder_.Path()).join(' ') + folder_.Read("settings.ini"),
            "filler settings.ini[S]\nk=old\n");
    }

} // namespace
} // namespace gb::test
