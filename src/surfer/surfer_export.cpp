#include "surfer/surfer_export.h"

#include "files/atomic_file.h"
#include "files/staged_files.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

namespace drawfield {
namespace {

    constexpr int Steps = 15;

    // The export ends before its last step.
    struct EndOfExport {
        ExportOutcome outcome;
    };

} // namespace

SurferFiles surferFilesFor(const QString& recordFile)
{
    const QString stem = recordFile.left(std::max<qsizetype>(0, recordFile.size() - 3));
    return { stem + QStringLiteral("grd"), stem + QStringLiteral("srf"),
        stem + QStringLiteral("xyz"), stem + QStringLiteral("bmp") };
}

QString exportMessage(const ExportOutcome& outcome, const QString& recordFile)
{
    switch (outcome.end) {
    case ExportOutcome::End::Completed:
        return {};
    case ExportOutcome::End::ServerMissing:
        return QStringLiteral(
            "The mapping program could not be started (%1). The record file is %2.")
            .arg(outcome.reason, recordFile);
    case ExportOutcome::End::Stopped:
        return QStringLiteral("The export to the mapping program was stopped. The files of the "
                              "previous export are as they were.");
    case ExportOutcome::End::Lost:
        break;
    }
    return QStringLiteral("The export to the mapping program failed (%1). The files of the "
                          "previous export are as they were.")
        .arg(outcome.reason);
}

ExportOutcome SURFER_Export(
    AutomationClient& client, const QString& Surfer_fichier, const ExportControl& control)
{
    const SurferFiles files = surferFilesFor(Surfer_fichier);
    // The files this export makes are staged as a set first, under their final names (the plot
    // document names its grid relative to itself, so it moves with it); Ctrl-C in a batch export
    // removes them.
    auto bytesOf = [](const QString& path) { return QFile::encodeName(path).toStdString(); };
    std::optional<StagedFiles> staging;
    try {
        staging.emplace(bytesOf(files.document), "export file");
    } catch (const FileWriteError& error) {
        return { ExportOutcome::End::Lost, QString::fromLocal8Bit(error.what()) };
    }
    auto staged = [&](const QString& path) {
        return QFile::decodeName(
            QByteArray::fromStdString(staging->staged(bytesOf(path)).native()));
    };
    const SurferFiles made { staged(files.grid), staged(files.document), files.points,
        staged(files.picture) };

    int step = 0;
    auto report = [&](const QString& activity, double within = 0.0) {
        if (control.progress)
            control.progress((step + within) / Steps, activity);
    };
    QString activity;
    client.watch(control.stop, [&](double within) { report(activity, within); });

    // Each step runs when the objects it needs exist; a refused step leaves what it would have
    // set as it was, and the export goes on. A lost connection or a stop ends it.
    auto attempt = [&](const QString& doing, auto&& body) {
        activity = doing;
        report(activity);
        try {
            body();
        } catch (const AutomationLost& lost) {
            throw EndOfExport { { control.stop.stop_requested() ? ExportOutcome::End::Stopped
                                                                : ExportOutcome::End::Lost,
                QString::fromLocal8Bit(lost.what()) } };
        } catch (const AutomationError&) {
        }
        ++step;
        if (control.stop.stop_requested())
            throw EndOfExport { { ExportOutcome::End::Stopped,
                QStringLiteral("the export was stopped") } };
    };

    std::optional<ObjectRef> application;
    activity = QStringLiteral("starting the mapping program");
    report(activity);
    try {
        application = client.create(QStringLiteral("Surfer.Application"));
    } catch (const AutomationError& error) {
        if (control.stop.stop_requested())
            return { ExportOutcome::End::Stopped, QStringLiteral("the export was stopped") };
        return { ExportOutcome::End::ServerMissing, QString::fromLocal8Bit(error.what()) };
    }
    ++step;

    try {
        std::optional<ObjectRef> document, shapes, frame, layer, selection;
        const QString showing = QStringLiteral("showing the mapping program");
        const QString gridding = QStringLiteral("gridding the record file");
        const QString drawing = QStringLiteral("drawing the contour map");
        const QString posting = QStringLiteral("posting the points");
        const QString exporting = QStringLiteral("exporting the picture");
        const QString saving = QStringLiteral("saving the plot document");
        attempt(showing, [&] { client.put(*application, QStringLiteral("Visible"), true); });
        attempt(gridding, [&] {
            client.call(*application, QStringLiteral("GridData"),
                { { QStringLiteral("DataFile"), Surfer_fichier },
                    { QStringLiteral("OutGrid"), made.grid } });
        });
        attempt(drawing, [&] {
            AutomationValue documents = client.get(*application, QStringLiteral("Documents"));
            if (documents.object)
                document = client.call(*documents.object, QStringLiteral("Add")).object;
        });
        attempt(drawing, [&] {
            if (document)
                shapes = client.get(*document, QStringLiteral("Shapes")).object;
        });
        attempt(drawing, [&] {
            if (shapes)
                frame = client.call(*shapes, QStringLiteral("AddContourMap"), { { {}, made.grid } })
                            .object;
        });
        attempt(drawing, [&] {
            if (frame)
                layer = client.call(*frame, QStringLiteral("Overlays"), { { {}, 1 } }).object;
        });
        attempt(drawing, [&] {
            if (layer)
                client.put(*layer, QStringLiteral("FillContours"), true);
        });
        attempt(drawing, [&] {
            if (layer)
                client.put(*layer, QStringLiteral("ShowColorScale"), true);
        });
        // The post map's frame takes the contour map's place; when it cannot be made, the
        // contour map's frame stays, and it is the one selected.
        attempt(posting, [&] {
            if (!shapes)
                return;
            if (auto post
                = client.call(*shapes, QStringLiteral("AddPostMap"), { { {}, made.points } })
                      .object)
                frame = post;
        });
        attempt(posting, [&] {
            if (frame)
                client.put(*frame, QStringLiteral("Selected"), true);
        });
        attempt(posting, [&] {
            if (document)
                selection = client.get(*document, QStringLiteral("Selection")).object;
        });
        attempt(posting, [&] {
            if (selection)
                client.call(*selection, QStringLiteral("OverlayMaps"));
        });
        attempt(exporting, [&] {
            if (document)
                client.call(*document, QStringLiteral("Export"),
                    { { QStringLiteral("FileName"), made.picture },
                        { QStringLiteral("Options"),
                            QStringLiteral("Defaults=1,HDPI=70,VDPI=70,ColorDepth=32") } });
        });
        attempt(saving, [&] {
            if (document)
                client.call(*document, QStringLiteral("SaveAs"), { { {}, made.document } });
        });
    } catch (const EndOfExport& end) {
        return end.outcome; // the staging folder goes, with what it holds
    }

    // The files of this export take their places together; a file this export did not make is
    // not left from another.
    report(QStringLiteral("putting the files in place"));
    try {
        staging->commit({ bytesOf(files.grid), bytesOf(files.picture), bytesOf(files.document) });
    } catch (const FileWriteError& error) {
        return { ExportOutcome::End::Lost, QString::fromLocal8Bit(error.what()) };
    }
    step = Steps;
    report(QStringLiteral("done"));
    return {};
}

} // namespace drawfield
