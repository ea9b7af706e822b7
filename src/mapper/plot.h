#pragma once

// The mapping program's plot document: map frames, each with its layers (a contour map of a grid
// file, a post map of a point file), drawn with the chart component's map painting, saved as a
// small readable JSON document that the program opens again.

#include <QJsonObject>
#include <QSize>
#include <QString>

#include <memory>
#include <vector>

class QPainter;
class QRectF;

namespace drawfield::mapper {

struct Layer {
    enum class Kind { Contour, Post };
    Kind kind = Kind::Contour;
    QString file; // the grid (contour) or the point file (post)
    bool fillContours = false;
    bool showColorScale = false;
};

struct Frame {
    std::vector<std::shared_ptr<Layer>> layers;
    bool selected = false;
};

struct PlotDocument {
    std::vector<std::shared_ptr<Frame>> frames;

    QJsonObject toJson() const;
    // Throws MapperError when json is not a plot document.
    static PlotDocument fromJson(const QJsonObject& json);
    void save(const QString& path) const; // throws MapperError
    static PlotDocument load(const QString& path); // throws MapperError
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
QSize exportSize(const QString& options);

} // namespace drawfield::mapper
