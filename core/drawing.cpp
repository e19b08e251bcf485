// A drawing file as the core's object: the database read through the careful file
// layer (lock, identity check, atomic replacement), curves placed with their
// definitions, drawn curves listed and replaced.
#include "plotwright/drawing.h"

#include "core/convert.h"
#include "core/drawing_access.h"
#include "core/drawn_curves.h"
#include "core/placement.h"
#include "base/replace_file.h"
#include "base/utf8_text.h"
#include "db/database.h"
#include "render/svg_picture.h"
#include "dxf/file.h"

#include <charconv>

namespace plotwright {

struct Drawing::State {
    std::unique_ptr<AcDbDatabase> database = std::make_unique<AcDbDatabase>();
    std::filesystem::path path;
    // The file as it was read or last saved (exists false: not known), and the lock of
    // a drawing opened for update.
    base::FileIdentity identity;
    base::FileLock lock;
};

namespace {

std::vector<std::string> handlesOf(const std::vector<AcDbObjectId>& ids)
{
    std::vector<std::string> out;
    out.reserve(ids.size());
    for (const AcDbObjectId& id : ids)
        out.push_back(core::handleText(id.handle()));
    return out;
}

DrawnCurve publicCurve(const core::DrawnCurve& c)
{
    const curve::CurveDefinition& d = c.definition();
    DrawnCurve out;
    out.id = c.id;
    out.definition = core::definitionOf(d);
    out.origin = core::pointOf(d.origin);
    out.pieceCount = d.pieceCount;
    for (const core::DrawnPiece& p : c.pieces)
        out.handles.push_back(core::handleText(p.entity->handle()));
    const core::CurveState state = core::curveState(c);
    out.change = state.kind == core::CurveState::moved    ? CurveChange::moved
                 : state.kind == core::CurveState::edited ? CurveChange::edited
                                                          : CurveChange::unchanged;
    out.shift = core::pointOf(state.shift);
    out.reason = base::wideFromUtf8(state.reason);
    return out;
}

Result refused(std::wstring message) { return {Status::refused, std::move(message), {}}; }

} // namespace

Drawing::Drawing() : state_(std::make_unique<State>()) {}
Drawing::~Drawing() = default;
Drawing::Drawing(Drawing&&) noexcept = default;
Drawing& Drawing::operator=(Drawing&&) noexcept = default;

AcDbDatabase& DrawingAccess::database(Drawing& drawing) { return *drawing.state_->database; }
const AcDbDatabase& DrawingAccess::database(const Drawing& drawing) { return *drawing.state_->database; }

std::vector<AcDbObjectId> DrawingAccess::ids(const Drawing& drawing, const std::vector<std::string>& handles)
{
    std::vector<AcDbObjectId> out;
    for (const std::string& text : handles) {
        AcDbHandle handle = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), handle, 16);
        AcDbObjectId id;
        if (error == std::errc() && end == text.data() + text.size() &&
            drawing.state_->database->getAcDbObjectId(id, false, handle) == Acad::eOk)
            out.push_back(id);
    }
    return out;
}

Result Drawing::open(const std::filesystem::path& path, const OpenOptions& options)
{
    std::unique_ptr<AcDbDatabase> database;
    base::FileIdentity identity;
    base::FileLock lock;
    const dxf::DxfResult read = dxf::readDxf(path.string(), database, &identity, options.forUpdate ? &lock : nullptr);
    if (!read.ok())
        return core::resultOf(read, path.string());
    state_->database = std::move(database);
    state_->path = path;
    state_->identity = identity;
    state_->lock = std::move(lock);
    return core::resultOf(read, path.string());
}

Result Drawing::save()
{
    if (state_->path.empty())
        return {Status::fileError, L"Cannot save the drawing: it has no file name yet.", {}};
    base::ReplaceOptions options;
    if (state_->identity.exists)
        options.expected = &state_->identity;
    if (state_->lock.held())
        options.lock = &state_->lock;
    base::FileIdentity written;
    options.written = &written;
    const dxf::DxfResult saved = dxf::saveDxf(*state_->database, state_->path.string(), options);
    if (saved.ok())
        state_->identity = written;
    return core::resultOf(saved, state_->path.string());
}

Result Drawing::saveAs(const std::filesystem::path& path, const SaveOptions& options)
{
    if (!state_->path.empty() && path == state_->path && !options.onlyIfAbsent)
        return save();
    const base::FileIdentity missing;
    base::FileIdentity written;
    base::ReplaceOptions replace;
    if (options.onlyIfAbsent)
        replace.expected = &missing;
    replace.written = &written;
    const dxf::DxfResult saved = dxf::saveDxf(*state_->database, path.string(), replace);
    if (!saved.ok())
        return core::resultOf(saved, path.string());
    state_->identity = written;
    state_->lock.release();
    state_->path = path;
    return core::resultOf(saved, path.string());
}

const std::filesystem::path& Drawing::path() const { return state_->path; }

Placed Drawing::add(const CurveDefinition& curve, const Shape& shape, const PlaceOptions& options)
{
    Shape copy;
    copy.origin = shape.origin;
    copy.pieces = shape.pieces;
    return add(curve, std::move(copy), options);
}

Placed Drawing::add(const CurveDefinition& curve, Shape&& shape, const PlaceOptions& options)
{
    AcDbDatabase& database = *state_->database;
    std::size_t wanted = 0;
    for (const Piece& p : shape.pieces)
        wanted += p.points.empty() ? 0 : 1;
    std::vector<AcDbObjectId> ids;
    {
        // Gone before the definitions are attached, which read the entities' vertices.
        const std::vector<curve::CurvePiece> pieces = core::curvePiecesOf(std::move(shape.pieces));
        shape.pieces.clear();
        ids = core::placePieces(database, pieces, 0.0);
    }
    core::setAppearance(database, ids, options.layer, options.colorIndex);
    const CEquationPtr equation = core::equationOf(curve);
    core::attachDefinition(ids, curve::curveDefinitionFrom(*equation, core::curvePointOf(shape.origin),
                                                           core::curveOptionsOf(curve.options)));
    Placed out;
    out.handles = handlesOf(ids);
    if (ids.size() < wanted)
        out.result = refused(L"the drawing refused a piece of the curve");
    return out;
}

std::vector<DrawnCurve> Drawing::curves() const
{
    std::vector<DrawnCurve> out;
    for (const core::DrawnCurve& c : core::drawnCurves(*state_->database))
        out.push_back(publicCurve(c));
    return out;
}

std::optional<DrawnCurve> Drawing::findCurve(const std::string& key) const
{
    const std::vector<core::DrawnCurve> curves = core::drawnCurves(*state_->database);
    if (const core::DrawnCurve* found = core::findDrawnCurve(curves, key))
        return publicCurve(*found);
    return std::nullopt;
}

Placed Drawing::redraw(const DrawnCurve& drawn, const CurveDefinition& curve, const Shape& shape)
{
    Placed out;
    if (!shape.result.ok()) {
        out.result = shape.result;
        return out;
    }
    AcDbDatabase& database = *state_->database;
    const std::optional<core::DrawnCurve> found = core::drawnCurveWithId(database, drawn.id);
    if (!found) {
        out.result = {Status::notFound, L"no drawn curve with the id " + base::wideFromUtf8(drawn.id), {}};
        return out;
    }
    std::vector<AcDbObjectId> placed;
    const bool whole = core::replacePieces(database, *found, [&](std::vector<AcDbObjectId>& newIds) {
        newIds = core::placePieces(database, core::curvePiecesOf(shape.pieces), 0.0);
        const CEquationPtr equation = core::equationOf(curve);
        core::attachDefinition(newIds, curve::curveDefinitionFrom(*equation, core::curvePointOf(shape.origin),
                                                                  core::curveOptionsOf(curve.options)));
        return true;
    }, placed);
    if (!whole) {
        out.result = refused(L"the changed curve has no piece the drawing takes; nothing was changed");
        return out;
    }
    out.handles = handlesOf(placed);
    return out;
}

std::string Drawing::svgPicture() const { return db::svgPicture(*state_->database); }

} // namespace plotwright
