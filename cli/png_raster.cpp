// The PNG rasteriser of the command-line tool, a module of its own: Qt's GUI and SVG
// libraries are loaded only by the commands that write PNG pictures, so that every other
// command (a draw of a million samples above all) starts without them.
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

// Qt's own warnings (no runtime folder, font sizes) are no message of this tool's: a
// command-line program prints only what it has to say. They are dropped while Qt works.
void dropQtMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

class QuietQt {
public:
    QuietQt() : previous_(qInstallMessageHandler(dropQtMessage)) {}
    ~QuietQt() { qInstallMessageHandler(previous_); }
    QuietQt(const QuietQt&) = delete;
    QuietQt& operator=(const QuietQt&) = delete;

private:
    QtMessageHandler previous_;
};

} // namespace

// The PNG bytes of the SVG document svg[0, size) into `png`, at the size the document
// gives. Returns 0, or 1 when the picture could not be drawn, 2 when it could not be encoded.
extern "C" __attribute__((visibility("default"))) int plotwrightPngOfSvg(const char* svg, std::size_t size,
                                                                          std::string* png)
{
    const QuietQt quiet;
    // Text needs the fonts of a GUI application, for the time of drawing; without a
    // display it draws offscreen.
    std::unique_ptr<QGuiApplication> app;
    int argc = 1;
    char name[] = "plotwright";
    char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) {
        if (!std::getenv("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    QSvgRenderer renderer(QByteArray(svg, static_cast<qsizetype>(size)));
    const QSize pictureSize = renderer.defaultSize();
    if (!renderer.isValid() || pictureSize.isEmpty())
        return 1;
    // Opaque: the picture is on white, so no alpha channel goes to the PNG (a quarter of
    // the bytes to compress, which is most of the time a picture takes).
    QImage image(pictureSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return 2;
    *png = bytes.toStdString();
    return 0;
}
