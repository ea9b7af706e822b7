#pragma once

// The map from one minute to the pumping time as an animated GIF: one frame per time at equal
// steps of log time, the time written on each frame, and one colour scale (the pumping time's) for
// all of them, so that a colour means the same drawdown throughout. The frames share one palette,
// the GIF's global colour table: the map's band colours first, then greys and a colour cube for
// the lines, labels and their smoothed edges. The file is written with giflib.

#include "compute/inputs.h"
#include "views/colour_scale.h"
#include "views/grid_sampling.h"
#include "views/time_axis.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <filesystem>
#include <functional>
#include <stop_token>
#include <vector>

namespace drawfield {

// The frames' size.
inline constexpr QSize AnimationPixels(800, 600);

// The palette the frames share: every band colour of scale, greys, and a colour cube (256).
[[nodiscard]] QList<QRgb> animationPalette(const ColourScale& scale);

// One frame: the map of inputs at `seconds` with the given colour scale, the time written in
// its top left corner, in the palette.
[[nodiscard]] QImage animationFrame(const ScenarioInputs& inputs, double seconds,
    const ColourScale& scale, const QList<QRgb>& palette, const QSize& pixels,
    unsigned threads = 0);

// Writes the animation of inputs to path. onFrame(done, of) follows the frames made; a stop
// requested leaves whatever stood at the path as it was and returns false. Throws FileWriteError
// ("Cannot write the animation <path>: <Reason>.").
[[nodiscard]] bool writeAnimation(const std::filesystem::path& path, const ScenarioInputs& inputs,
    int frames, const QSize& pixels = { 800, 600 },
    const std::function<void(int done, int of)>& onFrame = {}, std::stop_token stop = {},
    unsigned threads = 0);

} // namespace drawfield
