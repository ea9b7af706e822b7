#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>

namespace drawfield {

// A map could not be allocated; what() says how large it was and how much memory it needed.
class GridAllocationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A box of whole metres, bounds included. Empty when xMax < xMin or yMax < yMin.
struct MetreBox {
    int xMin = 0;
    int yMin = 0;
    int xMax = -1;
    int yMax = -1;
    [[nodiscard]] bool empty() const { return xMax < xMin || yMax < yMin; }
    bool operator==(const MetreBox&) const = default;
};

// A bound of every coordinate the engine works with (m): beyond any map node (coordinates are
// -32768 .. 32767) with room for a reach, and far within an int's range, so that sums and squares
// of coordinates never overflow.
inline constexpr int FarthestLatticeMetres = 70000;

// Integer division rounding down and up, for lattice indices of negative offsets.
constexpr long long floorDivide(long long a, long long b) noexcept
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}
constexpr long long ceilDivide(long long a, long long b) noexcept { return -floorDivide(-a, b); }

// The lattice nodes inside a box: columns firstColumn..lastColumn, rows firstRow..lastRow.
struct LatticeSpan {
    long long firstColumn = 0;
    long long lastColumn = -1;
    long long firstRow = 0;
    long long lastRow = -1;
    [[nodiscard]] bool empty() const { return lastColumn < firstColumn || lastRow < firstRow; }
};

// Minus the drawdown (m, so 0 or below) at every whole metre of a square map: X from xMin() to
// xMax(), Y from yMin() to yMax(), one 64-bit real per metre, X varying fastest, so that element
// (x, y) lies at (y - yMin) * width() + (x - xMin). Only the lattice nodes xMin + k *
// nodeSpacing(), yMin + m * nodeSpacing() are computed; every other element holds 0. A lattice
// node beyond a boundary, where there is no aquifer, holds NaN: readers skip it (std::isnan). The
// layout is a contract: the charts take values() whole.
//
// The memory comes from the system already zeroed, so a map's untouched pages cost nothing until
// they are written. Not copyable: after a run it is shared read-only (std::shared_ptr<const ...>).
class DrawdownGrid {
public:
    // A grid of zeros. Throws GridAllocationError when the machine cannot give the memory.
    [[nodiscard]] static std::unique_ptr<DrawdownGrid> create(
        int xMin, int yMin, int xMax, int yMax, int nodeSpacing);

    DrawdownGrid(const DrawdownGrid&) = delete;
    DrawdownGrid& operator=(const DrawdownGrid&) = delete;

    [[nodiscard]] int xMin() const noexcept { return m_box.xMin; }
    [[nodiscard]] int yMin() const noexcept { return m_box.yMin; }
    [[nodiscard]] int xMax() const noexcept { return m_box.xMax; }
    [[nodiscard]] int yMax() const noexcept { return m_box.yMax; }
    [[nodiscard]] int nodeSpacing() const noexcept { return m_nodeSpacing; } // m
    [[nodiscard]] std::size_t width() const noexcept
    {
        return m_width;
    } // elements per row, xMax - xMin + 1
    [[nodiscard]] std::size_t height() const noexcept { return m_height; } // rows, yMax - yMin + 1

    // Lattice nodes along X and along Y.
    [[nodiscard]] int columnCount() const noexcept
    {
        return (m_box.xMax - m_box.xMin) / m_nodeSpacing + 1;
    }
    [[nodiscard]] int rowCount() const noexcept
    {
        return (m_box.yMax - m_box.yMin) / m_nodeSpacing + 1;
    }
    [[nodiscard]] int nodeX(int column) const noexcept
    {
        return m_box.xMin + column * m_nodeSpacing;
    }
    [[nodiscard]] int nodeY(int row) const noexcept { return m_box.yMin + row * m_nodeSpacing; }

    // The lattice nodes that lie inside box.
    [[nodiscard]] LatticeSpan latticeIn(const MetreBox& box) const noexcept
    {
        return { ceilDivide(std::max(box.xMin, m_box.xMin) - m_box.xMin, m_nodeSpacing),
            floorDivide(std::min(box.xMax, m_box.xMax) - m_box.xMin, m_nodeSpacing),
            ceilDivide(std::max(box.yMin, m_box.yMin) - m_box.yMin, m_nodeSpacing),
            floorDivide(std::min(box.yMax, m_box.yMax) - m_box.yMin, m_nodeSpacing) };
    }

    [[nodiscard]] double at(int x, int y) const noexcept { return m_values.get()[index(x, y)]; }
    double& at(int x, int y) noexcept { return m_values.get()[index(x, y)]; }
    [[nodiscard]] const double* row(int y) const noexcept
    {
        return m_values.get() + index(m_box.xMin, y);
    }
    double* row(int y) noexcept { return m_values.get() + index(m_box.xMin, y); }
    [[nodiscard]] std::span<const double> values() const noexcept
    {
        return { m_values.get(), m_width * m_height };
    }

    // A box outside of which every value is 0 (the cones of depression and the wells' nodes),
    // clipped to the map; readers scan only this. The whole map until the engine narrows it.
    [[nodiscard]] MetreBox drawdownExtent() const noexcept { return m_extent; }
    void setDrawdownExtent(const MetreBox& box) noexcept;

private:
    struct FreeDeleter {
        void operator()(double* p) const noexcept;
    };

    DrawdownGrid(
        MetreBox box, int nodeSpacing, std::size_t width, std::size_t height, double* values);
    [[nodiscard]] std::size_t index(int x, int y) const noexcept
    {
        return static_cast<std::size_t>(y - m_box.yMin) * m_width
            + static_cast<std::size_t>(x - m_box.xMin);
    }

    MetreBox m_box;
    int m_nodeSpacing;
    std::size_t m_width;
    std::size_t m_height;
    std::unique_ptr<double, FreeDeleter> m_values;
    MetreBox m_extent;
};

} // namespace drawfield
