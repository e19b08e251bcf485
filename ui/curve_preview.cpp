#include "ui/curve_preview.h"

#include "model/equation.h"

#include <QPainter>
#include <QPaintEvent>

#include <cmath>

using plotwright::ui::PreviewPoint;
using plotwright::ui::PreviewSamples;

namespace {

// The path of the finite points, thinned to at most `most` vertices; a point that is not
// finite breaks the path, as it breaks the polyline in the drawing.
CurvePreview::Shown compose(PreviewSamples samples, std::size_t most, bool topView)
{
    CurvePreview::Shown shown;
    shown.space = samples.space;
    shown.oblique = samples.space && !topView;
    shown.frame = samples.window;
    const std::size_t n = samples.points.size();
    const std::size_t stride = n > most ? (n + most - 1) / most : 1;
    bool open = false;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0, z0 = 0, z1 = 0;
    double u0 = 0, v0 = 0, u1 = 0, v1 = 0;
    bool any = false;
    for (std::size_t i = 0; i < n; ++i) {
        const PreviewPoint& p = samples.points[i];
        const bool finite = std::isfinite(p.x) && std::isfinite(p.y) && (!samples.space || std::isfinite(p.z));
        if (!finite) {
            open = false;
            continue;
        }
        const QPointF at = shown.oblique ? CurvePreview::Oblique(p.x, p.y, p.z) : QPointF(p.x, p.y);
        x0 = any ? std::min(x0, p.x) : p.x;
        y0 = any ? std::min(y0, p.y) : p.y;
        z0 = any ? std::min(z0, p.z) : p.z;
        x1 = any ? std::max(x1, p.x) : p.x;
        y1 = any ? std::max(y1, p.y) : p.y;
        z1 = any ? std::max(z1, p.z) : p.z;
        u0 = any ? std::min(u0, at.x()) : at.x();
        v0 = any ? std::min(v0, at.y()) : at.y();
        u1 = any ? std::max(u1, at.x()) : at.x();
        v1 = any ? std::max(v1, at.y()) : at.y();
        any = true;
        if (i % stride != 0 && i + 1 != n)
            continue;
        if (open)
            shown.path.lineTo(at);
        else
            shown.path.moveTo(at);
        open = true;
    }
    if (any) {
        shown.extents = QRectF(QPointF(x0, y0), QPointF(x1, y1));
        shown.view = QRectF(QPointF(u0, v0), QPointF(u1, v1));
        shown.zMin = z0;
        shown.zMax = z1;
    }
    shown.vertices = samples.vertices != 0 ? samples.vertices : samples.points.size();
    shown.points = std::move(samples.points);
    return shown;
}

QString number(double v)
{
    return QString::number(v, 'g', 6);
}

// The preview's picture of `s` in `rect`: a white field framed in `frame`, the curve
// scaled alike in x and y around the origin with its extents and vertex count below,
// or the message.
void paintShown(QPainter& painter, const CurvePreview::Shown& s, const QRect& rect, const QColor& frame)
{
    painter.fillRect(rect, Qt::white);
    painter.setPen(frame);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    // A space curve leaves room at the top for the choice of view.
    const QRect area = rect.adjusted(8, s.space ? 22 : 8, -8, -40);
    const QFontMetrics fm = painter.fontMetrics();

    if (!s.message.isEmpty()) {
        painter.setPen(QColor(170, 0, 0));
        painter.drawText(rect.adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, s.message);
        return;
    }
    if (s.extents.isNull() && s.points.empty())
        return;

    // The curve's extents (an implicit curve's window) and the origin, scaled alike in
    // x and y, y upwards.
    QRectF world = (s.view.isNull() ? s.extents : s.view).united(QRectF(0, 0, 0, 0));
    if (!s.frame.isNull())
        world = world.united(s.frame);
    const double w = std::max(world.width(), 1e-9);
    const double h = std::max(world.height(), 1e-9);
    const double scale = std::min(area.width() / w, area.height() / h);
    QTransform toScreen;
    toScreen.translate(area.center().x(), area.center().y());
    toScreen.scale(scale, -scale);
    toScreen.translate(-world.center().x(), -world.center().y());

    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(200, 200, 200), 1, Qt::DashLine));
    const QPointF origin = toScreen.map(QPointF(0, 0));
    painter.drawLine(QPointF(area.left(), origin.y()), QPointF(area.right(), origin.y()));
    painter.drawLine(QPointF(origin.x(), area.top()), QPointF(origin.x(), area.bottom()));
    if (s.oblique) {
        // The y axis recedes at 45°; the vertical line is the z axis.
        const QPointF along = toScreen.map(CurvePreview::Oblique(0, 1, 0)) - origin;
        const double reach = std::hypot(area.width(), area.height()) / std::max(std::hypot(along.x(), along.y()), 1e-9);
        painter.drawLine(origin - reach * along, origin + reach * along);
    }
    if (!s.frame.isNull()) {
        painter.setPen(QPen(QColor(150, 150, 150), 1));
        painter.drawRect(toScreen.mapRect(s.frame));
    }
    painter.setPen(QPen(QColor(0, 70, 160), 1.5));
    painter.drawPath(toScreen.map(s.path));
    painter.setPen(QPen(QColor(200, 0, 0), 1.5));
    painter.drawEllipse(origin, 3, 3);
    painter.drawText(origin + QPointF(5, -5), QStringLiteral("0,0"));

    painter.setPen(Qt::black);
    const int line = fm.height();
    const QRect text(rect.left() + 8, rect.bottom() + 1 - 8 - 2 * line, rect.width() - 16, 2 * line);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignTop,
                     QStringLiteral("x %1 … %2   y %3 … %4")
                         .arg(number(s.extents.left()), number(s.extents.right()), number(s.extents.top()),
                              number(s.extents.bottom())));
    const QString vertices = QStringLiteral("%1 vertices").arg(s.vertices);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignBottom,
                     s.space ? QStringLiteral("z %1 … %2   %3").arg(number(s.zMin), number(s.zMax), vertices)
                             : vertices);
}

// The curve drawn at `size` (device-independent pixels) for a screen of `ratio`.
QImage drawnPicture(const CurvePreview::Shown& s, const QSize& size, qreal ratio, const QFont& font,
                    const QColor& frame)
{
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    QPainter painter(&image);
    painter.setFont(font);
    paintShown(painter, s, QRect(QPoint(0, 0), size), frame);
    return image;
}

} // namespace

CurvePreview::CurvePreview(QWidget* parent)
    : QWidget(parent), sampler_(plotwright::ui::makeDrawSampler()), shown_(std::make_shared<Shown>())
{
    pool_.setMaxThreadCount(1);
    debounce_.setSingleShot(true);
    debounce_.setInterval(150);
    connect(&debounce_, &QTimer::timeout, this, &CurvePreview::StartJob);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CurvePreview::~CurvePreview()
{
    if (cancel_)
        cancel_->store(true);
    pool_.waitForDone();
}

void CurvePreview::SetSampler(std::unique_ptr<plotwright::ui::PreviewSampler> sampler)
{
    sampler_ = std::move(sampler);
}

void CurvePreview::ShowCurve(const CEquation& equation)
{
    auto copy = std::make_shared<CEquation>();
    equation.CopyTo(*copy);
    next_ = std::move(copy);
    pending_ = true;
    if (dragging_) {
        if (!debounce_.isActive())
            debounce_.start();
        return;
    }
    if (cancel_)
        cancel_->store(true);  // what it would show is already out of date
    debounce_.start();
}

void CurvePreview::ShowProblem(const QString& message)
{
    debounce_.stop();
    if (cancel_)
        cancel_->store(true);
    ++generation_;
    running_ = false;
    waiting_ = false;
    next_.reset();
    auto shown = std::make_shared<Shown>();
    shown->message = message;
    shown_ = std::move(shown);
    pending_ = false;
    update();
    emit updated();
}

const std::vector<PreviewPoint>& CurvePreview::Points() const
{
    return shown_->points;
}

void CurvePreview::StartJob()
{
    if (!next_)
        return;
    // While a handle is dragged the sample under way finishes and shows; the latest curve
    // is sampled after it. Cancelling it at every move would show nothing until the drag stops.
    if (dragging_ && running_) {
        waiting_ = true;
        return;
    }
    waiting_ = false;
    if (cancel_)
        cancel_->store(true);
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    const quint64 generation = ++generation_;
    running_ = true;
    pool_.start([this, generation, equation = next_, cancel = cancel_, sampler = sampler_, size = size(),
                 ratio = devicePixelRatioF(), font = font(), frame = palette().color(QPalette::Mid),
                 topView = topView_] {
        PreviewSamples samples = sampler->sample(*equation, *cancel);
        std::shared_ptr<Shown> shown;
        if (samples.status != PreviewSamples::Status::Cancelled && !cancel->load()) {
            shown = std::make_shared<Shown>();
            if (samples.status == PreviewSamples::Status::Failed || samples.noDefinedPoint) {
                shown->message = samples.message;
                shown->noDefinedPoint = samples.noDefinedPoint;
            } else
                *shown = Compose(std::move(samples), MaxDrawnVertices, topView);
            if (shown->message.isEmpty() && !size.isEmpty() && !cancel->load())
                shown->picture = drawnPicture(*shown, size, ratio, font, frame);
        }
        // Queued to the widget, even when cancelled, so that a waiting curve is sampled
        // next; dropped by Qt should the widget be gone by then.
        QMetaObject::invokeMethod(this, [this, generation, shown] {
            if (generation != generation_)
                return;
            running_ = false;
            if (shown) {
                shown_ = shown;
                pending_ = waiting_ || debounce_.isActive();
                update();
                emit updated();
            }
            if (waiting_)
                StartJob();
        }, Qt::QueuedConnection);
    });
}

void CurvePreview::SetNote(const QString& note)
{
    if (note == note_)
        return;
    note_ = note;
    update();
}

CurvePreview::Shown CurvePreview::Compose(PreviewSamples samples, std::size_t most, bool topView)
{
    return compose(std::move(samples), most, topView);
}

QPointF CurvePreview::Oblique(double x, double y, double z)
{
    constexpr double k = 0.35355339059327373;  // cos(45°) / 2
    return {x + k * y, z + k * y};
}

void CurvePreview::SetTopView(bool top)
{
    if (top == topView_)
        return;
    topView_ = top;
    // The samples are made again with the picture: the view is drawn on the worker.
    if (next_) {
        pending_ = true;
        if (cancel_)
            cancel_->store(true);
        debounce_.start();
    }
}

void CurvePreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const Shown& s = *shown_;
    // A curve comes drawn by the worker: stroking thousands of segments here would hold
    // up the event loop for tens of milliseconds.
    if (!s.picture.isNull() && s.picture.deviceIndependentSize() == QSizeF(size()))
        painter.drawImage(QPointF(0, 0), s.picture);
    else
        paintShown(painter, s, rect(), palette().color(QPalette::Mid));
    if (!note_.isEmpty()) {
        painter.setPen(QColor(120, 80, 0));
        painter.drawText(rect().adjusted(8, 6, -8, -6), Qt::AlignTop | Qt::AlignLeft | Qt::TextWordWrap, note_);
    }
}
