#include "window/rtf_reader.h"

#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

using namespace drawfield;

namespace {

// The document's runs as "text|b|i|u|size|#colour" per fragment, paragraphs joined by "/".
QString runs(const QTextDocument& document)
{
    QStringList blocks;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QStringList fragments;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QTextFragment fragment = it.fragment();
            QTextCharFormat f = fragment.charFormat();
            fragments << QStringLiteral("%1|%2%3%4|%5|%6")
                             .arg(fragment.text())
                             .arg(f.fontWeight() == QFont::Bold ? "b" : "")
                             .arg(f.fontItalic() ? "i" : "")
                             .arg(f.fontUnderline() ? "u" : "")
                             .arg(f.fontPointSize())
                             .arg(f.foreground().color().name());
        }
        blocks << fragments.join(QLatin1Char(' '));
    }
    return blocks.join(QLatin1Char('/'));
}

} // namespace

class RtfReaderTest : public QObject {
    Q_OBJECT
private slots:
    void reads_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain text") << QByteArray("{\\rtf1\\ansi Hello}") << "Hello||12|#000000";
        QTest::newRow("bold on and off")
            << QByteArray("{\\rtf1 a\\b b\\b0 c}") << "a||12|#000000 b|b|12|#000000 c||12|#000000";
        QTest::newRow("a group restores the format")
            << QByteArray("{\\rtf1 {\\i\\ul x}y}") << "x|iu|12|#000000 y||12|#000000";
        QTest::newRow("ulnone") << QByteArray("{\\rtf1 \\ul a\\ulnone b}")
                                << "a|u|12|#000000 b||12|#000000";
        QTest::newRow("size in half points")
            << QByteArray("{\\rtf1 \\fs32 big}") << "big||16|#000000";
        QTest::newRow("colour table")
            << QByteArray("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\cf1 red\\cf0 auto}")
            << "red||12|#ff0000 auto||12|#000000";
        QTest::newRow("paragraphs")
            << QByteArray("{\\rtf1 one\\par two}") << "one||12|#000000/two||12|#000000";
        QTest::newRow("hex characters in Windows-1252")
            << QByteArray("{\\rtf1 m\\'b2 \\'80}") << QString::fromUtf8("m² €||12|#000000");
        QTest::newRow("unicode with its stand-in skipped") << QByteArray(
            "{\\rtf1 \\u960?r\\u8730\\'3fx}") << QString::fromUtf8("πr√x||12|#000000");
        QTest::newRow("escaped braces and backslash")
            << QByteArray("{\\rtf1 \\{a\\}\\\\}") << "{a}\\||12|#000000";
        QTest::newRow("font table and ignorable groups skipped") << QByteArray(
            "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\*\\generator X;}{\\info{\\title T}}text}")
                                                                 << "text||12|#000000";
        QTest::newRow("unknown control words skipped")
            << QByteArray("{\\rtf1\\widowctrl\\sa120 \\zzz7 ok}") << "ok||12|#000000";
        QTest::newRow("ten-digit size saturates, no overflow") << QByteArray(
            "{\\rtf1{\\fs99999999999 x}{\\fs-2147483649 y}}") << "x||144|#000000 y||12|#000000";
        QTest::newRow("colour channels beyond a byte are clamped")
            << QByteArray("{\\rtf1{\\colortbl;\\red99999999999\\green-5\\blue0;}\\cf1 c}")
            << "c||12|#ff0000";
        QTest::newRow("a unicode code beyond 16 bits shows nothing")
            << QByteArray("{\\rtf1 a\\u99999999?b}") << "ab||12|#000000";
        QTest::newRow("unbalanced end is no error")
            << QByteArray("{\\rtf1 a}}} b") << "a b||12|#000000";
    }
    void reads()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        QTextDocument document;
        readRtf(rtf, document);
        QCOMPARE(runs(document), expected);
    }

    void centredParagraphs()
    {
        QTextDocument document;
        readRtf("{\\rtf1\\qc Title\\par\\pard body}", document);
        QCOMPARE(document.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask,
            Qt::AlignHCenter);
        QCOMPARE(document.begin().next().blockFormat().alignment() & Qt::AlignHorizontal_Mask,
            Qt::AlignLeft);
    }

    void theShippedPageReads()
    {
        QFile file(QStringLiteral(DRAWFIELD_SOURCE_DIR "/resources/drawfield.rtf"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTextDocument document;
        readRtf(file.readAll(), document);
        QString text = document.toPlainText();
        for (const char* part : { "Cooper-Jacob", "2.249", "3.1416", "radius of influence", "0.05",
                 "drawfield.dat", "m\u00b3/h" })
            QVERIFY2(text.contains(QString::fromUtf8(part)), part);
        QVERIFY(!text.contains(QLatin1Char('\\')));
        // Cooper-Jacob leaves out Ein(u) > 0: it falls short of Theis, never over.
        QVERIFY(text.contains(QStringLiteral("underestimates")));
        QVERIFY(!text.contains(QStringLiteral("overestimates")));
        QVERIFY(text.contains(QStringLiteral("s = b - \u221a(b\u00b2 - 2 b s')")));
        QVERIFY(!text.contains(QLatin1String("Arial")));
    }
};

QTEST_MAIN(RtfReaderTest)
#include "tst_rtf_reader.moc"
