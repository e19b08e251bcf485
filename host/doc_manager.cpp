#include "host/doc_manager.h"

#include <algorithm>
#include <filesystem>

#include "host/backend.h"
#include "db/database.h"

void AcTransactionManager::flushGraphics()
{
    plotwright::host::backend().flushGraphics();
}

namespace {

std::string titleOf(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

} // namespace

// ---- document --------------------------------------------------------------

AcApDocument::AcApDocument(std::unique_ptr<AcDbDatabase> database, std::string fileName, std::string title)
    : database_(std::move(database)), fileName_(std::move(fileName)), title_(std::move(title))
{
}

AcApDocument::~AcApDocument() = default;

bool AcApDocument::isModified() const
{
    return database_->isModified();
}

plotwright::dxf::DxfResult AcApDocument::save()
{
    if (fileName_.empty()) {
        return {plotwright::dxf::DxfStatus::fileAccess,
                "Cannot save \"" + title_ + "\": the drawing has no file name yet."};
    }
    plotwright::base::ReplaceOptions options;
    if (identity_.exists)
        options.expected = &identity_;
    if (lock_.held())
        options.lock = &lock_;
    plotwright::base::FileIdentity written;
    options.written = &written;
    plotwright::dxf::DxfResult result = plotwright::dxf::saveDxf(*database_, fileName_, options);
    if (result.ok())
        identity_ = written;
    return result;
}

plotwright::dxf::DxfResult AcApDocument::saveAs(const std::string& path)
{
    if (!fileName_.empty() && path == fileName_)
        return save();
    plotwright::base::FileIdentity written;
    plotwright::base::ReplaceOptions options;
    options.written = &written;
    plotwright::dxf::DxfResult result = plotwright::dxf::saveDxf(*database_, path, options);
    if (result.ok()) {
        identity_ = written;
        lock_.release();
        fileName_ = path;
        title_ = titleOf(path);
    }
    return result;
}

// ---- document manager --------------------------------------------------------

AcApDocManager::~AcApDocManager()
{
    // Documents outlive no reactor at process end: they go without notifications.
    if (current_ && acdbHostApplicationServices()->workingDatabase() == current_->database())
        acdbHostApplicationServices()->setWorkingDatabase(nullptr);
}

Acad::ErrorStatus AcApDocManager::setCurDocument(AcApDocument* document)
{
    auto it = std::find_if(documents_.begin(), documents_.end(), [&](const auto& d) { return d.get() == document; });
    if (!document || it == documents_.end())
        return Acad::eInvalidInput;
    acdbHostApplicationServices()->setWorkingDatabase(document->database());
    if (current_ == document)
        return Acad::eOk;
    current_ = document;
    // Copies: a reactor may remove itself while being told.
    const auto reactors = reactors_;
    for (AcApDocManagerReactor* r : reactors)
        r->documentActivated(document);
    return Acad::eOk;
}

AcApDocument* AcApDocManager::document(int index) const
{
    if (index < 0 || index >= documentCount())
        return nullptr;
    return documents_[static_cast<std::size_t>(index)].get();
}

AcApDocument* AcApDocManager::newDocument()
{
    return adoptDatabase(std::make_unique<AcDbDatabase>(), std::string());
}

plotwright::dxf::DxfResult AcApDocManager::openDocument(const std::string& path, AcApDocument*& document,
                                                        bool forUpdate)
{
    document = nullptr;
    std::unique_ptr<AcDbDatabase> database;
    plotwright::base::FileIdentity identity;
    plotwright::base::FileLock lock;
    plotwright::dxf::DxfResult result =
        plotwright::dxf::readDxf(path, database, &identity, forUpdate ? &lock : nullptr);
    if (result.ok()) {
        document = adoptDatabase(std::move(database), path);
        document->identity_ = identity;
        document->lock_ = std::move(lock);
    }
    return result;
}

AcApDocument* AcApDocManager::adoptDatabase(std::unique_ptr<AcDbDatabase> database, std::string fileName)
{
    std::string title = fileName.empty() ? "Drawing" + std::to_string(++untitled_) + ".dxf" : titleOf(fileName);
    documents_.push_back(std::unique_ptr<AcApDocument>(
        new AcApDocument(std::move(database), std::move(fileName), std::move(title))));
    AcApDocument* document = documents_.back().get();
    const auto reactors = reactors_;
    for (AcApDocManagerReactor* r : reactors)
        r->documentCreated(document);
    setCurDocument(document);
    return document;
}

Acad::ErrorStatus AcApDocManager::closeDocument(AcApDocument* document)
{
    auto it = std::find_if(documents_.begin(), documents_.end(), [&](const auto& d) { return d.get() == document; });
    if (!document || it == documents_.end())
        return Acad::eInvalidInput;
    const auto reactors = reactors_;
    for (AcApDocManagerReactor* r : reactors)
        r->documentToBeDestroyed(document);
    std::unique_ptr<AcApDocument> closing = std::move(*it);
    documents_.erase(it);
    if (acdbHostApplicationServices()->workingDatabase() == closing->database())
        acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    if (current_ == document) {
        current_ = nullptr;
        if (!documents_.empty())
            setCurDocument(documents_.back().get());
    }
    return Acad::eOk;
}

void AcApDocManager::addReactor(AcApDocManagerReactor* reactor)
{
    if (reactor && std::find(reactors_.begin(), reactors_.end(), reactor) == reactors_.end())
        reactors_.push_back(reactor);
}

void AcApDocManager::removeReactor(AcApDocManagerReactor* reactor)
{
    reactors_.erase(std::remove(reactors_.begin(), reactors_.end(), reactor), reactors_.end());
}

AcApDocManager* acDocManagerPtr()
{
    static AcApDocManager manager;
    return &manager;
}
