// Per-drawing records: one per document, dropped with the document, and no
// notification after the manager itself is gone.

#include "host/data_manager.h"

#include <gtest/gtest.h>

#include <memory>

namespace {
struct Record {
    int value = 0;
};
} // namespace

TEST(data_manager, records_follow_the_documents)
{
    AcApDocManager& documents = *acDocManagerPtr();
    AcApDocument* first = documents.newDocument();
    AcApDocument* second = documents.newDocument();
    {
        AcApDataManager<Record> manager;
        manager.docData(first).value = 1;
        manager.docData().value = 2; // the current document: the newest
        EXPECT_EQ(manager.docData(second).value, 2);
        EXPECT_EQ(manager.size(), 2u);

        ASSERT_EQ(documents.closeDocument(second), Acad::eOk);
        EXPECT_FALSE(manager.hasData(second));
        EXPECT_EQ(manager.docData(first).value, 1) << "the other drawing keeps its record";
    }
    // The manager is gone: closing a document must not reach it.
    EXPECT_EQ(documents.closeDocument(first), Acad::eOk);
}
