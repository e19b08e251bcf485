// The drawing database's contract with its callers: open/close discipline, appending,
// failure injection, undo and the polyline's vertex storage.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "db/database.h"
#include "support/failure_injection.h"
#include "db/entities.h"
#include "db/polyline.h"

namespace {

// Opens *Model_Space of `db` in `mode`; the block table is closed again.
AcDbBlockTableRecord* openModelSpace(AcDbDatabase& db, AcDb::OpenMode mode)
{
    AcDbBlockTable* table = nullptr;
    EXPECT_EQ(db.getSymbolTable(table, AcDb::kForRead), Acad::eOk);
    AcDbBlockTableRecord* record = nullptr;
    EXPECT_EQ(table->getAt(L"*Model_Space", record, mode), Acad::eOk);
    table->close();
    return record;
}

AcDbObjectId appendPolyline(AcDbDatabase& db, std::vector<AcGePoint2d> points)
{
    auto* polyline = new AcDbPolyline;
    for (const AcGePoint2d& p : points)
        polyline->addVertexAt(polyline->numVerts(), p);
    AcDbBlockTableRecord* model = openModelSpace(db, AcDb::kForWrite);
    AcDbObjectId id;
    EXPECT_EQ(model->appendAcDbEntity(id, polyline), Acad::eOk);
    polyline->close();
    model->close();
    return id;
}

int shownEntities(const AcDbDatabase& db)
{
    int count = 0;
    db.forEachEntity([&](const AcDbEntity&) { ++count; });
    return count;
}

struct OpenConflict {
    const char* name;
    AcDb::OpenMode first;
    AcDb::OpenMode second;
    Acad::ErrorStatus expected;
};

TEST(database_open, second_open_follows_the_first)
{
    const OpenConflict rows[] = {
        {"two readers", AcDb::kForRead, AcDb::kForRead, Acad::eOk},
        {"writer after reader", AcDb::kForRead, AcDb::kForWrite, Acad::eWasOpenedForRead},
        {"reader after writer", AcDb::kForWrite, AcDb::kForRead, Acad::eWasOpenedForWrite},
        {"two writers", AcDb::kForWrite, AcDb::kForWrite, Acad::eWasOpenedForWrite},
        {"notify beside writer", AcDb::kForWrite, AcDb::kForNotify, Acad::eOk},
        {"writer after notify", AcDb::kForNotify, AcDb::kForWrite, Acad::eWasOpenedForNotify},
    };
    for (const OpenConflict& row : rows) {
        SCOPED_TRACE(row.name);
        AcDbDatabase db;
        const AcDbObjectId id = appendPolyline(db, {{1, 2}});
        AcDbEntity* first = nullptr;
        ASSERT_EQ(acdbOpenAcDbEntity(first, id, row.first), Acad::eOk);
        AcDbEntity* second = nullptr;
        EXPECT_EQ(acdbOpenAcDbEntity(second, id, row.second), row.expected);
        EXPECT_EQ(db.numOpenObjects(), 1);
        if (second)
            second->close();
        first->close();
        EXPECT_EQ(db.numOpenObjects(), 0);
        // Closed once more than opened: reported, the count stays right.
        EXPECT_EQ(first->close(), Acad::eNotOpenForRead);
        EXPECT_EQ(db.numOpenObjects(), 0);
    }
}

TEST(database_open, block_table_and_record_follow_the_discipline)
{
    AcDbDatabase db;
    AcDbBlockTable* table = nullptr;
    ASSERT_EQ(db.getSymbolTable(table, AcDb::kForWrite), Acad::eOk);
    AcDbBlockTable* again = nullptr;
    EXPECT_EQ(db.getSymbolTable(again, AcDb::kForRead), Acad::eWasOpenedForWrite);
    EXPECT_EQ(again, nullptr);
    table->close();

    ASSERT_EQ(db.getSymbolTable(table, AcDb::kForRead), Acad::eOk);
    AcDbBlockTableRecord* model = nullptr;
    ASSERT_EQ(table->getAt(L"*Model_Space", model, AcDb::kForWrite), Acad::eOk);
    AcDbBlockTableRecord* other = nullptr;
    EXPECT_EQ(table->getAt(L"*Model_Space", other, AcDb::kForRead), Acad::eWasOpenedForWrite);
    EXPECT_EQ(db.numOpenObjects(), 2);
    model->close();
    table->close();
    EXPECT_EQ(db.numOpenObjects(), 0);

    // getAt needs the table open.
    EXPECT_EQ(table->getAt(L"*Model_Space", model, AcDb::kForRead), Acad::eNotOpenForRead);
}

TEST(database_open, block_names_ignore_case)
{
    AcDbDatabase db;
    AcDbBlockTable* table = nullptr;
    ASSERT_EQ(db.getSymbolTable(table, AcDb::kForRead), Acad::eOk);
    const struct {
        const wchar_t* name;
        Acad::ErrorStatus expected;
    } rows[] = {{L"*Model_Space", Acad::eOk}, {L"*MODEL_SPACE", Acad::eOk}, {L"*model_space", Acad::eOk},
                {L"*Paper_Space", Acad::eOk}, {L"*Model_Spac", Acad::eKeyNotFound},
                {L"*Model_Space ", Acad::eKeyNotFound}, {L"", Acad::eKeyNotFound}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "name \"" << std::string(row.name, row.name + wcslen(row.name)) << "\"");
        AcDbBlockTableRecord* record = nullptr;
        EXPECT_EQ(table->getAt(row.name, record, AcDb::kForRead), row.expected);
        if (record)
            record->close();
    }
    table->close();
}

TEST(database_append, entity_stays_open_until_closed_and_belongs_to_model_space)
{
    AcDbDatabase db;
    AcDbBlockTableRecord* model = openModelSpace(db, AcDb::kForWrite);
    auto* polyline = new AcDbPolyline;
    polyline->addVertexAt(0, {5, 7});
    AcDbObjectId id;
    ASSERT_EQ(model->appendAcDbEntity(id, polyline), Acad::eOk);
    model->close();
    EXPECT_FALSE(id.isNull());
    EXPECT_EQ(polyline->objectId(), id);
    EXPECT_EQ(polyline->ownerId(), model->objectId());
    EXPECT_TRUE(polyline->isWriteEnabled());
    EXPECT_EQ(db.numOpenObjects(), 1);
    EXPECT_EQ(polyline->close(), Acad::eOk);
    EXPECT_EQ(db.numOpenObjects(), 0);
    // Closed, it refuses changes until opened for write again.
    EXPECT_EQ(polyline->addVertexAt(1, {1, 1}), Acad::eNotOpenForWrite);
    EXPECT_EQ(polyline->numVerts(), 1u);
    EXPECT_TRUE(db.isModified());
}

TEST(database_append, refusals_leave_the_entity_with_the_caller)
{
    AcDbDatabase db;
    AcDbDatabase other;
    const AcDbObjectId resident = appendPolyline(other, {{0, 0}});
    AcDbEntity* residentEntity = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(residentEntity, resident, AcDb::kForRead), Acad::eOk);

    AcDbBlockTableRecord* readOnly = openModelSpace(db, AcDb::kForRead);
    auto polyline = std::make_unique<AcDbPolyline>();
    AcDbObjectId id;
    EXPECT_EQ(readOnly->appendAcDbEntity(id, polyline.get()), Acad::eNotOpenForWrite);
    readOnly->close();

    AcDbBlockTableRecord* model = openModelSpace(db, AcDb::kForWrite);
    EXPECT_EQ(model->appendAcDbEntity(id, nullptr), Acad::eNullEntityPointer);
    EXPECT_EQ(model->appendAcDbEntity(id, residentEntity), Acad::eAlreadyInDb);
    EXPECT_TRUE(id.isNull());
    model->close();
    residentEntity->close();
    EXPECT_EQ(db.numOpenObjects(), 0);
    EXPECT_EQ(shownEntities(db), 0);
    // `polyline` is still ours: the unique_ptr deletes it (the sanitizer build sees a double delete).
    EXPECT_EQ(polyline->database(), nullptr);
}

TEST(database_failure_injection, each_call_fails_with_the_chosen_status_and_opens_nothing)
{
    using Field = Acad::ErrorStatus plotwright::testing::FailureInjection::*;
    const struct {
        const char* name;
        Field field;
        Acad::ErrorStatus status;
    } rows[] = {
        {"block table", &plotwright::testing::FailureInjection::getSymbolTable, Acad::eFileAccessErr},
        {"model space", &plotwright::testing::FailureInjection::getAt, Acad::eKeyNotFound},
        {"append", &plotwright::testing::FailureInjection::appendAcDbEntity, Acad::eOutOfMemory},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        AcDbDatabase db;
        plotwright::testing::FailureInjection faults;
        db.setFaultHook(&faults);
        faults.*row.field = row.status;
        auto polyline = std::make_unique<AcDbPolyline>();
        Acad::ErrorStatus result = Acad::eOk;
        AcDbBlockTable* table = nullptr;
        result = db.getSymbolTable(table, AcDb::kForRead);
        if (table) {
            AcDbBlockTableRecord* model = nullptr;
            result = table->getAt(L"*Model_Space", model, AcDb::kForWrite);
            if (model) {
                AcDbObjectId id;
                result = model->appendAcDbEntity(id, polyline.get());
                EXPECT_TRUE(id.isNull());
                model->close();
            }
            table->close();
        }
        EXPECT_EQ(result, row.status);
        EXPECT_EQ(db.numOpenObjects(), 0);
        EXPECT_EQ(polyline->database(), nullptr);
        EXPECT_EQ(shownEntities(db), 0);

        faults.clear();
        appendPolyline(db, {{1, 1}});
        EXPECT_EQ(shownEntities(db), 1);
    }
}

TEST(database_undo, undo_to_mark_erases_what_came_after)
{
    AcDbDatabase db;
    appendPolyline(db, {{0, 0}});
    const std::size_t mark = db.undoMark();
    const AcDbObjectId second = appendPolyline(db, {{1, 1}});
    const AcDbObjectId third = appendPolyline(db, {{2, 2}});
    EXPECT_EQ(shownEntities(db), 3);

    AcDbEntity* open = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(open, second, AcDb::kForRead), Acad::eOk);
    // The open one blocks; what came after it is already undone.
    EXPECT_EQ(db.undoToMark(mark), Acad::eWasOpenedForRead);
    EXPECT_EQ(shownEntities(db), 2);
    open->close();
    EXPECT_EQ(db.undoToMark(mark), Acad::eOk);
    EXPECT_EQ(shownEntities(db), 1);

    AcDbEntity* erased = nullptr;
    EXPECT_EQ(acdbOpenAcDbEntity(erased, third, AcDb::kForRead), Acad::eWasErased);
    EXPECT_EQ(acdbOpenAcDbEntity(erased, third, AcDb::kForRead, true), Acad::eOk);
    erased->close();
    EXPECT_EQ(db.undoLastAppend(), Acad::eOk);
    EXPECT_EQ(shownEntities(db), 0);
    EXPECT_EQ(db.undoLastAppend(), Acad::eOk);
}

TEST(database_erase, closed_entities_are_erased_and_restored_by_id)
{
    AcDbDatabase db;
    const AcDbObjectId first = appendPolyline(db, {{0, 0}});
    appendPolyline(db, {{1, 1}});
    db.setModified(false);
    EXPECT_EQ(db.eraseEntity(first), Acad::eOk);
    EXPECT_EQ(shownEntities(db), 1);
    EXPECT_TRUE(db.isModified());
    EXPECT_EQ(db.eraseEntity(first, false), Acad::eOk);
    EXPECT_EQ(shownEntities(db), 2);

    AcDbEntity* open = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(open, first, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(db.eraseEntity(first), Acad::eWasOpenedForRead);
    open->close();

    AcDbDatabase other;
    EXPECT_EQ(db.eraseEntity(AcDbObjectId(&other, first.handle())), Acad::eUnknownHandle);
    EXPECT_EQ(db.eraseEntity(AcDbObjectId::kNull), Acad::eUnknownHandle);
    EXPECT_EQ(db.eraseEntity(db.blockTableId()), Acad::eNotThatKindOfClass);
    EXPECT_EQ(shownEntities(db), 2);
}

TEST(database_erase, every_change_of_the_erased_state_is_logged_in_order)
{
    AcDbDatabase db;
    const AcDbObjectId first = appendPolyline(db, {{0, 0}});
    const std::size_t mark = db.eraseMark();
    const AcDbObjectId second = appendPolyline(db, {{1, 1}});
    const std::size_t appended = db.undoMark();
    const AcDbObjectId third = appendPolyline(db, {{2, 2}});
    EXPECT_EQ(db.eraseEntity(first), Acad::eOk);
    EXPECT_EQ(db.eraseEntity(first), Acad::eOk);  // no change, no entry
    AcDbEntity* open = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(open, second, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(open->erase(), Acad::eOk);
    open->close();
    EXPECT_EQ(db.undoToMark(appended), Acad::eOk);
    EXPECT_EQ(db.eraseEntity(first, false), Acad::eOk);

    std::vector<std::pair<AcDbHandle, bool>> log;
    for (const AcDbDatabase::EraseChange& c : db.eraseChangesSince(mark))
        log.emplace_back(c.handle, c.erased);
    EXPECT_EQ(log, (std::vector<std::pair<AcDbHandle, bool>>{
                       {first.handle(), true}, {second.handle(), true}, {third.handle(), true}, {first.handle(), false}}));
    EXPECT_TRUE(db.eraseChangesSince(db.eraseMark()).empty());
}

TEST(database_layers, names_duplicates_current_and_taking_back)
{
    AcDbDatabase db;
    const struct {
        const char* name;
        std::wstring layer;
        Acad::ErrorStatus status;
    } rows[] = {
        {"new layer", L"Curves", Acad::eOk},
        {"same name in other case", L"CURVES", Acad::eDuplicateKey},
        {"layer 0 exists in a new drawing", L"0", Acad::eDuplicateKey},
        {"empty name", L"", Acad::eInvalidInput},
        {"name with a slash", L"a/b", Acad::eInvalidInput},
        {"name with a backquote", L"a`b", Acad::eInvalidInput},
        {"name with blanks and non-ASCII letters", L"Kurven \u00e4", Acad::eOk},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(db.addLayer(row.layer, {}), row.status);
    }
    EXPECT_EQ(db.clayer(), L"0");
    const AcDbHandle seed = db.handseed();
    ASSERT_EQ(db.addLayer(L"Cold", {4, -1, false, true}), Acad::eOk);
    EXPECT_EQ(db.layer(L"cold")->handle, seed);  // from the handle seed, which moves on
    EXPECT_EQ(db.handseed(), seed + 1);
    EXPECT_EQ(db.setClayer(L"Cold"), Acad::eNotApplicable);
    EXPECT_EQ(db.setClayer(L"Nowhere"), Acad::eKeyNotFound);
    ASSERT_EQ(db.setClayer(L"curves"), Acad::eOk);
    EXPECT_EQ(db.clayer(), L"Curves");  // as the layer writes its name
    // Only layers added here and not current can be taken back.
    EXPECT_EQ(db.removeLayer(L"Curves"), Acad::eNotApplicable);
    EXPECT_EQ(db.removeLayer(L"0"), Acad::eNotApplicable);
    EXPECT_EQ(db.removeLayer(L"Cold"), Acad::eOk);
    EXPECT_EQ(db.layer(L"Cold"), nullptr);
    // New entities take the current layer.
    AcDbLine line({0, 0, 0}, {1, 1, 0});
    line.setDatabaseDefaults(&db);
    EXPECT_EQ(line.layer(), L"Curves");
}

TEST(database_move, kinds_that_move_and_exact_displacements)
{
    AcDbDatabase db;
    const AcDbObjectId line = [&] {
        AcDbBlockTableRecord* model = openModelSpace(db, AcDb::kForWrite);
        AcDbObjectId id;
        auto* l = new AcDbLine({0.1, 0.2, 0}, {1, 1, 0});
        EXPECT_EQ(model->appendAcDbEntity(id, l), Acad::eOk);
        l->close();
        model->close();
        return id;
    }();
    ASSERT_EQ(db.displaceEntity(line, {0.7, -0.3, 5}), Acad::eOk);
    ASSERT_EQ(db.displaceEntity(line, {1.9, 0.4, 0}), Acad::eOk);
    ASSERT_EQ(db.displaceEntity(line, {0, 0, 0}), Acad::eOk);
    AcDbLine* l = nullptr;
    ASSERT_EQ(acdbOpenObject(l, line, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(l->displacement(), (AcGeVector3d{0, 0, 0}));
    EXPECT_NEAR(l->startPoint().x, 0.1, 1e-15);
    EXPECT_EQ(l->startPoint().z, 0.0);  // moves stay in the XY plane
    EXPECT_EQ(db.displaceEntity(line, {1, 1, 0}), Acad::eWasOpenedForRead);
    l->close();

    // Kinds whose own plane is not the world's do not move.
    const struct {
        const char* name;
        AcDbEntity* entity;
        bool movable;
    } rows[] = {
        {"circle seen from below", new AcDbCircle({0, 0, 0}, 1, {0, 0, -1}), false},
        {"circle in the plane", new AcDbCircle({0, 0, 0}, 1, {0, 0, 1}), true},
        {"construction line", new AcDbXline({0, 0, 0}, {1, 0, 0}, false), false},
        {"spline", new AcDbSpline(AcDbSplineData{}), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.entity->isMovable(), row.movable);
        EXPECT_EQ(row.entity->moveBy({1, 2, 0}), row.movable ? Acad::eOk : Acad::eNotApplicable);
        delete row.entity;
    }
}

TEST(database_iterator, walks_in_order_and_skips_erased)
{
    AcDbDatabase db;
    std::vector<AcDbObjectId> ids;
    for (int i = 0; i < 4; ++i)
        ids.push_back(appendPolyline(db, {{double(i), 0}}));
    AcDbEntity* e = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(e, ids[1], AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(e->erase(), Acad::eOk);
    e->close();

    AcDbBlockTableRecord* model = openModelSpace(db, AcDb::kForRead);
    AcDbBlockTableRecordIterator* it = nullptr;
    model->newIterator(it);
    std::vector<AcDbObjectId> seen;
    for (it->start(); !it->done(); it->step()) {
        AcDbEntity* entity = nullptr;
        ASSERT_EQ(it->getEntity(entity, AcDb::kForRead), Acad::eOk);
        seen.push_back(entity->objectId());
        entity->close();
    }
    delete it;
    model->close();
    EXPECT_EQ(seen, (std::vector<AcDbObjectId>{ids[0], ids[2], ids[3]}));
    EXPECT_EQ(db.numOpenObjects(), 0);
}

TEST(database_ids, handles_are_unique_and_found_again)
{
    AcDbDatabase db;
    const AcDbObjectId a = appendPolyline(db, {{0, 0}});
    const AcDbObjectId b = appendPolyline(db, {{0, 0}});
    EXPECT_NE(a, b);
    EXPECT_LT(a.handle(), b.handle());
    EXPECT_GT(db.handseed(), b.handle());
    AcDbObjectId found;
    EXPECT_EQ(db.getAcDbObjectId(found, false, b.handle()), Acad::eOk);
    EXPECT_EQ(found, b);
    EXPECT_EQ(db.getAcDbObjectId(found, false, db.handseed()), Acad::eUnknownHandle);
    AcDbObject* none = nullptr;
    EXPECT_EQ(acdbOpenObject(none, AcDbObjectId::kNull, AcDb::kForRead), Acad::eNullObjectId);
    AcDbLine* notALine = nullptr;
    EXPECT_EQ(acdbOpenObject(notALine, a, AcDb::kForRead), Acad::eNotThatKindOfClass);
    EXPECT_EQ(db.numOpenObjects(), 0);
}

TEST(database_working, destroyed_working_database_is_no_longer_working)
{
    auto db = std::make_unique<AcDbDatabase>();
    acdbHostApplicationServices()->setWorkingDatabase(db.get());
    EXPECT_EQ(acdbHostApplicationServices()->workingDatabase(), db.get());
    db.reset();
    EXPECT_EQ(acdbHostApplicationServices()->workingDatabase(), nullptr);
}

TEST(polyline_vertices, first_vertex_keeps_its_bulge_and_widths)
{
    AcDbPolyline pl;
    ASSERT_EQ(pl.addVertexAt(0, {0, 0}, 0.5, 0.25, 0.75), Acad::eOk);
    pl.addVertexAt(1, {1, 0});
    double bulge = 9, start = 9, end = 9;
    pl.getBulgeAt(0, bulge);
    pl.getWidthsAt(0, start, end);
    EXPECT_EQ(bulge, 0.5);
    EXPECT_EQ(start, 0.25);
    EXPECT_EQ(end, 0.75);
    pl.getBulgeAt(1, bulge);
    pl.getWidthsAt(1, start, end);
    EXPECT_EQ(bulge, 0.0);
    EXPECT_EQ(start, -1.0);
    EXPECT_EQ(end, -1.0);
}

TEST(polyline_vertices, insertion_keeps_bulges_and_widths_with_their_vertex)
{
    AcDbPolyline pl;
    pl.addVertexAt(0, {0, 0});
    pl.addVertexAt(1, {2, 0});
    EXPECT_FALSE(pl.hasBulges());
    EXPECT_FALSE(pl.hasWidths());
    // Inserted in the middle, with a bulge and widths: the others keep their defaults.
    ASSERT_EQ(pl.addVertexAt(1, {1, 1}, 0.5, 0.25, 0.75), Acad::eOk);
    EXPECT_EQ(pl.addVertexAt(5, {9, 9}), Acad::eInvalidIndex);
    ASSERT_EQ(pl.numVerts(), 3u);
    const struct {
        AcGePoint2d point;
        double bulge, start, end;
    } expected[] = {{{0, 0}, 0.0, -1.0, -1.0}, {{1, 1}, 0.5, 0.25, 0.75}, {{2, 0}, 0.0, -1.0, -1.0}};
    for (unsigned int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        AcGePoint2d p;
        double bulge = 9, start = 9, end = 9;
        ASSERT_EQ(pl.getPointAt(i, p), Acad::eOk);
        pl.getBulgeAt(i, bulge);
        pl.getWidthsAt(i, start, end);
        EXPECT_EQ(p, expected[i].point);
        EXPECT_EQ(bulge, expected[i].bulge);
        EXPECT_EQ(start, expected[i].start);
        EXPECT_EQ(end, expected[i].end);
    }
    AcGePoint2d p;
    EXPECT_EQ(pl.getPointAt(3, p), Acad::eInvalidIndex);
    ASSERT_EQ(pl.removeVertexAt(1), Acad::eOk);
    double bulge = 9;
    pl.getBulgeAt(1, bulge);
    EXPECT_EQ(bulge, 0.0);
}

} // namespace
