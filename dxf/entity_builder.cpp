#include "dxf/entity_builder.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "db/color.h"
#include "db/entities.h"
#include "db/polyline.h"
#include "dxf/scan.h"

namespace plotwright::dxf::detail {

const DrawingSettings DxfEntityBuilder::kDefaultSettings;

base::CodePage codePageNamed(std::string_view name)
{
    std::string upper;
    for (char c : trimmed(name))
        upper.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
    using base::CodePage;
    static constexpr std::pair<std::string_view, CodePage> kNames[] = {
        {"ANSI_1250", CodePage::windows1250}, {"ANSI_1251", CodePage::windows1251},
        {"ANSI_1252", CodePage::windows1252}, {"ANSI_1253", CodePage::windows1253},
        {"ANSI_1254", CodePage::windows1254}, {"ANSI_1257", CodePage::windows1257},
        {"ANSI_874", CodePage::windows874},   {"ANSI_932", CodePage::windows932},
        {"ANSI_936", CodePage::windows936},   {"ANSI_949", CodePage::windows949},
        {"ANSI_950", CodePage::windows950},   {"ANSI_1255", CodePage::windows1255},
        {"ANSI_1256", CodePage::windows1256}, {"ANSI_1258", CodePage::windows1258},
    };
    for (const auto& [n, page] : kNames) {
        if (upper == n)
            return page;
    }
    return CodePage::latin1;
}

std::wstring dxfText(std::string_view bytes, base::CodePage page)
{
    std::wstring out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : -1;
        char32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
        bool valid = extra >= 0 && i + static_cast<std::size_t>(extra) < bytes.size();
        for (int k = 1; valid && k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
            valid = (cc & 0xC0) == 0x80;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!valid || cp > 0x10FFFF || (extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800) ||
            (extra == 3 && cp < 0x10000)) {
            return base::wideFromCodePage(page, bytes);
        }
        out.push_back(static_cast<wchar_t>(cp));
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

void DxfEntityBuilder::resetCommon()
{
    bad_ = false;
    for (long long& index : faceIndex_)
        index = 0;
    paperSpace_ = false;
    inAppData_ = false;
    inXdata_ = false;
    ownXdata_ = false;
    inDictionaryGroup_ = false;
    dictionary_ = 0;
    xdataReader_.take();
    ownerSeen_ = false;
    handle_ = 0;
    layer_ = L"0";
    color_ = 256;
    trueColor_ = -1;
    style_ = {};
    for (double& v : p10_)
        v = 0.0;
    for (double& v : p11_)
        v = 0.0;
    normal_[0] = 0.0;
    normal_[1] = 0.0;
    normal_[2] = 1.0;
    r40_ = r41_ = r43_ = b42_ = a50_ = a51_ = elevation38_ = 0.0;
    has40_ = has41_ = false;
    flags70_ = 0;
}

namespace {

// Records that belong to the entity before them, or end a block: never counted as
// entities that cannot be shown.
bool isSubRecord(std::string_view type)
{
    return type == "SEQEND" || type == "VERTEX" || type == "ATTRIB" || type == "ENDBLK" || type == "BLOCK" ||
           type == "VIEWPORT";
}

} // namespace

void DxfEntityBuilder::begin(std::string_view type)
{
    unshown_.clear();
    const bool polylineOpen = kind_ == Kind::polyline || kind_ == Kind::vertex;
    if (polylineOpen && type == "VERTEX") {
        if (kind_ == Kind::polyline)
            saveHeader();
        else
            pushVertex();
        kind_ = Kind::vertex;
        resetCommon();
        return;
    }
    // ATTRIB records follow their INSERT up to a SEQEND.
    const bool insertOpen = kind_ == Kind::insert || kind_ == Kind::attrib;
    if (insertOpen && type == "ATTRIB") {
        if (kind_ == Kind::attrib) {
            finishAttribute();
        } else {
            saveHeader();
            insert_ = std::move(record_);
        }
        kind_ = Kind::attrib;
        resetCommon();
        record_.clear();
        inEmbedded_ = false;
        return;
    }
    // SEQEND closes the polyline; any other record ends one that lacks its SEQEND.
    finishCurrent();
    resetCommon();
    record_.clear();
    inEmbedded_ = false;
    type_ = std::string(type);
    if (type == "LINE")
        kind_ = Kind::line;
    else if (type == "POINT")
        kind_ = Kind::point;
    else if (type == "CIRCLE")
        kind_ = Kind::circle;
    else if (type == "ARC")
        kind_ = Kind::arc;
    else if (type == "LWPOLYLINE")
        kind_ = Kind::lwpolyline;
    else if (type == "POLYLINE")
        kind_ = Kind::polyline;
    else if (type == "INSERT")
        kind_ = Kind::insert;
    else if (isDisplayType(type))
        kind_ = Kind::display;
    else
        kind_ = type.empty() ? Kind::none : Kind::ignored;
    vertices_.clear();
    faces_.clear();
}

void DxfEntityBuilder::feed(int code, std::string_view value)
{
    if (kind_ == Kind::none)
        return;
    // Extended data closes the record: 1001 names the application of the groups after it.
    // Other applications' groups stay in the record (the display reads some of them).
    if (code == 1001) {
        inXdata_ = true;
        ownXdata_ = trimmed(value) == kCurveAppName;
        if (ownXdata_)
            return;
    } else if (inXdata_ && ownXdata_ && code >= 1000) {
        xdataReader_.feed(code, value, settings_->codePage);
        return;
    }
    const bool keepsPairs = kind_ == Kind::display || kind_ == Kind::insert || kind_ == Kind::attrib;
    if (keepsPairs) {
        // An embedded object (101) brings pairs of its own, not the entity's; MTEXT keeps
        // them after the 101, where its columns are.
        if (code == 101)
            inEmbedded_ = true;
        if (!inEmbedded_ || type_ == "MTEXT")
            record_.push_back({code, value});
    }
    double number = 0.0;
    const auto real = [&](double& target) {
        if (parseDouble(value, number))
            target = number;
        else
            bad_ = true;
    };
    long long integer = 0;
    switch (code) {
    case 5: {
        unsigned long long h = 0;
        if (parseHandle(value, h))
            handle_ = h;
        return;
    }
    case 102:
        inAppData_ = !value.empty() && value.front() == '{';
        inDictionaryGroup_ = trimmed(value) == "{ACAD_XDICTIONARY";
        return;
    case 360: {
        unsigned long long h = 0;
        if (inDictionaryGroup_ && parseHandle(value, h))
            dictionary_ = h;
        return;
    }
    case 330: {
        // The owner is the first 330 outside an application data group {...}.
        unsigned long long h = 0;
        if (!inAppData_ && !ownerSeen_ && parseHandle(value, h)) {
            ownerSeen_ = true;
            if (paperSpaceRecord_ != 0 && h == paperSpaceRecord_)
                paperSpace_ = true;
        }
        return;
    }
    case 8:
        layer_ = dxfText(value, settings_->codePage);
        return;
    case 62:
        // Anything but 0..256 is no colour an entity can have: it stays ByLayer.
        if (parseInt(value, integer) && db::isEntityColorIndex(integer))
            color_ = static_cast<int>(integer);
        return;
    case 420:
        if (parseInt(value, integer) && integer >= 0 && integer <= 0xFFFFFFFFLL)
            trueColor_ = static_cast<std::int32_t>(integer & 0xFFFFFF);
        return;
    case 67:
        if (parseInt(value, integer) && integer == 1)
            paperSpace_ = true;
        return;
    case 60:
        if (parseInt(value, integer))
            style_.invisible = integer == 1;
        return;
    case 6:
        style_.linetype = dxfText(value, settings_->codePage);
        return;
    case 48: {
        double scale = 0;
        if (parseDouble(value, scale) && scale > 0 && std::isfinite(scale))
            style_.linetypeScale = scale;
        return;
    }
    case 440:
        // 0x02000000 marks a transparency of its own, its low byte the opacity; ByLayer
        // and ByBlock (other high bytes) are drawn opaque.
        if (parseInt(value, integer) && (integer & 0x02000000) != 0)
            style_.alpha = static_cast<int>(integer & 0xFF);
        return;
    case 70:
        if (parseInt(value, integer))
            flags70_ = static_cast<int>(integer);
        return;
    default:
        break;
    }
    if (keepsPairs || kind_ == Kind::ignored)
        return;
    if (kind_ == Kind::lwpolyline) {
        // Each 10 opens a vertex; 20, 40, 41 and 42 belong to the vertex opened last.
        switch (code) {
        case 10:
            vertices_.emplace_back();
            real(vertices_.back().point.x);
            return;
        case 20:
        case 40:
        case 41:
        case 42:
            if (vertices_.empty())
                return;
            real(code == 20 ? vertices_.back().point.y
                 : code == 40 ? vertices_.back().startWidth
                 : code == 41 ? vertices_.back().endWidth
                              : vertices_.back().bulge);
            return;
        case 38:
            real(elevation38_);
            return;
        case 43:
            real(r43_);
            return;
        default:
            break;
        }
    }
    switch (code) {
    case 10: case 20: case 30: real(p10_[code / 10 - 1]); break;
    case 11: case 21: case 31: real(p11_[(code - 11) / 10]); break;
    case 210: case 220: case 230: real(normal_[(code - 210) / 10]); break;
    case 40: real(r40_); has40_ = true; break;
    case 41: real(r41_); has41_ = true; break;
    case 42: real(b42_); break;
    case 50: real(a50_); break;
    case 51: real(a51_); break;
    case 71: case 72: case 73: case 74:
        if (!parseInt(value, integer))
            bad_ = true;
        faceIndex_[code - 71] = integer;
        break;
    default: break;
    }
}

void DxfEntityBuilder::saveHeader()
{
    header_.handle = handle_;
    header_.paperSpace = paperSpace_;
    header_.layer = layer_;
    header_.color = color_;
    header_.trueColor = trueColor_;
    header_.style = style_;
    header_.flags = flags70_;
    header_.startWidth = has40_ ? r40_ : -1.0;
    header_.endWidth = has41_ ? r41_ : -1.0;
    header_.elevation = p10_[2];
    header_.normal[0] = normal_[0];
    header_.normal[1] = normal_[1];
    header_.normal[2] = normal_[2];
    header_.bad = bad_;
    header_.appData = xdataReader_.take();
    header_.dictionary = dictionary_;
}

void DxfEntityBuilder::pushVertex()
{
    if (bad_) {
        header_.bad = true;
        return;
    }
    // A polyface mesh has its corners (192) and then its faces (128 alone).
    if (header_.flags & 64) {
        if ((flags70_ & 192) == 128)
            faces_.push_back({faceIndex_[0], faceIndex_[1], faceIndex_[2], faceIndex_[3]});
        else if (flags70_ & 64)
            vertices_.push_back({{p10_[0], p10_[1], p10_[2]}, 0.0, -1.0, -1.0});
        return;
    }
    // Spline frame control points (16) and polyface face records (128) are not on the curve.
    if (flags70_ & (16 | 128))
        return;
    Vertex v;
    v.point = {p10_[0], p10_[1], p10_[2]};
    v.bulge = b42_;
    // A vertex without widths of its own takes the POLYLINE's default widths.
    v.startWidth = has40_ ? r40_ : header_.startWidth;
    v.endWidth = has41_ ? r41_ : header_.endWidth;
    vertices_.push_back(v);
}

void DxfEntityBuilder::attachAppData(AcDbEntity& entity, AcDbAppData data) const
{
    if (!data.empty())
        entity.setAppData(std::move(data));
}

void DxfEntityBuilder::finishCurrent()
{
    finished_.reset();
    finishedHandle_ = 0;
    finishedDictionary_ = 0;
    switch (kind_) {
    case Kind::none:
        return;
    case Kind::ignored:
        if (!paperSpace_ && !isSubRecord(type_))
            unshown_ = type_;
        return;
    case Kind::insert:
    case Kind::attrib:
        if (kind_ == Kind::insert) {
            saveHeader();
            insert_ = std::move(record_);
        } else {
            finishAttribute();
        }
        finishedHandle_ = header_.handle;
        finishedDictionary_ = header_.dictionary;
        if (!header_.paperSpace && !header_.bad) {
            finished_ = buildBlockReference(insert_, attributes_, *settings_);
            if (finished_) {
                finished_->setAppearance(header_.layer, header_.color, header_.trueColor);
                finished_->setStyle(header_.style);
                attachAppData(*finished_, std::move(header_.appData));
            }
        }
        insert_.clear();
        attributes_.clear();
        break;
    case Kind::display:
        finishedHandle_ = handle_;
        finishedDictionary_ = dictionary_;
        if (!paperSpace_ && !bad_) {
            finished_ = buildDisplayEntity(type_, record_, *settings_);
            if (finished_) {
                applyAppearance(*finished_);
                attachAppData(*finished_, xdataReader_.take());
            }
        }
        break;
    case Kind::polyline:
        saveHeader();
        [[fallthrough]];
    case Kind::vertex:
        if (kind_ == Kind::vertex)
            pushVertex();
        finishedHandle_ = header_.handle;
        finishedDictionary_ = header_.dictionary;
        if (!header_.paperSpace && !header_.bad)
            finished_ = buildPolyline();
        if (finished_)
            attachAppData(*finished_, std::move(header_.appData));
        break;
    case Kind::lwpolyline:
    default:
        finishedHandle_ = handle_;
        finishedDictionary_ = dictionary_;
        if (!paperSpace_ && !bad_)
            finished_ = kind_ == Kind::lwpolyline ? buildLwPolyline() : buildSimple();
        if (finished_)
            attachAppData(*finished_, xdataReader_.take());
        break;
    }
    kind_ = Kind::none;
}

std::unique_ptr<AcDbEntity> DxfEntityBuilder::takeFinished(AcDbHandle& handle)
{
    handle = finishedHandle_;
    return std::move(finished_);
}

void DxfEntityBuilder::finishAttribute()
{
    attributes_.push_back(std::move(record_));
    record_.clear();
}

void DxfEntityBuilder::applyAppearance(AcDbEntity& entity) const
{
    entity.setAppearance(layer_, color_, trueColor_);
    entity.setStyle(style_);
}

std::unique_ptr<AcDbEntity> DxfEntityBuilder::buildSimple()
{
    const AcGePoint3d p10{p10_[0], p10_[1], p10_[2]};
    const AcGeVector3d normal{normal_[0], normal_[1], normal_[2]};
    constexpr double toRadians = std::numbers::pi / 180.0;
    std::unique_ptr<AcDbEntity> entity;
    switch (kind_) {
    case Kind::line:
        entity = std::make_unique<AcDbLine>(p10, AcGePoint3d{p11_[0], p11_[1], p11_[2]});
        break;
    case Kind::point:
        entity = std::make_unique<AcDbPoint>(p10);
        break;
    case Kind::circle:
        entity = std::make_unique<AcDbCircle>(p10, r40_, normal);
        break;
    case Kind::arc:
        entity = std::make_unique<AcDbArc>(p10, r40_, a50_ * toRadians, a51_ * toRadians, normal);
        break;
    default:
        return nullptr;
    }
    applyAppearance(*entity);
    return entity;
}

std::unique_ptr<AcDbEntity> DxfEntityBuilder::buildLwPolyline()
{
    auto polyline = std::make_unique<AcDbPolyline>(static_cast<unsigned int>(vertices_.size()));
    for (const Vertex& v : vertices_) {
        polyline->addVertexAt(polyline->numVerts(), {v.point.x, v.point.y}, v.bulge, v.startWidth, v.endWidth);
    }
    polyline->setElevation(elevation38_);
    polyline->setClosed((flags70_ & 1) != 0);
    polyline->setConstantWidth(r43_);
    polyline->setNormal({normal_[0], normal_[1], normal_[2]});
    applyAppearance(*polyline);
    return polyline;
}

// A polyface mesh as its visible edges: each face's edges in turn, broken where an
// edge is hidden (its start index negative).
std::unique_ptr<AcDbEntity> DxfEntityBuilder::buildPolyface()
{
    std::vector<AcDbStrokes::Stroke> strokes;
    const auto corner = [&](long long index) {
        const long long k = (index < 0 ? -index : index) - 1;
        return k >= 0 && static_cast<std::size_t>(k) < vertices_.size() ? &vertices_[static_cast<std::size_t>(k)] : nullptr;
    };
    for (const auto& face : faces_) {
        std::vector<long long> corners;
        for (long long index : face)
            if (corner(index))
                corners.push_back(index);
        AcDbStrokes::Stroke run;
        for (std::size_t i = 0; i < corners.size(); ++i) {
            const long long from = corners[i], to = corners[(i + 1) % corners.size()];
            if (from < 0) {
                if (run.points.size() > 1)
                    strokes.push_back(std::move(run));
                run = {};
                continue;
            }
            if (run.points.empty())
                run.points.push_back(corner(from)->point);
            run.points.push_back(corner(to)->point);
        }
        if (run.points.size() > 1)
            strokes.push_back(std::move(run));
    }
    auto entity = std::make_unique<AcDbStrokes>(L"Polyface mesh", std::move(strokes));
    entity->setAppearance(header_.layer, header_.color, header_.trueColor);
    entity->setStyle(header_.style);
    return entity;
}

std::unique_ptr<AcDbEntity> DxfEntityBuilder::buildPolyline()
{
    if (header_.flags & 64)
        return buildPolyface();
    // Polygon meshes (16) are surfaces, not curves: not shown.
    if (header_.flags & 16)
        return nullptr;
    std::unique_ptr<AcDbEntity> entity;
    const bool closed = (header_.flags & 1) != 0;
    if (header_.flags & 8) {
        std::vector<AcGePoint3d> points;
        points.reserve(vertices_.size());
        for (const Vertex& v : vertices_)
            points.push_back(v.point);
        entity = std::make_unique<AcDb3dPolyline>(std::move(points), closed);
    } else {
        auto polyline = std::make_unique<AcDbPolyline>(static_cast<unsigned int>(vertices_.size()));
        for (const Vertex& v : vertices_)
            polyline->addVertexAt(polyline->numVerts(), {v.point.x, v.point.y}, v.bulge, v.startWidth, v.endWidth);
        polyline->setElevation(header_.elevation);
        polyline->setClosed(closed);
        polyline->setNormal({header_.normal[0], header_.normal[1], header_.normal[2]});
        entity = std::move(polyline);
    }
    entity->setAppearance(header_.layer, header_.color, header_.trueColor);
    entity->setStyle(header_.style);
    return entity;
}

} // namespace plotwright::dxf::detail
