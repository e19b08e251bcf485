#pragma once
// The host's small picture button: a tool button that shows one image, can take
// the flat tool-button look, and asks its subclass for the tooltip text.

#include <QToolButton>

#include <string>

class CAdUiBitmapButton : public QToolButton {
    Q_OBJECT

public:
    explicit CAdUiBitmapButton(QWidget* parent = nullptr);
    ~CAdUiBitmapButton() override;

    // Prepares the button to draw its image itself, sized to the button; returns true.
    bool AutoLoad();
    // true: flat until hovered, as in a toolbar; false: framed like a push button.
    void SetIsToolButton(bool isToolButton);
    bool GetIsToolButton() const { return isToolButton_; }

    // The picture shown; an empty icon shows the button's text.
    void SetImage(const QIcon& image);

    // Text of the tooltip shown while the pointer rests on the button; empty shows none.
    virtual std::wstring GetToolTipText() const;

protected:
    bool event(QEvent* event) override;

private:
    bool isToolButton_ = false;
};
