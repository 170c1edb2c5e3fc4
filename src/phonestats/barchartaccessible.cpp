#include "barchartaccessible.h"

#include "barchart.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QWindow>

namespace {
// One bar: an item without an object of its own, made when asked for and
// kept in the accessibility cache until its chart has fewer bars or is gone.
class BarAccessible : public QAccessibleInterface {
public:
    BarAccessible(BarChart *chart, int bar)
        : m_chart(chart)
        , m_bar(bar) {}

    bool isValid() const override { return m_chart && m_bar < m_chart->BarCount(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override {
        return m_chart ? m_chart->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface *parent() const override {
        return m_chart ? QAccessible::queryAccessibleInterface(m_chart) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !isValid())
            return {};
        return m_chart->Lines().value(m_bar);
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect row = m_chart->BarRow(m_bar);
        return QRect(m_chart->mapToGlobal(row.topLeft()), row.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.readOnly = true;
        state.focusable = true;
        state.focused = m_chart->hasFocus() && m_chart->CurrentBar() == m_bar;
        state.invisible = !m_chart->isVisible();
        return state;
    }

private:
    QPointer<BarChart> m_chart;
    int m_bar;
};

class BarChartAccessible : public QAccessibleWidget {
public:
    explicit BarChartAccessible(BarChart *chart)
        : QAccessibleWidget(chart, QAccessible::List) {}
    ~BarChartAccessible() override { Forget(0); }

    int childCount() const override { return Chart()->BarCount(); }
    QAccessibleInterface *child(int index) const override {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (const auto kept = m_bars.constFind(index); kept != m_bars.cend())
            return QAccessible::accessibleInterface(kept.value());
        auto *bar = new BarAccessible(Chart(), index);
        m_bars.insert(index, QAccessible::registerAccessibleInterface(bar));
        return bar;
    }
    int indexOfChild(const QAccessibleInterface *child) const override {
        for (auto kept = m_bars.cbegin(); kept != m_bars.cend(); ++kept) {
            if (QAccessible::accessibleInterface(kept.value()) == child)
                return kept.key();
        }
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override {
        const QPoint at = Chart()->mapFromGlobal(QPoint(x, y));
        for (int bar = 0; bar < childCount(); ++bar) {
            if (Chart()->BarRow(bar).contains(at))
                return child(bar);
        }
        return nullptr;
    }
    QAccessibleInterface *focusChild() const override {
        return Chart()->hasFocus() ? child(Chart()->CurrentBar()) : nullptr;
    }

    void TellChanges() {
        const QStringList lines = Chart()->Lines();
        const int kept = static_cast<int>(std::min(lines.size(), m_told.size()));
        for (int bar = 0; bar < kept; ++bar) {
            if (lines[bar] != m_told[bar]) {
                QAccessibleEvent renamed(child(bar), QAccessible::NameChanged);
                QAccessible::updateAccessibility(&renamed);
            }
        }
        if (lines.size() != m_told.size()) {
            Forget(static_cast<int>(lines.size()));
            QAccessibleEvent reordered(Chart(), QAccessible::ObjectReorder);
            QAccessible::updateAccessibility(&reordered);
        }
        m_told = lines;
    }

private:
    BarChart *Chart() const { return static_cast<BarChart *>(widget()); }
    // Lets go of the items from the bar given on.
    void Forget(int from) {
        for (auto kept = m_bars.begin(); kept != m_bars.end();) {
            if (kept.key() >= from) {
                QAccessible::deleteAccessibleInterface(kept.value());
                kept = m_bars.erase(kept);
            } else {
                ++kept;
            }
        }
    }

    mutable QHash<int, QAccessible::Id> m_bars;
    QStringList m_told;
};

QAccessibleInterface *MakeInterface(const QString &className, QObject *object) {
    if (className == QLatin1StringView(BarChart::staticMetaObject.className()) && object &&
        object->isWidgetType())
        return new BarChartAccessible(static_cast<BarChart *>(object));
    return nullptr;
}
} // namespace

void InstallBarChartAccessible() {
    static const bool installed = [] {
        QAccessible::installFactory(&MakeInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

void TellBarChartChanges(BarChart *chart) {
    if (auto *accessible =
            dynamic_cast<BarChartAccessible *>(QAccessible::queryAccessibleInterface(chart)))
        accessible->TellChanges();
}
