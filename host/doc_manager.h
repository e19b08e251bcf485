#pragma once
// Open drawings (documents), the current one, and the reactors told when documents
// come, go and are activated. Making a document current makes its database the
// working database.

#include <memory>
#include <string>
#include <vector>

#include "db/acad_status.h"
#include "dxf/file.h"

class AcDbDatabase;
class AcApDocManager;

// The document's graphics pipeline: flushing hands pending graphics to the display.
class AcTransactionManager {
public:
    // Forwards to the installed back-end's flushGraphics().
    void flushGraphics();
};

class AcApDocument {
public:
    ~AcApDocument();
    AcApDocument(const AcApDocument&) = delete;
    AcApDocument& operator=(const AcApDocument&) = delete;

    AcDbDatabase* database() const { return database_.get(); }
    // UTF-8 path of the drawing file; empty for a new drawing not yet saved.
    const std::string& fileName() const { return fileName_; }
    // The file's name without folder, or "Drawing<n>.dxf" for a new drawing.
    const std::string& docTitle() const { return title_; }
    bool isModified() const;
    AcTransactionManager* transactionManager() { return &transactions_; }

    // Saves to fileName() (a new drawing without file name: fileAccess failure). Refused
    // when another program changed, replaced or removed the file since it was opened or
    // last saved: nothing is overwritten.
    plotwright::dxf::DxfResult save();
    // Saves to `path`; on success the document takes that file name and title. The same
    // path as fileName() is a save().
    plotwright::dxf::DxfResult saveAs(const std::string& path);

private:
    friend class AcApDocManager;
    AcApDocument(std::unique_ptr<AcDbDatabase> database, std::string fileName, std::string title);

    std::unique_ptr<AcDbDatabase> database_;
    std::string fileName_;
    std::string title_;
    // The file as it was opened or last saved (exists false: not known), and the lock of
    // a document opened for update.
    plotwright::base::FileIdentity identity_;
    plotwright::base::FileLock lock_;
    AcTransactionManager transactions_;
};

class AcApDocManagerReactor {
public:
    virtual ~AcApDocManagerReactor() = default;
    virtual void documentCreated(AcApDocument*) {}
    virtual void documentToBeDestroyed(AcApDocument*) {}
    virtual void documentActivated(AcApDocument*) {}
};

class AcApDocManager {
public:
    AcApDocManager() = default;
    ~AcApDocManager();
    AcApDocManager(const AcApDocManager&) = delete;
    AcApDocManager& operator=(const AcApDocManager&) = delete;

    // Null when no document is open.
    AcApDocument* curDocument() const { return current_; }
    AcApDocument* mdiActiveDocument() const { return current_; }
    // Makes `document` current and its database the working database; reactors hear
    // documentActivated when the current document changes. eInvalidInput for a document
    // this manager does not hold.
    Acad::ErrorStatus setCurDocument(AcApDocument* document);
    Acad::ErrorStatus activateDocument(AcApDocument* document) { return setCurDocument(document); }

    int documentCount() const { return static_cast<int>(documents_.size()); }
    // Documents in the order they were opened.
    AcApDocument* document(int index) const;

    // A new empty drawing, made current.
    AcApDocument* newDocument();
    // Reads the DXF file `path` (UTF-8) into a new document, made current. On failure
    // `document` is null and nothing changes. `forUpdate` waits for the file's exclusive
    // advisory lock and holds it until the document is closed, so that other writers that
    // lock (the command-line tool) queue behind this one.
    plotwright::dxf::DxfResult openDocument(const std::string& path, AcApDocument*& document, bool forUpdate = false);
    // Takes a database read or built elsewhere as a document, made current.
    AcApDocument* adoptDatabase(std::unique_ptr<AcDbDatabase> database, std::string fileName);
    // Closes without saving: reactors hear documentToBeDestroyed first; when it was
    // current, the most recently opened other document becomes current.
    Acad::ErrorStatus closeDocument(AcApDocument* document);

    void addReactor(AcApDocManagerReactor* reactor);
    void removeReactor(AcApDocManagerReactor* reactor);

private:
    std::vector<std::unique_ptr<AcApDocument>> documents_;
    std::vector<AcApDocManagerReactor*> reactors_;
    AcApDocument* current_ = nullptr;
    int untitled_ = 0;
};

// The process's document manager.
AcApDocManager* acDocManagerPtr();
