#pragma once
// Per-drawing data of a module: one T per open document, made on first use and
// dropped when the document manager reports that the document is about to go.
// The manager listens to the document manager from construction to destruction.

#include "host/doc_manager.h"

#include <cstddef>
#include <map>

template <class T>
class AcApDataManager : public AcApDocManagerReactor {
public:
    AcApDataManager() { acDocManagerPtr()->addReactor(this); }
    ~AcApDataManager() override { acDocManagerPtr()->removeReactor(this); }
    AcApDataManager(const AcApDataManager&) = delete;
    AcApDataManager& operator=(const AcApDataManager&) = delete;

    // The record of the current document (of "no document" while none is open).
    T& docData() { return docData(acDocManagerPtr()->curDocument()); }
    T& docData(AcApDocument* document) { return m_dataMap[document]; }
    bool hasData(AcApDocument* document) const { return m_dataMap.count(document) != 0; }
    std::size_t size() const { return m_dataMap.size(); }

    void documentToBeDestroyed(AcApDocument* document) override { m_dataMap.erase(document); }

private:
    std::map<AcApDocument*, T> m_dataMap;
};
