#include "db/polyline.h"

AcDbPolyline::AcDbPolyline(unsigned int numVerts)
{
    points_.reserve(numVerts);
}

Acad::ErrorStatus AcDbPolyline::addVertexAt(unsigned int index, const AcGePoint2d& point, double bulge,
                                            double startWidth, double endWidth)
{
    if (Acad::ErrorStatus es = checkWriteEnabled(); es != Acad::eOk)
        return es;
    if (index > points_.size())
        return Acad::eInvalidIndex;
    const auto at = static_cast<std::ptrdiff_t>(index);
    // The side arrays come into being only when a vertex needs them, filled with the
    // defaults for the vertices that came before.
    // Decided before inserting: for the first vertex the filled array is still empty.
    const bool keepBulges = bulge != 0.0 || !bulges_.empty();
    const bool keepWidths = startWidth != -1.0 || endWidth != -1.0 || !widths_.empty();
    if (keepBulges && bulges_.empty())
        bulges_.assign(points_.size(), 0.0);
    if (keepWidths && widths_.empty())
        widths_.assign(points_.size(), Widths{-1.0, -1.0});
    points_.insert(points_.begin() + at, point);
    if (keepBulges)
        bulges_.insert(bulges_.begin() + at, bulge);
    if (keepWidths)
        widths_.insert(widths_.begin() + at, Widths{startWidth, endWidth});
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::removeVertexAt(unsigned int index)
{
    if (Acad::ErrorStatus es = checkWriteEnabled(); es != Acad::eOk)
        return es;
    if (index >= points_.size())
        return Acad::eInvalidIndex;
    const auto at = static_cast<std::ptrdiff_t>(index);
    points_.erase(points_.begin() + at);
    if (!bulges_.empty())
        bulges_.erase(bulges_.begin() + at);
    if (!widths_.empty())
        widths_.erase(widths_.begin() + at);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getPointAt(unsigned int index, AcGePoint2d& point) const
{
    if (index >= points_.size())
        return Acad::eInvalidIndex;
    point = points_[index];
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getPointAt(unsigned int index, AcGePoint3d& point) const
{
    if (index >= points_.size())
        return Acad::eInvalidIndex;
    point = {points_[index].x, points_[index].y, elevation_};
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getBulgeAt(unsigned int index, double& bulge) const
{
    if (index >= points_.size())
        return Acad::eInvalidIndex;
    bulge = bulges_.empty() ? 0.0 : bulges_[index];
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::setBulgeAt(unsigned int index, double bulge)
{
    if (Acad::ErrorStatus es = checkWriteEnabled(); es != Acad::eOk)
        return es;
    if (index >= points_.size())
        return Acad::eInvalidIndex;
    if (bulges_.empty()) {
        if (bulge == 0.0)
            return Acad::eOk;
        bulges_.assign(points_.size(), 0.0);
    }
    bulges_[index] = bulge;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getWidthsAt(unsigned int index, double& startWidth, double& endWidth) const
{
    if (index >= points_.size())
        return Acad::eInvalidIndex;
    const Widths w = widths_.empty() ? Widths{-1.0, -1.0} : widths_[index];
    startWidth = w.start;
    endWidth = w.end;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::setWidthsAt(unsigned int index, double startWidth, double endWidth)
{
    if (Acad::ErrorStatus es = checkWriteEnabled(); es != Acad::eOk)
        return es;
    if (index >= points_.size())
        return Acad::eInvalidIndex;
    if (widths_.empty()) {
        if (startWidth == -1.0 && endWidth == -1.0)
            return Acad::eOk;
        widths_.assign(points_.size(), Widths{-1.0, -1.0});
    }
    widths_[index] = {startWidth, endWidth};
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::setElevation(double elevation)
{
    if (Acad::ErrorStatus es = checkWriteEnabled(); es != Acad::eOk)
        return es;
    elevation_ = elevation;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::setClosed(bool closed)
{
    if (Acad::ErrorStatus es = checkWriteEnabled(); es != Acad::eOk)
        return es;
    closed_ = closed;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::setNormal(const AcGeVector3d& normal)
{
    if (Acad::ErrorStatus es = checkWriteEnabled(); es != Acad::eOk)
        return es;
    if (normal == AcGeVector3d{})
        return Acad::eInvalidInput;
    normal_ = normal;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getConstantWidth(double& width) const
{
    width = constantWidth_;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::setConstantWidth(double width)
{
    if (Acad::ErrorStatus es = checkWriteEnabled(); es != Acad::eOk)
        return es;
    constantWidth_ = width;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::minimizeMemory()
{
    points_.shrink_to_fit();
    bulges_.shrink_to_fit();
    widths_.shrink_to_fit();
    return Acad::eOk;
}
