#include "about/sys_info.h"
#include "platform/memory_registry.h"

#include <gtest/gtest.h>
#include <optional>

namespace gb::test {
namespace {

    namespace Registry = platform::Registry;
    using about::GetKeyValue;
    using about::KeyLookup;

    const QString KeyName = "SOFTWARE\\Vendor\\Tool";

    struct Lookup {
        KeyLookup result;
        QString text;
    };

    // A real in-memory registry holding one value "v" under KeyName.
    struct OneValue {
        OneValue(std::uint32_t type, const QByteArray& data)
        {
            registry.SetValue(Registry::HKEY_LOCAL_MACHINE, KeyName, "v", type, data);
        }
        Lookup Read(const QString& valueName = "v", const QString& before = QString())
        {
            QString text = before;
            const KeyLookup result
                = GetKeyValue(registry, Registry::HKEY_LOCAL_MACHINE, KeyName, valueName, text);
            EXPECT_EQ(registry.OpenHandles(), 0) << "a key was left open";
            return { result, text };
        }
        platform::MemoryRegistry registry;
    };

    TEST(GetKeyValue, TextDropsOnlyATerminatingNulAndIsReadAsUtf8)
    {
        Lookup terminated = OneValue(Registry::REG_SZ, QByteArray("C:\\tool.exe\0", 12)).Read();
        EXPECT_EQ(terminated.result, KeyLookup::Found);
        EXPECT_EQ(terminated.text, "C:\\tool.exe");

        Lookup bare = OneValue(Registry::REG_SZ, "tool").Read();
        EXPECT_EQ(bare.result, KeyLookup::Found);
        EXPECT_EQ(bare.text, "tool");

        const QString accented = QString::fromUtf8("/opt/Caf\xC3\xA9/\xE5\xB7\xA5\xE5\x85\xB7");
        EXPECT_EQ(OneValue(Registry::REG_SZ, accented.toUtf8() + '\0').Read().text, accented);
        // A text value replaces whatever the caller held.
        EXPECT_EQ(OneValue(Registry::REG_SZ, "new").Read("v", "old").text, "new");
    }

    TEST(GetKeyValue, NumberReadsAsHexMostSignificantByteFirst)
    {
        const QByteArray le261("\x05\x01\x00\x00", 4);
        Lookup small = OneValue(Registry::REG_DWORD, le261).Read();
        EXPECT_EQ(small.result, KeyLookup::Found);
        // The zero top byte looks like a terminator and goes; the value is the same.
        EXPECT_EQ(small.text, "&h000105");

        const QByteArray le("\x78\x56\x34\xAB", 4);
        EXPECT_EQ(OneValue(Registry::REG_DWORD, le).Read().text, "&hAB345678");
    }

    TEST(GetKeyValue, OtherTypesAreFoundButLeaveTheTextAsItWas)
    {
        OneValue expandable(Registry::REG_EXPAND_SZ, QByteArray("%SystemRoot%\\x.exe\0", 19));
        Lookup fresh = expandable.Read();
        EXPECT_EQ(fresh.result, KeyLookup::Found);
        EXPECT_TRUE(fresh.text.isEmpty());
        EXPECT_EQ(expandable.Read("v", "kept").text, "kept");
    }

    TEST(GetKeyValue, MissingKeyOrValueIsNotFoundAndEmptiesTheText)
    {
        OneValue present(Registry::REG_SZ, QByteArray("x\0", 2));
        Lookup noValue = present.Read("other", "stale");
        EXPECT_EQ(noValue.result, KeyLookup::NotFound);
        EXPECT_TRUE(noValue.text.isEmpty());

        QString text = "stale";
        EXPECT_EQ(GetKeyValue(present.registry, Registry::HKEY_LOCAL_MACHINE, "SOFTWARE\\Nowhere",
                      "v", text),
            KeyLookup::NotFound);
        EXPECT_TRUE(text.isEmpty());
        EXPECT_EQ(present.registry.OpenHandles(), 0);
    }

    TEST(GetKeyValue, DataMustFitTheKilobyteBuffer)
    {
        const QByteArray fits = QByteArray(1023, 'a') + '\0';
        Lookup full = OneValue(Registry::REG_SZ, fits).Read();
        EXPECT_EQ(full.result, KeyLookup::Found);
        EXPECT_EQ(full.text, QString(1023, u'a'));

        Lookup unterminated = OneValue(Registry::REG_SZ, QByteArray(1024, 'b')).Read();
        EXPECT_EQ(unterminated.text, QString(1024, u'b'));

        Lookup tooLong = OneValue(Registry::REG_SZ, QByteArray(1024, 'c') + '\0').Read("v", "x");
        EXPECT_EQ(tooLong.result, KeyLookup::NotFound);
        EXPECT_TRUE(tooLong.text.isEmpty());
    }

    TEST(GetKeyValue, EmptyDataIsAnErrorAndStillClosesTheKey)
    {
        for (const std::uint32_t type : { Registry::REG_SZ, Registry::REG_DWORD }) {
            Lookup empty = OneValue(type, QByteArray()).Read();
            EXPECT_EQ(empty.result, KeyLookup::Error);
        }
    }

    // A registry that answers one query with whatever it is told, however implausible, and
    // records what it was asked.
    struct ScriptedRegistry : platform::IRegistry {
        long RegOpenKeyEx(Registry::Key root, const QString&, std::uint32_t options,
            std::uint32_t access, Registry::Key& opened) override
        {
            openedWith = { root, options, access };
            opened = 42;
            return Registry::ERROR_SUCCESS;
        }
        long RegQueryValueEx(Registry::Key, const QString&, std::uint32_t& type, QByteArray& data,
            std::uint32_t& size) override
        {
            offered = size;
            type = Registry::REG_SZ;
            data = answer;
            size = reportedSize;
            return Registry::ERROR_SUCCESS;
        }
        long RegCloseKey(Registry::Key key) override
        {
            closed.push_back(key);
            return Registry::ERROR_SUCCESS;
        }
        struct Open {
            Registry::Key root;
            std::uint32_t options;
            std::uint32_t access;
        };
        std::optional<Open> openedWith;
        std::uint32_t offered = 0;
        QByteArray answer;
        std::uint32_t reportedSize = 0;
        std::vector<Registry::Key> closed;
    };

    TEST(GetKeyValue, AsksForTheClassicRightsAndSurvivesAnImplausibleRegistry)
    {
        ScriptedRegistry registry;
        registry.answer = "ab";
        registry.reportedSize = 5; // more than it handed over: the rest reads as NUL
        QString text;
        EXPECT_EQ(GetKeyValue(registry, Registry::HKEY_LOCAL_MACHINE, KeyName, "v", text),
            KeyLookup::Found);
        EXPECT_EQ(text, QString::fromLatin1("ab\0\0", 4));
        ASSERT_TRUE(registry.openedWith);
        EXPECT_EQ(registry.openedWith->root, 0x80000002u);
        EXPECT_EQ(registry.openedWith->options, 0u);
        EXPECT_EQ(registry.openedWith->access, 0x2003Fu);
        EXPECT_EQ(registry.offered, 1024u);
        EXPECT_EQ(registry.closed, std::vector<Registry::Key>({ 42 }));

        registry.reportedSize = 70000; // claims success for more than the buffer holds
        text = "x";
        EXPECT_EQ(GetKeyValue(registry, Registry::HKEY_LOCAL_MACHINE, KeyName, "v", text),
            KeyLookup::NotFound);
        EXPECT_TRUE(text.isEmpty());
        EXPECT_EQ(registry.closed.size(), 2u);
    }

} // namespace
} // namespace gb::test
