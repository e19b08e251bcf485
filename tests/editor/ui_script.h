#pragma once
// Drives widgets that a test's own call waits on (a modal dialog, a message box, a
// point request): steps run in order, each once its condition holds. A polling timer
// checks the conditions, so they are seen inside whatever modal loop is running, and
// each action runs from its own zero timer, so an action that blocks in a loop of its
// own (a click that opens a dialog) does not stop the steps after it.

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <deque>
#include <functional>

class UiScript : public QObject {
public:
    UiScript()
    {
        connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
    }

    void then(std::function<bool()> ready, std::function<void()> action)
    {
        steps_.push_back({std::move(ready), std::move(action)});
        timer_.start(5);
    }

    // The next message box to show: its text is kept in `texts`, then `button` is pressed.
    void answerMessageBox(QMessageBox::StandardButton button)
    {
        then([] { return visibleMessageBox() != nullptr; },
             [this, button] {
                 QMessageBox* box = visibleMessageBox();
                 texts.append(box->text());
                 box->button(button)->click();
             });
    }

    static QMessageBox* visibleMessageBox()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        return box && box->isVisible() ? box : nullptr;
    }

    bool done() const { return steps_.empty() && !busy_; }
    QStringList texts;

private:
    struct Step {
        std::function<bool()> ready;
        std::function<void()> action;
    };

    void poll()
    {
        if (busy_)
            return;
        if (steps_.empty()) {
            timer_.stop();
            return;
        }
        if (!steps_.front().ready())
            return;
        auto action = std::move(steps_.front().action);
        steps_.pop_front();
        busy_ = true;
        QTimer::singleShot(0, this, [this, action] {
            busy_ = false;
            action();
        });
    }

    QTimer timer_;
    std::deque<Step> steps_;
    bool busy_ = false;
};
