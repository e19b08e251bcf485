#include "editor/command_line.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace plotwright::editor {

CommandLine::CommandLine(QWidget* parent)
    : QWidget(parent), history_(new QPlainTextEdit(this)), prompt_(new QLabel(this)), input_(new QLineEdit(this))
{
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    history_->setReadOnly(true);
    history_->setFont(fixed);
    history_->setMaximumBlockCount(1000);
    history_->setFocusPolicy(Qt::NoFocus);
    history_->setObjectName("commandHistory");
    prompt_->setFont(fixed);
    input_->setFont(fixed);
    input_->setObjectName("commandInput");
    input_->installEventFilter(this);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(prompt_);
    row->addWidget(input_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(history_, 1);
    layout->addLayout(row);
    setPrompt("Command:");

    connect(input_, &QLineEdit::returnPressed, this, [this] {
        const QString text = input_->text();
        input_->clear();
        if (!text.trimmed().isEmpty() && (recalled_.isEmpty() || recalled_.last() != text))
            recalled_.append(text);
        recallIndex_ = static_cast<int>(recalled_.size());
        emit submitted(text);
    });
}

void CommandLine::print(const QString& text)
{
    history_->appendPlainText(text);
}

void CommandLine::setPrompt(const QString& prompt)
{
    QString shown = prompt;
    while (shown.startsWith('\n'))
        shown.remove(0, 1);
    prompt_->setText(shown);
}

QString CommandLine::prompt() const { return prompt_->text(); }

void CommandLine::focusInput() { input_->setFocus(Qt::OtherFocusReason); }

void CommandLine::recall(int step)
{
    if (recalled_.isEmpty())
        return;
    recallIndex_ = std::clamp(recallIndex_ + step, 0, static_cast<int>(recalled_.size()));
    input_->setText(recallIndex_ < recalled_.size() ? recalled_.at(recallIndex_) : QString());
}

bool CommandLine::eventFilter(QObject* watched, QEvent* event)
{
    // With nothing typed, undo, redo and select-all keys work in the drawing: the field
    // does not claim them.
    if (watched == input_ && event->type() == QEvent::ShortcutOverride && input_->text().isEmpty()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
            key->matches(QKeySequence::SelectAll) ||
            key->keyCombination() == QKeyCombination(Qt::CTRL | Qt::Key_Y) ||
            key->keyCombination() == QKeyCombination(Qt::CTRL | Qt::SHIFT | Qt::Key_Z))
            return true;
    }
    if (watched == input_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Escape:
            input_->clear();
            emit escapePressed();
            return true;
        case Qt::Key_Up:
            recall(-1);
            return true;
        case Qt::Key_Down:
            recall(+1);
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace plotwright::editor
