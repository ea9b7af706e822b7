#include "compute/engine/drawdown_grid.h"

#include "platform/memory.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace drawfield {

void DrawdownGrid::FreeDeleter::operator()(double* p) const noexcept { std::free(p); }

DrawdownGrid::DrawdownGrid(
    MetreBox box, int nodeSpacing, std::size_t width, std::size_t height, double* values)
    : m_box(box)
    , m_nodeSpacing(nodeSpacing)
    , m_width(width)
    , m_height(height)
    , m_values(values)
    , m_extent(box)
{
}

std::unique_ptr<DrawdownGrid> DrawdownGrid::create(
    int xMin, int yMin, int xMax, int yMax, int nodeSpacing)
{
    if (xMax < xMin || yMax < yMin || nodeSpacing < 1)
        throw std::invalid_argument("DrawdownGrid: empty map or node spacing below 1");
    auto width = static_cast<std::size_t>(xMax - xMin) + 1;
    auto height = static_cast<std::size_t>(yMax - yMin) + 1;

    // calloc rather than new double[](): large blocks come straight from the system as zero pages,
    // so only the pages the cones touch are ever written.
    void* memory = std::calloc(width * height, sizeof(double));
    if (memory == nullptr) {
        char gib[32];
        std::snprintf(gib, sizeof gib, "%.1f",
            static_cast<double>(width) * static_cast<double>(height) * sizeof(double)
                / (1024.0 * 1024.0 * 1024.0));
        throw GridAllocationError("Cannot allocate a map of " + std::to_string(width) + " x "
            + std::to_string(height) + " m: it needs " + gib
            + " GiB of memory, more than this machine can give. Choose a smaller map.");
    }
    adviseLargePages(memory, width * height * sizeof(double));
    return std::unique_ptr<DrawdownGrid>(new DrawdownGrid(MetreBox { xMin, yMin, xMax, yMax },
        nodeSpacing, width, height, static_cast<double*>(memory)));
}

void DrawdownGrid::setDrawdownExtent(const MetreBox& box) noexcept
{
    m_extent = MetreBox { std::max(box.xMin, m_box.xMin), std::max(box.yMin, m_box.yMin),
        std::min(box.xMax, m_box.xMax), std::min(box.yMax, m_box.yMax) };
}

} // namespace drawfield
