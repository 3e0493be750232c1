#include "formats/ini_document.h"
#include "platform/ini_profile.h"
#include "support/disk_checks.h"
#include "support/scratch_mount.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace gb::test {
namespace {

    // What the classic rules read is IniDocument's business; here: the file and the buffer.
    class IniProfile : public ::testing::Test {
    protected:
        QString Get(const QString& key, int bufferSize = 256, const QString& fallback = "dflt")
        {
            return profile.GetString("S", key, fallback, bufferSize, file);
        }
        bool Set(const std::optional<QString>& key, const std::optional<QString>& value)
        {
            return profile.WriteString("S", key, value, file);
        }

        TempFolder folder;
        QString file = folder.File("settings.ini");
        platform::IniProfile profile;
    };

    TEST_F(IniProfile, CutsLikeAFixedBufferAndDropsTrailingSpacesOfTheDefault)
    {
        EXPECT_EQ(Get("k", 256, " a b \t  "), " a b \t");
        EXPECT_EQ(Get("k", 256, "   "), "");
        const QString digits = QString("0123456789").repeated(300);
        const QString photo = QString::fromUtf8("ab\xF0\x9F\x93\xB7");
        ASSERT_TRUE(Set("digits", digits) && Set("photo", photo));
        const struct {
            const char* key;
            int bufferSize;
            QString value;
        } cases[] = { { "digits", 256, digits.left(255) }, { "digits", 3000, digits.left(2999) },
            { "digits", 3001, digits }, { "digits", 2, "0" }, { "digits", 1, "" },
            { "digits", 0, "" }, { "missing", 3, "df" },
            // A character outside the BMP is cut whole, never split into half a surrogate pair.
            { "photo", 4, "ab" }, { "photo", 5, photo } };
        for (const auto& c : cases) {
            EXPECT_EQ(Get(c.key, c.bufferSize), c.value) << c.key << " " << c.bufferSize;
        }
    }

    TEST_F(IniProfile, RewritesOnlyWhenSomethingChangedAndKeepsTheUnreadTail)
    {
        ASSERT_TRUE(Set("k", std::nullopt) && Set(std::nullopt, std::nullopt));
        EXPECT_FALSE(QFile::exists(file));
        // Over the parse limit nothing more is read, but all of it is carried over.
        QByteArray tail;
        for (int i = 0; tail.size() < formats::IniDocument::kMaxParsedBytes + 100 * 1000; ++i)
            tail += "k" + QByteArray::number(i) + "=" + QByteArray(97, char('a' + i % 26)) + "\n";
        folder.Write("settings.ini", "[S]\r\nk=1\r\n" + tail);
        ASSERT_TRUE(Set("k", "1") && Set("gone", std::nullopt) && Set("k", "2"));
        EXPECT_TRUE(folder.Read("settings.ini") == "[S]\nk=2\n" + tail);
        EXPECT_EQ(Get("k0"), QString(97, 'a'));
        EXPECT_EQ(Get("k" + QString::number(tail.count('\n') - 1)), "dflt");
        EXPECT_EQ(Entries(folder.Path()), QStringList { "settings.ini" });
    }

    TEST_F(IniProfile, FailedWritesLeaveEverythingAsItWas)
    {
        EXPECT_FALSE(profile.WriteString("S", "k", "v", folder.File("missing/settings.ini")));
        EXPECT_FALSE(profile.WriteString("S", "k", "v", folder.Path()));
        // A file that cannot be read is not replaced by one holding only the new value.
        ASSERT_TRUE(MakeFifo(file));
        EXPECT_FALSE(Set("k", "v"));
        EXPECT_EQ(Get("k"), "dflt");
        EXPECT_TRUE(S_ISFIFO(LinkMode(file)));
        ASSERT_TRUE(QFile::remove(file));
        EXPECT_EQ(Entries(folder.Path()), QStringList {});
        // A full disk: nothing is written, not even an emptied file.
        const ScratchMount disk(folder.Path(), "size=16k");
        if (!disk.Mounted())
            GTEST_SKIP() << "mounting needs root with CAP_SYS_ADMIN";
        folder.Write("settings.ini", "[S]\nk=old\n");
        QFile filler(folder.File("filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        while (filler.write(QByteArray(4096, 'x')) > 0 && filler.flush()) { }
        filler.close();
        EXPECT_FALSE(Set("k", "new" + QString(8000, 'w')));
        EXPECT_EQ(folder.Read("settings.ini"), "[S]\nk=old\n");
        EXPECT_EQ(Entries(folder.Path()), (QStringList { "filler", "settings.ini" }));
    }

} // namespace
} // namespace gb::test
