#include "editor/autosave.h"

#include "editor/document_tabs.h"
#include "editor/editor_settings.h"

#include "base/replace_file.h"
#include "core/drawing_contents.h"
#include "dxf/file.h"
#include "host/doc_manager.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>

#include <csignal>
#include <cerrno>

#include <unistd.h>

namespace plotwright::editor {

namespace {

constexpr double kDefaultMinutes = 5;

// The info file: one key=value line each, UTF-8.
QString infoText(const Document& document)
{
    return "pid=" + QString::number(::getpid()) + "\nfile=" + QString::fromStdString(document.fileName()) +
           "\ntitle=" + QString::fromStdString(document.docTitle()) +
           "\nsaved=" + QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs) + "\n";
}

QString valueOf(const QString& info, const QString& key)
{
    for (const QString& line : info.split('\n'))
        if (line.startsWith(key + "="))
            return line.mid(key.size() + 1);
    return {};
}

// Whether the editor that wrote a copy still runs (then the copy is its, not ours).
bool running(qint64 pid)
{
    return pid > 0 && pid != ::getpid() && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

} // namespace

Autosave::Autosave(DocumentTabs& documents, QObject* parent) : QObject(parent), documents_(documents)
{
    const double minutes = intervalMinutes();
    if (minutes > 0) {
        connect(&timer_, &QTimer::timeout, this, &Autosave::saveChanged);
        timer_.start(static_cast<int>(minutes * 60'000));
    }
    connect(&documents_, &DocumentTabs::drawingClosing, this, &Autosave::forget);
}

Autosave::~Autosave()
{
    for (const auto& [document, key] : keys_)
        remove(key);
}

QString Autosave::folder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // XDG_STATE_HOME counts only as an absolute path; a relative one falls back to the default.
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + "/.local/state";
    return state + "/Plotwright/autosave";
}

double Autosave::intervalMinutes()
{
    bool ok = false;
    const double minutes = editorSettings()->value("Editor/AutosaveMinutes", kDefaultMinutes).toDouble(&ok);
    return ok ? minutes : kDefaultMinutes;
}

QString Autosave::keyFor(const Document* document)
{
    auto it = keys_.find(document);
    if (it == keys_.end())
        it = keys_.emplace(document, QString::number(::getpid()) + "-" + QString::number(++next_)).first;
    return it->second;
}

void Autosave::remove(const QString& key)
{
    QFile::remove(folder() + "/" + key + ".dxf");
    QFile::remove(folder() + "/" + key + ".info");
}

void Autosave::forget(const Document* document)
{
    const auto it = keys_.find(document);
    if (it == keys_.end())
        return;
    remove(it->second);
    keys_.erase(it);
}

void Autosave::saveChanged()
{
    const std::vector<Document*> open = documents_.documents();
    // Copies of drawings that were closed or saved since the last round go.
    for (auto it = keys_.begin(); it != keys_.end();) {
        const bool stillOpen = std::find(open.begin(), open.end(), it->first) != open.end();
        if (stillOpen && it->first->isModified()) {
            ++it;
            continue;
        }
        remove(it->second);
        it = keys_.erase(it);
    }
    for (Document* document : open) {
        if (!document->isModified() || !QDir().mkpath(folder()))
            continue;
        const QString base = folder() + "/" + keyFor(document);
        core::DrawingData& database = *document->database();
        // The copy is written as a save would be, but the drawing stays changed: only
        // the user's own save clears that.
        const dxf::DxfResult copied = dxf::saveDxf(database, (base + ".dxf").toStdString());
        database.setModified(true);
        if (!copied.ok())
            continue;  // tried again next round; the user's work is still in memory
        base::replaceFile((base + ".info").toStdString(), infoText(*document).toStdString());
    }
}

QList<Autosave::Copy> Autosave::leftBehind()
{
    QList<Copy> copies;
    const QDir dir(folder());
    for (const QFileInfo& entry : dir.entryInfoList({"*.info"}, QDir::Files, QDir::Name)) {
        QFile file(entry.absoluteFilePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString info = QString::fromUtf8(file.readAll());
        if (running(valueOf(info, "pid").toLongLong()))
            continue;
        Copy copy;
        copy.info = entry.absoluteFilePath();
        copy.drawing = entry.absolutePath() + "/" + entry.completeBaseName() + ".dxf";
        copy.file = valueOf(info, "file");
        copy.title = valueOf(info, "title");
        copy.saved = QDateTime::fromString(valueOf(info, "saved"), Qt::ISODateWithMs);
        if (QFileInfo::exists(copy.drawing))
            copies.push_back(copy);
        else
            QFile::remove(copy.info);  // a copy that never got written: nothing to offer
    }
    return copies;
}

QString Autosave::question(const Copy& copy)
{
    const QString what = copy.file.isEmpty() ? "the new drawing \"" + copy.title + "\"" : "\"" + copy.file + "\"";
    return "The editor ended without closing " + what + ". A copy of it with the changes made up to " +
           copy.saved.toLocalTime().toString("yyyy-MM-dd HH:mm:ss") +
           " was kept.\n\nRecover it? It opens as a changed drawing for you to save; Discard drops the copy.";
}

int Autosave::offerRecovery(QWidget* parent)
{
    int recovered = 0;
    for (const Copy& copy : leftBehind()) {
        QMessageBox box(QMessageBox::Question, QApplication::applicationName(), question(copy), QMessageBox::NoButton,
                        parent);
        QPushButton* recover = box.addButton("Recover", QMessageBox::AcceptRole);
        box.addButton("Discard", QMessageBox::DestructiveRole);
        box.setDefaultButton(recover);
        box.exec();
        if (box.clickedButton() == recover) {
            std::unique_ptr<core::DrawingData> database;
            const Result read = dxf::readDxf(copy.drawing.toStdString(), database).toResult();
            if (!read.ok()) {
                QMessageBox::warning(parent, QApplication::applicationName(),
                                     "The copy cannot be read and is kept: " + QString::fromStdWString(read.message));
                continue;
            }
            database->setModified(true);
            documents_.adoptDrawing(std::move(database), copy.file.toStdString());
            ++recovered;
        }
        QFile::remove(copy.drawing);
        QFile::remove(copy.info);
    }
    return recovered;
}

} // namespace plotwright::editor
