#pragma once
// The editor's command line: the history of what was typed and answered above, a
// prompt and an input field below. Up and Down recall earlier input; Escape is
// reported rather than handled, because what it cancels depends on the editor's state.

#include <QStringList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace plotwright::editor {

class CommandLine : public QWidget {
    Q_OBJECT

public:
    explicit CommandLine(QWidget* parent = nullptr);

    // Appends a line (or several, separated by "\n") to the history.
    void print(const QString& text);
    // The prompt before the input field; a leading newline (as prompts are written) is dropped.
    void setPrompt(const QString& prompt);
    QString prompt() const;
    void focusInput();

    QLineEdit* input() const { return input_; }
    QPlainTextEdit* history() const { return history_; }

signals:
    // Enter was pressed; the input field is already cleared.
    void submitted(const QString& text);
    void escapePressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void recall(int step);

    QPlainTextEdit* history_;
    QLabel* prompt_;
    QLineEdit* input_;
    QStringList recalled_;
    int recallIndex_ = 0;
};

} // namespace plotwright::editor
