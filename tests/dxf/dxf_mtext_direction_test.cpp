// Which way multi-line text runs: its direction (11) in the world, else its rotation (50)
// in its own coordinate system, else the world's x axis, as ezdxf takes it; a text on a
// plane seen from below (normal 0,0,-1) is shown mirrored.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "db/database.h"
#include "dxf/file.h"
#include "render/display_shapes.h"

namespace {

struct DirectionCase {
    const char* name;
    std::vector<std::string> codes;  // pairs after the text's own
    double rotation;                 // of the shown text, radians
    bool upsideDown;
};

class dxf_mtext_direction : public testing::TestWithParam<DirectionCase> {};

TEST_P(dxf_mtext_direction, shown_as_the_codes_say)
{
    std::vector<std::string> lines = {"0", "SECTION", "2", "ENTITIES", "0", "MTEXT", "8", "0", "10", "5", "20", "6",
                                      "30", "0", "40", "1", "1", "Note"};
    lines.insert(lines.end(), GetParam().codes.begin(), GetParam().codes.end());
    lines.insert(lines.end(), {"0", "ENDSEC", "0", "EOF"});
    std::string text;
    for (const std::string& l : lines)
        text += l + "\n";
    std::unique_ptr<AcDbDatabase> db;
    const plotwright::dxf::DxfResult read = plotwright::dxf::readDxfText(text, "note.dxf", db);
    ASSERT_TRUE(read.ok()) << read.message;
    const auto shapes = plotwright::db::tessellateModelSpace(*db, {});
    ASSERT_EQ(shapes.size(), 1u);
    ASSERT_TRUE(shapes[0].text);
    // Angles compared by their sine and cosine: pi and -pi are one direction.
    EXPECT_NEAR(std::cos(shapes[0].text->rotation), std::cos(GetParam().rotation), 1e-9);
    EXPECT_NEAR(std::sin(shapes[0].text->rotation), std::sin(GetParam().rotation), 1e-9);
    EXPECT_EQ(shapes[0].text->upsideDown, GetParam().upsideDown);
    EXPECT_NEAR(shapes[0].points[0].x, 5, 1e-9);  // the insertion point is in the world
    EXPECT_NEAR(shapes[0].points[0].y, 6, 1e-9);
}

const double kPi = std::acos(-1.0);

INSTANTIATE_TEST_SUITE_P(
    cases, dxf_mtext_direction,
    testing::Values(DirectionCase{"plain", {}, 0, false},
                    DirectionCase{"rotated", {"50", "90"}, kPi / 2, false},
                    DirectionCase{"from_below_without_direction", {"210", "0", "220", "0", "230", "-1"}, 0, true},
                    DirectionCase{"from_below_rotation_0", {"50", "0", "210", "0", "220", "0", "230", "-1"}, kPi, true},
                    DirectionCase{"from_below_direction", {"11", "0", "21", "1", "31", "0", "210", "0", "220", "0", "230", "-1"},
                                  kPi / 2, true},
                    DirectionCase{"direction_off_the_plane", {"11", "1", "21", "0", "31", "1"}, 0, false},
                    DirectionCase{"direction_along_the_normal", {"11", "0", "21", "0", "31", "2"}, 0, false}),
    [](const testing::TestParamInfo<DirectionCase>& row) { return std::string(row.param.name); });

} // namespace
