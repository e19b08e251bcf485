#include "cli/png_image.h"

#include "cli/failure.h"

#ifdef PLOTWRIGHT_PNG
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdlib>
#include <memory>
#endif

namespace plotwright::cli {

#ifdef PLOTWRIGHT_PNG
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

std::string pngOfSvg(const std::string& svg, const std::string& path)
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
    QSvgRenderer renderer(QByteArray::fromStdString(svg));
    const QSize size = renderer.defaultSize();
    if (!renderer.isValid() || size.isEmpty())
        throw Failure(kExitFileError, path + ": the picture could not be drawn");
    QImage image(size, QImage::Format_ARGB32);
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
        throw Failure(kExitFileError, path + ": the PNG picture could not be encoded");
    return bytes.toStdString();
}
#else
std::string pngOfSvg(const std::string&, const std::string& path)
{
    throw Failure(kExitUsage, path + ": this build writes SVG pictures only");
}
#endif

} // namespace plotwright::cli
