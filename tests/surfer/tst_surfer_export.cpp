// The export to the mapping program: the steps against a recording fake, the transport against
// servers that misbehave, and the real drawfield-mapper end to end.

#include "mapper/gridding.h"
#include "mapper/plot.h"
#include "support/temporary_folder.h"
#include "surfer/process_automation.h"
#include "surfer/surfer_export.h"
#include "views/map_geometry.h"

#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace drawfield;

namespace {

QString text(const QJsonValue& value)
{
    if (value.isBool())
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (value.isDouble())
        return QString::number(value.toDouble());
    return value.toString();
}

// Records every request as a line ("call #3 Export FileName=x Options=y") and answers with new
// objects, numbered in order; members named in `failing` fail, and so does creation when asked.
class RecordingClient : public AutomationClient {
public:
    QStringList requests;
    QSet<QString> failing;
    bool creationFails = false;

    ObjectRef create(const QString& className) override
    {
        requests << QStringLiteral("create ") + className;
        if (creationFails)
            throw AutomationError("cannot start drawfield-mapper: no such file");
        return next();
    }
    AutomationValue get(ObjectRef object, const QString& property) override
    {
        ObjectRef result = next(); // numbered even when it fails, so numbers do not shift
        record(QStringLiteral("get #%1 %2").arg(object.id).arg(property), property);
        return { result, {} };
    }
    void put(ObjectRef object, const QString& property, const QJsonValue& value) override
    {
        record(QStringLiteral("put #%1 %2 %3").arg(object.id).arg(property, text(value)), property);
    }
    AutomationValue call(
        ObjectRef object, const QString& method, const AutomationArguments& arguments) override
    {
        QString line = QStringLiteral("call #%1 %2").arg(object.id).arg(method);
        for (const AutomationArgument& argument : arguments)
            line += QLatin1Char(' ')
                + (argument.name.isEmpty() ? QString() : argument.name + QLatin1Char('='))
                + text(argument.value);
        ObjectRef result = next();
        record(line, method);
        return { result, {} };
    }

private:
    void record(const QString& line, const QString& member)
    {
        requests << line;
        if (failing.contains(member))
            throw AutomationError("cannot " + member.toStdString() + ": refused");
    }
    ObjectRef next() { return { ++m_objects }; }
    int m_objects = 0;
};

QStringList fullSequence(const QString& base)
{
    return {
        "create Surfer.Application",
        "put #1 Visible true",
        "call #1 GridData DataFile=" + base + "dat OutGrid=" + base + "grd",
        "get #1 Documents",
        "call #3 Add",
        "get #4 Shapes",
        "call #5 AddContourMap " + base + "grd",
        "call #6 Overlays 1",
        "put #7 FillContours true",
        "put #7 ShowColorScale true",
        "call #5 AddPostMap " + base + "xyz",
        "put #8 Selected true",
        "get #4 Selection",
        "call #9 OverlayMaps",
        "call #4 Export FileName=" + base + "bmp Options=Defaults=1,HDPI=70,VDPI=70,ColorDepth=32",
        "call #4 SaveAs " + base + "srf",
    };
}

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString run(const QString& program, const QStringList& arguments, int* exitCode = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    if (exitCode)
        *exitCode = process.exitCode();
    return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
}

} // namespace

class SurferExportTest : public QObject {
    Q_OBJECT
private slots:
    void fileNamesLoseTheirLastThreeCharacters_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("grid");
        QTest::addColumn<QString>("picture");
        QTest::newRow("record file") << "C:/Tool/data/drawfield.dat"
                                     << "C:/Tool/data/drawfield.grd"
                                     << "C:/Tool/data/drawfield.bmp";
        QTest::newRow("four-letter extension") << "/d/run.data"
                                               << "/d/run.dgrd"
                                               << "/d/run.dbmp";
        QTest::newRow("shorter than three") << "ab"
                                            << "grd"
                                            << "bmp";
    }
    void fileNamesLoseTheirLastThreeCharacters()
    {
        QFETCH(QString, record);
        QFETCH(QString, grid);
        QFETCH(QString, picture);
        SurferFiles files = surferFilesFor(record);
        QCOMPARE(files.grid, grid);
        QCOMPARE(files.picture, picture);
        QCOMPARE(files.document.right(3), QStringLiteral("srf"));
        QCOMPARE(files.points.right(3), QStringLiteral("xyz"));
    }

    void theFifteenStepsInOrder()
    {
        RecordingClient client;
        int missing = 0;
        SURFER_Export(client, QStringLiteral("C:/Tool/data/drawfield.dat"),
            [&](const QString&) { ++missing; });
        QCOMPARE(client.requests, fullSequence(QStringLiteral("C:/Tool/data/drawfield.")));
        QCOMPARE(missing, 0);
    }

    void failuresAreSkipped_data()
    {
        QTest::addColumn<QStringList>("failing");
        QTest::addColumn<QStringList>("expected");
        const QStringList all = fullSequence(QStringLiteral("/d/drawfield."));
        // An empty record file: the gridding fails, everything else is still asked for.
        QTest::newRow("gridding refused") << QStringList { "GridData" } << all;
        // No point file: the contour map's frame is the one selected; export and save still run.
        QStringList noPosts = all;
        noPosts[11] = "put #6 Selected true";
        QTest::newRow("no point file") << QStringList { "AddPostMap" } << noPosts;
        // No document: nothing that needs it is asked for.
        QTest::newRow("no document") << QStringList { "Add" } << all.mid(0, 5);
        QTest::newRow("export refused, the save still runs") << QStringList { "Export" } << all;
    }
    void failuresAreSkipped()
    {
        QFETCH(QStringList, failing);
        QFETCH(QStringList, expected);
        RecordingClient client;
        client.failing = QSet<QString>(failing.begin(), failing.end());
        int missing = 0;
        SURFER_Export(
            client, QStringLiteral("/d/drawfield.dat"), [&](const QString&) { ++missing; });
        QCOMPARE(client.requests, expected);
        QCOMPARE(missing, 0); // later failures stay silent
    }

    void aMissingServerIsSaidOnce()
    {
        RecordingClient client;
        client.creationFails = true;
        QStringList said;
        SURFER_Export(client, QStringLiteral("/d/drawfield.dat"),
            [&](const QString& reason) { said << reason; });
        QCOMPARE(client.requests, QStringList { "create Surfer.Application" });
        QCOMPARE(said, QStringList { "cannot start drawfield-mapper: no such file" });
    }

    void transportFailsInsteadOfHanging_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("reason");
        QTest::newRow("garbage") << "garbage"
                                 << "the server's reply is not a message";
        QTest::newRow("dies") << "die"
                              << "the server has ended";
        QTest::newRow("silent") << "silent"
                                << "the server did not answer within 1.5 s";
    }
    void transportFailsInsteadOfHanging()
    {
        QFETCH(QString, mode);
        QFETCH(QString, reason);
        ProcessAutomationClient client(
            { { QStringLiteral("Surfer.Application"), { QStringLiteral(FAKE_SERVER), mode } } },
            std::chrono::milliseconds(1500));
        QElapsedTimer clock;
        clock.start();
        try {
            client.create(QStringLiteral("Surfer.Application"));
            QFAIL("expected AutomationError");
        } catch (const AutomationError& error) {
            QVERIFY2(QString::fromStdString(error.what()).contains(reason), error.what());
        }
        QVERIFY(clock.elapsed() < 10000);
    }

    void aBrokenConnectionFailsAtOnce()
    {
        ProcessAutomationClient client({ { QStringLiteral("Surfer.Application"),
                                           { QStringLiteral(FAKE_SERVER), "late-object" } } },
            std::chrono::milliseconds(1000));
        ObjectRef application = client.create(QStringLiteral("Surfer.Application"));
        QCOMPARE(application.id, 1);
        QVERIFY_THROWS_EXCEPTION(
            AutomationError, client.put(application, QStringLiteral("Visible"), true));
        QElapsedTimer clock;
        clock.start();
        QVERIFY_THROWS_EXCEPTION(
            AutomationError, client.get(application, QStringLiteral("Documents")));
        QVERIFY(clock.elapsed() < 500);

        // The whole export against that server ends, without a word past the start.
        ProcessAutomationClient other({ { QStringLiteral("Surfer.Application"),
                                          { QStringLiteral(FAKE_SERVER), "late-object" } } },
            std::chrono::milliseconds(1000));
        int missing = 0;
        SURFER_Export(
            other, QStringLiteral("/d/drawfield.dat"), [&](const QString&) { ++missing; });
        QCOMPARE(missing, 0);
    }

    void aServerThatCannotStart()
    {
        std::map<QString, QStringList> servers { { QStringLiteral("Surfer.Application"),
            { QStringLiteral("/no/such/program") } } };
        ProcessAutomationClient client(servers);
        QStringList said;
        SURFER_Export(client, QStringLiteral("/d/drawfield.dat"),
            [&](const QString& reason) { said << reason; });
        QCOMPARE(said.size(), 1);
        QVERIFY(said[0].startsWith(QStringLiteral("cannot start /no/such/program: ")));
        QVERIFY_THROWS_EXCEPTION(AutomationError, client.create(QStringLiteral("Other.Class")));
    }

    void theMapperEndToEnd()
    {
        TemporaryFolder folder;
        const QString record = QString::fromStdString((folder / "data" / "drawfield.dat").string());
        int exitCode = -1;
        run(QStringLiteral(DRAWFIELD_BATCH), { QStringLiteral("--record"), record }, &exitCode);
        QCOMPARE(exitCode, 0);
        // A point file placed by the user, posted over the contour map.
        const SurferFiles files = surferFilesFor(record);
        QFile points(files.points);
        QVERIFY(points.open(QIODevice::WriteOnly));
        points.write("30,30\n60,60\n");
        points.close();

        ProcessAutomationClient client(
            ProcessAutomationClient::mapperIn(QStringLiteral(PROGRAM_FOLDER)));
        int missing = 0;
        SURFER_Export(client, record, [&](const QString&) { ++missing; });
        QCOMPARE(missing, 0);

        // The grid opens in GDAL and holds the record's drawdowns at its nodes.
        QString info = run(QStringLiteral("gdalinfo"), { files.grid });
        QVERIFY2(info.contains(QStringLiteral("GS7BG")), qPrintable(info));
        QVERIFY(info.contains(QStringLiteral("Size is 100, 100")));
        const QList<QByteArray> lines = bytesOf(record).split('\n');
        for (int index : { 0, 2929, 5959, 9999 }) {
            QList<QByteArray> fields = lines[index].trimmed().split(',');
            QString value = run(QStringLiteral("gdallocationinfo"),
                { QStringLiteral("-valonly"), QStringLiteral("-geoloc"), files.grid,
                    QString::fromLatin1(fields[0].trimmed()),
                    QString::fromLatin1(fields[1].trimmed()) });
            QVERIFY2(std::abs(value.trimmed().toDouble() - fields[2].toDouble()) < 1e-12,
                qPrintable(lines[index] + " / " + value));
        }

        // The picture: 8 x 6 inches at 70 dpi, 32 bits, showing the map's bands.
        QByteArray bmp = bytesOf(files.picture);
        QVERIFY(bmp.startsWith("BM"));
        auto word32 = [&](int at) { return qFromLittleEndian<quint32>(bmp.constData() + at); };
        auto word16 = [&](int at) { return qFromLittleEndian<quint16>(bmp.constData() + at); };
        QCOMPARE(word32(18), 560u);
        QCOMPARE(word32(22), 420u);
        QCOMPARE(word16(28), quint16(32));
        QCOMPARE(word32(38), 2756u); // 70 dpi in pixels per metre
        QImage image;
        QVERIFY(image.loadFromData(bmp, "BMP"));
        MapGeometry map = buildMapGeometry(mapper::readDrawdownGrid(files.grid), false, true);
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                colours.insert(image.pixel(x, y) | 0xFF000000u);
        for (int band = 0; band + 1 < map.scale.bandCount(); ++band)
            QVERIFY2(colours.contains(map.scale.bandColour(band).rgb()),
                qPrintable(QStringLiteral("band %1").arg(band)));

        // The document reopens: one plot of the contour map with the posted points over it.
        mapper::PlotDocument document = mapper::PlotDocument::load(files.document);
        QCOMPARE(document.frames.size(), std::size_t { 1 });
        QCOMPARE(document.frames[0]->layers.size(), std::size_t { 2 });
        QCOMPARE(document.frames[0]->layers[0]->kind, mapper::Layer::Kind::Contour);
        QVERIFY(document.frames[0]->layers[0]->fillContours);
        QVERIFY(document.frames[0]->layers[0]->showColorScale);
        QCOMPARE(document.frames[0]->layers[1]->kind, mapper::Layer::Kind::Post);
    }

    void anEmptyRecordFileGridsNothing()
    {
        TemporaryFolder folder;
        const QString record = QString::fromStdString((folder / "drawfield.dat").string());
        QFile empty(record);
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        ProcessAutomationClient client(
            ProcessAutomationClient::mapperIn(QStringLiteral(PROGRAM_FOLDER)));
        ObjectRef application = client.create(QStringLiteral("Surfer.Application"));
        const SurferFiles files = surferFilesFor(record);
        try {
            client.call(application, QStringLiteral("GridData"),
                { { QStringLiteral("DataFile"), record },
                    { QStringLiteral("OutGrid"), files.grid } });
            QFAIL("expected the gridding to be refused");
        } catch (const AutomationError& error) {
            QVERIFY2(
                QString::fromStdString(error.what()).contains(QStringLiteral("holds no point")),
                error.what());
        }
        QVERIFY(!QFile::exists(files.grid));
        try {
            client.call(application, QStringLiteral("Fly"));
            QFAIL("expected an unknown member to be refused");
        } catch (const AutomationError& error) {
            QVERIFY2(QString::fromStdString(error.what())
                         .contains(QStringLiteral("Application has no member \"Fly\"")),
                error.what());
        }
        // The rest of the export still runs: a document without a grid is saved.
        SURFER_Export(client, record, {});
        QVERIFY(QFile::exists(files.document));
    }
};

QTEST_GUILESS_MAIN(SurferExportTest)
#include "tst_surfer_export.moc"
