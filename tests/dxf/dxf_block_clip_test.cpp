// Clipped block references as a file keeps them: a boundary (SPATIAL_FILTER) reached
// through the reference's extension dictionary, and an inverted boundary kept in an
// XRECORD of the filter's own extension dictionary. A horizontal line across the block
// shows what each boundary leaves of it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "db/database.h"
#include "dxf/file.h"
#include "render/display_shapes.h"

namespace {

std::string pairs(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& l : lines)
        out += l + "\n";
    return out;
}

// A block with the line (0,5)-(10,5), referenced at the origin and clipped by the
// rectangle (-1,-1)-(11,11), or by `boundary`; `inverted` holds the inverted
// boundary's pairs (empty: none), `enabled` the filter's 71.
std::string drawing(const std::string& inverted, const std::string& boundary = "", const std::string& enabled = "1")
{
    std::vector<std::string> identity;
    for (int m = 0; m < 2; ++m)
        for (int i = 0; i < 12; ++i)
            identity.insert(identity.end(), {"40", i % 5 == 0 ? "1.0" : "0.0"});
    std::string text = pairs({"0", "SECTION", "2", "HEADER", "9", "$ACADVER", "1", "AC1015", "0", "ENDSEC",
                              "0", "SECTION", "2", "BLOCKS", "0", "BLOCK", "5", "20", "2", "Part", "70", "0",
                              "10", "0", "20", "0", "30", "0", "0", "LINE", "5", "21", "8", "0",
                              "10", "0", "20", "5", "30", "0", "11", "10", "21", "5", "31", "0",
                              "0", "ENDBLK", "5", "22", "0", "ENDSEC",
                              "0", "SECTION", "2", "ENTITIES", "0", "INSERT", "5", "30",
                              "102", "{ACAD_XDICTIONARY", "360", "40", "102", "}", "8", "0", "2", "Part",
                              "10", "0", "20", "0", "30", "0", "0", "ENDSEC",
                              "0", "SECTION", "2", "OBJECTS",
                              "0", "DICTIONARY", "5", "40", "330", "30", "100", "AcDbDictionary", "3", "ACAD_FILTER", "350", "41",
                              "0", "DICTIONARY", "5", "41", "330", "40", "100", "AcDbDictionary", "3", "SPATIAL", "360", "42",
                              "0", "SPATIAL_FILTER", "5", "42", "102", "{ACAD_XDICTIONARY", "360", "43", "102", "}",
                              "330", "41", "100", "AcDbFilter", "100", "AcDbSpatialFilter"});
    text += boundary.empty() ? pairs({"70", "2", "10", "-1", "20", "-1", "10", "11", "20", "11"}) : boundary;
    text += pairs({"210", "0", "220", "0", "230", "1", "11", "0", "21", "0", "31", "0", "71", enabled, "72", "0", "73", "0"});
    text += pairs(identity);
    text += pairs({"0", "DICTIONARY", "5", "43", "330", "42", "100", "AcDbDictionary", "3", "ACAD_XREC_ROUNDTRIP", "360", "44",
                   "0", "XRECORD", "5", "44", "330", "43", "100", "AcDbXrecord", "280", "1"});
    text += inverted;
    text += pairs({"0", "ENDSEC", "0", "EOF"});
    return text;
}

using Points = std::vector<plotwright::db::DisplayPoint>;

struct ClipCase {
    const char* name;
    std::string text;
    std::vector<Points> strokes;
};

class dxf_block_clip : public testing::TestWithParam<ClipCase> {};

TEST_P(dxf_block_clip, shows_what_the_boundary_leaves)
{
    std::unique_ptr<AcDbDatabase> db;
    const plotwright::dxf::DxfResult read = plotwright::dxf::readDxfText(GetParam().text, "clip.dxf", db);
    ASSERT_TRUE(read.ok()) << read.message;
    std::vector<Points> strokes;
    for (const plotwright::db::DisplayShape& s : plotwright::db::tessellateModelSpace(*db, {})) {
        if (s.type == plotwright::db::DisplayShape::Type::kStroke && s.points.size() >= 2 &&
            s.points.front() != s.points.back())  // the zero-length piece at the cut in to the hole
            strokes.push_back(s.points);
    }
    EXPECT_EQ(strokes, GetParam().strokes);
}

const std::string kRoundTrip = "102\nACAD_INVERTEDCLIP_ROUNDTRIP\n";

INSTANTIATE_TEST_SUITE_P(
    cases, dxf_block_clip,
    testing::Values(
        ClipCase{"frame", drawing(""), {{{0, 5}, {10, 5}}}},
        // Two corners: everything outside the rectangle x 4..6 shows.
        ClipCase{"inverted_rectangle",
                 drawing(kRoundTrip + pairs({"10", "4", "20", "-1", "30", "0", "10", "6", "20", "11", "30", "0"})),
                 {{{0, 5}, {4, 5}}, {{6, 5}, {10, 5}}}},
        // A polygon: a wedge over x 2..8 at the line's height.
        ClipCase{"inverted_polygon",
                 drawing(kRoundTrip + pairs({"10", "2", "20", "0", "30", "0", "10", "8", "20", "0", "30", "0",
                                             "10", "5", "20", "10", "30", "0",
                                             "102", "ACAD_INVERTEDCLIP_ROUNDTRIP_COMPARE", "10", "0", "20", "0"})),
                 {{{0, 5}, {3.5, 5}}, {{6.5, 5}, {10, 5}}}},
        // A damaged inverted boundary is left out: the filter's own boundary applies.
        ClipCase{"damaged_inverted",
                 drawing(kRoundTrip + pairs({"10", "4", "20", "x", "30", "0", "10", "6", "20", "11", "30", "0"}),
                         pairs({"70", "2", "10", "2", "20", "-1", "10", "8", "20", "11"})),
                 {{{2, 5}, {8, 5}}}},
        // Clipping turned off shows the whole block, inverted or not.
        ClipCase{"turned_off",
                 drawing(kRoundTrip + pairs({"10", "4", "20", "-1", "30", "0", "10", "6", "20", "11", "30", "0"}), "",
                         "0"),
                 {{{0, 5}, {10, 5}}}}),
    [](const testing::TestParamInfo<ClipCase>& row) { return std::string(row.param.name); });

} // namespace
