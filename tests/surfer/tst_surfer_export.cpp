// The export to the mapping program: the steps against a recording fake, the transport against
// servers that misbehave, and the real drawfield-mapper end to end.

#include "mapper/gridding.h"
#include "mapper/plot.h"
#include "support/temporary_folder.h"
#include "surfer/process_automation.h"
#include "surfer/surfer_export.h"
#include "views/map_geometry.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <thread>

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

// The requests of a whole export of folder/drawfield.dat. The files it makes are named in a
// folder of their own, written here as "<staging>".
QStringList fullSequence(const QString& folder)
{
    const QString record = folder + "/drawfield.dat";
    const QString made = folder + "/<staging>/drawfield.";
    return {
        "create Surfer.Application",
        "put #1 Visible true",
        "call #1 GridData DataFile=" + record + " OutGrid=" + made + "grd",
        "get #1 Documents",
        "call #3 Add",
        "get #4 Shapes",
        "call #5 AddContourMap " + made + "grd",
        "call #6 Overlays 1",
        "put #7 FillContours true",
        "put #7 ShowColorScale true",
        "call #5 AddPostMap " + folder + "/drawfield.xyz",
        "put #8 Selected true",
        "get #4 Selection",
        "call #9 OverlayMaps",
        "call #4 Export FileName=" + made + "bmp Options=Defaults=1,HDPI=70,VDPI=70,ColorDepth=32",
        "call #4 SaveAs " + made + "srf",
    };
}

// The requests with the staging folder's random name written as "<staging>".
QStringList withStagingNamed(QStringList requests)
{
    static const QRegularExpression staging(QStringLiteral("\\.drawfield-staging-[^/]+"));
    for (QString& request : requests)
        request.replace(staging, QStringLiteral("<staging>"));
    return requests;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

bool isRunning(const QString& marker)
{
    QProcess pgrep;
    pgrep.start(QStringLiteral("pgrep"), { QStringLiteral("-f"), marker });
    pgrep.waitForFinished();
    return pgrep.exitCode() == 0;
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
        QTemporaryDir folder;
        RecordingClient client;
        ExportOutcome outcome
            = SURFER_Export(client, folder.filePath(QStringLiteral("drawfield.dat")));
        QCOMPARE(withStagingNamed(client.requests), fullSequence(folder.path()));
        QCOMPARE(outcome.end, ExportOutcome::End::Completed);
        QCOMPARE(
            QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList()); // the staging folder is gone
    }

    void failuresAreSkipped_data()
    {
        QTest::addColumn<QStringList>("failing");
        QTest::addColumn<int>("requests");
        QTest::addColumn<int>("postSelected"); // the frame selected by step 12
        // An empty record file: the gridding fails, everything else is still asked for.
        QTest::newRow("gridding refused") << QStringList { "GridData" } << 16 << 8;
        // No point file: the contour map's frame is the one selected; export and save still run.
        QTest::newRow("no point file") << QStringList { "AddPostMap" } << 16 << 6;
        // No document: nothing that needs it is asked for.
        QTest::newRow("no document") << QStringList { "Add" } << 5 << 0;
        QTest::newRow("export refused, the save still runs") << QStringList { "Export" } << 16 << 8;
    }
    void failuresAreSkipped()
    {
        QFETCH(QStringList, failing);
        QFETCH(int, requests);
        QFETCH(int, postSelected);
        QTemporaryDir folder;
        RecordingClient client;
        client.failing = QSet<QString>(failing.begin(), failing.end());
        ExportOutcome outcome
            = SURFER_Export(client, folder.filePath(QStringLiteral("drawfield.dat")));
        QStringList expected = fullSequence(folder.path()).mid(0, requests);
        if (requests > 11)
            expected[11] = QStringLiteral("put #%1 Selected true").arg(postSelected);
        QCOMPARE(withStagingNamed(client.requests), expected);
        QCOMPARE(outcome.end, ExportOutcome::End::Completed); // refused steps stay silent
    }

    void aMissingServerIsSaidOnce()
    {
        QTemporaryDir folder;
        RecordingClient client;
        client.creationFails = true;
        ExportOutcome outcome
            = SURFER_Export(client, folder.filePath(QStringLiteral("drawfield.dat")));
        QCOMPARE(client.requests, QStringList { "create Surfer.Application" });
        QCOMPARE(outcome.end, ExportOutcome::End::ServerMissing);
        QCOMPARE(outcome.reason, QStringLiteral("cannot start drawfield-mapper: no such file"));
    }

    // Files of one export never mix with those of another: the export's files land together at
    // its end, replacing or removing those of the export before; a stopped export lands nothing.
    void filesOfOneExportNeverMix()
    {
        QTemporaryDir folder;
        const SurferFiles files = surferFilesFor(folder.filePath(QStringLiteral("drawfield.dat")));
        for (const QString& old : { files.grid, files.picture, files.document })
            writeFile(old, "from the export before");

        // The mapping program writes the files it is asked to, except the grid (GridData fails).
        class Writer : public RecordingClient {
        public:
            AutomationValue call(ObjectRef object, const QString& method,
                const AutomationArguments& arguments) override
            {
                AutomationValue result = RecordingClient::call(object, method, arguments);
                if (method == QLatin1String("Export") || method == QLatin1String("SaveAs"))
                    writeFile(arguments.front().value.toString(), "new");
                return result;
            }
        } client;
        client.failing = { QStringLiteral("GridData") };
        std::stop_source stop;
        stop.request_stop();
        ExportOutcome stopped = SURFER_Export(
            client, folder.filePath(QStringLiteral("drawfield.dat")), { stop.get_token(), {} });
        QCOMPARE(stopped.end, ExportOutcome::End::Stopped);
        for (const QString& old : { files.grid, files.picture, files.document })
            QCOMPARE(bytesOf(old), QByteArray("from the export before"));

        client.requests.clear();
        QList<double> fractions;
        ExportOutcome done = SURFER_Export(client, folder.filePath(QStringLiteral("drawfield.dat")),
            { {}, [&](double fraction, const QString&) { fractions << fraction; } });
        QCOMPARE(done.end, ExportOutcome::End::Completed);
        QVERIFY(!QFile::exists(files.grid)); // not the old grid next to the new picture
        QCOMPARE(bytesOf(files.picture), QByteArray("new"));
        QCOMPARE(bytesOf(files.document), QByteArray("new"));
        QVERIFY(std::is_sorted(fractions.begin(), fractions.end()));
        QCOMPARE(fractions.last(), 1.0);
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
                                << "the server did not answer for 1.5 s and was ended";
    }
    void transportFailsInsteadOfHanging()
    {
        QFETCH(QString, mode);
        QFETCH(QString, reason);
        const QString marker
            = QStringLiteral("transport-%1-%2").arg(mode).arg(QCoreApplication::applicationPid());
        ProcessAutomationClient client({ { QStringLiteral("Surfer.Application"),
                                           { QStringLiteral(FAKE_SERVER), mode, marker } } },
            std::chrono::milliseconds(1500), std::chrono::milliseconds(1500));
        QElapsedTimer clock;
        clock.start();
        try {
            client.create(QStringLiteral("Surfer.Application"));
            QFAIL("expected AutomationError");
        } catch (const AutomationError& error) {
            QVERIFY2(QString::fromStdString(error.what()).contains(reason), error.what());
        }
        QVERIFY(clock.elapsed() < 10000);
        // A server given up on is not left running.
        QVERIFY(!isRunning(marker));
    }

    // A call takes as long as the work while the server says it works; a stop ends it, and the
    // server with it.
    void aWorkingServerIsWaitedForUntilStopped()
    {
        const QString marker = QStringLiteral("working-%1").arg(QCoreApplication::applicationPid());
        ProcessAutomationClient client(
            { { QStringLiteral("Surfer.Application"),
                { QStringLiteral(FAKE_SERVER), QStringLiteral("working"), marker } } },
            std::chrono::milliseconds(1000));
        QTemporaryDir folder;
        std::stop_source stop;
        QList<double> heard;
        std::jthread stopper([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(3000));
            stop.request_stop();
        });
        QElapsedTimer clock;
        clock.start();
        ExportOutcome outcome
            = SURFER_Export(client, folder.filePath(QStringLiteral("drawfield.dat")),
                { stop.get_token(), [&](double fraction, const QString&) { heard << fraction; } });
        QVERIFY2(clock.elapsed() >= 2900, "waited past the silence limit while the server worked");
        QCOMPARE(outcome.end, ExportOutcome::End::Stopped);
        QVERIFY(exportMessage(outcome, QString()).contains(QStringLiteral("was stopped")));
        QVERIFY(!isRunning(marker));
        QVERIFY(heard.size() > 2); // the server's progress reached the caller
        QCOMPARE(
            QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList());
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

        // The whole export against that server ends, and says why.
        ProcessAutomationClient other({ { QStringLiteral("Surfer.Application"),
                                          { QStringLiteral(FAKE_SERVER), "late-object" } } },
            std::chrono::milliseconds(1000));
        QTemporaryDir folder;
        ExportOutcome outcome
            = SURFER_Export(other, folder.filePath(QStringLiteral("drawfield.dat")));
        QCOMPARE(outcome.end, ExportOutcome::End::Lost);
        QVERIFY2(exportMessage(outcome, QString())
                     .startsWith(QStringLiteral("The export to the mapping program failed (cannot "
                                                "put Visible: the server did not answer for 1 s")),
            qPrintable(exportMessage(outcome, QString())));
    }

    void aServerThatCannotStart()
    {
        std::map<QString, QStringList> servers { { QStringLiteral("Surfer.Application"),
            { QStringLiteral("/no/such/program") } } };
        ProcessAutomationClient client(servers);
        QTemporaryDir folder;
        ExportOutcome outcome
            = SURFER_Export(client, folder.filePath(QStringLiteral("drawfield.dat")));
        QCOMPARE(outcome.end, ExportOutcome::End::ServerMissing);
        QVERIFY(outcome.reason.startsWith(QStringLiteral("cannot start /no/such/program: ")));
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
        ExportOutcome outcome = SURFER_Export(client, record);
        QCOMPARE(outcome.end, ExportOutcome::End::Completed);
        // The document names its grid beside it, so the set of files can move together.
        QVERIFY(bytesOf(files.document).contains("\"file\": \"drawfield.grd\""));

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

    // The mapping program says it is working while it grids a large record: a gridding that
    // takes longer than the silence limit completes, and its progress reaches the caller.
    void aLongGriddingIsNoSilence()
    {
        TemporaryFolder folder;
        writeBytes(folder / "large.ini",
            "[map]\nx_max = 1000\n[aquifer]\ntransmissivity = 0.01\nstorage = 0.05\n"
            "pumping_time = 240\n[bore1]\nx = 500\ny = 500\nrate = 50\n");
        const QString record = QString::fromStdString((folder / "data" / "drawfield.dat").string());
        int exitCode = -1;
        run(QStringLiteral(DRAWFIELD_BATCH),
            { QString::fromStdString((folder / "large.ini").string()), QStringLiteral("--record"),
                record },
            &exitCode);
        QCOMPARE(exitCode, 0);
        ProcessAutomationClient client(
            ProcessAutomationClient::mapperIn(QStringLiteral(PROGRAM_FOLDER)),
            std::chrono::milliseconds(1000));
        QList<double> gridding;
        QElapsedTimer clock;
        clock.start();
        ExportOutcome outcome
            = SURFER_Export(client, record, { {}, [&](double fraction, const QString& activity) {
                                                 if (activity.startsWith(QLatin1String("gridding")))
                                                     gridding << fraction;
                                             } });
        QVERIFY2(outcome.end == ExportOutcome::End::Completed, qPrintable(outcome.reason));
        QVERIFY(QFile::exists(surferFilesFor(record).grid));
        if (clock.elapsed() > 2500)
            QVERIFY2(gridding.size() > 2, "the gridding's progress was heard");
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
        QCOMPARE(SURFER_Export(client, record).end, ExportOutcome::End::Completed);
        QVERIFY(QFile::exists(files.document));
    }
};

QTEST_GUILESS_MAIN(SurferExportTest)
#include "tst_surfer_export.moc"
