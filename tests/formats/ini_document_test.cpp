#include "formats/ini_document.h"

#include <gtest/gtest.h>
#include <numeric>
#include <optional>

namespace gb::formats {
namespace {

    using namespace Qt::Literals::StringLiterals;

    TEST(IniDocument, ReadsByTheClassicProfileRules)
    {
        const IniDocument doc = IniDocument::Parse(
            "top=before any section\n[  Main\t]\r\n  Name \t=  two words \t\r\n;hidden=1\n"
            "no equals sign\nquoted=\"  padded  \"\nsingle='x'\npair=''\nmismatched=\"x'\n"
            "lone=\"\nblank= \t \n[x=1\n[Main]\nlater=from the duplicate section\n[a]b]\n"
            "name=second\nNAME=third\n[Gr\xC3\xB6\xC3\x9F\x65]\nbad\xFF=\xC3\nk\0ey=v\0al"_ba);
        const struct {
            QString section, key;
            std::optional<QString> value;
        } cases[] = { { "MAIN", "nAmE", "two words" }, { " main\t", "\tname ", "two words" },
            { "Main", ";hidden", std::nullopt }, { "Main", "no equals sign", std::nullopt },
            { "Main", "quoted", "  padded  " }, { "Main", "single", "x" }, { "Main", "pair", "" },
            { "Main", "mismatched", "\"x'" }, { "Main", "lone", "\"" }, { "Main", "blank", "" },
            { "Main", "[x", "1" }, { "Main", "later", std::nullopt }, { "A]B", "name", "second" },
            { "", "top", std::nullopt }, { "Main", "", std::nullopt },
            { QString::fromUtf8("GR\xC3\x96\xC3\x9F\x45"), QString::fromUtf8("bad\xEF\xBF\xBD"),
                QChar(0xFFFD) },
            { QString::fromUtf8("Gr\xC3\xB6\xC3\x9F\x65"), QString("k") + QChar(0) + "ey",
                QString("v") + QChar(0) + "al" } };
        for (const auto& c : cases) {
            EXPECT_EQ(doc.Value(c.section, c.key), c.value) << qPrintable(c.section + "/" + c.key);
        }
    }

    // An absent key writes the section away, an absent value the key, as WriteString does.
    TEST(IniDocument, EditsRewriteOnlyTheirOwnLines)
    {
        const QByteArray mixed = "; settings\n[Main]\n  LEFT = 1\njunk line\nTop=2\n; next\n\n"
                                 "[main]\nLeft=duplicate\n[Empty]\n\n";
        QByteArray junk(256, Qt::Uninitialized);
        std::iota(junk.begin(), junk.end(), '\0');
        const QByteArray removals
            = "x=0\n[A]\na=1\n\n[B]\nb=1\nB=2\nc=3\n; note\n[a]\nb=9\n[C]\nb=1";
        const struct {
            QByteArray before;
            QString section;
            std::optional<QString> key, value;
            QByteArray after; // empty: unchanged
        } cases[] = { { "", "Main", "Left", "10", "[Main]\nLeft=10\n" },
            { mixed, "main", "left", "100",
                "; settings\n[Main]\n  LEFT = 100\njunk line\nTop=2\n; next\n\n"
                "[main]\nLeft=duplicate\n[Empty]\n\n" },
            { mixed, "MAIN", "Width", "300",
                "; settings\n[Main]\n  LEFT = 1\njunk line\nTop=2\nWidth=300\n; next\n\n"
                "[main]\nLeft=duplicate\n[Empty]\n\n" },
            { mixed, " Empty ", "k\n", "line\r\nbreak",
                "; settings\n[Main]\n  LEFT = 1\njunk line\nTop=2\n; next\n\n"
                "[main]\nLeft=duplicate\n[Empty]\nk=line  break\n\n" },
            { mixed, "New\r\nOne", " k ", " v", mixed + "[New  One]\nk= v\n" },
            { removals, "b", "B", std::nullopt,
                "x=0\n[A]\na=1\n\n[B]\nc=3\n; note\n[a]\nb=9\n[C]\nb=1\n" },
            { removals, "a", std::nullopt, std::nullopt,
                "x=0\n[B]\nb=1\nB=2\nc=3\n; note\n[C]\nb=1\n" },
            { "\xEF\xBB\xBF[S]\r\nk=1\r\n", "s", "K", "2", "\xEF\xBB\xBF[S]\nk=2\n" },
            { "[S]\n" + junk + "\nk=1\n", "S", "k", "2", "[S]\n" + junk + "\nk=2\n" },
            { "[S]\r\nk=1\r\n", "s", "K", "1", "" },
            { "[S]\nk=1\n", "T", std::nullopt, std::nullopt, "" },
            { "[S]\nk=1\n[T]\nx=1\n", "S", "x", std::nullopt, "" } };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.before.toStdString() + " / " + c.section.toStdString());
            IniDocument doc = IniDocument::Parse(c.before);
            if (!c.key)
                doc.RemoveSection(c.section);
            else if (!c.value)
                doc.RemoveKey(c.section, *c.key);
            else
                doc.SetValue(c.section, *c.key, *c.value);
            EXPECT_EQ(doc.IsModified(), !c.after.isEmpty());
            if (doc.IsModified()) {
                EXPECT_EQ(doc.Serialize().toStdString(), c.after.toStdString());
            }
        }
    }

    TEST(IniDocument, ReadsNothingPastTheSizeLimitNorHalfALine)
    {
        constexpr qsizetype kLimit = IniDocument::kMaxParsedBytes;
        const QByteArray head = "[S]\nearly=1\n;" + QByteArray(kLimit - 30, '-') + "\n";
        const QByteArray exact = head + "edge=12345" + QByteArray(kLimit - head.size() - 10, '6');
        ASSERT_EQ(exact.size(), kLimit);
        const IniDocument whole = IniDocument::Parse(exact);
        EXPECT_EQ(whole.ParsedBytes(), kLimit);
        EXPECT_EQ(whole.Value("S", "edge")->size(), kLimit - head.size() - 5);
        const IniDocument cut = IniDocument::Parse(exact + "\nlate=1\n");
        EXPECT_EQ(cut.ParsedBytes(), head.size());
        EXPECT_EQ(cut.Value("S", "edge"), std::nullopt);
        EXPECT_EQ(cut.Value("S", "early"), "1");
        EXPECT_EQ(cut.Serialize(), head);
        EXPECT_EQ(IniDocument::Parse("[S]" + QByteArray(kLimit, ' ') + "\nk=1\n").ParsedBytes(), 0);
    }

} // namespace
} // namespace gb::formats
