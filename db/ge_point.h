#pragma once
// Plain point and vector values of the drawing database.

struct AcGePoint2d {
    double x = 0.0;
    double y = 0.0;
    friend bool operator==(const AcGePoint2d&, const AcGePoint2d&) = default;
};

struct AcGePoint3d {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    friend bool operator==(const AcGePoint3d&, const AcGePoint3d&) = default;
};

struct AcGeVector3d {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    friend bool operator==(const AcGeVector3d&, const AcGeVector3d&) = default;
    static constexpr AcGeVector3d kZAxis() { return {0.0, 0.0, 1.0}; }
};
