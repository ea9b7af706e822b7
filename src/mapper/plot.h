#pragma once

// The mapping program's plot document: map frames, each with its layers (a contour map of a grid
// file, a post map of a point file), drawn with the chart component's map painting, saved as a
// small readable JSON document that the program opens again.

#include "views/grid_sampling.h"

#include <QJsonObject>
#include <QSize>
#include <QString>

#include <memory>
#include <vector>

class QPainter;
class QRectF;

namespace drawfield::mapper {

struct Points;

struct Layer {
    enum class Kind { Contour, Post };
    Kind kind = Kind::Contour;
    QString file; // the grid (contour) or the point file (post), an absolute path
    bool fillContours = false;
    bool showColorScale = false;
    // What the file held when the layer was made or first drawn: a plot stays as it was drawn
    // when its files move (the export puts them in place after the plot is made).
    mutable std::shared_ptr<const SampledField> grid;
    mutable std::shared_ptr<const Points> points;

    [[nodiscard]] const SampledField&
    gridField() const; // reads the file the first time; throws MapperError
    const Points& pointSet() const; // the same for a post map's points
};

struct Frame {
    std::vector<std::shared_ptr<Layer>> layers;
    bool selected = false;
};

struct PlotDocument {
    std::vector<std::shared_ptr<Frame>> frames;

    // The document as JSON. Layer files in `folder` (or below it) are named relative to it, so a
    // document and its grid can move together; others keep their absolute paths.
    [[nodiscard]] QJsonObject toJson(const QString& folder = {}) const;
    // Throws MapperError when json is not a plot document. Relative names are taken from folder.
    [[nodiscard]] static PlotDocument fromJson(const QJsonObject& json, const QString& folder = {});
    void save(const QString& path) const; // throws MapperError; names relative to its folder
    [[nodiscard]] static PlotDocument load(const QString& path); // throws MapperError
};

// Paints the document's frames into target, each frame's layers over one another at the first
// layer's extent. Layers whose files cannot be read are left out.
void paintPlot(QPainter& painter, const QRectF& target, const PlotDocument& document);

// Writes the plot as a picture in the format the name's extension gives (bmp, png, jpg, tif, and
// the chart component's wmf, svg and pdf), honouring "Defaults=1,HDPI=..,VDPI=..,ColorDepth=.."
// options: the page is 8 x 6 inches at HDPI x VDPI dots, with 8, 24 or 32 bits per pixel.
// Throws MapperError when it cannot.
void exportPlot(const PlotDocument& document, const QString& path, const QString& options);

// The picture's size for the options (for tests and the window).
[[nodiscard]] QSize exportSize(const QString& options);

} // namespace drawfield::mapper
