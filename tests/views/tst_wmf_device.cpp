// The metafile writer on its own, read back by an independent reader (libwmf).

#include "support/libwmf.h"
#include "views/wmf_device.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdint>

using namespace drawfield;

namespace {

std::uint16_t word(const QByteArray& bytes, int offset)
{
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[offset])
        | (static_cast<std::uint8_t>(bytes[offset + 1]) << 8));
}

// Left half red, right half blue with a black outline, a ring with a hole, rotated text.
void paintSample(QPainter& painter)
{
    painter.fillRect(QRectF(0, 0, 200, 100), QColor(255, 255, 255));
    painter.fillRect(QRectF(0, 0, 100, 100), QColor(220, 20, 20));
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(QColor(20, 20, 220));
    painter.drawRect(QRectF(100, 0, 100, 100));
    QPainterPath ring;
    ring.setFillRule(Qt::OddEvenFill);
    ring.addEllipse(QPointF(150, 50), 40, 40);
    ring.addEllipse(QPointF(150, 50), 15, 15);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 200, 20));
    painter.drawPath(ring);
    painter.setPen(Qt::black);
    painter.setFont(QFont(QStringLiteral("Arial"), 10));
    painter.save();
    painter.translate(20, 90);
    painter.rotate(-90);
    painter.drawText(QPointF(0, 0), QStringLiteral("Y (m)"));
    painter.restore();
}

QByteArray sampleMetafile()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    WmfDevice device(&buffer, QSize(200, 100));
    QPainter painter(&device);
    paintSample(painter);
    bool ended = painter.end();
    return ended ? buffer.data() : QByteArray();
}

} // namespace

class WmfDeviceTest : public QObject {
    Q_OBJECT
private slots:
    void headersDescribeTheFile()
    {
        QByteArray file = sampleMetafile();
        QVERIFY(file.size() > 22 + 18);
        QCOMPARE(word(file, 0) | (std::uint32_t { word(file, 2) } << 16), 0x9AC6CDD7u);
        QCOMPARE(
            word(file, 10), std::uint16_t { 200 * 16 }); // frame right, in sixteenths of a pixel
        QCOMPARE(word(file, 12), std::uint16_t { 100 * 16 });
        QCOMPARE(word(file, 14), std::uint16_t { 96 * 16 }); // units per inch
        std::uint16_t checksum = 0;
        for (int i = 0; i < 20; i += 2)
            checksum ^= word(file, i);
        QCOMPARE(word(file, 20), checksum);
        // The metafile header's size counts every word after the placeable header.
        std::uint32_t words = word(file, 22 + 6) | (std::uint32_t { word(file, 22 + 8) } << 16);
        QCOMPARE(qsizetype(words) * 2, file.size() - 22);
        // The last record is the end-of-file record: 3 words, function 0.
        QCOMPARE(word(file, int(file.size()) - 6), std::uint16_t { 3 });
        QCOMPARE(word(file, int(file.size()) - 2), std::uint16_t { 0 });
    }

    void libwmfDrawsWhatWasPainted()
    {
        QTemporaryDir folder;
        const QString wmf = folder.filePath(QStringLiteral("sample.wmf"));
        QFile out(wmf);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(sampleMetafile());
        out.close();
        QString why;
        QImage image = readWithLibwmf(wmf, folder.filePath(QStringLiteral("sample.png")), &why);
        QVERIFY2(!image.isNull(), qPrintable(why));
        auto at = [&](double x, double y) {
            return image.pixelColor(
                int(x * image.width() / 200.0), int(y * image.height() / 100.0));
        };
        QCOMPARE(at(50, 30), QColor(220, 20, 20));
        QCOMPARE(at(190, 10), QColor(20, 20, 220));
        QCOMPARE(at(150, 20), QColor(20, 200, 20)); // the ring
        QCOMPARE(at(150, 50), QColor(20, 20, 220)); // its hole shows what lies under it

        QProcess svg;
        svg.start(QStringLiteral("wmf2svg"),
            { QStringLiteral("-o"), folder.filePath(QStringLiteral("sample.svg")), wmf });
        QVERIFY(svg.waitForFinished(30000));
        QCOMPARE(svg.exitCode(), 0);
        QFile text(folder.filePath(QStringLiteral("sample.svg")));
        QVERIFY(text.open(QIODevice::ReadOnly));
        QVERIFY(text.readAll().contains("Y (m)"));
    }

    // The records a filled path becomes: rings apart are POLYGONs (libwmf joins the rings of a
    // POLYPOLYGON with lines), a ring with a hole needs the POLYPOLYGON.
    void filledPathsBecomePolygonsWhereTheyHaveNoHoles_data()
    {
        QTest::addColumn<QList<QRectF>>("rings");
        QTest::addColumn<int>("polygons");
        QTest::addColumn<int>("polyPolygons");
        QTest::newRow("one ring") << QList<QRectF> { { 10, 10, 50, 50 } } << 1 << 0;
        QTest::newRow("two cones apart")
            << QList<QRectF> { { 10, 10, 30, 30 }, { 100, 10, 30, 30 } } << 2 << 0;
        QTest::newRow("a ring with a hole")
            << QList<QRectF> { { 10, 10, 80, 80 }, { 30, 30, 20, 20 } } << 0 << 1;
    }
    void filledPathsBecomePolygonsWhereTheyHaveNoHoles()
    {
        QFETCH(QList<QRectF>, rings);
        QFETCH(int, polygons);
        QFETCH(int, polyPolygons);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        {
            WmfDevice device(&buffer, QSize(200, 100));
            QPainter painter(&device);
            QPainterPath path;
            path.setFillRule(Qt::OddEvenFill);
            for (const QRectF& ring : rings)
                path.addEllipse(ring);
            painter.setPen(Qt::NoPen);
            painter.setBrush(Qt::blue);
            painter.drawPath(path);
            QVERIFY(painter.end());
        }
        // Walk the records after the two headers: size (32 bits, words), then the function.
        const QByteArray file = buffer.data();
        int found[2] = { 0, 0 };
        for (int at = 22 + 18; at + 6 <= file.size();) {
            const std::uint32_t size
                = word(file, at) | (std::uint32_t { word(file, at + 2) } << 16);
            const std::uint16_t function = word(file, at + 4);
            if (function == 0x0324)
                ++found[0];
            if (function == 0x0538)
                ++found[1];
            if (size < 3)
                break;
            at += int(size) * 2;
        }
        QCOMPARE(found[0], polygons);
        QCOMPARE(found[1], polyPolygons);
    }

    void aFailedWriteEndsThePainterWithFalse()
    {
        QBuffer closed; // never opened: every write fails
        WmfDevice device(&closed, QSize(50, 50));
        QPainter painter(&device);
        painter.fillRect(QRect(0, 0, 50, 50), Qt::red);
        QTest::ignoreMessage(QtWarningMsg, "QIODevice::write (QBuffer): device not open");
        QVERIFY(!painter.end());
    }
};

QTEST_MAIN(WmfDeviceTest)
#include "tst_wmf_device.moc"
