#include "dxf/new_drawing.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "db/access.h"
#include "dxf/app_data.h"
#include "dxf/entity_writer.h"
#include "dxf/layer_records.h"

namespace plotwright::dxf::detail {

namespace {

// The fixed records, one "code value" pair per line. The handles are those the database
// gives a new drawing (db_access.h): the BLOCK_RECORD table is 11, *Model_Space 12,
// *Paper_Space 13; the APPID of this program's extended data is 1F; entities start at 30.
constexpr std::string_view kTables = R"(0 SECTION
2 CLASSES
0 CLASS
1 ACDBDICTIONARYWDFLT
2 AcDbDictionaryWithDefault
3 ObjectDBX Classes
90 0
280 0
281 0
0 CLASS
1 ACDBPLACEHOLDER
2 AcDbPlaceHolder
3 ObjectDBX Classes
90 0
280 0
281 0
0 CLASS
1 LAYOUT
2 AcDbLayout
3 ObjectDBX Classes
90 0
280 0
281 0
0 ENDSEC
0 SECTION
2 TABLES
0 TABLE
2 VPORT
5 1
330 0
100 AcDbSymbolTable
70 1
0 VPORT
5 2
330 1
100 AcDbSymbolTableRecord
100 AcDbViewportTableRecord
2 *Active
70 0
10 0.0
20 0.0
11 1.0
21 1.0
12 {VIEWX}
22 {VIEWY}
13 0.0
23 0.0
14 10.0
24 10.0
15 10.0
25 10.0
16 0.0
26 0.0
36 1.0
17 0.0
27 0.0
37 0.0
40 {VIEWHEIGHT}
41 1.5
42 50.0
43 0.0
44 0.0
50 0.0
51 0.0
71 0
72 100
73 1
74 3
75 0
76 0
77 0
78 0
0 ENDTAB
0 TABLE
2 LTYPE
5 3
330 0
100 AcDbSymbolTable
70 3
0 LTYPE
5 4
330 3
100 AcDbSymbolTableRecord
100 AcDbLinetypeTableRecord
2 ByBlock
70 0
3 
72 65
73 0
40 0.0
0 LTYPE
5 5
330 3
100 AcDbSymbolTableRecord
100 AcDbLinetypeTableRecord
2 ByLayer
70 0
3 
72 65
73 0
40 0.0
0 LTYPE
5 6
330 3
100 AcDbSymbolTableRecord
100 AcDbLinetypeTableRecord
2 Continuous
70 0
3 Solid line
72 65
73 0
40 0.0
0 ENDTAB
0 TABLE
2 LAYER
5 7
330 0
100 AcDbSymbolTable
70 1
0 LAYER
5 8
330 7
100 AcDbSymbolTableRecord
100 AcDbLayerTableRecord
2 0
70 {LAYER0FLAGS}
62 {LAYER0COLOR}
6 Continuous
370 -3
390 1E
0 ENDTAB
0 TABLE
2 STYLE
5 9
330 0
100 AcDbSymbolTable
70 1
0 STYLE
5 A
330 9
100 AcDbSymbolTableRecord
100 AcDbTextStyleTableRecord
2 Standard
70 0
40 0.0
41 1.0
50 0.0
71 0
42 2.5
3 txt
4 
0 ENDTAB
0 TABLE
2 VIEW
5 B
330 0
100 AcDbSymbolTable
70 0
0 ENDTAB
0 TABLE
2 UCS
5 C
330 0
100 AcDbSymbolTable
70 0
0 ENDTAB
0 TABLE
2 APPID
5 D
330 0
100 AcDbSymbolTable
70 2
0 APPID
5 E
330 D
100 AcDbSymbolTableRecord
100 AcDbRegAppTableRecord
2 ACAD
70 0
0 APPID
5 1F
330 D
100 AcDbSymbolTableRecord
100 AcDbRegAppTableRecord
2 PLOTWRIGHT
70 0
0 ENDTAB
0 TABLE
2 DIMSTYLE
5 F
330 0
100 AcDbSymbolTable
70 1
100 AcDbDimStyleTable
71 0
0 DIMSTYLE
105 10
330 F
100 AcDbSymbolTableRecord
100 AcDbDimStyleTableRecord
2 Standard
70 0
0 ENDTAB
0 TABLE
2 BLOCK_RECORD
5 11
330 0
100 AcDbSymbolTable
70 2
0 BLOCK_RECORD
5 12
330 11
100 AcDbSymbolTableRecord
100 AcDbBlockTableRecord
2 *Model_Space
340 1B
0 BLOCK_RECORD
5 13
330 11
100 AcDbSymbolTableRecord
100 AcDbBlockTableRecord
2 *Paper_Space
340 1C
0 ENDTAB
0 ENDSEC
0 SECTION
2 BLOCKS
0 BLOCK
5 14
330 12
100 AcDbEntity
8 0
100 AcDbBlockBegin
2 *Model_Space
70 0
10 0.0
20 0.0
30 0.0
3 *Model_Space
1 
0 ENDBLK
5 15
330 12
100 AcDbEntity
8 0
100 AcDbBlockEnd
0 BLOCK
5 16
330 13
100 AcDbEntity
67 1
8 0
100 AcDbBlockBegin
2 *Paper_Space
70 0
10 0.0
20 0.0
30 0.0
3 *Paper_Space
1 
0 ENDBLK
5 17
330 13
100 AcDbEntity
67 1
8 0
100 AcDbBlockEnd
0 ENDSEC
0 SECTION
2 ENTITIES
)";

constexpr std::string_view kObjects = R"(0 ENDSEC
0 SECTION
2 OBJECTS
0 DICTIONARY
5 18
330 0
100 AcDbDictionary
281 1
3 ACAD_GROUP
350 19
3 ACAD_LAYOUT
350 1A
3 ACAD_PLOTSTYLENAME
350 1D
0 DICTIONARY
5 19
102 {ACAD_REACTORS
330 18
102 }
330 18
100 AcDbDictionary
281 1
0 DICTIONARY
5 1A
102 {ACAD_REACTORS
330 18
102 }
330 18
100 AcDbDictionary
281 1
3 Layout1
350 1C
3 Model
350 1B
0 ACDBDICTIONARYWDFLT
5 1D
102 {ACAD_REACTORS
330 18
102 }
330 18
100 AcDbDictionary
281 1
3 Normal
350 1E
100 AcDbDictionaryWithDefault
340 1E
0 ACDBPLACEHOLDER
5 1E
102 {ACAD_REACTORS
330 1D
102 }
330 1D
{LAYOUT 1B Model 0 12}
{LAYOUT 1C Layout1 1 13}
)";

// A layout: plot settings, then the layout proper, owned by the ACAD_LAYOUT dictionary
// and tied to its block record.
constexpr std::string_view kLayout = R"(0 LAYOUT
5 {HANDLE}
102 {ACAD_REACTORS
330 1A
102 }
330 1A
100 AcDbPlotSettings
1 
2 none_device
4 
6 
40 0.0
41 0.0
42 0.0
43 0.0
44 0.0
45 0.0
46 0.0
47 0.0
48 0.0
49 0.0
140 0.0
141 0.0
142 1.0
143 1.0
70 {PLOTFLAGS}
72 0
73 0
74 5
7 
75 16
147 1.0
148 0.0
149 0.0
100 AcDbLayout
1 {NAME}
70 1
71 {ORDER}
10 0.0
20 0.0
11 420.0
21 297.0
12 0.0
22 0.0
32 0.0
14 0.0
24 0.0
34 0.0
15 0.0
25 0.0
35 0.0
146 0.0
13 0.0
23 0.0
33 0.0
16 1.0
26 0.0
36 0.0
17 0.0
27 1.0
37 0.0
76 0
330 {BLOCKRECORD}
)";

struct Substitution {
    std::string_view name;
    std::string value;
};

// Emits "code value" lines; a value "{NAME}" is replaced from `subs`.
void emit(DxfOutput& out, std::string_view lines, const Substitution* subs, std::size_t count)
{
    while (!lines.empty()) {
        const std::size_t newline = lines.find('\n');
        const std::string_view line = lines.substr(0, newline);
        lines.remove_prefix(newline == std::string_view::npos ? lines.size() : newline + 1);
        const std::size_t space = line.find(' ');
        int code = 0;
        for (char c : line.substr(0, space))
            code = code * 10 + (c - '0');
        std::string_view value = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
        for (std::size_t i = 0; i < count; ++i) {
            if (value.size() == subs[i].name.size() + 2 && value.front() == '{' &&
                value.substr(1, subs[i].name.size()) == subs[i].name)
                value = subs[i].value;
        }
        out.pair(code, value);
    }
}

void emitLayout(DxfOutput& out, std::string_view handle, std::string_view name, std::string_view order,
                std::string_view blockRecord)
{
    // The model layout's plot flags mark it as the model tab (1024) as CAD programs write it.
    const Substitution subs[] = {{"HANDLE", std::string(handle)},
                                 {"NAME", std::string(name)},
                                 {"ORDER", std::string(order)},
                                 {"BLOCKRECORD", std::string(blockRecord)},
                                 {"PLOTFLAGS", order == "0" ? "1712" : "688"}};
    emit(out, kLayout, subs, std::size(subs));
}

} // namespace

void writeNewDrawingHead(DxfOutput& out, AcDbHandle handseed, const DrawingExtents& extents,
                         const AcDbDatabase& database)
{
    out.pair(0, "SECTION");
    out.pair(2, "HEADER");
    out.pair(9, "$ACADVER");
    out.pair(1, "AC1015");
    out.pair(9, "$DWGCODEPAGE");
    out.pair(3, "ANSI_1252");
    out.pair(9, "$INSBASE");
    out.real(10, 0.0);
    out.real(20, 0.0);
    out.real(30, 0.0);
    if (!extents.empty) {
        out.pair(9, "$EXTMIN");
        out.real(10, extents.minX);
        out.real(20, extents.minY);
        out.real(30, extents.minZ);
        out.pair(9, "$EXTMAX");
        out.real(10, extents.maxX);
        out.real(20, extents.maxY);
        out.real(30, extents.maxZ);
    }
    // Readers take layer "0" when the variable is missing: drawings on it stay as they were.
    if (database.clayer() != L"0") {
        out.pair(9, "$CLAYER");
        out.pair(8, dxfValueText(database.clayer(), false, base::CodePage::windows1252));
    }
    if (database.insunits() >= 0) {
        out.pair(9, "$INSUNITS");
        out.integer(70, database.insunits());
        out.pair(9, "$MEASUREMENT");
        out.integer(70, database.metric() ? 1 : 0);
    }
    out.pair(9, "$HANDSEED");
    out.handle(5, handseed);
    out.pair(0, "ENDSEC");

    // The active view shows the drawing's extents with a margin.
    double cx = 0.0, cy = 0.0, height = 100.0;
    if (!extents.empty) {
        cx = extents.minX / 2 + extents.maxX / 2;
        cy = extents.minY / 2 + extents.maxY / 2;
        height = std::max((extents.maxY - extents.minY), (extents.maxX - extents.minX) / 1.5) * 1.1;
        if (!(height > 0.0) || !std::isfinite(height))
            height = 100.0;
    }
    AcDbLayerAppearance zero;
    if (const AcDbLayerInfo* layer = database.layer(L"0"))
        zero = layer->appearance;
    const Substitution subs[] = {{"VIEWX", formatReal(cx)},
                                 {"VIEWY", formatReal(cy)},
                                 {"VIEWHEIGHT", formatReal(height)},
                                 {"LAYER0FLAGS", std::to_string(layerFlagsGroup(zero, 0))},
                                 {"LAYER0COLOR", std::to_string(layerColorGroup(zero))}};
    // The layers the user added go after layer 0, at the end of the LAYER table.
    constexpr std::string_view layerZeroEnd = "390 1E\n0 ENDTAB\n0 TABLE\n2 STYLE\n";
    const std::size_t split = kTables.find(layerZeroEnd) + 7;
    emit(out, kTables.substr(0, split), subs, std::size(subs));
    for (const AcDbLayerInfo& layer : database.layers())
        if (layer.handle != db::detail::newdrawing::kLayerZero)
            out.raw(layerRecordText(layer,
                                    {layer.handle, db::detail::newdrawing::kLayerTable, false, true, false,
                                     base::CodePage::windows1252},  // the header's $DWGCODEPAGE
                                    "\n"));
    emit(out, kTables.substr(split), subs, std::size(subs));
}

void writeNewDrawingTail(DxfOutput& out, const std::vector<AppDataRecord>& records, bool utf8)
{
    std::string_view rest = kObjects;
    for (;;) {
        const std::size_t layout = rest.find("{LAYOUT ");
        if (layout == std::string_view::npos)
            break;
        emit(out, rest.substr(0, layout - 0), nullptr, 0);
        const std::size_t close = rest.find('}', layout);
        std::string_view args = rest.substr(layout + 8, close - layout - 8);
        std::string_view parts[4];
        for (std::string_view& part : parts) {
            const std::size_t space = args.find(' ');
            part = args.substr(0, space);
            args.remove_prefix(space == std::string_view::npos ? args.size() : space + 1);
        }
        emitLayout(out, parts[0], parts[1], parts[2], parts[3]);
        rest.remove_prefix(close + 2);  // past "}\n"
    }
    emit(out, rest, nullptr, 0);
    for (const AppDataRecord& r : records)
        writeAppXrecord(out, r.entity->handle(), r.dictionary, r.xrecord, r.entity->appData(), utf8);
    out.pair(0, "ENDSEC");
    out.pair(0, "EOF");
}

} // namespace plotwright::dxf::detail
