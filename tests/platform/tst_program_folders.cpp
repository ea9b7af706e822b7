// Where the programs find their resources and write their data, in a build tree and in an
// installed tree.

#include "platform/program_folders.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace drawfield;

class ProgramFoldersTest : public QObject {
    Q_OBJECT
private slots:
    void resourcesBesideOrShared_data()
    {
        QTest::addColumn<QStringList>("files"); // made under the scratch root
        QTest::addColumn<QString>("found");
        QTest::newRow("build tree") << QStringList { "bin/info.rtf" } << "bin/info.rtf";
        QTest::newRow("installed")
            << QStringList { "share/drawfield/info.rtf" } << "share/drawfield/info.rtf";
        QTest::newRow("beside first")
            << QStringList { "bin/info.rtf", "share/drawfield/info.rtf" } << "bin/info.rtf";
        QTest::newRow("nowhere: named beside") << QStringList {} << "bin/info.rtf";
    }
    void resourcesBesideOrShared()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, found);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("bin")));
        for (const QString& file : files) {
            QVERIFY(QDir(root.path()).mkpath(QFileInfo(root.filePath(file)).path()));
            QFile made(root.filePath(file));
            QVERIFY(made.open(QIODevice::WriteOnly));
        }
        QCOMPARE(resourceFile(root.filePath(QStringLiteral("bin")), QStringLiteral("info.rtf")),
            root.filePath(found));
    }

    // Beside the programs of a build tree; the user's own folder for an installed program, even
    // one whose bin/ the user may write (root's /usr/bin, a cmake --install tree).
    void dataBesideInABuildTreeElseTheUsers()
    {
        QStandardPaths::setTestModeEnabled(true);
        const QString user = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            + QStringLiteral("/drawfield/data");
        QTemporaryDir root;
        QCOMPARE(dataFolder(root.path()), user);
        QFile marker(root.filePath(QLatin1String(BuildTreeMarker)));
        QVERIFY(marker.open(QIODevice::WriteOnly));
        QCOMPARE(dataFolder(root.path()), root.filePath(QStringLiteral("data")));
        QCOMPARE(dataFolder(QStringLiteral("/nonexistent/usr/bin")), user);
    }
};

QTEST_MAIN(ProgramFoldersTest)
#include "tst_program_folders.moc"
