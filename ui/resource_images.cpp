#include "ui/resource_images.h"

#include <QFile>
#include <QIconEngine>
#include <QPainter>
#include <QPalette>
#include <QSvgRenderer>

#include <memory>

// Resources compiled into a static library must be registered by name.
static void initResources()
{
    Q_INIT_RESOURCE(ui_resources);
}

namespace plotwright::ui {

namespace {

QByteArray source(int resourceId, const char* kind)
{
    static const bool registered = (initResources(), true);
    (void)registered;
    QFile file(QStringLiteral(":/plotwright/%1/%2.svg").arg(QLatin1String(kind)).arg(resourceId));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Renders the picture at whatever size and pixel ratio it is asked for.
class SvgEngine : public QIconEngine {
public:
    explicit SvgEngine(const QByteArray& svg) : svg_(svg), renderer_(std::make_shared<QSvgRenderer>(svg)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(rect, scaledPixmap(rect.size() * ratio, mode, state, ratio));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    // `size` is in device pixels already (QIcon multiplies by the scale before asking).
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override
    {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            renderer_->render(&p, QRectF(QPointF(0, 0), QSizeF(image.size())));
        }
        if (mode == QIcon::Disabled)
            fade(image);
        QPixmap pixmap = QPixmap::fromImage(image);
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new SvgEngine(svg_); }
    QString key() const override { return QStringLiteral("plotwright-svg"); }
    bool isNull() override { return !renderer_->isValid(); }

private:
    // A disabled picture: grey and half transparent.
    static void fade(QImage& image)
    {
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int grey = qGray(line[x]);
                const int alpha = qAlpha(line[x]) / 2;
                line[x] = qPremultiply(qRgba(grey, grey, grey, alpha));
            }
        }
    }

    QByteArray svg_;
    std::shared_ptr<QSvgRenderer> renderer_;
};

QIcon iconFrom(const QByteArray& svg)
{
    if (svg.isEmpty())
        return {};
    return QIcon(new SvgEngine(svg));
}

QByteArray colourName(const QColor& c)
{
    return c.name(QColor::HexRgb).toLatin1();
}

} // namespace

QIcon ResourceIcon(int resourceId)
{
    if (resourceId < 105 || resourceId > 107)
        return {};
    return iconFrom(source(resourceId, "icons"));
}

QIcon MappedBitmap(int resourceId, const QPalette& palette)
{
    if (resourceId != 103)
        return {};
    QByteArray svg = source(resourceId, "icons");
    // The picture is drawn in exactly these four colours, named in lower case.
    svg.replace("#000000", "@text@");
    svg.replace("#808080", "@shadow@");
    svg.replace("#c0c0c0", "@face@");
    svg.replace("#ffffff", "@light@");
    svg.replace("@text@", colourName(palette.color(QPalette::ButtonText)));
    svg.replace("@shadow@", colourName(palette.color(QPalette::Dark)));
    svg.replace("@face@", colourName(palette.color(QPalette::Button)));
    svg.replace("@light@", colourName(palette.color(QPalette::Light)));
    return iconFrom(svg);
}

} // namespace plotwright::ui
