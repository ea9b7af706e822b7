// The mapping program's readers and its side of the protocol, fed what a careless user or an
// attacker would feed them.

#include "mapper/automation_server.h"
#include "mapper/gridding.h"
#include "mapper/plot_window.h"
#include "mapper/protocol.h"

#include <QImage>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace drawfield::mapper;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class MapperTest : public QObject {
    Q_OBJECT
private slots:
    // Every record gives a grid that the mapper and GDAL read back, or a clear refusal.
    void oddRecordsGridOrAreRefused_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("a single column")
            << QByteArray(" 5, 1,-1\r\n 5, 2,-2\r\n 5, 3,-1\r\n") << 2 << 100 << "";
        QTest::newRow("a single point") << QByteArray(" 5, 5,-1\r\n") << 2 << 2 << "";
        QTest::newRow("nan and inf are no points")
            << QByteArray(" 1, 1,nan\r\n 2, 2,-1\r\n 3, 3,inf\r\n-inf, 4,-1\r\n") << 2 << 2 << "";
        QTest::newRow("a map a micrometre wide")
            << QByteArray(" 0.000001, 0,-1\r\n 0.000002, 0.000001,-2\r\n") << 100 << 100 << "";
        QTest::newRow("only nan") << QByteArray(" 1, 1,nan\r\n") << 0 << 0
                                  << "holds no point with finite X, Y and Z";
        QTest::newRow("points too far apart")
            << QByteArray("-1e308, 0,-1\r\n 1e308, 0,-1\r\n") << 0 << 0 << "spread too far";
        QTest::newRow("points closer than their precision")
            << QByteArray(" 1e17, 0,-1\r\n 100000000000000016, 0,-1\r\n") << 0 << 0 << "too close";
    }
    void oddRecordsGridOrAreRefused()
    {
        QFETCH(QByteArray, record);
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(QString, refusal);
        QTemporaryDir folder;
        const QString data = folder.filePath(QStringLiteral("d.dat"));
        const QString grid = folder.filePath(QStringLiteral("d.grd"));
        writeFile(data, record);
        try {
            gridPoints(readPoints(data, true), grid);
            QVERIFY2(refusal.isEmpty(), "expected a refusal");
        } catch (const MapperError& error) {
            QVERIFY2(!refusal.isEmpty(), error.what());
            QVERIFY2(QString::fromLocal8Bit(error.what()).contains(refusal), error.what());
            QVERIFY(!QFile::exists(grid));
            return;
        }
        drawfield::SampledField field = readDrawdownGrid(grid);
        QCOMPARE(field.columns, columns);
        QCOMPARE(field.rows, rows);
        QVERIFY(field.deepest > 0.0);
        QProcess gdalinfo;
        gdalinfo.start(QStringLiteral("gdalinfo"), { grid });
        QVERIFY(gdalinfo.waitForFinished());
        QCOMPARE(gdalinfo.exitCode(), 0);
        QVERIFY(folder.path().size() > 0);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 2); // no temporary left
    }

    // A header that declares more than its file holds is refused before anything is allocated.
    void gridHeadersAreCheckedAgainstTheFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("37 bytes declaring 100000 x 100000 nodes")
            << QByteArray("DSAA\n100000 100000\n0 1\n0 1\n0 1\n1 2 3\n")
            << "declares 100000 x 100000 nodes, more than its 37 bytes can hold";
        QTest::newRow("no extent")
            << QByteArray("DSAA\n2 2\n0 0\n0 0\n0 1\n1 2 3 4\n") << "has no extent";
        QTest::newRow("not a grid") << QByteArray("hello") << "Cannot read the grid";
    }
    void gridHeadersAreCheckedAgainstTheFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, refusal);
        QTemporaryDir folder;
        const QString grid = folder.filePath(QStringLiteral("g.grd"));
        writeFile(grid, bytes);
        try {
            (void)readDrawdownGrid(grid);
            QFAIL("expected a refusal");
        } catch (const MapperError& error) {
            QVERIFY2(QString::fromLocal8Bit(error.what()).contains(refusal), error.what());
        }
    }

    void requestLinesAreSplitAndBounded()
    {
        RequestLines lines;
        QList<QByteArray> got;
        QList<bool> overlong;
        auto collect = [&](const QByteArray& line, bool tooLong) {
            got << line;
            overlong << tooLong;
        };
        lines.feed("{\"a\":1}\r\n{\"b\"", collect);
        lines.feed(":2}\n", collect);
        lines.feed(std::string(LongestRequestBytes + 10, 'x') + "\nlast", collect);
        lines.finish(collect);
        QCOMPARE(got, (QList<QByteArray> { "{\"a\":1}", "{\"b\":2}", "", "last" }));
        QCOMPARE(overlong, (QList<bool> { false, false, true, false }));
    }

    // An empty record file ("SURFER Grid" without "Record XYZ"): the gridding is refused as
    // before, and the window says why, naming the file, instead of showing a blank page.
    void anEmptyRecordIsSaidInTheWindow()
    {
        QTemporaryDir folder;
        const QString data = folder.filePath(QStringLiteral("drawfield.dat"));
        writeFile(data, QByteArray());
        AutomationServer server({}, {});
        auto send = [&](const QJsonObject& request) { return server.handle(request); };
        const int application = send({ { QStringLiteral("id"), 1 },
                                         { QStringLiteral("op"), QStringLiteral("create") },
                                         { QStringLiteral("class"),
                                             QStringLiteral("Surfer.Application") } })
                                    .value(QStringLiteral("object"))
                                    .toInt();
        const QJsonObject reply = send({ { QStringLiteral("id"), 2 },
            { QStringLiteral("op"), QStringLiteral("call") },
            { QStringLiteral("object"), application },
            { QStringLiteral("name"), QStringLiteral("GridData") },
            { QStringLiteral("arguments"),
                QJsonArray { QJsonObject { { QStringLiteral("value"), data } },
                    QJsonObject { { QStringLiteral("value"),
                        folder.filePath(QStringLiteral("drawfield.grd")) } } } } });
        QVERIFY(reply.contains(QStringLiteral("error")));
        QVERIFY2(server.note().contains(data) && server.note().contains(QStringLiteral("holds no point")),
            qPrintable(server.note()));
        PlotWindow window([&] { return server.shownDocument(); }, [&] { return server.note(); });
        window.resize(800, 600);
        const QImage shown = window.grab().toImage();
        int inked = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                inked += shown.pixelColor(x, y) != QColor(Qt::white);
        QVERIFY(inked > 200); // the note, not a blank page
    }

    void everyLineGetsOneClearReply_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("error");
        QTest::newRow("an array") << QByteArray("[]")
                                  << "a request must be a JSON object, not an array";
        QTest::newRow("not JSON") << QByteArray("{\"op\":")
                                  << "a request must be a JSON object; this line is not JSON "
                                     "(unterminated object at byte 6)";
        QTest::newRow("unknown class, quoted short and escaped")
            << QByteArray("{\"id\":4,\"op\":\"create\",\"class\":\"") + QByteArray(100, 'A')
                + QByteArray("\\u0000\"}")
            << "no class is named \"" + QString(40, QLatin1Char('A')) + "\"...";
        QTest::newRow("control bytes in a name")
            << QByteArray("{\"id\":5,\"op\":\"cr\\u0000eate\",\"object\":1}") << "no such object";
    }
    void everyLineGetsOneClearReply()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, error);
        AutomationServer server({}, {});
        QJsonObject reply = replyTo(server, line);
        QCOMPARE(reply.value(QStringLiteral("error")).toString(), error);
        QJsonObject request = QJsonDocument::fromJson(line).object();
        QCOMPARE(reply.value(QStringLiteral("id")), request.value(QStringLiteral("id")));
    }
};

QTEST_MAIN(MapperTest)
#include "tst_mapper.moc"
