#pragma once
// Internal: builds the displayable entities of the ENTITIES section from their pairs.

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/code_page.h"
#include "db/object.h"
#include "db/ge_point.h"
#include "dxf/app_data.h"

namespace plotwright::dxf::detail {

// What the meaning of entity records depends on from the header and the tables.
struct DrawingSettings {
    // Of text that is not UTF-8 ($DWGCODEPAGE; Latin-1 when unknown).
    base::CodePage codePage = base::CodePage::latin1;
    // Arrowhead size and overall dimension scale: $DIMASZ and $DIMSCALE, and those of the
    // named dimension styles (DIMSTYLE 41 and 40).
    double arrowSize = 0.18;
    double dimScale = 1.0;
    struct DimStyle {
        std::string name;
        double arrowSize = 0.18;
        double dimScale = 1.0;
    };
    std::vector<DimStyle> dimStyles;
};

// The code page a $DWGCODEPAGE value names ("ANSI_1251"); Latin-1 for any other.
base::CodePage codePageNamed(std::string_view name);

// The pairs of one record after its type, for the kinds read for display only.
struct RecordPair {
    int code;
    std::string_view value;
};
using Record = std::vector<RecordPair>;

// The display-only entity of DXF type `type` (TEXT, MTEXT, ELLIPSE, SPLINE, HATCH,
// SOLID, TRACE, 3DFACE, LEADER, XLINE, RAY, WIPEOUT, DIMENSION) from its pairs; null
// when a number cannot be read or the type is none of these.
std::unique_ptr<AcDbEntity> buildDisplayEntity(std::string_view type, const Record& record,
                                               const DrawingSettings& settings);
// A block reference (INSERT) and the attributes (ATTRIB records) that follow it.
std::unique_ptr<AcDbEntity> buildBlockReference(const Record& insert, const std::vector<Record>& attributes,
                                                const DrawingSettings& settings);
// True for the types buildDisplayEntity knows.
bool isDisplayType(std::string_view type);

class DxfEntityBuilder {
public:
    // Finishes the entity before (see takeFinished) and starts one of DXF type `type`
    // (LINE, LWPOLYLINE, ...). VERTEX and SEQEND continue the POLYLINE before them.
    void begin(std::string_view type);
    void feed(int code, std::string_view value);
    // Finishes the last entity of the section.
    void end() { begin(std::string_view()); }

    // The entity finished by the last begin() or end(), when it is one that is shown:
    // a known kind, in model space, with readable numbers. Null otherwise.
    // `handle` receives its handle (0 when it has none).
    // The entity carries the application data of its "PLOTWRIGHT" extended data.
    std::unique_ptr<AcDbEntity> takeFinished(AcDbHandle& handle);
    // The extension dictionary of the entity last taken (0 when it has none).
    AcDbHandle finishedExtensionDictionary() const { return finishedDictionary_; }

    // For deciding paper space by owner when a file leaves out code 67.
    void setPaperSpaceRecord(AcDbHandle handle) { paperSpaceRecord_ = handle; }
    // The header's and tables' settings; `settings` must outlive the builder.
    void setSettings(const DrawingSettings* settings) { settings_ = settings; }

    // The type of the last record that was neither shown nor part of another, when it is
    // an entity in model space that cannot be shown (a proxy, a solid, an image, ...);
    // empty otherwise. Cleared by the next begin().
    const std::string& unshownType() const { return unshown_; }

private:
    enum class Kind { none, line, point, circle, arc, lwpolyline, polyline, vertex, insert, attrib, display, ignored };
    struct Vertex {
        AcGePoint3d point;
        double bulge = 0.0;
        double startWidth = -1.0;
        double endWidth = -1.0;
        int flags = 0;
    };

    void resetCommon();
    void finishCurrent();
    void pushVertex();
    void saveHeader();
    std::unique_ptr<AcDbEntity> buildSimple();
    std::unique_ptr<AcDbEntity> buildLwPolyline();
    std::unique_ptr<AcDbEntity> buildPolyface();
    std::unique_ptr<AcDbEntity> buildPolyline();
    void applyAppearance(AcDbEntity& entity) const;
    void finishAttribute();

    void attachAppData(AcDbEntity& entity, AcDbAppData data) const;

    Kind kind_ = Kind::none;
    std::unique_ptr<AcDbEntity> finished_;
    AcDbHandle finishedHandle_ = 0;
    AcDbHandle finishedDictionary_ = 0;
    bool inAppData_ = false;
    // Extended data: inside the groups of some application, of this program's one; the
    // extension dictionary named in {ACAD_XDICTIONARY.
    bool inXdata_ = false;
    bool ownXdata_ = false;
    bool inDictionaryGroup_ = false;
    AcDbHandle dictionary_ = 0;
    AppDataReader xdataReader_{AppDataReader::Form::xdata};
    bool ownerSeen_ = false;
    bool bad_ = false;
    bool paperSpace_ = false;
    AcDbHandle handle_ = 0;
    AcDbHandle paperSpaceRecord_ = 0;
    const DrawingSettings* settings_ = &kDefaultSettings;
    static const DrawingSettings kDefaultSettings;
    std::wstring layer_;
    int color_ = 256;
    std::int32_t trueColor_ = -1;
    AcDbEntityStyle style_;

    // Geometry by group code: 10/20/30, 11/21/31, 40, 41, 43, 50, 51, 210/220/230, 38, 70.
    double p10_[3] = {};
    double p11_[3] = {};
    double normal_[3] = {0.0, 0.0, 1.0};
    double r40_ = 0.0, r41_ = 0.0, r43_ = 0.0, b42_ = 0.0, a50_ = 0.0, a51_ = 0.0, elevation38_ = 0.0;
    bool has40_ = false, has41_ = false;
    int flags70_ = 0;

    // Pairs of a display-only record, an INSERT and its ATTRIBs.
    std::string type_;
    std::string unshown_;
    Record record_;
    Record insert_;
    std::vector<Record> attributes_;
    bool inEmbedded_ = false;

    // Vertices of the LWPOLYLINE or POLYLINE being read.
    std::vector<Vertex> vertices_;
    // A polyface mesh's faces: indices (71..74, from 1; negative: the edge from there is
    // hidden; 0: no corner) into vertices_.
    std::vector<std::array<long long, 4>> faces_;
    long long faceIndex_[4] = {};
    // The POLYLINE header's values while its vertices arrive.
    struct PolylineHeader {
        AcDbHandle handle = 0;
        bool paperSpace = false;
        std::wstring layer;
        int color = 256;
        std::int32_t trueColor = -1;
        AcDbEntityStyle style;
        int flags = 0;
        double startWidth = -1.0, endWidth = -1.0;  // defaults for the vertices (40, 41)
        double elevation = 0.0;
        double normal[3] = {0.0, 0.0, 1.0};
        bool bad = false;
        AcDbAppData appData;
        AcDbHandle dictionary = 0;
    } header_;
};

// DXF text to wide text: UTF-8 when it is valid UTF-8, else each byte through `page`.
// Files before R2007 are in their code page, but some programs write UTF-8 into them;
// text in a code page is rarely also valid UTF-8 once it has a byte above 0x7F.
std::wstring dxfText(std::string_view bytes, base::CodePage page);

} // namespace plotwright::dxf::detail
