// What a drawing holds, through the programs' own words: every call answers yes or no,
// refuses what cannot be done without changing anything, and leaves nothing open.
#include <gtest/gtest.h>

#include "core/drawing_contents.h"

#include <memory>
#include <string>

namespace {

using namespace plotwright::core;

// A drawing with two lines on layer "0" and a text on layer "T" (handles returned in order).
struct Sample {
    DrawingData drawing;
    Handle first = 0, second = 0, text = 0;
    Sample()
    {
        EXPECT_TRUE(addLayer(drawing, L"T", {}));
        ModelSpaceAppender space(drawing);
        EXPECT_TRUE(space.isOpen());
        std::unique_ptr<Entity> a = std::make_unique<LineEntity>(Point3{0, 0, 0}, Point3{1, 0, 0});
        std::unique_ptr<Entity> b = std::make_unique<LineEntity>(Point3{0, 0, 0}, Point3{0, 1, 0});
        std::unique_ptr<Entity> t = std::make_unique<AcDbText>(AcDbTextProps{});
        t->setAppearance(L"T", 3, -1);
        first = space.append(a);
        second = space.append(b);
        text = space.append(t);
    }
};

TEST(DrawingContents, readers_see_shown_entities_only_and_close_them)
{
    Sample s;
    ASSERT_TRUE(eraseEntity(s.drawing, s.second));
    const struct {
        const char* name;
        Handle handle;
        bool found;
    } rows[] = {
        {"a line", s.first, true},
        {"erased", s.second, false},
        {"no entity has it", s.text + 100, false},
        {"the null handle", 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        {
            const EntityReader entity(s.drawing, row.handle);
            EXPECT_EQ(static_cast<bool>(entity), row.found);
            EXPECT_EQ(hasEntity(s.drawing, row.handle), row.found);
            if (entity) {
                EXPECT_EQ(entity->handle(), row.handle);
            }
        }
        EXPECT_EQ(s.drawing.numOpenObjects(), 0);
    }
    // Brought back, it can be read again.
    ASSERT_TRUE(eraseEntity(s.drawing, s.second, false));
    EXPECT_TRUE(hasEntity(s.drawing, s.second));
    // A reader can tell the kind it holds.
    const EntityReader text(s.drawing, s.text);
    EXPECT_EQ(text.as<LineEntity>(), nullptr);
    EXPECT_NE(text.as<AcDbText>(), nullptr);
}

TEST(DrawingContents, changes_by_handle_refuse_without_changing_anything)
{
    Sample s;
    const Placement turn = Placement::rotation({0, 0, 0}, 90.0);
    const Placement shift = Placement::translation(2.0, 3.0);
    const EntityAppearance onT{L"T", 5, -1};
    const EntityAppearance onMissing{L"no such layer", 5, -1};
    const struct {
        const char* name;
        bool (*change)(Sample&, const Placement&, const EntityAppearance&);
        bool done;
    } rows[] = {
        {"turn a line", [](Sample& x, const Placement& p, const EntityAppearance&) { return placeEntity(x.drawing, x.first, p); },
         true},
        {"turn a text", [](Sample& x, const Placement& p, const EntityAppearance&) { return placeEntity(x.drawing, x.text, p); },
         false},
        {"turn nothing", [](Sample& x, const Placement& p, const EntityAppearance&) { return placeEntity(x.drawing, 999, p); },
         false},
        {"a layer it has", [](Sample& x, const Placement&, const EntityAppearance& a) {
             return setEntityAppearance(x.drawing, x.first, a); }, true},
        {"erase nothing", [](Sample& x, const Placement&, const EntityAppearance&) { return eraseEntity(x.drawing, 999); },
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Sample fresh;
        EXPECT_EQ(row.change(fresh, turn, onT), row.done);
        EXPECT_EQ(fresh.drawing.numOpenObjects(), 0);
    }
    // What a refusal leaves: the entity as it was.
    EXPECT_FALSE(setEntityAppearance(s.drawing, s.first, onMissing));
    EXPECT_FALSE(placeEntity(s.drawing, s.text, turn));
    {
        const EntityReader line(s.drawing, s.first);
        EXPECT_EQ(line->layer(), L"0");
        const EntityReader text(s.drawing, s.text);
        EXPECT_TRUE(text->placement().isIdentity());
    }
    // A text can move, and an entity open for reading cannot change.
    EXPECT_TRUE(placeEntity(s.drawing, s.text, shift));
    const EntityReader held(s.drawing, s.first);
    EXPECT_FALSE(eraseEntity(s.drawing, s.first));
    EXPECT_FALSE(placeEntity(s.drawing, s.first, shift));
}

TEST(DrawingContents, model_space_takes_entities_as_they_are)
{
    Sample s;
    ASSERT_TRUE(setCurrentLayer(s.drawing, L"T"));
    Handle copy = 0;
    {
        ModelSpaceAppender space(s.drawing);
        ASSERT_TRUE(space.isOpen());
        // Model space is open for writing meanwhile: a second appender is refused.
        ModelSpaceAppender second(s.drawing);
        EXPECT_FALSE(second.isOpen());
        std::unique_ptr<Entity> refused = std::make_unique<LineEntity>(Point3{}, Point3{1, 1, 0});
        EXPECT_EQ(second.append(refused), 0u);
        EXPECT_NE(refused, nullptr) << "a refused entity stays the caller's";

        std::unique_ptr<Entity> line = std::make_unique<LineEntity>(Point3{}, Point3{1, 1, 0});
        line->setAppearance(L"0", 1, -1);
        ASSERT_TRUE(placeNewEntity(*line, Placement::rotation({}, 90.0)));
        copy = space.append(line);
        EXPECT_EQ(line, nullptr);
        std::unique_ptr<Entity> none;
        EXPECT_EQ(space.append(none), 0u);
    }
    EXPECT_EQ(s.drawing.numOpenObjects(), 0);
    EXPECT_GT(copy, s.text);
    const EntityReader line(s.drawing, copy);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->layer(), L"0") << "not moved to the current layer";
    EXPECT_EQ(line->colorIndex(), 1);
    EXPECT_EQ(line.as<LineEntity>()->endPoint(), (Point3{-1, 1, 0}));
    // A new text cannot be turned.
    AcDbText text(AcDbTextProps{});
    EXPECT_FALSE(placeNewEntity(text, Placement::rotation({}, 30.0)));
}

TEST(DrawingContents, layers_say_why_they_refuse)
{
    DrawingData drawing;
    const struct {
        const char* name;
        std::wstring layer;
        bool added;
        bool duplicate;
    } rows[] = {
        {"new", L"A", true, false},
        {"again, in other case", L"a", false, true},
        {"a name a drawing cannot hold", L"a<b", false, false},
        {"empty", L"", false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        bool duplicate = !row.duplicate;
        EXPECT_EQ(addLayer(drawing, row.layer, {}, &duplicate), row.added);
        EXPECT_EQ(duplicate, row.duplicate);
    }
    LayerAppearance frozen;
    frozen.frozen = true;
    ASSERT_TRUE(setLayerAppearance(drawing, L"A", frozen));
    EXPECT_FALSE(setLayerAppearance(drawing, L"missing", frozen));
    bool wasFrozen = false;
    EXPECT_FALSE(setCurrentLayer(drawing, L"A", &wasFrozen));
    EXPECT_TRUE(wasFrozen);
    EXPECT_FALSE(setCurrentLayer(drawing, L"missing", &wasFrozen));
    EXPECT_FALSE(wasFrozen);
    EXPECT_EQ(drawing.clayer(), L"0");
    // A layer added here can be taken back; the current one cannot.
    EXPECT_TRUE(removeLayer(drawing, L"A"));
    EXPECT_EQ(drawing.layer(L"A"), nullptr);
    EXPECT_FALSE(removeLayer(drawing, L"0"));
}

} // namespace
