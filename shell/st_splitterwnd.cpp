#include "shell/st_splitterwnd.h"

#include "shell/settings.h"

#include <QApplication>
#include <QMouseEvent>

#include <algorithm>

namespace {

constexpr int kFirstPaneWidth = 260;

// The bar reports its release, so that the search panel can lay itself out for its new width.
class ReleasingHandle : public QSplitterHandle {
public:
    ReleasingHandle(Qt::Orientation orientation, ST_SplitterWnd* parent)
        : QSplitterHandle(orientation, parent), m_owner(parent)
    {}

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        QSplitterHandle::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton)
            emit m_owner->barReleased();
    }

private:
    ST_SplitterWnd* m_owner;
};

}  // namespace

ST_SplitterWnd::ST_SplitterWnd(int level, QWidget* parent) : QSplitter(parent), m_level(level)
{
    setObjectName(QStringLiteral("59648"));
    setChildrenCollapsible(false);
}

ST_SplitterWnd::~ST_SplitterWnd()
{
    SaveLayout();
}

QSplitterHandle* ST_SplitterWnd::createHandle()
{
    return new ReleasingHandle(orientation(), this);
}

bool ST_SplitterWnd::Create(QWidget* first, QWidget* second, bool vertical)
{
    m_vertical = vertical;
    setOrientation(vertical ? Qt::Horizontal : Qt::Vertical);
    if (first != nullptr)
        addWidget(first);
    if (second != nullptr) {
        addWidget(second);
        setStretchFactor(count() - 1, 1);
    }
    if (count() == 2) {
        const int total = std::max(width(), kFirstPaneWidth + 100);
        setSizes({kFirstPaneWidth, total - kFirstPaneWidth});
    }
    return true;
}

void ST_SplitterWnd::ToggleHidden(int index)
{
    if (m_hiddenCol == -1)
        CollapseColumn(index);
    else if (index == m_hiddenCol)
        RestoreColumn();
}

void ST_SplitterWnd::CollapseColumn(int column)
{
    if (count() < 2 || column < 0 || column >= count() || m_hiddenCol != -1)
        return;
    NoteSizes();
    m_hiddenCol = column;
    QWidget* hidden = widget(column);
    // The pane that had the focus in the hidden column hands it to the other column.
    if (hidden->isAncestorOf(QApplication::focusWidget()) || hidden == QApplication::focusWidget()) {
        QWidget* other = widget((column + 1) % count());
        other->setFocus(Qt::OtherFocusReason);
    }
    hidden->hide();
    // The remaining pane takes the whole width now, not when the layout request comes round.
    refresh();
}

void ST_SplitterWnd::RestoreColumn()
{
    if (m_hiddenCol == -1)
        return;
    const int column = m_hiddenCol;
    m_hiddenCol = -1;
    widget(column)->show();
    if (count() == 2) {
        const int total = m_vertical ? width() : height();
        const int restored = column == 0 ? m_paneSize0 : m_paneSize1;
        const int handle = handleWidth();
        setSizes(column == 0 ? QList<int>{restored, std::max(0, total - restored - handle)}
                             : QList<int>{std::max(0, total - restored - handle), restored});
    }
}

void ST_SplitterWnd::NoteSizes()
{
    if (!m_vertical || m_hiddenCol != -1 || count() < 2)
        return;
    const QList<int> widths = sizes();
    m_paneSize0 = widths[0];
    m_paneSize1 = widths[1];
    m_minSize0 = std::max(widget(0)->minimumSizeHint().width(), 10);
    m_minSize1 = std::max(widget(1)->minimumSizeHint().width(), 10);
}

// The entry's first pane width comes back within bounds that keep both panes usable on this
// screen: the panel at least kMinimumPanelWidth, the view at least kMinimumViewWidth. A hidden
// column is not hidden again: each start shows both panes, as the first one does.
bool ST_SplitterWnd::LoadLayout(int availableWidth)
{
    auto settings = varo::shell::OpenSettings();
    settings->beginGroup(m_section);
    const QString value = settings->value(QStringLiteral("Panes_%1").arg(m_level)).toString();
    settings->endGroup();
    const QStringList fields = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    bool ok = fields.size() == 4;
    const int width0 = ok ? fields[1].toInt(&ok) : 0;
    if (!ok || count() != 2)
        return false;
    const int widest = std::max(kMinimumPanelWidth, availableWidth - kMinimumViewWidth);
    m_paneSize0 = std::clamp(width0, kMinimumPanelWidth, widest);
    const int total = std::max(width(), m_paneSize0 + kMinimumViewWidth);
    setSizes({m_paneSize0, total - m_paneSize0});
    return true;
}

void ST_SplitterWnd::SaveLayout()
{
    const QString entry = QStringLiteral("Panes_%1").arg(m_level);
    NoteSizes();
    if (m_paneSize0 == -1)
        m_paneSize0 = 100;
    if (m_paneSize1 == -1)
        m_paneSize1 = 100;
    const QString value =
        QStringLiteral("%1 %2 %3 %4").arg(m_hiddenCol).arg(m_paneSize0).arg(m_hiddenRow).arg(m_paneSize1);
    auto settings = varo::shell::OpenSettings();
    settings->beginGroup(m_section);
    settings->setValue(entry, value);
    settings->endGroup();
}
