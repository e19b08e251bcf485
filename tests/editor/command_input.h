#pragma once
// The editor's command line as the tests use it: a line typed as a user types it, and
// the last line the history shows.

#include "editor/command_line.h"
#include "editor/main_window.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

inline void typeLine(plotwright::editor::MainWindow& window, const QString& text)
{
    QTest::keyClicks(window.commandLine().input(), text);
    QTest::keyClick(window.commandLine().input(), Qt::Key_Return);
}

inline QString lastHistoryLine(plotwright::editor::MainWindow& window)
{
    return window.commandLine().history()->toPlainText().split('\n').last();
}
