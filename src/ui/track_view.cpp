#include "ui/track_view.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "chart/chart_grid.h"

namespace pelora {

namespace {

constexpr QSize kDefaultWindowSize{900, 700};
constexpr double kZoomPerNotch = 1.25;
constexpr double kZoomPerButton = 2;
constexpr double kWheelStepsPerNotch = 120;
constexpr double kPickRadiusPixels = 10;
constexpr double kScaleBarMaxPixels = 150;
constexpr int kEdgeMarginPixels = 8;
constexpr int kLabelGapPixels = 3;
constexpr QSize kLabelBox{400, 100};
constexpr qreal kTrackPenWidth = 2;
constexpr qreal kRoutePenWidth = 2;
constexpr qreal kActiveLegPenWidth = 4;
constexpr qreal kVectorPenWidth = 1.5;
constexpr int kScaleBarTickPixels = 5;

constexpr QRgb kCoastColour = 0xff7a5c2e;
constexpr QRgb kGridColour = 0xffc8d4dc;
constexpr QRgb kGridTextColour = 0xff5a6a75;
constexpr QRgb kActiveLegColour = 0xffff2fd0;
constexpr QRgb kOutlineColour = 0xff202020;
constexpr QRgb kTextColour = 0xff202020;

QPointF toQt(ScreenPoint point) { return {point.x, point.y}; }
ScreenPoint fromQt(QPointF point) { return {point.x(), point.y()}; }

QPolygonF toPolygon(const std::vector<ScreenPoint>& points) {
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const ScreenPoint& point : points) polygon.append(toQt(point));
    return polygon;
}

void drawRuns(QPainter& painter, const std::vector<std::vector<ScreenPoint>>& runs) {
    for (const auto& run : runs) painter.drawPolyline(toPolygon(run));
}

QPen penOf(Ink ink) {
    switch (ink) {
    case Ink::Coast: return QPen(QColor(kCoastColour), 1);
    case Ink::RouteLeg: return QPen(QColor(TrackView::kWaypointColour), kRoutePenWidth);
    case Ink::ActiveLeg: return QPen(QColor(kActiveLegColour), kActiveLegPenWidth);
    case Ink::ArrivalCircle: return QPen(QColor(TrackView::kWaypointColour), 1, Qt::DashLine);
    case Ink::Waypoint: return QPen(QColor(TrackView::kWaypointColour), 1);
    case Ink::DraftRoute: return QPen(QColor(TrackView::kDraftRouteColour), kRoutePenWidth, Qt::DashLine);
    case Ink::DraftWaypoint: return QPen(QColor(TrackView::kDraftRouteColour), 1);
    case Ink::Target: return QPen(QColor(kOutlineColour), 1);
    case Ink::TargetVector: return QPen(QColor(TrackView::kTargetColour), kVectorPenWidth);
    case Ink::Ship: return QPen(QColor(kOutlineColour), 1);
    case Ink::ShipVector: return QPen(QColor(TrackView::kShipColour), kVectorPenWidth);
    }
    return QPen(QColor(kOutlineColour), 1);
}

QBrush brushOf(Ink ink) {
    switch (ink) {
    case Ink::Waypoint: return QBrush(QColor(TrackView::kWaypointColour));
    case Ink::DraftWaypoint: return QBrush(QColor(TrackView::kDraftRouteColour));
    case Ink::Target: return QBrush(QColor(TrackView::kTargetColour));
    case Ink::Ship: return QBrush(QColor(TrackView::kShipColour));
    default: return Qt::NoBrush;
    }
}

QColor textColourOf(Ink ink) {
    switch (ink) {
    case Ink::Target: return QColor(TrackView::kTargetColour).darker();
    case Ink::Waypoint: return QColor(TrackView::kWaypointColour);
    case Ink::DraftWaypoint: return QColor(TrackView::kDraftRouteColour);
    default: return QColor(kTextColour);
    }
}

}  // namespace

// The drawing area: paints through its window and hands mouse input to it.
class ChartCanvas final : public QWidget {
public:
    explicit ChartCanvas(TrackView* owner) : QWidget(owner), m_owner(owner) {
        setObjectName(QStringLiteral("chart"));
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumSize(200, 150);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        m_owner->paintChart(painter);
    }
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        m_owner->canvasResized(size());
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        m_pressedAt = event->position().toPoint();
        m_lastAt = m_pressedAt;
        m_pressed = true;
        m_dragging = false;
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        const QPoint at = event->position().toPoint();
        m_owner->canvasHovered(at);
        if (!m_pressed || !(event->buttons() & Qt::LeftButton)) return;
        if (!m_dragging && (at - m_pressedAt).manhattanLength() >= QApplication::startDragDistance()) {
            m_dragging = true;
        }
        if (m_dragging) {
            m_owner->canvasDragged(at - m_lastAt);
            m_lastAt = at;
        }
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton || !m_pressed) return;
        m_pressed = false;
        if (!m_dragging) m_owner->canvasClicked(event->position().toPoint());
        m_dragging = false;
    }
    void wheelEvent(QWheelEvent* event) override {
        m_owner->canvasWheeled(event->position().toPoint(), event->angleDelta().y() / kWheelStepsPerNotch);
        event->accept();
    }
    void contextMenuEvent(QContextMenuEvent* event) override {
        m_owner->canvasContextMenu(event->pos(), event->globalPos());
    }
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(event);
            const QString text = m_owner->toolTipAt(help->pos());
            if (text.isEmpty()) QToolTip::hideText();
            else QToolTip::showText(help->globalPos(), text, this);
            return true;
        }
        return QWidget::event(event);
    }

private:
    TrackView* m_owner;
    QPoint m_pressedAt;
    QPoint m_lastAt;
    bool m_pressed = false;
    bool m_dragging = false;
};

namespace {

QToolButton* toolButton(QWidget* parent, const char* name, const QString& text, const QString& tip, bool checkable) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(text);
    button->setToolTip(tip);
    button->setCheckable(checkable);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

}  // namespace

TrackView::TrackView(QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_canvas(new ChartCanvas(this)),
      m_follow(toolButton(this, "followShip", tr("Follow ship"), tr("Keep the ship in the middle of the chart"), true)),
      m_pickStart(toolButton(this, "pickStart", tr("Set start position"),
                             tr("Click the chart where the ship is to start"), true)),
      m_buildRoute(toolButton(this, "buildRoute", tr("Build route"), tr("Click the chart to add waypoints"), true)),
      m_clearRoute(toolButton(this, "clearRoute", tr("Clear route"), tr("Forget the route being built"), false)),
      m_followRoute(toolButton(this, "followRoute", tr("Follow route"), tr("The ship follows the route built"), false)),
      m_saveRoute(toolButton(this, "saveRouteGpx", tr("Save route as GPX..."), tr("Save the route as a GPX file"), false)),
      m_zoomIn(toolButton(this, "zoomIn", tr("+"), tr("Zoom in"), false)),
      m_zoomOut(toolButton(this, "zoomOut", tr("-"), tr("Zoom out"), false)),
      m_pointer(new QLabel(this)) {
    setWindowTitle(tr("Pelora - Track"));
    m_pointer->setObjectName(QStringLiteral("pointerPosition"));
    m_pointer->setMinimumWidth(m_pointer->fontMetrics().horizontalAdvance(
        QString::fromStdString(positionText({-88.8888, -188.8888}))));
    m_follow->setChecked(true);

    auto* tools = new QHBoxLayout;
    for (QToolButton* button :
         {m_follow, m_zoomIn, m_zoomOut, m_pickStart, m_buildRoute, m_clearRoute, m_followRoute, m_saveRoute}) {
        tools->addWidget(button);
    }
    tools->addStretch();
    tools->addWidget(m_pointer);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kEdgeMarginPixels / 2, kEdgeMarginPixels / 2, kEdgeMarginPixels / 2, kEdgeMarginPixels / 2);
    layout->addLayout(tools);
    layout->addWidget(m_canvas, 1);
    resize(kDefaultWindowSize);

    connect(m_follow, &QToolButton::toggled, this, [this](bool on) {
        if (on && m_snapshot.ship) {
            m_view.centreOn(m_snapshot.ship->position);
            m_canvas->update();
        }
    });
    connect(m_pickStart, &QToolButton::toggled, this, [this](bool on) {
        if (on) m_buildRoute->setChecked(false);
        m_canvas->setCursor(on || m_buildRoute->isChecked() ? Qt::CrossCursor : Qt::ArrowCursor);
    });
    connect(m_buildRoute, &QToolButton::toggled, this, [this](bool on) {
        if (on) m_pickStart->setChecked(false);
        m_canvas->setCursor(on || m_pickStart->isChecked() ? Qt::CrossCursor : Qt::ArrowCursor);
    });
    connect(m_clearRoute, &QToolButton::clicked, this, &TrackView::clearDraft);
    connect(m_saveRoute, &QToolButton::clicked, this, &TrackView::requestSave);
    connect(m_followRoute, &QToolButton::clicked, this, &TrackView::requestFollow);
    connect(m_zoomIn, &QToolButton::clicked, this, [this] { zoomBy(kZoomPerButton, {m_view.size().width / 2, m_view.size().height / 2}); });
    connect(m_zoomOut, &QToolButton::clicked, this, [this] { zoomBy(1 / kZoomPerButton, {m_view.size().width / 2, m_view.size().height / 2}); });
    updateSaveEnabled();
}

TrackView::~TrackView() = default;

QWidget* TrackView::chart() const { return m_canvas; }

void TrackView::setSnapshot(const ChartSnapshot& snapshot) {
    m_snapshot = snapshot;
    if (m_snapshot.ship && m_follow->isChecked()) m_view.centreOn(m_snapshot.ship->position);
    updateSaveEnabled();
    m_canvas->update();
}

TrackLayer& TrackView::track(TrackKind kind) { return kind == TrackKind::Sent ? m_sentTrack : m_voyageTrack; }

void TrackView::appendTrack(TrackKind kind, const std::vector<GeoPoint>& positions) {
    track(kind).append(positions);
    m_canvas->update();
}

void TrackView::appendTrack(TrackKind kind, GeoPoint position) {
    track(kind).append(position);
    m_canvas->update();
}

void TrackView::clearTrack(TrackKind kind) {
    track(kind).clear();
    m_canvas->update();
}

std::size_t TrackView::trackSize(TrackKind kind) const {
    return kind == TrackKind::Sent ? m_sentTrack.size() : m_voyageTrack.size();
}

void TrackView::setCoastline(CoastlineSource* source) {
    m_coastline = source;
    m_coast = CoastLayer();
    m_canvas->update();
}

QString TrackView::chartNote() const { return m_coastline ? QString() : QString::fromUtf8(kNoCoastlineNote); }

bool TrackView::followShip() const { return m_follow->isChecked(); }

void TrackView::setFollowShip(bool on) { m_follow->setChecked(on); }

void TrackView::setChartView(const ChartView& view) {
    m_view = ChartView(view.centre(), view.pixelsPerDegree(), m_view.size());
    m_canvas->update();
}

const ChartTarget* TrackView::targetOf(std::uint32_t mmsi) const {
    for (const ChartTarget& target : m_snapshot.targets) {
        if (target.mmsi == mmsi) return &target;
    }
    return nullptr;
}

QString TrackView::shownTargetText(std::uint32_t mmsi) const {
    const ChartTarget* target = targetOf(mmsi);
    return target ? QString::fromStdString(targetLabel(*target)) : QString();
}

std::optional<ShownCpa> TrackView::shownTargetCpa(std::uint32_t mmsi) const {
    const ChartTarget* target = targetOf(mmsi);
    return target ? shownCpa(*target) : std::nullopt;
}

void TrackView::canvasResized(QSize size) {
    m_view.resize({static_cast<double>(size.width()), static_cast<double>(size.height())});
}

void TrackView::canvasClicked(QPoint at) {
    const GeoPoint position = m_view.toGeo(fromQt(at));
    if (m_pickStart->isChecked()) {
        m_pickStart->setChecked(false);
        emit startPositionPicked(position.lat, position.lon);
    } else if (m_buildRoute->isChecked()) {
        addWaypoint(position);
    }
}

void TrackView::canvasDragged(QPoint by) {
    m_follow->setChecked(false);
    m_view.panBy(by.x(), by.y());
    m_canvas->update();
}

void TrackView::canvasWheeled(QPoint at, double notches) {
    // Following keeps the ship in the middle, so the wheel zooms about it then.
    const ScreenPoint anchor = m_follow->isChecked() && m_snapshot.ship ? m_view.toScreen(m_snapshot.ship->position)
                                                                        : fromQt(at);
    zoomBy(std::pow(kZoomPerNotch, notches), anchor);
}

void TrackView::zoomBy(double factor, ScreenPoint anchor) {
    m_view.zoomAbout(anchor, factor);
    m_canvas->update();
}

void TrackView::canvasHovered(QPoint at) {
    m_pointer->setText(QString::fromStdString(positionText(m_view.toGeo(fromQt(at)))));
}

void TrackView::canvasContextMenu(QPoint at, QPoint global) {
    const GeoPoint position = m_view.toGeo(fromQt(at));
    QMenu menu(this);
    QAction* start = menu.addAction(tr("Set start position here"));
    start->setObjectName(QStringLiteral("setStartHere"));
    QAction* waypoint = menu.addAction(tr("Add waypoint here"));
    waypoint->setObjectName(QStringLiteral("addWaypointHere"));
    QAction* centre = menu.addAction(tr("Centre here"));
    centre->setObjectName(QStringLiteral("centreHere"));
    menu.addSeparator();
    QAction* clear = menu.addAction(tr("Clear route"));
    clear->setEnabled(!m_draft.empty());
    QAction* follow = menu.addAction(tr("Follow route"));
    follow->setEnabled(!m_draft.empty());
    QAction* save = menu.addAction(tr("Save route as GPX..."));
    save->setEnabled(m_saveRoute->isEnabled());
    QAction* chosen = menu.exec(global);
    if (chosen == clear) {
        clearDraft();
    } else if (chosen == follow) {
        requestFollow();
    } else if (chosen == save) {
        requestSave();
    } else if (chosen == start) {
        emit startPositionPicked(position.lat, position.lon);
    } else if (chosen == waypoint) {
        addWaypoint(position);
    } else if (chosen == centre) {
        m_follow->setChecked(false);
        m_view.centreOn(position);
        m_canvas->update();
    }
}

QString TrackView::toolTipAt(QPoint at) const {
    const std::optional<ChartPick> pick = pickAt(m_snapshot, m_draft, m_view, fromQt(at), kPickRadiusPixels);
    if (!pick) return {};
    switch (pick->kind) {
    case ChartPick::Kind::Target: return QString::fromStdString(targetLabel(m_snapshot.targets[pick->index]));
    case ChartPick::Kind::Waypoint:
        return QString::fromStdString(waypointText(m_snapshot.route->waypoints[pick->index], m_snapshot.route->name));
    case ChartPick::Kind::DraftWaypoint: return QString::fromStdString(waypointText(m_draft[pick->index], {}));
    }
    return {};
}

void TrackView::addWaypoint(GeoPoint position) {
    m_draft.push_back({draftWaypointName(m_draft.size() + 1), position});
    updateSaveEnabled();
    m_canvas->update();
    emit routeWaypointsChanged(m_draft);
}

void TrackView::clearDraft() {
    if (m_draft.empty()) return;
    m_draft.clear();
    updateSaveEnabled();
    m_canvas->update();
    emit routeWaypointsChanged(m_draft);
}

void TrackView::requestSave() {
    if (!m_draft.empty()) emit saveRouteRequested(m_draft);
    else if (m_snapshot.route && !m_snapshot.route->waypoints.empty()) emit saveRouteRequested(m_snapshot.route->waypoints);
}

void TrackView::requestFollow() {
    if (m_draft.empty()) return;
    const std::vector<RouteWaypoint> waypoints = m_draft;
    m_buildRoute->setChecked(false);
    clearDraft();
    emit followRouteRequested(waypoints);
}

void TrackView::updateSaveEnabled() {
    const std::size_t count = !m_draft.empty() ? m_draft.size() : (m_snapshot.route ? m_snapshot.route->waypoints.size() : 0);
    m_saveRoute->setEnabled(count >= 2);
    m_clearRoute->setEnabled(!m_draft.empty());
    m_followRoute->setEnabled(!m_draft.empty());
}

void TrackView::paintChart(QPainter& painter) {
    const QRectF area(0, 0, m_view.size().width, m_view.size().height);
    painter.fillRect(area, QColor(kSeaColour));

    if (m_coastline) {
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(penOf(Ink::Coast));
        drawRuns(painter, m_coast.screenLines(*m_coastline, m_view));
    }

    painter.setRenderHint(QPainter::Antialiasing, false);
    const ChartGrid grid = chartGrid(m_view);
    painter.setPen(QPen(QColor(kGridColour), 1));
    for (const GridLine& line : grid.meridians) painter.drawLine(QPointF(line.screen, 0), QPointF(line.screen, area.bottom()));
    for (const GridLine& line : grid.parallels) painter.drawLine(QPointF(0, line.screen), QPointF(area.right(), line.screen));
    painter.setPen(QColor(kGridTextColour));
    const int textHeight = painter.fontMetrics().height();
    for (const GridLine& line : grid.meridians) {
        painter.drawText(QPointF(line.screen + kLabelGapPixels, textHeight), QString::fromStdString(line.label));
    }
    for (const GridLine& line : grid.parallels) {
        painter.drawText(QPointF(kLabelGapPixels, line.screen - kLabelGapPixels), QString::fromStdString(line.label));
    }

    // The tracks are many short lines: drawn without smoothing, which would cost more than all
    // the rest together.
    painter.setPen(QPen(QColor(kVoyageTrackColour), kTrackPenWidth));
    drawRuns(painter, m_voyageTrack.screenRuns(m_view));
    painter.setPen(QPen(QColor(kTrackColour), kTrackPenWidth));
    drawRuns(painter, m_sentTrack.screenRuns(m_view));

    painter.setRenderHint(QPainter::Antialiasing, true);
    const ChartScene scene = buildScene(m_snapshot, m_draft, m_view, kVectorMinutes);
    painter.setBrush(Qt::NoBrush);
    for (const ScenePolyline& line : scene.lines) {
        painter.setPen(penOf(line.ink));
        painter.drawPolyline(toPolygon(line.points));
    }
    for (const SceneCircle& circle : scene.circles) {
        painter.setPen(penOf(circle.ink));
        painter.setBrush(brushOf(circle.ink));
        painter.drawEllipse(toQt(circle.centre), circle.radius, circle.radius);
    }
    for (const SceneShape& shape : scene.shapes) {
        painter.setPen(penOf(shape.ink));
        painter.setBrush(brushOf(shape.ink));
        painter.drawPolygon(toPolygon(shape.outline));
    }
    painter.setBrush(Qt::NoBrush);
    for (const SceneLabel& label : scene.labels) {
        painter.setPen(textColourOf(label.ink));
        painter.drawText(QRectF(toQt(label.topLeft), kLabelBox), Qt::AlignLeft | Qt::AlignTop,
                         QString::fromStdString(label.text));
    }

    const ScaleBar bar = scaleBar(m_view, kScaleBarMaxPixels);
    const QPointF barStart(kEdgeMarginPixels * 2, area.bottom() - kEdgeMarginPixels * 2);
    const QPointF barEnd = barStart + QPointF(bar.pixels, 0);
    const QString barText = QString::fromStdString(bar.label);
    const qreal barTop = barStart.y() - kScaleBarTickPixels - kLabelGapPixels - textHeight;
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(QRectF(QPointF(barStart.x() - kLabelGapPixels, barTop),
                            QPointF(std::max(barEnd.x(), barStart.x() + painter.fontMetrics().horizontalAdvance(barText)) +
                                        kLabelGapPixels,
                                    barStart.y() + kLabelGapPixels)),
                     QColor(kSeaColour));
    painter.setPen(QPen(QColor(kOutlineColour), 2));
    painter.drawLine(barStart, barEnd);
    painter.drawLine(barStart, barStart - QPointF(0, kScaleBarTickPixels));
    painter.drawLine(barEnd, barEnd - QPointF(0, kScaleBarTickPixels));
    painter.drawText(barStart - QPointF(0, kScaleBarTickPixels + kLabelGapPixels), barText);

    const QString note = chartNote();
    if (!note.isEmpty()) {
        painter.setPen(QColor(kGridTextColour));
        painter.drawText(area.adjusted(kEdgeMarginPixels, kEdgeMarginPixels, -kEdgeMarginPixels, -kEdgeMarginPixels),
                         Qt::AlignRight | Qt::AlignBottom, note);
    }
}

}  // namespace pelora
