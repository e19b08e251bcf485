// The snap engine as geometry: which point and kind a cursor catches among lines,
// circles and arcs, the grid and ortho.

#include "editor/snap_engine.h"

#include <QTest>

#include <cmath>

using namespace plotwright::editor::snap;

Q_DECLARE_METATYPE(Geometry)
Q_DECLARE_METATYPE(Point)

namespace {

Geometry lines(std::initializer_list<Segment> segments) { return {segments, {}}; }
constexpr double kPi = 3.14159265358979323846;

} // namespace

class SnapEngineTest : public QObject {
    Q_OBJECT

private slots:
    void find_data()
    {
        QTest::addColumn<Geometry>("geometry");
        QTest::addColumn<Point>("cursor");
        QTest::addColumn<unsigned>("kinds");
        QTest::addColumn<bool>("found");
        QTest::addColumn<Point>("point");
        QTest::addColumn<int>("kind");

        const Geometry line = lines({{{0, 0}, {10, 0}}});
        const auto k = [](Kind kind) { return static_cast<int>(kind); };
        QTest::newRow("line endpoint") << line << Point{9.8, 0.1} << kAllKinds << true << Point{10, 0}
                                       << k(Kind::Endpoint);
        QTest::newRow("line midpoint") << line << Point{5.1, 0.1} << kAllKinds << true << Point{5, 0}
                                       << k(Kind::Midpoint);
        QTest::newRow("nearest on a line when no point is close")
            << line << Point{2.3, 0.2} << kAllKinds << true << Point{2.3, 0} << k(Kind::Nearest);
        QTest::newRow("nothing within the aperture") << line << Point{2.3, 0.8} << kAllKinds << false << Point{}
                                                     << 0;
        QTest::newRow("endpoint off: the midpoint beyond is too far, nearest it is")
            << line << Point{9.8, 0.1} << (kAllKinds & ~bit(Kind::Endpoint)) << true << Point{9.8, 0}
            << k(Kind::Nearest);
        QTest::newRow("only nearest") << line << Point{5.1, 0.1} << bit(Kind::Nearest) << true << Point{5.1, 0}
                                      << k(Kind::Nearest);

        const Geometry circle{{}, {{{3, 4}, 2, 0, 2 * kPi}}};
        QTest::newRow("circle centre") << circle << Point{3.1, 4.1} << kAllKinds << true << Point{3, 4}
                                       << k(Kind::Center);
        QTest::newRow("circle quadrant") << circle << Point{5.05, 4.1} << kAllKinds << true << Point{5, 4}
                                         << k(Kind::Quadrant);
        QTest::newRow("circle quadrant at the bottom") << circle << Point{3.2, 2.1} << kAllKinds << true
                                                       << Point{3, 2} << k(Kind::Quadrant);

        // The arc from 0 to 90 degrees: quadrants 0 and 90 are its ends (endpoint wins),
        // 180 is not on it.
        const Geometry arc{{}, {{{0, 0}, 5, 0, kPi / 2}}};
        QTest::newRow("arc end before quadrant at the same place")
            << arc << Point{5.1, 0.1} << kAllKinds << true << Point{5, 0} << k(Kind::Endpoint);
        QTest::newRow("arc midpoint") << arc << Point{3.6, 3.5}
                                      << kAllKinds << true << Point{5 * std::cos(kPi / 4), 5 * std::sin(kPi / 4)}
                                      << k(Kind::Midpoint);
        QTest::newRow("no quadrant where the arc is not") << arc << Point{-5.1, 0.1} << kAllKinds << false
                                                          << Point{} << 0;

        QTest::newRow("line/line intersection")
            << lines({{{0, 0}, {10, 10}}, {{0, 4}, {6, 4}}}) << Point{4.1, 4.2} << kAllKinds << true
            << Point{4, 4} << k(Kind::Intersection);
        QTest::newRow("lines that would cross beyond their ends do not")
            << lines({{{0, 0}, {3, 3}}, {{3.5, 4}, {6, 4}}}) << Point{3.9, 4.1} << bit(Kind::Intersection)
            << false << Point{} << 0;
        QTest::newRow("line/circle intersection")
            << Geometry{{{{-10, 3}, {10, 3}}}, {{{0, 0}, 5, 0, 2 * kPi}}} << Point{4.1, 3.1} << kAllKinds << true
            << Point{4, 3} << k(Kind::Intersection);
        QTest::newRow("circle/circle intersection")
            << Geometry{{}, {{{0, 0}, 5, 0, 2 * kPi}, {{8, 0}, 5, 0, 2 * kPi}}} << Point{4.1, -2.9} << kAllKinds
            << true << Point{4, -3} << k(Kind::Intersection);
        QTest::newRow("line/arc: the crossing off the arc is not offered")
            << Geometry{{{{-10, 3}, {10, 3}}}, {{{0, 0}, 5, 0, kPi / 2}}} << Point{-4.1, 3.1}
            << bit(Kind::Intersection) << false << Point{} << 0;
        QTest::newRow("shared polyline vertex is an endpoint")
            << lines({{{0, 0}, {4, 0}}, {{4, 0}, {4, 4}}}) << Point{4.2, 0.2} << kAllKinds << true << Point{4, 0}
            << k(Kind::Endpoint);
    }

    void find()
    {
        QFETCH(Geometry, geometry);
        QFETCH(Point, cursor);
        QFETCH(unsigned, kinds);
        QFETCH(bool, found);
        QFETCH(Point, point);
        QFETCH(int, kind);
        const Index index(geometry);
        const std::optional<Snap> snap = index.find(cursor, 0.5, kinds);
        QCOMPARE(snap.has_value(), found);
        if (!found)
            return;
        QCOMPARE(static_cast<int>(snap->kind), kind);
        QVERIFY2(std::abs(snap->point.x - point.x) < 1e-12 && std::abs(snap->point.y - point.y) < 1e-12,
                 qPrintable(QString("%1,%2").arg(snap->point.x, 0, 'g', 17).arg(snap->point.y, 0, 'g', 17)));
    }

    // Many parts, one query: the index finds the one under the cursor among a dense curve
    // and a long line that crosses every cell.
    void index_finds_among_many_parts()
    {
        Geometry g;
        for (int i = 0; i < 100000; ++i)
            g.segments.push_back({{i * 0.01, std::sin(i * 0.01)}, {(i + 1) * 0.01, std::sin((i + 1) * 0.01)}});
        g.segments.push_back({{-1, -2}, {1001, 2}});
        const Index index(std::move(g));
        const auto snap = index.find({500.003, std::sin(500.0) + 0.001}, 0.004, bit(Kind::Endpoint));
        QVERIFY(snap);
        QCOMPARE(snap->point.x, 50000 * 0.01);
        const auto onLong = index.find({-1.001, -2.001}, 0.01);
        QVERIFY(onLong);
        QCOMPARE(onLong->point, (Point{-1, -2}));
    }

    void grid_and_ortho_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<Point>("base");
        QTest::addColumn<Point>("cursor");
        QTest::addColumn<double>("spacing");
        QTest::addColumn<Point>("expected");
        QTest::newRow("grid rounds both coordinates") << "grid" << Point{} << Point{1.26, -0.74} << 0.5
                                                      << Point{1.5, -0.5};
        QTest::newRow("grid of spacing 0 leaves the point") << "grid" << Point{} << Point{1.26, -0.74} << 0.0
                                                            << Point{1.26, -0.74};
        QTest::newRow("ortho mostly across: horizontal") << "ortho" << Point{1, 1} << Point{5, 2} << 0.0
                                                         << Point{5, 1};
        QTest::newRow("ortho mostly up: vertical") << "ortho" << Point{1, 1} << Point{2, 7} << 0.0 << Point{1, 7};
        QTest::newRow("ortho to the left and down") << "ortho" << Point{1, 1} << Point{-4, 0} << 0.0
                                                    << Point{-4, 1};
    }

    void grid_and_ortho()
    {
        QFETCH(QString, what);
        QFETCH(Point, base);
        QFETCH(Point, cursor);
        QFETCH(double, spacing);
        QFETCH(Point, expected);
        const Point got = what == "grid" ? gridPoint(cursor, spacing) : orthoPoint(base, cursor);
        QCOMPARE(got, expected);
    }
};

QTEST_APPLESS_MAIN(SnapEngineTest)
#include "snap_engine_test.moc"
