#include "curve/curve_definition.h"

#include <algorithm>

#include <cstring>
#include <random>

namespace plotwright::curve {

namespace {

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool samePoint(const CurvePoint& a, const CurvePoint& b)
{
    return sameBits(a.x, b.x) && sameBits(a.y, b.y) && sameBits(a.z, b.z);
}

bool sameParameter(const ParameterFields& a, const ParameterFields& b)
{
    return a.name == b.name && a.type == b.type && sameBits(a.defaultValue, b.defaultValue) && sameBits(a.min, b.min) &&
           sameBits(a.max, b.max) && sameBits(a.defaultMin, b.defaultMin) && sameBits(a.defaultMax, b.defaultMax) &&
           sameBits(a.increment, b.increment) && a.minSet == b.minSet && a.maxSet == b.maxSet &&
           sameBits(a.value, b.value) && sameBits(a.minValue, b.minValue) && sameBits(a.maxValue, b.maxValue) &&
           sameBits(a.defaultIncrement, b.defaultIncrement);
}

} // namespace

bool CurveDefinition::operator==(const CurveDefinition& o) const
{
    if (parameters.size() != o.parameters.size())
        return false;
    for (std::size_t i = 0; i < parameters.size(); ++i)
        if (!sameParameter(parameters[i], o.parameters[i]))
            return false;
    const bool sameTolerance = options.tolerance.has_value() == o.options.tolerance.has_value() &&
                               (!options.tolerance || sameBits(*options.tolerance, *o.options.tolerance));
    const bool sameWindow = sameBits(window.xMin, o.window.xMin) && sameBits(window.xMax, o.window.xMax) &&
                            sameBits(window.yMin, o.window.yMin) && sameBits(window.yMax, o.window.yMax) &&
                            window.gridCells == o.window.gridCells && sameBits(window.cellSize, o.window.cellSize);
    return name == o.name && kind == o.kind && equationY == o.equationY && equationX == o.equationX &&
           equationZ == o.equationZ && sameWindow &&
           createdBy == o.createdBy && samePoint(origin, o.origin) && options.literalSteps == o.options.literalSteps &&
           options.output == o.options.output && sameTolerance && sameBits(options.rotation, o.options.rotation) &&
           sameBits(options.scale, o.options.scale) && options.mirror == o.options.mirror &&
           sameBits(options.offset, o.options.offset) && options.offsetBothSides == o.options.offsetBothSides &&
           curveId == o.curveId && pieceIndex == o.pieceIndex &&
           pieceCount == o.pieceCount && fingerprint.vertexCount == o.fingerprint.vertexCount &&
           samePoint(fingerprint.first, o.fingerprint.first) && samePoint(fingerprint.last, o.fingerprint.last) &&
           std::equal(fingerprint.digest.begin(), fingerprint.digest.end(), o.fingerprint.digest.begin(),
                      o.fingerprint.digest.end(), sameBits);
}

CurveDefinition curveDefinitionFrom(const CEquation& equation, CurvePoint origin, const CurveOptions& options)
{
    CurveDefinition d;
    d.name = equation.GetName();
    d.kind = equation.GetType();
    d.equationY = equation.GetEquationY();
    d.equationX = equation.GetEquationX();
    d.equationZ = equation.GetEquationZ();
    d.window = equation.GetWindow();
    d.createdBy = equation.GetCreatedBy();
    for (const CEquationParameterPtr& p : equation.GetParameters())
        d.parameters.push_back(p->Fields());
    d.origin = origin;
    d.options = options;
    return d;
}

CEquationPtr equationOf(const CurveDefinition& definition)
{
    auto equation = std::make_shared<CEquation>();
    equation->SetType(definition.kind);
    equation->SetName(definition.name);
    equation->SetEquationY(definition.equationY);
    equation->SetEquationX(definition.equationX);
    equation->SetEquationZ(definition.equationZ);
    equation->SetWindow(definition.window);
    equation->SetCreatedBy(definition.createdBy);
    for (const ParameterFields& f : definition.parameters)
        equation->AddParameter(std::make_shared<CEquationParameter>(f));
    return equation;
}

std::string newCurveId()
{
    std::random_device source;
    static const char digits[] = "0123456789abcdef";
    std::string id;
    for (int word = 0; word < 4; ++word) {
        std::uint32_t bits = source();
        for (int i = 0; i < 8; ++i, bits >>= 4)
            id += digits[bits & 0xF];
    }
    return id;
}

} // namespace plotwright::curve
