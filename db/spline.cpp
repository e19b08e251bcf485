#include "db/entities.h"

#include <cmath>

namespace {

// de Boor's algorithm on the span knots[span] <= u < knots[span + 1].
AcGePoint3d deBoor(const std::vector<double>& knots, const std::vector<AcGePoint3d>& control, int degree,
                   std::size_t span, double u)
{
    std::vector<AcGePoint3d> d(static_cast<std::size_t>(degree) + 1);
    for (int j = 0; j <= degree; ++j)
        d[static_cast<std::size_t>(j)] = control[span - static_cast<std::size_t>(degree) + static_cast<std::size_t>(j)];
    for (int r = 1; r <= degree; ++r) {
        for (int j = degree; j >= r; --j) {
            const std::size_t i = span - static_cast<std::size_t>(degree) + static_cast<std::size_t>(j);
            const double denominator = knots[i + static_cast<std::size_t>(degree - r) + 1] - knots[i];
            const double a = denominator != 0 ? (u - knots[i]) / denominator : 0;
            AcGePoint3d& p = d[static_cast<std::size_t>(j)];
            const AcGePoint3d& q = d[static_cast<std::size_t>(j - 1)];
            p = AcGePoint3d{(1 - a) * q.x + a * p.x, (1 - a) * q.y + a * p.y, (1 - a) * q.z + a * p.z};
        }
    }
    return d[static_cast<std::size_t>(degree)];
}

} // namespace

AcDbSpline::AcDbSpline(int degree, std::vector<double> knots, std::vector<AcGePoint3d> controlPoints,
                       std::vector<AcGePoint3d> fitPoints, bool closed)
{
    data_.degree = degree;
    data_.closed = closed;
    data_.knots = std::move(knots);
    data_.controlPoints = std::move(controlPoints);
    data_.fitPoints = std::move(fitPoints);
}

std::vector<AcGePoint3d> AcDbSpline::samplePoints(int perSpan) const
{
    std::vector<AcGePoint3d> out;
    const std::vector<double>& knots_ = data_.knots;
    const std::vector<AcGePoint3d>& controlPoints_ = data_.controlPoints;
    const int degree_ = data_.degree;
    const std::size_t n = controlPoints_.size();
    const auto p = static_cast<std::size_t>(degree_);
    if (degree_ < 1 || n <= p || knots_.size() != n + p + 1 || perSpan < 1)
        return out;
    out.push_back(deBoor(knots_, controlPoints_, degree_, p, knots_[p]));
    for (std::size_t span = p; span < n; ++span) {
        const double a = knots_[span];
        const double b = knots_[span + 1];
        if (!(b > a))
            continue;
        for (int i = 1; i <= perSpan; ++i)
            out.push_back(deBoor(knots_, controlPoints_, degree_, span, a + (b - a) * i / perSpan));
    }
    return out;
}
