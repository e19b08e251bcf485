#include "test_grid.h"

#include <QPainter>
#include <QTest>

bool TestGrid::OnEditStart(int, int, QWidget**)
{
    ++editStarts;
    return allowEdit;
}

bool TestGrid::OnEditFinish(int col, int row, QWidget*, const QString& text, bool* cancelFlag)
{
    const Finish f{col, row, text, *cancelFlag};
    finishes.push_back(f);
    return finish ? finish(f, cancelFlag) : true;
}

QColor TestGrid::OnGetDefBackColor(Section section)
{
    return background.isValid() ? background : CUGCtrl::OnGetDefBackColor(section);
}

void TestGrid::OnDrawFocusRect(QPainter* painter, QRect rect)
{
    focusRects.push_back(rect);
    CUGCtrl::OnDrawFocusRect(painter, rect);
}

GridWindow::GridWindow()
{
    window.resize(400, 200);
    grid = new TestGrid;
    grid->setParent(&window);
    grid->setGeometry(0, 0, 400, 200);
    grid->SetTopHeadingHeight(0);
    grid->SetSideHeadingWidth(0);
    grid->SetNumberRows(3);
    grid->SetNumberCols(4);
    CUGCell readOnly;
    readOnly.SetReadOnly(true);
    grid->SetColDefault(0, readOnly);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            grid->QuickSetText(c, r, QStringLiteral("r%1c%2").arg(r).arg(c));
    grid->JoinCells(1, 2, 3, 2);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    grid->setFocus();
}
