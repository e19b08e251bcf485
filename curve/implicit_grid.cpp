#include "curve/implicit_grid.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace plotwright::curve {
namespace {

// The slopes seen between coarse nodes are differences over two cells: F may be steeper
// between them. A block is left alone only where F stays clear of zero at this many
// times the slope seen around it.
constexpr double kSlopeMargin = 2;

} // namespace

ImplicitNodes::ImplicitNodes(ImplicitFunction& f, const ImplicitGrid& grid, double reach, bool everyNode,
                             std::size_t& evaluations)
    : f_(f), g_(grid), reach_(reach), everyNode_(everyNode), evaluations_(evaluations)
{
    cw_ = (g_.xMax - g_.xMin) / static_cast<double>(g_.columns);
    ch_ = (g_.yMax - g_.yMin) / static_cast<double>(g_.rows);
    nx_ = g_.columns + 1;
    ny_ = g_.rows + 1;
    bx_ = (g_.columns + kBlock - 1) / kBlock;
    by_ = (g_.rows + kBlock - 1) / kBlock;
    values_.reset(new double[nx_ * ny_]);
    known_.assign(nx_ * ny_, 0);
    blockSign_.assign(bx_ * by_, 0);
}

double ImplicitNodes::evaluateNode(std::size_t i, std::size_t j)
{
    const std::size_t k = j * nx_ + i;
    ++evaluations_;
    values_[k] = f_.at(x(i), y(j));
    known_[k] = 1;
    return values_[k];
}

void ImplicitNodes::evaluate(SampleProgress& progress)
{
    // Block b spans nodes b * kBlock .. min((b + 1) * kBlock, cells).
    const auto first = [](std::size_t b) { return b * kBlock; };
    const auto last = [](std::size_t b, std::size_t cells) { return std::min((b + 1) * kBlock, cells); };
    if (!everyNode_) {
        for (std::size_t bj = 0; bj <= by_; ++bj) {
            const std::size_t j = std::min(first(bj), g_.rows);
            for (std::size_t bi = 0; bi <= bx_; ++bi)
                value(std::min(first(bi), g_.columns), j);
        }
        // The steepest slope seen along each block's sides (infinite where F is not
        // finite at a corner), then the largest of it and its eight neighbours'.
        constexpr double infinite = std::numeric_limits<double>::infinity();
        const std::unique_ptr<double[]> slope(new double[bx_ * by_]);
        for (std::size_t bj = 0; bj < by_; ++bj) {
            const std::size_t j0 = first(bj), j1 = last(bj, g_.rows);
            for (std::size_t bi = 0; bi < bx_; ++bi) {
                const std::size_t i0 = first(bi), i1 = last(bi, g_.columns);
                const double a = value(i0, j0), b = value(i1, j0), c = value(i0, j1), d = value(i1, j1);
                const double w = x(i1) - x(i0), h = y(j1) - y(j0);
                const double gx = std::max(std::fabs(b - a), std::fabs(d - c)) / w;
                const double gy = std::max(std::fabs(c - a), std::fabs(d - b)) / h;
                const double s = std::sqrt(gx * gx + gy * gy);
                slope[bj * bx_ + bi] = std::isfinite(s) ? s : infinite;
            }
        }
        // The largest of three neighbours along x, then along y.
        const std::unique_ptr<double[]> across(new double[bx_ * by_]);
        for (std::size_t bj = 0; bj < by_; ++bj) {
            const double* row = &slope[bj * bx_];
            for (std::size_t bi = 0; bi < bx_; ++bi)
                across[bj * bx_ + bi] =
                    std::max({row[bi], row[bi > 0 ? bi - 1 : bi], row[bi + 1 < bx_ ? bi + 1 : bi]});
        }
        for (std::size_t bj = 0; bj < by_; ++bj) {
            const std::size_t j0 = first(bj), j1 = last(bj, g_.rows);
            const double* below = &across[(bj > 0 ? bj - 1 : bj) * bx_];
            const double* here = &across[bj * bx_];
            const double* above = &across[(bj + 1 < by_ ? bj + 1 : bj) * bx_];
            for (std::size_t bi = 0; bi < bx_; ++bi) {
                const std::size_t i0 = first(bi), i1 = last(bi, g_.columns);
                const double steepest = std::max({below[bi], here[bi], above[bi]});
                const double corners[4] = {value(i0, j0), value(i1, j0), value(i0, j1), value(i1, j1)};
                // Any point within the reach of the block lies within this distance of a
                // corner.
                const double w = x(i1) - x(i0), h = y(j1) - y(j0);
                const double distance = 0.5 * std::sqrt(w * w + h * h) + reach_;
                const double clear = kSlopeMargin * steepest * distance;
                bool positive = true, negative = true;
                for (double v : corners) {
                    positive = positive && v > clear;
                    negative = negative && v < -clear;
                }
                blockSign_[bj * bx_ + bi] = positive ? 1 : negative ? -1 : 0;
            }
        }
    }
    // Every node of the blocks left: row by row, as the progress counts.
    for (std::size_t j = 0; j < ny_; ++j) {
        progress.step(static_cast<int>(j));
        // A node on a block's side belongs to the blocks on either side.
        const std::size_t rowLo = j > 0 && j % kBlock == 0 ? blockRow(j - 1) : blockRow(j);
        const std::size_t rowHi = blockRow(j);
        for (std::size_t bi = 0; bi < bx_; ++bi) {
            if (!everyNode_ && blockSign_[rowLo * bx_ + bi] != 0 && blockSign_[rowHi * bx_ + bi] != 0)
                continue;
            for (std::size_t i = first(bi); i <= last(bi, g_.columns); ++i)
                value(i, j);
        }
    }
}

} // namespace plotwright::curve
