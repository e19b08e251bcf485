#pragma once
// Fonts made from complete logical descriptions, each made once: a second request
// for an equal description returns the font made the first time. The fonts live as
// long as the list.

#include <QFont>
#include <QString>

#include <forward_list>

// A font as a drawing program describes it. Heights are in pixels: positive for the
// cell height (ascent plus descent), negative for the character height.
struct LogicalFont {
    int height = 0;
    int width = 0;           // average character width; 0: the face's own
    int escapement = 0;      // tenths of a degree; Qt fonts do not rotate, so kept only for the look-up
    int orientation = 0;
    int weight = 0;          // 100 (thin) to 900 (black); 0: normal
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charSet = 0;         // text is Unicode throughout; kept for the look-up
    int outPrecision = 0;
    int clipPrecision = 0;
    int quality = 0;         // 3: no antialiasing; 4, 5: antialiased
    int pitchAndFamily = 0;  // low bits 1: fixed pitch; high bits: roman, swiss, modern, script, decorative
    QString faceName;

    bool operator==(const LogicalFont&) const = default;
};

class FontList {
public:
    // The font for `description`, made now if no equal description was asked for before.
    // The reference stays valid as long as the list.
    const QFont& FindOrCreate(const LogicalFont& description);
    int size() const;

    // The Qt font closest to `description`. A face the platform lacks ("Arial" on
    // Linux) is replaced by the face the platform substitutes for it.
    static QFont Make(const LogicalFont& description);

private:
    std::forward_list<std::pair<LogicalFont, QFont>> fonts_;
};
