#include "media/animation.h"

#include "compute/engine/drawdown_engine.h"
#include "files/atomic_file.h"
#include "files/staged_files.h"
#include "platform/file_system.h"
#include "views/chart_geometry.h"
#include "views/chart_style.h"

#include <QPainter>

#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

namespace drawfield {

QList<QRgb> animationPalette(const ColourScale& scale)
{
    QList<QRgb> palette;
    auto add = [&palette](QRgb colour) {
        if (palette.size() < 256 && !palette.contains(colour))
            palette.append(colour);
    };
    for (int band = 0; band < scale.bandCount(); ++band)
        add(scale.bandColour(band).rgb());
    for (int grey = 0; grey <= 15; ++grey)
        add(qRgb(grey * 17, grey * 17, grey * 17));
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                add(qRgb(r * 51, g * 51, b * 51));
    while (palette.size() < 256)
        palette.append(qRgb(0, 0, 0));
    return palette;
}

QImage animationFrame(const ScenarioInputs& inputs, double seconds, const ColourScale& scale,
    const QList<QRgb>& palette, const QSize& pixels, unsigned threads)
{
    EngineOptions options;
    options.threads = threads;
    options.timeSeconds = seconds;
    const ScenarioInputs coarse = atPictureResolution(inputs, ChartSamples::MapSamplesPerSide);
    const std::optional<DrawdownResult> map = computeDrawdown(coarse, options);
    ChartSource source { map->grid, coarse.Step, coarse.Step, chartOverlays(inputs, nullptr) };
    source.scale = scale;
    source.threads = threads;
    source.length = inputs.Units.length;
    setSiteAxes(source, inputs);

    QImage frame(pixels, QImage::Format_RGB32);
    frame.fill(Qt::white);
    {
        QPainter painter(&frame);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        const QRectF target(QPointF(0, 0), QSizeF(pixels));
        ChartPicture(ChartKind::ContourMap, source).paint(painter, target);
        QFont font = chart_style::font(target);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(target.adjusted(8, 4, -8, -4), Qt::AlignLeft | Qt::AlignTop,
            QStringLiteral("Time since pumping began: %1").arg(elapsedText(seconds)));
    }
    return frame.convertToFormat(
        QImage::Format_Indexed8, palette, Qt::ThresholdDither | Qt::AvoidDither | Qt::ColorOnly);
}

namespace {

    // Closes the GIF once, however the writing ends.
    struct GifCloser {
        void operator()(GifFileType* gif) const
        {
            int error = 0;
            EGifCloseFile(gif, &error);
        }
    };

    // Where giflib's bytes go: our own descriptor, written by our own loop, so that a failure
    // says the system's reason ("No space left on device") as every other output does, not
    // giflib's guess ("Write failed (disk full?)").
    struct GifSink {
        OpenFile file;
        std::error_code error; // of the write that failed
    };

    int writeToSink(GifFileType* gif, const GifByteType* bytes, int length)
    {
        auto* sink = static_cast<GifSink*>(gif->UserData);
        sink->error = sink->file.writeAll(
            reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
        return sink->error ? 0 : length;
    }

} // namespace

bool writeAnimation(const std::filesystem::path& path, const ScenarioInputs& inputs, int frames,
    const QSize& pixels, const std::function<void(int, int)>& onFrame, std::stop_token stop,
    unsigned threads)
{
    const std::vector<double> times
        = logTimes(inputs.PumpTimeSeconds, std::clamp(frames, 1, MostAnimationFrames));
    const int count = static_cast<int>(times.size());
    StagedFiles staged(path, "animation");
    const std::filesystem::path file = staged.staged(staged.target());

    // One colour scale and one palette: the pumping time's.
    EngineOptions options;
    options.threads = threads;
    const ScenarioInputs coarse = atPictureResolution(inputs, ChartSamples::MapSamplesPerSide);
    const std::optional<DrawdownResult> last = computeDrawdown(coarse, options);
    const std::shared_ptr<const ChartSamples> samples
        = chartSamples(last->grid, coarse.Step, coarse.Step, threads, inputs.Units.length.factor);
    ColourScale scale = ColourScale::forDrawdowns(samples->map.shallowest, samples->map.deepest);
    scale.setUnit(QString::fromStdString(inputs.Units.length.word));
    const QList<QRgb> palette = animationPalette(scale);

    // Opened here rather than by giflib, which would make it readable by its owner alone.
    GifSink sink;
    std::error_code opened;
    sink.file = OpenFile::open(file, OpenFile::Mode::CreateNew, opened);
    if (opened)
        staged.fail(opened.message());
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(EGifOpen(&sink, writeToSink, &error));
    if (!gif)
        staged.fail(GifErrorString(error));
    auto check = [&](int status) {
        if (status == GIF_ERROR)
            staged.fail(
                sink.error ? sink.error.message() : std::string(GifErrorString(gif->Error)));
    };
    EGifSetGifVersion(gif.get(), true);
    std::vector<GifColorType> colours;
    for (QRgb colour : palette)
        colours.push_back({ static_cast<GifByteType>(qRed(colour)),
            static_cast<GifByteType>(qGreen(colour)), static_cast<GifByteType>(qBlue(colour)) });
    std::unique_ptr<ColorMapObject, void (*)(ColorMapObject*)> map(
        GifMakeMapObject(256, colours.data()), GifFreeMapObject);
    check(EGifPutScreenDesc(gif.get(), pixels.width(), pixels.height(), 8, 0, map.get()));
    // Played again and again.
    check(EGifPutExtensionLeader(gif.get(), APPLICATION_EXT_FUNC_CODE));
    check(EGifPutExtensionBlock(gif.get(), 11, "NETSCAPE2.0"));
    const GifByteType loop[3] = { 1, 0, 0 };
    check(EGifPutExtensionBlock(gif.get(), 3, loop));
    check(EGifPutExtensionTrailer(gif.get()));

    for (int i = 0; i < count; ++i) {
        if (stop.stop_requested())
            return false; // the staging is removed, the old file stays
        const QImage frame = animationFrame(
            inputs, times[static_cast<std::size_t>(i)], scale, palette, pixels, threads);
        // About 5 seconds in all; the last frame stays 2 seconds.
        GraphicsControlBlock control {};
        control.DisposalMode = DISPOSAL_UNSPECIFIED;
        control.DelayTime = i + 1 == count ? 200 : std::max(2, 500 / std::max(1, count - 1));
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType extension[4];
        const std::size_t length = EGifGCBToExtension(&control, extension);
        check(EGifPutExtension(
            gif.get(), GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension));
        check(EGifPutImageDesc(gif.get(), 0, 0, pixels.width(), pixels.height(), false, nullptr));
        for (int y = 0; y < frame.height(); ++y)
            check(EGifPutLine(
                gif.get(), const_cast<GifPixelType*>(frame.constScanLine(y)), frame.width()));
        if (onFrame)
            onFrame(i + 1, count);
    }
    const int closed = EGifCloseFile(gif.release(), &error);
    if (closed == GIF_ERROR)
        staged.fail(sink.error ? sink.error.message() : GifErrorString(error));
    if (const std::error_code failure = sink.file.close())
        staged.fail(failure.message());
    staged.commit();
    return true;
}

} // namespace drawfield
