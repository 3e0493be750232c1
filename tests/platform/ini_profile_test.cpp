#include "formats/ini_document.h"
#include "platform/ini_profile.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

namespace gb::platform {
namespace {

    class IniProfileTest : public ::testing::Test {
    protected:
        QString Path() const { return folder_.File("settings.ini"); }
        QString Get(const QString& section, const QString& key, int bufferSize = 256) const
        {
            return profile_.GetString(section, key, "dflt", bufferSize, Path());
        }
        bool Set(const QString& section, const std::optional<QString>& key,
            const std::optional<QString>& value)
        {
            return profile_.WriteString(section, key, value, Path());
        }
        void Seed(const QByteArray& bytes) const { folder_.Write("settings.ini", bytes); }
        QByteArray OnDisk() const { return folder_.Read("settings.ini"); }

        test::TempFolder folder_;
        IniProfile profile_;
    };

    TEST_F(IniProfileTest, MissingFileSectionOrKeyGivesDefaultWithoutTrailingSpaces)
    {
        EXPECT_EQ(profile_.GetString("S", "k", " a b \t  ", 256, Path()), " a b \t");
        Seed("[S]\nk=v\nempty=\n");
        EXPECT_EQ(Get("Other", "k"), "dflt");
        EXPECT_EQ(Get("S", "missing"), "dflt");
        EXPECT_EQ(Get("S", "empty"), "");
        EXPECT_EQ(profile_.GetString("S", "k", "d", 256, folder_.Path()), "d"); // a folder
    }

    TEST_F(IniProfileTest, ReadsWithClassicRules)
    {
        Seed("top=before any section\n"
             "[  Main\t]\n"
             "  Name \t=  two words \t\n"
             ";hidden=1\n"
             "no equals sign\n"
             "quoted=\"  padded  \"\n"
             "single='x'\n"
             "mismatched=\"x'\n"
             "lone=\"\n"
             "[Main]\n"
             "later=from the duplicate section\n"
             "[Next]\n"
             "name=second\n"
             "name=third\n");
        EXPECT_EQ(Get("MAIN", "nAmE"), "two words");
        EXPECT_EQ(Get("Main", ";hidden"), "dflt");
        EXPECT_EQ(Get("Main", "no equals sign"), "dflt");
        EXPECT_EQ(Get("Main", "quoted"), "  padded  ");
        EXPECT_EQ(Get("Main", "single"), "x");
        EXPECT_EQ(Get("Main", "mismatched"), "\"x'");
        EXPECT_EQ(Get("Main", "lone"), "\"");
        EXPECT_EQ(Get("Main", "later"), "dflt");
        EXPECT_EQ(Get("Next", "name"), "second");
        EXPECT_EQ(Get("", "top"), "dflt");
    }

    TEST_F(IniProfileTest, TruncatesToBufferSize)
    {
        const QString longValue = QString("0123456789").repeated(300);
        ASSERT_TRUE(Set("S", "k", longValue));
        EXPECT_EQ(Get("S", "k"), longValue.left(255));
        EXPECT_EQ(Get("S", "k", 2048), longValue.left(2047));
        EXPECT_EQ(Get("S", "k", 4000), longValue);
        EXPECT_EQ(Get("S", "k", 1), "");
        EXPECT_EQ(Get("S", "k", 0), "");
        EXPECT_EQ(Get("S", "missing", 3), "df");
        // A character outside the BMP is cut whole, never split into half a surrogate pair.
        ASSERT_TRUE(Set("S", "k", QString::fromUtf8("ab\xF0\x9F\x93\xB7")));
        EXPECT_EQ(Get("S", "k", 4), "ab");
        EXPECT_EQ(Get("S", "k", 5), QString::fromUtf8("ab\xF0\x9F\x93\xB7"));
    }

    TEST_F(IniProfileTest, AcceptsCrlfBomAndUtf8)
    {
        Seed("\xEF\xBB\xBF[Größe]\r\nBreite=12\r\n\r\nName=Foto \xC3\xA4\r\n");
        EXPECT_EQ(Get(QString::fromUtf8("GRÖßE"), "BREITE"), "12");
        EXPECT_EQ(Get(QString::fromUtf8("Größe"), "Name"), QString::fromUtf8("Foto ä"));
        ASSERT_TRUE(Set(QString::fromUtf8("Größe"), "Breite", "13"));
        EXPECT_EQ(OnDisk(), "\xEF\xBB\xBF[Größe]\nBreite=13\n\nName=Foto \xC3\xA4\n");
    }

    TEST_F(IniProfileTest, CreatesFileAndAppendsSections)
    {
        ASSERT_TRUE(Set("Main", "Left", "10"));
        EXPECT_EQ(OnDisk(), "[Main]\nLeft=10\n");
        ASSERT_TRUE(Set("Other", "x", " spaced "));
        EXPECT_EQ(Get("Other", "x"), "spaced");
        ASSERT_TRUE(Set("main", "Top", "20"));
        ASSERT_TRUE(Set(" other\t", " X ", "again")); // blanks around names are not part of them
        EXPECT_EQ(OnDisk(), "[Main]\nLeft=10\nTop=20\n[Other]\nx= again\n");
        EXPECT_EQ(Get("Main", "Top"), "20");
        // Nothing but the settings file is left in the folder_.
        EXPECT_EQ(QDir(folder_.Path()).entryList(QDir::Files), QStringList { "settings.ini" });
    }

    TEST_F(IniProfileTest, ReplacesInPlaceAndAddsKeysAfterTheLastEntry)
    {
        Seed("; settings\n"
             "[Main]\n"
             "  LEFT = 1\n"
             "junk line\n"
             "Top=2\n"
             "; about the next section\n"
             "\n"
             "[Main]\n"
             "Left=duplicate\n"
             "[Empty]\n"
             "\n");
        ASSERT_TRUE(Set("main", "left", "100"));
        ASSERT_TRUE(Set("Main", "Width", "300"));
        ASSERT_TRUE(Set("Empty", "k", "line\r\nbreak"));
        EXPECT_EQ(OnDisk(),
            "; settings\n"
            "[Main]\n"
            "  LEFT = 100\n"
            "junk line\n"
            "Top=2\n"
            "Width=300\n"
            "; about the next section\n"
            "\n"
            "[Main]\n"
            "Left=duplicate\n"
            "[Empty]\n"
            "k=line  break\n"
            "\n");
        EXPECT_EQ(Get("Main", "Left"), "100");
    }

    TEST_F(IniProfileTest, RemovesSectionsAndKeys)
    {
        Seed("[A]\na=1\n\n[B]\nb=1\nB=2\nc=3\n; note\n[a]\nz=1\n[C]\nc=1\n");
        ASSERT_TRUE(Set("b", "B", std::nullopt));
        EXPECT_EQ(OnDisk(), "[A]\na=1\n\n[B]\nc=3\n; note\n[a]\nz=1\n[C]\nc=1\n");
        ASSERT_TRUE(Set("a", std::nullopt, std::nullopt));
        EXPECT_EQ(OnDisk(), "[B]\nc=3\n; note\n[C]\nc=1\n");
        EXPECT_EQ(Get("A", "z"), "dflt");
        EXPECT_EQ(Get("C", "c"), "1");
    }

    TEST_F(IniProfileTest, RemovingWhatIsNotThereChangesNothing)
    {
        ASSERT_TRUE(Set("S", std::nullopt, std::nullopt));
        ASSERT_TRUE(Set("S", "k", std::nullopt));
        EXPECT_FALSE(QFile::exists(Path()));
        const QByteArray original = "[S]\r\nk=1\r\n";
        Seed(original);
        ASSERT_TRUE(Set("T", std::nullopt, std::nullopt));
        ASSERT_TRUE(Set("S", "missing", std::nullopt));
        ASSERT_TRUE(Set("S", "k", "1"));
        EXPECT_EQ(OnDisk(), original);
    }

    TEST_F(IniProfileTest, HostileBytesSurviveAndDoNotHideGoodEntries)
    {
        QByteArray junk;
        for (int i = 0; i < 512; ++i)
            junk += static_cast<char>(i % 256);
        const QByteArray nul("k\0ey=v\0al", 9);
        const QByteArray longLine(300 * 1024, 'x');
        const QByteArray head = "[S]\n" + junk + "\n" + nul + "\nbad\xFF\xFE=\xC3\n" + longLine;
        Seed(head + "\n[S]\ngood=yes\n[T]\n" + junk + "\n" + "t=1\n");
        EXPECT_EQ(Get("T", "t"), "1");
        EXPECT_EQ(Get("S", QString::fromUtf8(QByteArray("k\0ey", 4))),
            QString::fromUtf8(QByteArray("v\0al", 4)));
        EXPECT_EQ(Get("S", QString::fromUtf8("bad\xEF\xBF\xBD\xEF\xBF\xBD")), QChar(0xFFFD));
        ASSERT_TRUE(Set("T", "t", "2"));
        EXPECT_EQ(OnDisk(), head + "\n[S]\ngood=yes\n[T]\n" + junk + "\nt=2\n");
    }

    TEST_F(IniProfileTest, IgnoresEverythingPastTheSizeLimit)
    {
        const QByteArray filler = "; " + QByteArray(1000, '-') + "\n";
        QByteArray bytes = "[S]\nearly=1\n";
        while (bytes.size() + filler.size() < formats::IniDocument::kMaxParsedBytes - 20)
            bytes += filler;
        bytes += ";" + QByteArray(formats::IniDocument::kMaxParsedBytes - 22 - bytes.size(), '-')
            + "\n";
        ASSERT_EQ(bytes.size(), formats::IniDocument::kMaxParsedBytes - 20);
        bytes += "straddles=" + QByteArray(1000, 'y') + "\nlate=1\n";
        Seed(bytes);
        EXPECT_EQ(Get("S", "early"), "1");
        EXPECT_EQ(Get("S", "straddles"), "dflt");
        EXPECT_EQ(Get("S", "late"), "dflt");
        // A single line longer than the limit holds nothing readable at all.
        Seed("[S]" + QByteArray(formats::IniDocument::kMaxParsedBytes, ' ') + "\nk=1\n");
        EXPECT_EQ(Get("S", "k"), "dflt");
    }

    TEST_F(IniProfileTest, FailedWriteLeavesTheFileAsItWas)
    {
        const QString noFolder = folder_.File("missing/settings.ini");
        EXPECT_FALSE(profile_.WriteString("S", "k", "v", noFolder));
        EXPECT_FALSE(QFileInfo::exists(folder_.File("missing")));
        EXPECT_FALSE(profile_.WriteString("S", "k", "v", folder_.Path()));

        if (geteuid() == 0)
            GTEST_SKIP() << "root ignores folder permissions";
        const QByteArray original = "[S]\nk=old\n";
        Seed(original);
        QFile::Permissions writable = QFileInfo(folder_.Path()).permissions();
        ASSERT_TRUE(QFile::setPermissions(folder_.Path(), QFile::ReadOwner | QFile::ExeOwner));
        const bool written = Set("S", "k", "new");
        QFile::setPermissions(folder_.Path(), writable);
        EXPECT_FALSE(written);
        EXPECT_EQ(OnDisk(), original);
        EXPECT_EQ(QDir(folder_.Path()).entryList(QDir::Files), QStringList { "settings.ini" });

        // A file that cannot be read is not replaced by one holding only the new value.
        ASSERT_TRUE(QFile::setPermissions(Path(), QFile::WriteOwner));
        EXPECT_FALSE(Set("S", "k", "new"));
        QFile::setPermissions(Path(), QFile::ReadOwner | QFile::WriteOwner);
        EXPECT_EQ(OnDisk(), original);
    }

} // namespace
} // namespace gb::platform
