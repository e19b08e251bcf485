// Lines drawn with a linetype's dash pattern.
#include <cmath>

#include "db/database.h"
#include "render/tessellator.h"

namespace plotwright::db::detail {

namespace {

// Linetype names compare without regard to (ASCII) case; the table keeps them upper-case.
std::wstring upperCase(const std::wstring& name)
{
    std::wstring out = name;
    for (wchar_t& c : out)
        c = c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
    return out;
}

double patternLength(const std::vector<double>& pattern)
{
    double length = 0;
    for (double d : pattern)
        length += std::abs(d);
    return length;
}

} // namespace

const std::vector<double>* linetypePattern(const AcDbLinetypeTable& table, const std::wstring& linetype,
                                           const std::wstring& layer, const std::vector<double>* byBlock)
{
    // Most drawings define no pattern with gaps: nothing to look up.
    if (table.patterns.empty())
        return nullptr;
    std::wstring name = upperCase(linetype);
    if (name.empty() || name == L"BYLAYER") {
        const auto it = table.layerLinetypes.find(upperCase(layer));
        if (it == table.layerLinetypes.end())
            return nullptr;
        name = it->second;
    } else if (name == L"BYBLOCK") {
        return byBlock;
    }
    const auto it = table.patterns.find(name);
    return it == table.patterns.end() ? nullptr : &it->second;
}

bool hasGaps(const std::vector<double>& pattern)
{
    for (double d : pattern)
        if (d <= 0)
            return true;
    return false;
}

DashedOutput::DashedOutput(Output& target, const std::vector<double>& pattern, double scale)
    : target_(target), pattern_(pattern), scale_(scale)
{
}

void DashedOutput::begin(Type type, ShownColor color)
{
    type_ = type;
    color_ = color;
    points_.clear();
    if (type != Type::kStroke)
        target_.begin(type, color);
}

void DashedOutput::vertex(const AcGePoint3d& p)
{
    if (type_ == Type::kStroke)
        points_.push_back(p);
    else
        target_.vertex(p);
}

void DashedOutput::ring()
{
    if (type_ != Type::kStroke)
        target_.ring();
}

void DashedOutput::end(bool closed)
{
    if (type_ != Type::kStroke) {
        target_.end(closed);
        return;
    }
    if (closed && !points_.empty())
        points_.push_back(points_.front());
    double length = 0;
    for (std::size_t i = 1; i < points_.size(); ++i)
        length += std::hypot(points_[i].x - points_[i - 1].x, points_[i].y - points_[i - 1].y);
    const double period = patternLength(pattern_) * scale_;
    // A pattern too fine to tell from a solid line (or no pattern) draws solid.
    const bool solid = !(period > 0) || !std::isfinite(length) || !std::isfinite(period) ||
                       length / period * double(pattern_.size()) > double(kMaxLineDashes);
    if (solid) {
        target_.begin(Type::kStroke, color_);
        for (const AcGePoint3d& p : points_)
            target_.vertex(p);
        target_.end(false);
        return;
    }
    // The pattern runs on from one segment to the next, from the stroke's start.
    std::size_t element = 0;
    double left = std::abs(pattern_[0]) * scale_;
    bool inDash = false;
    const auto dot = [&](const AcGePoint3d& p) {
        target_.begin(Type::kStroke, color_);
        target_.vertex(p);
        target_.vertex(p);
        target_.end(false);
    };
    for (std::size_t i = 1; i < points_.size(); ++i) {
        const AcGePoint3d a = points_[i - 1], b = points_[i];
        const double segment = std::hypot(b.x - a.x, b.y - a.y);
        if (!std::isfinite(segment))
            continue;
        const auto at = [&](double t) {
            const double f = segment > 0 ? t / segment : 0.0;
            return AcGePoint3d{a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f, a.z + (b.z - a.z) * f};
        };
        double pos = 0;
        for (;;) {
            const double d = pattern_[element];
            if (d == 0) {
                dot(at(pos));
            } else {
                const double step = std::min(left, segment - pos);
                if (d > 0) {
                    if (!inDash) {
                        target_.begin(Type::kStroke, color_);
                        target_.vertex(at(pos));
                        inDash = true;
                    }
                    target_.vertex(at(pos + step));
                }
                pos += step;
                left -= step;
                if (left > 1e-12 * period)
                    break;  // the element goes on into the next segment
            }
            if (inDash && d > 0) {
                target_.end(false);
                inDash = false;
            }
            element = (element + 1) % pattern_.size();
            left = std::abs(pattern_[element]) * scale_;
            if (pos >= segment && pattern_[element] != 0)
                break;
        }
    }
    if (inDash)
        target_.end(false);
}

} // namespace plotwright::db::detail
