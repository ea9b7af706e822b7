#include "surfer/surfer_export.h"

#include <optional>

namespace drawfield {

SurferFiles surferFilesFor(const QString& recordFile)
{
    const QString stem = recordFile.left(std::max<qsizetype>(0, recordFile.size() - 3));
    return { stem + QStringLiteral("grd"), stem + QStringLiteral("srf"),
        stem + QStringLiteral("xyz"), stem + QStringLiteral("bmp") };
}

void SURFER_Export(AutomationClient& client, const QString& Surfer_fichier,
    const std::function<void(const QString& reason)>& serverMissing)
{
    // Each step runs when the objects it needs exist; a failing step leaves what it would have
    // set as it was, and the export goes on.
    auto attempt = [](auto&& step) {
        try {
            step();
        } catch (const AutomationError&) {
        }
    };
    const SurferFiles files = surferFilesFor(Surfer_fichier);

    std::optional<ObjectRef> application;
    try {
        application = client.create(QStringLiteral("Surfer.Application"));
    } catch (const AutomationError& error) {
        if (serverMissing)
            serverMissing(QString::fromStdString(error.what()));
        return; // nothing can follow without the program
    }

    std::optional<ObjectRef> document, shapes, frame, layer, selection;
    attempt([&] { client.put(*application, QStringLiteral("Visible"), true); });
    attempt([&] {
        client.call(*application, QStringLiteral("GridData"),
            { { QStringLiteral("DataFile"), Surfer_fichier },
                { QStringLiteral("OutGrid"), files.grid } });
    });
    attempt([&] {
        AutomationValue documents = client.get(*application, QStringLiteral("Documents"));
        if (documents.object)
            document = client.call(*documents.object, QStringLiteral("Add")).object;
    });
    if (document)
        attempt([&] { shapes = client.get(*document, QStringLiteral("Shapes")).object; });
    if (shapes)
        attempt([&] {
            frame = client.call(*shapes, QStringLiteral("AddContourMap"), { { {}, files.grid } })
                        .object;
        });
    if (frame)
        attempt([&] {
            layer = client.call(*frame, QStringLiteral("Overlays"), { { {}, 1 } }).object;
        });
    if (layer) {
        attempt([&] { client.put(*layer, QStringLiteral("FillContours"), true); });
        attempt([&] { client.put(*layer, QStringLiteral("ShowColorScale"), true); });
    }
    // The post map's frame takes the contour map's place; when it cannot be made, the contour
    // map's frame stays, and it is the one selected.
    if (shapes)
        attempt([&] {
            if (auto post
                = client.call(*shapes, QStringLiteral("AddPostMap"), { { {}, files.points } })
                      .object)
                frame = post;
        });
    if (frame)
        attempt([&] { client.put(*frame, QStringLiteral("Selected"), true); });
    if (document)
        attempt([&] {
            selection = client.get(*document, QStringLiteral("Selection")).object;
            if (selection)
                client.call(*selection, QStringLiteral("OverlayMaps"));
        });
    if (document) {
        attempt([&] {
            client.call(*document, QStringLiteral("Export"),
                { { QStringLiteral("FileName"), files.picture },
                    { QStringLiteral("Options"),
                        QStringLiteral("Defaults=1,HDPI=70,VDPI=70,ColorDepth=32") } });
        });
        attempt([&] {
            client.call(*document, QStringLiteral("SaveAs"), { { {}, files.document } });
        });
    }
}

} // namespace drawfield
