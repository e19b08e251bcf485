#pragma once
// The settings of one grid cell. Every setting is optional, so that a cell can be
// laid over its column default and the grid's default cell: what a cell does not
// set it inherits from below.

#include <QColor>
#include <QFont>
#include <QString>

#include <optional>

class CUGCell {
public:
    void SetText(const QString& text) { text_ = text; }
    QString GetText() const { return text_.value_or(QString()); }
    bool HasText() const { return text_.has_value(); }

    void SetFont(const QFont& font) { font_ = font; }
    // The default-constructed font when the cell sets none.
    QFont GetFont() const { return font_.value_or(QFont()); }
    bool HasFont() const { return font_.has_value(); }

    // Sets the horizontal part, the vertical part, or both, of `alignment`.
    void SetAlignment(Qt::Alignment alignment);
    // Unset parts read as left and vertically centred.
    Qt::Alignment GetAlignment() const;

    // An invalid colour means "no background of its own" (the system's window colour).
    void SetBackColor(const QColor& color) { backColor_ = color; }
    QColor GetBackColor() const { return backColor_.value_or(QColor()); }

    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool GetReadOnly() const { return readOnly_.value_or(false); }

    // An opaque reference for the grid's owner; the grid never dereferences it.
    void SetParam(void* param) { param_ = param; }
    void* GetParam() const { return param_.value_or(nullptr); }

    // Takes every setting that `top` sets.
    void Overlay(const CUGCell& top);
    // Forgets every setting.
    void ClearAll() { *this = CUGCell(); }

    bool operator==(const CUGCell&) const = default;

private:
    std::optional<QString> text_;
    std::optional<QFont> font_;
    std::optional<Qt::Alignment> hAlign_;
    std::optional<Qt::Alignment> vAlign_;
    std::optional<QColor> backColor_;
    std::optional<bool> readOnly_;
    std::optional<void*> param_;
};
