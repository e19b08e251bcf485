#pragma once
// The values of F at the nodes of an implicit curve's grid, found coarse to fine: F is
// evaluated at every second node along each axis first, and a block of cells between
// those nodes is filled in only where the curve may come near it. Far from the curve (F
// of one sign at the block's corners, larger than the slope seen around the block allows
// F to fall to zero within the block and a seed search's reach of it) the nodes stay
// unevaluated: no sign change and no projection onto the curve can start there.

#include "curve/implicit_tracer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace plotwright::curve {

class ImplicitNodes {
public:
    // `reach`: how far from a node a search for the curve may move (drawing units).
    // `everyNode`: evaluate the whole grid (to compare the coarse-to-fine search with).
    ImplicitNodes(ImplicitFunction& f, const ImplicitGrid& grid, double reach, bool everyNode,
                  std::size_t& evaluations);

    // Evaluates the coarse nodes, then every node of the blocks the curve may come near;
    // one progress position per row of the grid. Lets F's exceptions pass.
    void evaluate(SampleProgress& progress);

    // The node's coordinates; the last node is the window's edge itself, not a sum that
    // rounds past it.
    double x(std::size_t i) const { return i == g_.columns ? g_.xMax : g_.xMin + static_cast<double>(i) * cw_; }
    double y(std::size_t j) const { return j == g_.rows ? g_.yMax : g_.yMin + static_cast<double>(j) * ch_; }
    bool known(std::size_t i, std::size_t j) const { return known_[j * nx_ + i] != 0; }
    // Row j's flags of evaluated nodes (non-zero: evaluated), one byte per node.
    const std::uint8_t* knownRow(std::size_t j) const { return &known_[j * nx_]; }
    // Row j's signs of the blocks clear of the curve (see clearSign), one per block: the
    // block of node i is at blockColumn(i).
    const std::int8_t* clearRow(std::size_t j) const { return &blockSign_[blockRow(j) * bx_]; }
    // F at node (i, j), evaluated now when it was not.
    double value(std::size_t i, std::size_t j)
    {
        const std::size_t k = j * nx_ + i;
        return known_[k] ? values_[k] : evaluateNode(i, j);
    }
    // +1 or -1 where the block from node (i, j) on is clear of the curve (F of that sign
    // throughout it and within the reach of it), else 0. A node not evaluated always lies
    // in such a block.
    int clearSign(std::size_t i, std::size_t j) const { return blockSign_[blockRow(j) * bx_ + blockColumn(i)]; }

    std::size_t blockColumn(std::size_t i) const { return std::min(i / kBlock, bx_ - 1); }

private:
    // Cells along each side of a block: its corners are the coarse nodes.
    static constexpr std::size_t kBlock = 2;

    double evaluateNode(std::size_t i, std::size_t j);
    std::size_t blockRow(std::size_t j) const { return std::min(j / kBlock, by_ - 1); }

    ImplicitFunction& f_;
    ImplicitGrid g_;
    double reach_;
    bool everyNode_;
    std::size_t& evaluations_;
    double cw_, ch_;
    std::size_t nx_, ny_;
    std::size_t bx_, by_;                 // blocks along x and y
    std::unique_ptr<double[]> values_;    // written before read: only the touched pages cost
    std::vector<std::uint8_t> known_;
    std::vector<std::int8_t> blockSign_;  // +1 or -1: clear of the curve; 0: filled in
};

} // namespace plotwright::curve
