#pragma once
// The one description of what can be typed and pressed in the editor: the commands
// with what they do, and the keys. Help ▸ Commands and keys and the HELP command show it.

#include <QKeySequence>
#include <QString>

#include <vector>

namespace plotwright::editor {

struct HelpEntry {
    QString what;      // a command as typed ("OPEN [path]") or a key's name ("F9")
    QString meaning;
};

// The commands at the prompt, in the order the help shows them.
const std::vector<HelpEntry>& helpCommands();
// The keys (menu shortcuts and the toggles of the view), in the order the help shows them.
const std::vector<HelpEntry>& helpKeys();

// The platform's key for `key`, or `fallback` where the platform has none (Save As
// and Quit have none on some desktops).
QKeySequence keyOr(QKeySequence::StandardKey key, const QKeySequence& fallback);

// Both lists as plain text, one entry a line, aligned.
QString helpText();

} // namespace plotwright::editor
