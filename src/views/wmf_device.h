#pragma once

// A paint device that writes a Windows Metafile: a placeable metafile (Aldus header carrying the
// picture's frame and resolution) whose records are GDI pens, brushes, fonts, polygons, polylines
// and text, with a device-independent bitmap only where a pixmap or image is drawn.
//
// Paint on it with QPainter; QPainter::end() writes the file to the output device and returns
// false when that fails. Coordinates are kept at a sixteenth of a pixel where the 16-bit range of
// the format allows. Colours are opaque (alpha is blended over white), clipping is by rectangle
// (the bounding box of the painter's clip), and gradients or patterns come as their base colour.

#include <QPaintDevice>
#include <QSize>

#include <memory>

class QIODevice;
class QPaintEngine;

namespace drawfield {

class WmfPaintEngine;

class WmfDevice : public QPaintDevice {
public:
    // out must stay open for writing until the painter ends. pixels is the picture's size at
    // dotsPerInch.
    WmfDevice(QIODevice* out, QSize pixels, int dotsPerInch = 96);
    ~WmfDevice() override;
    WmfDevice(const WmfDevice&) = delete;
    WmfDevice& operator=(const WmfDevice&) = delete;

    [[nodiscard]] QPaintEngine* paintEngine() const override;

protected:
    [[nodiscard]] int metric(PaintDeviceMetric metric) const override;

private:
    QSize m_pixels;
    int m_dotsPerInch;
    std::unique_ptr<WmfPaintEngine> m_engine;
};

} // namespace drawfield
