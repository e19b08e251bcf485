// A model-based soak of the editor's document: random sequences of drawing, erasing,
// moving, copying, turning, scaling, mirroring, layer changes of layers and of entities,
// undo, redo, and saving and reopening, each step checked against a small reference
// model (the entities alive with their layer and vertices, the layers,
// the current layer; undo and redo as stacks of whole model states). A failure prints
// the seed and the shortest failing sequence found by removing steps.
// PLOTWRIGHT_SOAK_STEPS and PLOTWRIGHT_SOAK_SEEDS set the length and the seeds by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "db/database.h"
#include "render/display_shapes.h"
#include "db/polyline.h"
#include "draw/place_curve.h"
#include "dxf/file.h"
#include "editor/undo_history.h"
#include "support/dxf_check.h"

namespace {

using plotwright::editor::UndoHistory;

struct Step {
    enum Kind {
        draw, erase, move, addLayer, changeLayer, makeCurrent, undo, redo, saveAndReopen,
        copy, rotate, scale, mirror, putOnLayer, count
    } kind;
    unsigned a = 0, b = 0, c = 0;  // taken modulo what exists when the step runs
};

const char* const kNames[] = {"draw", "erase", "move", "add layer", "change layer", "make current",
                              "undo", "redo", "save and reopen", "copy", "rotate", "scale", "mirror", "put on layer"};

std::string describe(const Step& s)
{
    return std::string(kNames[s.kind]) + "(" + std::to_string(s.a) + "," + std::to_string(s.b) + "," +
           std::to_string(s.c) + ")";
}

// What the document must hold.
struct Model {
    struct Entity {
        std::wstring layer;
        std::vector<AcGePoint2d> points;  // the vertices (straight segments only)
    };
    std::map<AcDbHandle, Entity> entities;
    std::map<std::wstring, AcDbLayerAppearance> layers;  // names as created (all distinct in case)
    std::wstring current = L"0";
};

bool sameLook(const AcDbLayerAppearance& a, const AcDbLayerAppearance& b)
{
    return a.colorIndex == b.colorIndex && a.trueColor == b.trueColor && a.off == b.off && a.frozen == b.frozen;
}

class Soak {
public:
    explicit Soak(std::string folder) : file_(std::move(folder) + "/soak.dxf")
    {
        db_ = std::make_unique<AcDbDatabase>();
        history_ = std::make_unique<UndoHistory>(*db_);
        model_.layers[L"0"] = db_->layer(L"0")->appearance;
    }
    ~Soak() { acdbHostApplicationServices()->setWorkingDatabase(nullptr); }

    // Empty when the step and the check after it went right.
    std::string run(const Step& s)
    {
        acdbHostApplicationServices()->setWorkingDatabase(db_.get());
        std::string fault = apply(s);
        if (fault.empty())
            fault = check();
        return fault;
    }

private:
    std::vector<AcDbHandle> alive() const
    {
        std::vector<AcDbHandle> out;
        for (const auto& [h, e] : model_.entities)
            out.push_back(h);
        return out;
    }

    std::vector<AcDbHandle> choose(const Step& s) const
    {
        const std::vector<AcDbHandle> handles = alive();
        std::vector<AcDbHandle> chosen;
        for (unsigned i = 0; !handles.empty() && i < 1 + s.b % 3; ++i)
            chosen.push_back(handles[(s.a + i * 5) % handles.size()]);
        std::sort(chosen.begin(), chosen.end());
        chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
        return chosen;
    }

    // As the properties panel does it: a recorded change of each entity's layer and colour.
    std::string putOnLayer(const std::vector<AcDbHandle>& chosen, const Step& s, const Model& before)
    {
        auto it = std::next(model_.layers.begin(), static_cast<long>(s.c % model_.layers.size()));
        const std::wstring layer = it->first;
        AcDbDatabase* db = db_.get();
        struct Change {
            AcDbHandle handle;
            AcDbEntity::Appearance before, after;
        };
        std::vector<Change> changes;
        for (AcDbHandle h : chosen) {
            AcDbObjectId id;
            db->getAcDbObjectId(id, false, h);
            AcDbEntity* e = nullptr;
            if (acdbOpenAcDbEntity(e, id, AcDb::kForRead) != Acad::eOk)
                return "an entity cannot be opened";
            changes.push_back({h, e->appearance(), {layer, 1 + static_cast<int>(s.a % 7), -1}});
            e->close();
            if (db->setEntityAppearance(id, layer, changes.back().after.colorIndex, -1) != Acad::eOk)
                return "putting on a layer was refused";
            model_.entities[h].layer = layer;
        }
        history_->record([db, changes](bool redo) {
            for (const Change& c : changes) {
                AcDbObjectId id;
                db->getAcDbObjectId(id, false, c.handle);
                const AcDbEntity::Appearance& a = redo ? c.after : c.before;
                db->setEntityAppearance(id, a.layer, a.colorIndex, a.trueColor);
            }
        });
        changed(before);
        return {};
    }

    void changed(const Model& before)
    {
        done_.push_back(before);
        undone_.clear();
    }

    std::string apply(const Step& s)
    {
        const Model before = model_;
        switch (s.kind) {
        case Step::draw: {
            // One to three pieces (a curve broken where it is not finite), on the current layer.
            CurvePoints points;
            const double x0 = static_cast<int>(s.a % 200) - 100.0;
            const double y0 = static_cast<int>(s.b % 200) - 100.0;
            for (unsigned i = 0; i < 3 + s.c % 6; ++i) {
                if (i > 0 && s.c % 3 == i % 3 && i % 2 == 0)
                    points.push_back({NAN, 0, 0});
                else
                    points.push_back({x0 + i, y0 + (i % 2), 0});
            }
            const std::vector<AcDbObjectId> ids = PlaceCurvePolylines(points, 0, false);
            history_->checkpoint();
            if (ids.empty())
                return "nothing was drawn";
            for (const AcDbObjectId& id : ids) {
                AcDbPolyline* p = nullptr;
                if (acdbOpenObject(p, id, AcDb::kForRead) != Acad::eOk)
                    return "a new polyline cannot be opened";
                model_.entities[id.handle()] = {model_.current, {p->points().begin(), p->points().end()}};
                p->close();
            }
            changed(before);
            return {};
        }
        case Step::copy:
        case Step::rotate:
        case Step::scale:
        case Step::mirror:
        case Step::putOnLayer: {
            const std::vector<AcDbHandle> chosen = choose(s);
            if (chosen.empty())
                return {};
            std::wstring message;
            if (s.kind == Step::putOnLayer)
                return putOnLayer(chosen, s, before);
            const AcGePoint3d base{static_cast<int>(s.c % 40) - 20.0, static_cast<int>(s.b % 30) - 15.0, 0.0};
            static const double kAngles[] = {90, 30, -45, 180};
            AcDbPlacement by;
            if (s.kind == Step::rotate || s.kind == Step::copy)
                by = AcDbPlacement::rotation(base, kAngles[s.c % 4]);
            else if (s.kind == Step::scale)
                by = AcDbPlacement::scaling(base, s.c % 2 ? 2.0 : 0.5);
            else
                by = AcDbPlacement::mirror(base, {base.x + s.a % 3, base.y + 1.0 + s.c % 2, 0.0});
            // A copy either shifted (COPY) or turned in place (a mirror that keeps the originals).
            if (s.kind == Step::copy && s.a % 2)
                by = AcDbPlacement::translation(static_cast<int>(s.c % 9) - 4.0, 3.0);
            if (s.kind == Step::copy) {
                std::vector<AcDbHandle> copies;
                if (!history_->copy(chosen, by, UndoHistory::kCopy, copies, message) || copies.size() != chosen.size())
                    return "copy refused";
                for (std::size_t i = 0; i < chosen.size(); ++i) {
                    Model::Entity copied = model_.entities[chosen[i]];
                    for (AcGePoint2d& p : copied.points)
                        p = by.apply(p);
                    model_.entities[copies[i]] = copied;
                }
            } else {
                if (!history_->place(chosen, by, UndoHistory::kRotate, message))
                    return "placing refused";
                for (AcDbHandle h : chosen)
                    for (AcGePoint2d& p : model_.entities[h].points)
                        p = by.apply(p);
            }
            changed(before);
            return {};
        }
        case Step::erase:
        case Step::move: {
            const std::vector<AcDbHandle> handles = alive();
            if (handles.empty())
                return {};
            std::vector<AcDbHandle> chosen;
            for (unsigned i = 0; i < 1 + s.b % 4; ++i)
                chosen.push_back(handles[(s.a + i * 7) % handles.size()]);
            std::sort(chosen.begin(), chosen.end());
            chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
            std::wstring message;
            if (s.kind == Step::erase) {
                if (!history_->erase(chosen, message))
                    return "erase refused";
                for (AcDbHandle h : chosen)
                    model_.entities.erase(h);
            } else {
                const double dx = static_cast<int>(s.c % 17) - 8.0, dy = static_cast<int>(s.c % 5) - 2.0;
                if (!history_->move(chosen, {dx, dy, 0}, message))
                    return "move refused";
                for (AcDbHandle h : chosen)
                    for (AcGePoint2d& p : model_.entities[h].points)
                        p = {p.x + dx, p.y + dy};
            }
            changed(before);
            return {};
        }
        case Step::addLayer: {
            const std::wstring name = L"L" + std::to_wstring(s.a % 12);
            AcDbLayerAppearance look;
            look.colorIndex = 1 + static_cast<int>(s.b % 255);
            const Acad::ErrorStatus es = db_->addLayer(name, look);
            if (model_.layers.count(name))
                return es == Acad::eDuplicateKey ? std::string() : "a second layer of one name was added";
            if (es != Acad::eOk)
                return "a new layer was refused";
            AcDbDatabase* db = db_.get();
            history_->record([db, name, look](bool redo) {
                if (redo)
                    db->addLayer(name, look);
                else
                    db->removeLayer(name);
            });
            model_.layers[name] = look;
            changed(before);
            return {};
        }
        case Step::changeLayer: {
            auto it = std::next(model_.layers.begin(), static_cast<long>(s.a % model_.layers.size()));
            const std::wstring name = it->first;
            const AcDbLayerAppearance was = it->second;
            AcDbLayerAppearance look = was;
            look.colorIndex = 1 + static_cast<int>(s.b % 255);
            look.off = (s.c & 1) != 0;
            look.frozen = (s.c & 2) != 0 && name != model_.current;
            if (db_->setLayerAppearance(name, look) != Acad::eOk)
                return "a layer change was refused";
            AcDbDatabase* db = db_.get();
            history_->record([db, name, was, look](bool redo) { db->setLayerAppearance(name, redo ? look : was); });
            it->second = look;
            changed(before);
            return {};
        }
        case Step::makeCurrent: {
            auto it = std::next(model_.layers.begin(), static_cast<long>(s.a % model_.layers.size()));
            const std::wstring was = db_->clayer();
            const Acad::ErrorStatus es = db_->setClayer(it->first);
            if (it->second.frozen)
                return es == Acad::eNotApplicable ? std::string() : "a frozen layer was made current";
            if (es != Acad::eOk)
                return "making a layer current was refused";
            const std::wstring now = db_->clayer();
            AcDbDatabase* db = db_.get();
            history_->record([db, was, now](bool redo) { db->setClayer(redo ? now : was); });
            model_.current = it->first;
            changed(before);
            return {};
        }
        case Step::undo: {
            const bool did = history_->undo();
            if (did != !done_.empty())
                return did ? "undo did something the model did not have" : "undo did nothing";
            if (did) {
                undone_.push_back(model_);
                model_ = done_.back();
                done_.pop_back();
            }
            return {};
        }
        case Step::redo: {
            const bool did = history_->redo();
            if (did != !undone_.empty())
                return did ? "redo did something the model did not have" : "redo did nothing";
            if (did) {
                done_.push_back(model_);
                model_ = undone_.back();
                undone_.pop_back();
            }
            return {};
        }
        default: {
            const plotwright::dxf::DxfResult saved = plotwright::dxf::saveDxf(*db_, file_);
            if (!saved.ok())
                return saved.message;
            std::unique_ptr<AcDbDatabase> again;
            const plotwright::dxf::DxfResult read = plotwright::dxf::readDxf(file_, again);
            if (!read.ok())
                return read.message;
            acdbHostApplicationServices()->setWorkingDatabase(again.get());
            history_ = std::make_unique<UndoHistory>(*again);
            db_ = std::move(again);
            done_.clear();
            undone_.clear();
            // A frozen layer read back cannot be current: a drawing names it all the same.
            return {};
        }
        }
    }

    std::string check() const
    {
        std::map<AcDbHandle, Model::Entity> shown;
        db_->forEachEntity([&](const AcDbEntity& e) {
            const auto* p = dynamic_cast<const AcDbPolyline*>(&e);
            shown[e.handle()] = {e.layer(), p ? std::vector<AcGePoint2d>(p->points().begin(), p->points().end())
                                              : std::vector<AcGePoint2d>{}};
        });
        if (shown.size() != model_.entities.size())
            return std::to_string(shown.size()) + " entities where the model has " +
                   std::to_string(model_.entities.size());
        for (const auto& [h, want] : model_.entities) {
            const auto it = shown.find(h);
            if (it == shown.end())
                return "entity " + std::to_string(h) + " is missing";
            if (it->second.layer != want.layer)
                return "entity " + std::to_string(h) + " is on another layer";
            // Turns by 30 degrees round in the last bits, and undo turns back by the inverse.
            const auto near = [](double a, double b) { return std::fabs(a - b) <= 1e-9 * (1.0 + std::fabs(b)); };
            if (it->second.points.size() != want.points.size())
                return "entity " + std::to_string(h) + " has other vertices";
            for (std::size_t i = 0; i < want.points.size(); ++i)
                if (!near(it->second.points[i].x, want.points[i].x) || !near(it->second.points[i].y, want.points[i].y))
                    return "entity " + std::to_string(h) + " is elsewhere";
        }
        const std::vector<AcDbLayerInfo> layers = db_->layers();
        if (layers.size() != model_.layers.size())
            return std::to_string(layers.size()) + " layers where the model has " +
                   std::to_string(model_.layers.size());
        for (const AcDbLayerInfo& l : layers) {
            const auto it = model_.layers.find(l.name);
            if (it == model_.layers.end() || !sameLook(it->second, l.appearance))
                return "layer of another name or look";
        }
        if (db_->clayer() != model_.current)
            return "another current layer";
        if (db_->numOpenObjects() != 0)
            return "an object was left open";
        return {};
    }

    std::string file_;
    std::unique_ptr<AcDbDatabase> db_;
    std::unique_ptr<UndoHistory> history_;
    Model model_;
    std::vector<Model> done_, undone_;
};

std::vector<Step> randomSteps(unsigned seed, int count, int saveEvery)
{
    std::mt19937 random(seed);
    // Erasing about as much as is drawn, so that the drawing stays small enough to be
    // compared whole after every step.
    std::discrete_distribution<int> kind({4, 5, 3, 1, 2, 1, 3, 2, 0, 1, 1, 1, 1, 1});
    std::vector<Step> steps;
    for (int i = 1; i <= count; ++i) {
        const Step::Kind k = i % saveEvery == 0 ? Step::saveAndReopen : static_cast<Step::Kind>(kind(random));
        steps.push_back({k, static_cast<unsigned>(random()), static_cast<unsigned>(random()),
                         static_cast<unsigned>(random())});
    }
    return steps;
}

// The index of the first step that fails, or -1; `fault` says what went wrong.
long firstFailure(const std::vector<Step>& steps, const std::string& folder, std::string& fault)
{
    Soak soak(folder);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        fault = soak.run(steps[i]);
        if (!fault.empty())
            return static_cast<long>(i);
    }
    return -1;
}

// Removes steps (in halving chunks, down to single steps) while the sequence still fails.
std::vector<Step> shrink(std::vector<Step> steps, const std::string& folder)
{
    std::string fault;
    for (std::size_t chunk = steps.size() / 2; chunk >= 1; chunk /= 2) {
        for (std::size_t at = 0; at + chunk <= steps.size();) {
            std::vector<Step> shorter(steps.begin(), steps.begin() + static_cast<long>(at));
            shorter.insert(shorter.end(), steps.begin() + static_cast<long>(at + chunk), steps.end());
            if (firstFailure(shorter, folder, fault) >= 0)
                steps = std::move(shorter);
            else
                at += chunk;
        }
    }
    return steps;
}

int fromEnvironment(const char* name, int fallback)
{
    const char* text = std::getenv(name);
    const int value = text ? std::atoi(text) : 0;
    return value > 0 ? value : fallback;
}

TEST(DocumentSoak, random_edits_undo_redo_and_reopening_match_the_model)
{
    dxftest::TempDir dir;
    const int steps = fromEnvironment("PLOTWRIGHT_SOAK_STEPS", 10000);
    const int seeds = fromEnvironment("PLOTWRIGHT_SOAK_SEEDS", 3);
    for (int seed = 1; seed <= seeds; ++seed) {
        const std::vector<Step> sequence = randomSteps(static_cast<unsigned>(seed), steps, 250);
        std::string fault;
        const long failed = firstFailure(sequence, dir.root(), fault);
        if (failed < 0)
            continue;
        std::vector<Step> prefix(sequence.begin(), sequence.begin() + failed + 1);
        const std::vector<Step> shortest = shrink(prefix, dir.root());
        firstFailure(shortest, dir.root(), fault);
        std::ostringstream text;
        for (const Step& s : shortest)
            text << "\n  " << describe(s);
        ADD_FAILURE() << "seed " << seed << " failed at step " << failed << ": " << fault << "\nshortest sequence ("
                      << shortest.size() << " steps):" << text.str();
    }
}

} // namespace
