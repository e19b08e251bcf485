#pragma once
// Copies of the changed drawings in the user's state folder ($XDG_STATE_HOME, or
// ~/.local/state, then Plotwright/autosave), written every few minutes (the setting
// Editor/AutosaveMinutes, default 5; 0 turns it off) so that a crash or a power cut
// loses at most those minutes. Never written over the user's own file. A drawing that
// is saved or closed loses its copy; so does every drawing when the editor ends
// normally. The next start offers to recover the copies an editor left behind.

#include "editor/document.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <map>

class QWidget;

namespace plotwright::editor {

class DocumentTabs;

class Autosave : public QObject {
    Q_OBJECT

public:
    explicit Autosave(DocumentTabs& documents, QObject* parent = nullptr);
    // Removes the copies of this editor's drawings: it ends normally.
    ~Autosave() override;

    static QString folder();
    // The setting in minutes (fractions allowed); 0 or less: no autosave.
    static double intervalMinutes();

    // One round: a copy of every drawing changed since it was opened or saved, and no
    // copy of the others.
    void saveChanged();
    // The copy of a drawing that is closed normally goes.
    void forget(const Document* document);

    // A copy left behind by an editor that is no longer running.
    struct Copy {
        QString drawing;  // the copy
        QString info;     // what it is a copy of (key=value lines)
        QString file;     // the drawing's own file; empty for one never saved
        QString title;
        QDateTime saved;
    };
    static QList<Copy> leftBehind();
    // Asks for each copy left behind whether to recover it ("Recover" opens it as a
    // changed drawing under its own file's name, to be saved by the user; "Discard"
    // drops it); the copy is removed once the question is answered. Returns how many
    // were recovered.
    int offerRecovery(QWidget* parent);
    // The question for one copy, for the dialog and the tests.
    static QString question(const Copy& copy);

private:
    QString keyFor(const Document* document);
    void remove(const QString& key);

    DocumentTabs& documents_;
    QTimer timer_;
    std::map<const Document*, QString> keys_;
    int next_ = 0;
};

} // namespace plotwright::editor
