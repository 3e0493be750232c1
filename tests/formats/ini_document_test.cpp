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
        const std::tuple<QString, QString, std::optional<QString>> cases[] = {
            { "MAIN", "nAmE", "two words" }, { " main\t", "\tname ", "two words" },
            { "Main", ";hidden", {} }, { "Main", "no equals sign", {} },
            { "Main", "quoted", "  padded  " }, { "Main", "single", "x" }, { "Main", "pair", "" },
            { "Main", "mismatched", "\"x'" }, { "Main", "lone", "\"" }, { "Main", "blank", "" },
            { "Main", "[x", "1" }, { "Main", "later", {} }, { "A]B", "name", "second" },
            { "", "top", {} }, { "Main", "", {} }, { "GR\u00d6\u00dfE", "bad\ufffd", "\ufffd" },
            { "Gr\u00f6\u00dfe", QString("k") + QChar(0) + "ey", QString("v") + QChar(0) + "al" }
        };
        for (const auto& [section, key, value] : cases)
            EXPECT_EQ(doc.Value(section, key), value) << qPrintable(section + "/" + key);
    }

    // An absent key writes the section away, an absent value the key, as WriteString does.
    TEST(IniDocument, EditsRewriteOnlyTheirOwnLines)
    {
        const QByteArray mixed = "; settings\n[Main]\n  LEFT = 1\njunk line\nTop=2\n; next\n\n"
                                 "[main]\nLeft=duplicate\n[Empty]\n\n";
        const QByteArray removals
            = "x=0\n[A]\na=1\n\n[B]\nb=1\nB=2\nc=3\n; note\n[a]\nb=9\n[C]\nb=1";
        const auto edited = [](QByteArray text, const char* from, const char* to) {
            return text.replace(from, to);
        };
        QByteArray junk(256, Qt::Uninitialized);
        std::iota(junk.begin(), junk.end(), '\0');
        using Text = std::optional<QString>;
        const std::tuple<QByteArray, QString, Text, Text, QByteArray> cases[]
            = { // after: "" unchanged
                  { "", "Main", "Left", "10", "[Main]\nLeft=10\n" },
                  { mixed, "main", "left", "100", edited(mixed, "LEFT = 1\n", "LEFT = 100\n") },
                  { mixed, "MAIN", "Width", "300", edited(mixed, "Top=2\n", "Top=2\nWidth=300\n") },
                  { mixed, " Empty ", "k\n", "line\r\nbreak",
                      edited(mixed, "[Empty]\n", "[Empty]\nk=line  break\n") },
                  { mixed, "New\r\nOne", " k ", " v", mixed + "[New  One]\nk= v\n" },
                  { removals, "b", "B", {}, edited(removals + "\n", "b=1\nB=2\n", "") },
                  { removals, "a", {}, {}, "x=0\n[B]\nb=1\nB=2\nc=3\n; note\n[C]\nb=1\n" },
                  { "\xEF\xBB\xBF[S]\r\nk=1\r\n", "s", "K", "2", "\xEF\xBB\xBF[S]\nk=2\n" },
                  { "[S]\n" + junk + "\nk=1\n", "S", "k", "2", "[S]\n" + junk + "\nk=2\n" },
                  { "[S]\r\nk=1\r\n", "s", "K", "1", "" }, { "[S]\nk=1\n", "T", {}, {}, "" },
                  { "[S]\nk=1\n[T]\nx=1\n", "S", "x", {}, "" }
              };
        for (const auto& [before, section, key, value, after] : cases) {
            IniDocument doc = IniDocument::Parse(before);
            if (!key)
                doc.RemoveSection(section);
            else if (!value)
                doc.RemoveKey(section, *key);
            else
                doc.SetValue(section, *key, *value);
            EXPECT_EQ(doc.IsModified() ? doc.Serialize().toStdString() : "", after.toStdString())
                << before.toStdString() << " / " << section.toStdString();
        }
    }

    TEST(IniDocument, ReadsNothingPastTheSizeLimitNorHalfALine)
    {
        constexpr qsizetype kLimit = IniDocument::kMaxParsedBytes;
        const QByteArray head = "[S]\nearly=1\n;" + QByteArray(kLimit - 30, '-') + "\n";
        const QByteArray exact = head + "edge=12345" + QByteArray(kLimit - head.size() - 10, '6');
        ASSERT_EQ(exact.size(), kLimit);
        const IniDocument whole = IniDocument::Parse(exact);
        EXPECT_EQ(std::pair(whole.ParsedBytes(), whole.Value("S", "edge")->size()),
            std::pair(kLimit, kLimit - head.size() - 5));
        const IniDocument cut = IniDocument::Parse(exact + "\nlate=1\n");
        EXPECT_EQ(std::tuple(cut.ParsedBytes(), cut.Value("S", "edge"), cut.Value("S", "early"),
                      cut.Serialize()),
            std::tuple(head.size(), std::nullopt, QString("1"), head));
        EXPECT_EQ(IniDocument::Parse("[S]" + QByteArray(kLimit, ' ') + "\nk=1\n").ParsedBytes(), 0);
    }

} // namespace
} // namespace gb::formats
