// The tool button: tooltip, pictures by resource number, colours that follow the palette.
#include "support/screenshot.h"
#include "ui/bitmap_button.h"
#include "ui_tests.h"

#include <QHBoxLayout>
#include <QHelpEvent>
#include <QPainter>
#include <QTest>
#include <QToolTip>

namespace {

// Counts the pixels of `image` close to `colour` (antialiased edges excluded).
int pixelsNear(const QImage& image, const QColor& colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 200 && std::abs(c.red() - colour.red()) < 24 && std::abs(c.green() - colour.green()) < 24
                && std::abs(c.blue() - colour.blue()) < 24)
                ++count;
        }
    }
    return count;
}

int opaquePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y).alpha() > 128;
    return count;
}

} // namespace

class BitmapButtonTest : public QObject {
    Q_OBJECT

private slots:
    void tooltip_shows_the_stored_text();
    void resources_data();
    void resources();
    void pictures_are_sharp_on_dense_screens();
    void bitmap_takes_the_palette_button_colours();
    void screenshot_of_the_tool_buttons();
};

void BitmapButtonTest::tooltip_shows_the_stored_text()
{
    BitmapButton button;
    button.resize(24, 21);
    button.show();
    QVERIFY(!button.autoRaise());
    button.SetToolTipText(L"Draw user defined curve");
    QVERIFY(button.autoRaise());  // the tool-button look

    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), button.mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(&button, &help);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QStringLiteral("Draw user defined curve"));
    QToolTip::hideText();
    QTRY_VERIFY(!QToolTip::isVisible());

    // Without a text the button shows no tooltip at all.
    BitmapButton silent;
    silent.show();
    QHelpEvent none(QEvent::ToolTip, QPoint(5, 5), silent.mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(&silent, &none);
    QTest::qWait(50);
    QVERIFY(!QToolTip::isVisible());
}

void BitmapButtonTest::resources_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("bitmap");
    QTest::addColumn<bool>("found");
    QTest::newRow("bitmap 103, draw curve") << 103 << true << true;
    QTest::newRow("icon 105, save") << 105 << false << true;
    QTest::newRow("icon 106, save as") << 106 << false << true;
    QTest::newRow("icon 107, delete") << 107 << false << true;
    QTest::newRow("no icon 103") << 103 << false << false;
    QTest::newRow("no bitmap 105") << 105 << true << false;
    QTest::newRow("no icon 104") << 104 << false << false;
}

void BitmapButtonTest::resources()
{
    QFETCH(int, id);
    QFETCH(bool, bitmap);
    QFETCH(bool, found);
    BitmapButton button;
    QCOMPARE(bitmap ? button.SetBitmapResource(id) : button.SetIconResource(id), found);
    QCOMPARE(!button.icon().isNull(), found);
    if (found) {
        const QImage image = button.icon().pixmap(QSize(16, 16)).toImage();
        QVERIFY(opaquePixels(image) > 20);
    }
}

void BitmapButtonTest::pictures_are_sharp_on_dense_screens()
{
    BitmapButton button;
    QVERIFY(button.SetIconResource(105));
    const QPixmap dense = button.icon().pixmap(QSize(16, 16), 2.0);
    QCOMPARE(dense.devicePixelRatio(), 2.0);
    QCOMPARE(dense.size(), QSize(32, 32));
    // Drawn for the density, not a 16-pixel picture blown up: more detail than 4 × 16².
    const QImage sharp = dense.toImage();
    const QImage scaled = button.icon().pixmap(QSize(16, 16), 1.0).toImage().scaled(32, 32);
    QVERIFY(sharp != scaled);
    plotwright::test::saveScreenshot(dense, QStringLiteral("icon_105_at_2x"));
}

void BitmapButtonTest::bitmap_takes_the_palette_button_colours()
{
    BitmapButton button;
    QVERIFY(button.SetBitmapResource(103));
    QPalette palette = button.palette();
    palette.setColor(QPalette::ButtonText, QColor(220, 0, 0));
    palette.setColor(QPalette::Dark, QColor(0, 0, 220));
    button.setPalette(palette);

    const QImage image = button.icon().pixmap(QSize(16, 16), 4.0).toImage();
    QVERIFY(pixelsNear(image, QColor(220, 0, 0)) > 20);  // the curve
    QVERIFY(pixelsNear(image, QColor(0, 0, 220)) > 10);  // the axes
    QCOMPARE(pixelsNear(image, QColor(0, 0, 0)), 0);
    QCOMPARE(pixelsNear(image, QColor(128, 128, 128)), 0);
}

void BitmapButtonTest::screenshot_of_the_tool_buttons()
{
    QWidget row;
    auto* layout = new QHBoxLayout(&row);
    const int bitmaps[] = {103, 0, 0, 0, 103};
    const int icons[] = {0, 107, 105, 106, 0};
    for (int i = 0; i < 5; ++i) {
        auto* button = new BitmapButton(&row);
        button->setFixedSize(24, 21);
        if (bitmaps[i])
            QVERIFY(button->SetBitmapResource(bitmaps[i]));
        else
            QVERIFY(button->SetIconResource(icons[i]));
        button->SetToolTipText(L"tool");
        layout->addWidget(button);
    }
    row.show();
    QVERIFY(!plotwright::test::saveScreenshot(row, QStringLiteral("tool_buttons")).isEmpty());

    // The pictures as a screen four times as dense shows them.
    QPixmap sheet(QSize(4 * 72, 72) * 4);
    sheet.setDevicePixelRatio(4);
    sheet.fill(row.palette().color(QPalette::Button));
    QPainter painter(&sheet);
    const auto buttons = row.findChildren<BitmapButton*>();
    for (int i = 0; i < 4; ++i)
        buttons[i + 1 == 4 ? 0 : i + 1]->icon().paint(&painter, QRect(i * 72 + 4, 4, 64, 64));
    painter.end();
    plotwright::test::saveScreenshot(sheet, QStringLiteral("tool_button_pictures_at_4x"));
}

int runBitmapButtonTests(int argc, char** argv)
{
    BitmapButtonTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "bitmap_button_test.moc"
