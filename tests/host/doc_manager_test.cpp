// The document manager: current document, working database, reactors, graphics flush.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "db/database.h"
#include "host/doc_manager.h"
#include "support/dxf_check.h"
#include "support/recording_backend.h"

namespace {

class LogReactor : public AcApDocManagerReactor {
public:
    std::vector<std::string> log;
    void documentCreated(AcApDocument* d) override { log.push_back("created " + d->docTitle()); }
    void documentToBeDestroyed(AcApDocument* d) override { log.push_back("destroyed " + d->docTitle()); }
    void documentActivated(AcApDocument* d) override { log.push_back("activated " + d->docTitle()); }
};

// Closes whatever a test left open, so that tests do not see each other's documents.
class DocManagerTest : public testing::Test {
protected:
    void TearDown() override
    {
        while (acDocManagerPtr()->documentCount() > 0)
            acDocManagerPtr()->closeDocument(acDocManagerPtr()->document(0));
    }
};

TEST_F(DocManagerTest, current_document_sets_the_working_database_and_tells_reactors)
{
    AcApDocManager* manager = acDocManagerPtr();
    LogReactor reactor;
    manager->addReactor(&reactor);
    manager->addReactor(&reactor);  // once is enough

    AcApDocument* first = manager->newDocument();
    AcApDocument* second = manager->newDocument();
    EXPECT_NE(first->docTitle(), second->docTitle());
    EXPECT_EQ(manager->curDocument(), second);
    EXPECT_EQ(acdbHostApplicationServices()->workingDatabase(), second->database());

    EXPECT_EQ(manager->setCurDocument(first), Acad::eOk);
    EXPECT_EQ(manager->setCurDocument(first), Acad::eOk);  // no second activation
    EXPECT_EQ(acdbHostApplicationServices()->workingDatabase(), first->database());

    // Closing the current one makes the last other one current.
    EXPECT_EQ(manager->closeDocument(first), Acad::eOk);
    EXPECT_EQ(manager->curDocument(), second);
    EXPECT_EQ(acdbHostApplicationServices()->workingDatabase(), second->database());
    const std::string title1 = reactor.log[0].substr(8);
    const std::string title2 = second->docTitle();
    EXPECT_EQ(manager->closeDocument(second), Acad::eOk);
    EXPECT_EQ(manager->curDocument(), nullptr);
    EXPECT_EQ(acdbHostApplicationServices()->workingDatabase(), nullptr);
    EXPECT_EQ(manager->closeDocument(second), Acad::eInvalidInput);
    manager->removeReactor(&reactor);

    const std::vector<std::string> expected = {
        "created " + title1,   "activated " + title1, "created " + title2,   "activated " + title2,
        "activated " + title1, "destroyed " + title1, "activated " + title2, "destroyed " + title2,
    };
    EXPECT_EQ(reactor.log, expected);
}

TEST_F(DocManagerTest, flush_graphics_reaches_the_backend)
{
    plotwright::host::RecordingBackend recording;
    plotwright::host::ScopedBackend scoped(recording);
    acDocManagerPtr()->newDocument();
    acDocManagerPtr()->curDocument()->transactionManager()->flushGraphics();
    EXPECT_EQ(recording.kinds(), std::vector{plotwright::host::RecordingBackend::Kind::FlushGraphics});
}

TEST_F(DocManagerTest, open_refused_changes_nothing_and_save_as_renames)
{
    dxftest::TempDir dir;
    AcApDocManager* manager = acDocManagerPtr();
    AcApDocument* document = nullptr;
    const std::string missing = dir.file("missing.dxf");
    const plotwright::dxf::DxfResult refused = manager->openDocument(missing, document);
    EXPECT_EQ(refused.status, plotwright::dxf::DxfStatus::fileAccess);
    EXPECT_EQ(refused.message, "Cannot open \"" + missing + "\": the file does not exist.");
    EXPECT_EQ(document, nullptr);
    EXPECT_EQ(manager->documentCount(), 0);

    AcApDocument* fresh = manager->newDocument();
    EXPECT_EQ(fresh->save().status, plotwright::dxf::DxfStatus::fileAccess);
    const std::string path = dir.file("saved.dxf");
    ASSERT_TRUE(fresh->saveAs(path).ok());
    EXPECT_EQ(fresh->fileName(), path);
    EXPECT_EQ(fresh->docTitle(), "saved.dxf");
    EXPECT_FALSE(fresh->isModified());

    ASSERT_TRUE(manager->openDocument(path, document).ok());
    EXPECT_EQ(manager->curDocument(), document);
    EXPECT_EQ(document->docTitle(), "saved.dxf");
    EXPECT_FALSE(document->isModified());
}

// The editor's documents save only over the file they came from: a drawing changed on
// disk by another program since it was opened (or last saved) is not overwritten.
TEST_F(DocManagerTest, save_refuses_a_drawing_changed_on_disk)
{
    dxftest::TempDir dir;
    AcApDocManager* manager = acDocManagerPtr();
    const std::string path = dir.file("shared.dxf");
    AcApDocument* fresh = manager->newDocument();
    ASSERT_TRUE(fresh->saveAs(path).ok());

    struct Row {
        const char* name;
        bool openIt;  // open the file, or keep the document that saved it
    } rows[] = {{"document saved as the file", false}, {"opened document", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AcApDocument* document = fresh;
        if (row.openIt) {
            ASSERT_TRUE(manager->openDocument(path, document).ok());
        }
        // Saving again and again is fine while nobody else writes.
        ASSERT_TRUE(document->save().ok());
        ASSERT_TRUE(document->saveAs(path).ok());

        const std::string theirs = dxftest::readFile(path) + "999\nTHEIRS\n";
        dxftest::writeFile(path, theirs);
        const plotwright::dxf::DxfResult refused = document->save();
        EXPECT_EQ(refused.status, plotwright::dxf::DxfStatus::writeFailed);
        EXPECT_EQ(refused.message, "Cannot save \"" + path
                                       + "\": another program changed the file after it was read; nothing was written.");
        EXPECT_EQ(dxftest::readFile(path), theirs);
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"shared.dxf"});
        // Saving it elsewhere is still possible, and a new choice of that file.
        ASSERT_TRUE(document->saveAs(dir.file("mine.dxf")).ok());
        ASSERT_TRUE(document->saveAs(path).ok());
        std::filesystem::remove(dir.file("mine.dxf"));
    }
}

} // namespace
