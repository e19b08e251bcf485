#pragma once
// A grid that records its notifications and lets a test decide the answers.

#include "grid/ug_ctrl.h"


#include <functional>
#include <vector>

class TestGrid : public CUGCtrl {
public:
    struct Finish {
        int col = 0;
        int row = 0;
        QString text;
        bool cancelOnEntry = false;
    };


    // Decides an edit's end; the default accepts. May change *cancelFlag.
    std::function<bool(const Finish&, bool* cancelFlag)> finish;
    bool allowEdit = true;
    QColor background;       // OnGetDefBackColor's answer when valid

    int setups = 0;
    int editStarts = 0;
    std::vector<Finish> finishes;
    std::vector<QRect> focusRects;

protected:
    void OnSetup() override { ++setups; }
    void OnCharDown(int* key) override { StartEdit(*key); }
    bool OnEditStart(int col, int row, QWidget** editor) override;
    bool OnEditFinish(int col, int row, QWidget* editor, const QString& text, bool* cancelFlag) override;
    QColor OnGetDefBackColor(Section section) override;
    void OnDrawFocusRect(QPainter* painter, QRect rect) override;
};

// A shown, active window holding a 3-row, 4-column grid: column 0 read-only,
// texts "r<row>c<col>", row 2 columns 1 to 3 joined.
struct GridWindow {
    GridWindow();
    QWidget window;
    TestGrid* grid;
};
