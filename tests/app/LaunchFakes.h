#pragma once
// Fakes for the application delegate's interfaces: a scheduler whose time
// the test moves, a progress panel and an overlay host that record what they
// were asked, and hooks that write each call into one list.
#include "app/shell/LaunchServices.h"
#include "app/shell/QVXController.h"

#include "RuntimeDir.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <map>
#include <vector>

namespace tolvane::test {

class FakeScheduler : public Scheduler
{
public:
    struct Entry {
        double due;
        int order;
        std::function<void()> call;
    };
    std::vector<Entry> pending;
    QList<double> repeatingIntervals;
    std::vector<std::function<void()>> repeating;
    double clock = 0;
    int order = 0;

    void callAfter(double seconds, std::function<void()> call) override
    {
        pending.push_back({clock + seconds, order++, std::move(call)});
    }
    void callEvery(double seconds, std::function<void()> call) override
    {
        repeatingIntervals.append(seconds);
        repeating.push_back(std::move(call));
    }
    // Runs, in time order, every call due up to `seconds` from now.
    void advance(double seconds)
    {
        const double until = clock + seconds + 1e-9;
        for (;;) {
            auto next = std::min_element(pending.begin(), pending.end(), [](const Entry &a, const Entry &b) {
                return a.due < b.due || (a.due == b.due && a.order < b.order);
            });
            if (next == pending.end() || next->due > until)
                break;
            Entry entry = std::move(*next);
            pending.erase(next);
            clock = std::max(clock, entry.due);
            entry.call();
        }
        clock = std::max(clock, until);
    }
};

class FakeProgressPanel : public ProgressPanel
{
public:
    QStringList calls;
    QString text;
    QString title;
    bool visible = false;
    bool spinning = false;

    bool isVisible() const override { return visible; }
    void setTitle(const QString &t) override { title = t; }
    void setText(const QString &t) override
    {
        text = t;
        calls << QStringLiteral("text:") + t;
    }
    void centreOnScreen() override { calls << QStringLiteral("centre"); }
    void orderFront(bool makeKey) override
    {
        visible = true;
        calls << (makeKey ? QStringLiteral("front+key") : QStringLiteral("front"));
    }
    void orderAboveMainWindow() override
    {
        visible = true;
        calls << QStringLiteral("aboveMain");
    }
    void orderOut() override
    {
        visible = false;
        calls << QStringLiteral("out");
    }
    void startSpinner() override
    {
        spinning = true;
        calls << QStringLiteral("spin");
    }
    void stopSpinner() override
    {
        spinning = false;
        calls << QStringLiteral("stop");
    }
};

class FakeOverlayHost : public OverlayHost
{
public:
    struct Overlay {
        QString image;
        QPointF topLeft;
        std::function<void()> clicked;
        QList<double> alphas;
        bool attached = true;
        bool closed = false;
    };
    bool mainWindow = true;
    std::optional<QPointF> popupCorner = QPointF(600, 400);
    std::map<OverlayId, Overlay> overlays;
    OverlayId next = 1;

    bool hasMainWindow() const override { return mainWindow; }
    std::optional<OverlayId> firstChildOverlay() const override
    {
        for (const auto &[id, overlay] : overlays) {
            if (overlay.attached && !overlay.closed)
                return id;
        }
        return std::nullopt;
    }
    std::optional<QPointF> pieceSizePopupBottomLeft() const override { return popupCorner; }
    std::optional<QRectF> mainWindowFrame() const override { return QRectF(100, 100, 800, 600); }
    QSizeF imageSize(const QString &name) const override
    {
        return name == QLatin1String("hoverthing") ? QSizeF(400, 300) : QSizeF(360, 120);
    }
    OverlayId openOverlay(const QString &image, const QPointF &topLeft, std::function<void()> clicked) override
    {
        overlays[next] = {image, topLeft, std::move(clicked), {}, true, false};
        return next++;
    }
    void setOverlayAlpha(OverlayId id, double alpha) override
    {
        if (overlays.count(id))
            overlays[id].alphas.append(alpha);
    }
    void detachOverlay(OverlayId id) override
    {
        if (overlays.count(id))
            overlays[id].attached = false;
    }
    void closeOverlay(OverlayId id) override
    {
        if (overlays.count(id)) {
            overlays[id].attached = false;
            overlays[id].closed = true;
        }
    }
};

} // namespace tolvane::test
