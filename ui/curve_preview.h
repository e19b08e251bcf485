#pragma once
// The curve dialog's preview: draws a curve in drawing units around its origin (marked),
// with its extents and vertex count, or the reason it cannot be drawn. Sampling runs on
// a worker thread after a short pause in the changes; a newer change cancels it.

#include "ui/preview_sampler.h"

#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QThreadPool>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <memory>

class CEquation;

class CurvePreview : public QWidget {
    Q_OBJECT

public:
    // Most vertices the path holds; longer curves are thinned evenly for the picture.
    static constexpr std::size_t MaxDrawnVertices = 20000;

    explicit CurvePreview(QWidget* parent = nullptr);
    ~CurvePreview() override;  // cancels the worker and waits for it

    void SetSampler(std::unique_ptr<plotwright::ui::PreviewSampler> sampler);
    void SetDebounce(int milliseconds) { debounce_.setInterval(milliseconds); }

    // Samples a copy of `equation` once the changes pause.
    void ShowCurve(const CEquation& equation);
    // While a handle is dragged the changes never pause: the latest curve is then sampled
    // once the pause has passed since the first change not yet shown, and a running
    // sample is left to finish, so that the picture follows the drag.
    void SetDragging(bool on) { dragging_ = on; }
    // Shows `message` instead of a curve; pending work is dropped.
    void ShowProblem(const QString& message);
    // How a space curve is shown: obliquely (x to the right, z up, y receding at 45° at
    // half length), the default, or from the top (x and y alone). Shows it again.
    void SetTopView(bool top);
    bool TopView() const { return topView_; }
    // What is on show is a space curve (so that the view can be chosen).
    bool ShowsSpaceCurve() const { return shown_->space; }

    // A line shown above the curve until replaced (empty: none), such as a value that the
    // fields show rounded.
    void SetNote(const QString& note);
    QString Note() const { return note_; }

    // What is on show: every sampled point, the path drawn, the message (empty with a curve).
    const std::vector<plotwright::ui::PreviewPoint>& Points() const;
    const QPainterPath& Path() const { return shown_->path; }
    QString Message() const { return shown_->message; }
    QRectF Extents() const { return shown_->extents; }
    std::size_t Vertices() const { return shown_->vertices; }
    // The last curve sampled has no finite point (Message() says so): nothing to draw.
    bool NoDefinedPoint() const { return shown_->noDefinedPoint; }
    // True from a change until its result is shown.
    bool IsPending() const { return pending_; }

signals:
    void updated();

protected:
    void paintEvent(QPaintEvent* event) override;

public:
    // One finished preview: the samples and what is drawn of them.
    struct Shown {
        std::vector<plotwright::ui::PreviewPoint> points;
        QPainterPath path;
        QRectF extents;  // x and y of the finite points; null when none
        QRectF view;     // the path's bounds, as projected (the extents but for an oblique view)
        QRectF frame;    // an implicit curve's window; null for the other kinds
        bool space = false;
        bool oblique = false;  // the path is the oblique projection
        double zMin = 0, zMax = 0;
        QString message;
        std::size_t vertices = 0;  // what the draw writes
        bool noDefinedPoint = false;
        QImage picture;  // the curve as painted, drawn on the worker; null: painted when shown
    };

    // The picture of finished samples: the path (thinned to `most` vertices) and extents;
    // a space curve projected obliquely unless `topView`. Runs on the worker; public so
    // that its cost can be measured.
    static Shown Compose(plotwright::ui::PreviewSamples samples, std::size_t most, bool topView = false);
    // Where the oblique view puts a point: (x + k y, z + k y) with k = cos(45°) / 2.
    static QPointF Oblique(double x, double y, double z);

private:
    void StartJob();

    std::shared_ptr<plotwright::ui::PreviewSampler> sampler_;
    std::shared_ptr<const CEquation> next_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    std::shared_ptr<const Shown> shown_;
    quint64 generation_ = 0;
    bool pending_ = false;
    bool dragging_ = false;
    bool running_ = false;  // the latest sample is under way
    bool waiting_ = false;  // a newer curve waits for it (while dragging)
    bool topView_ = false;
    QString note_;
    QTimer debounce_;
    QThreadPool pool_;
};
