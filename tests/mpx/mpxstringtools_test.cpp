#include "mpx/mpxstringtools.h"

#include <QList>
#include <gtest/gtest.h>

using MovraPlayerX::MPXStringTools;

namespace {

struct Conversion
{
    const char* name;
    QString text;
    std::string utf8;
};

TEST(MPXStringTools, ConvertsLosslesslyBothWays)
{
    const Conversion rows[] = {
        {"empty", QString(), std::string()},
        {"ascii", QStringLiteral("Settings/Player"), "Settings/Player"},
        {"latin1", QString::fromUtf8("caf\xC3\xA9"), "caf\xC3\xA9"},
        {"cjk", QString::fromUtf8("\xE5\xAD\x97\xE5\xB9\x95"), "\xE5\xAD\x97\xE5\xB9\x95"},
        {"non-BMP", QString::fromUtf8("\xF0\x9F\x8E\xAC film"), "\xF0\x9F\x8E\xAC film"},
        {"embedded NUL", QString::fromUtf16(u"a\0b", 3), std::string("a\0b", 3)},
        {"only NUL", QString(1, QChar(0)), std::string(1, '\0')},
    };
    for (const Conversion& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(MPXStringTools::toStdStringUTF8(row.text), row.utf8);
        EXPECT_EQ(MPXStringTools::fromStdStringUTF8(row.utf8), row.text);
    }
    EXPECT_TRUE(MPXStringTools::toStdStringUTF8(QStringLiteral("")).empty());
}

TEST(MPXStringTools, NonBmpCharacterIsOneSurrogatePairAndFourBytes)
{
    const QString clapper = MPXStringTools::fromStdStringUTF8("\xF0\x9F\x8E\xAC");
    ASSERT_EQ(clapper.size(), 2);
    EXPECT_TRUE(clapper.at(0).isHighSurrogate());
    EXPECT_EQ(clapper.toUcs4().value(0), 0x1F3ACu);
    EXPECT_EQ(MPXStringTools::toStdStringUTF8(clapper).size(), 4u);
}

} // namespace
