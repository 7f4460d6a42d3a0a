#include "app/windowplacement.h"

#include "app/settingsstore.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLayout>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QWidget>

namespace {

const QString Application = QStringLiteral("belvarium");
const QString Section = QStringLiteral("ablakok");

// A drag moves a window many times a second: it is written once it rests.
constexpr int SaveDelayMs = 500;

// Title bar and borders. Known only once a window is shown; before that its
// parent's, which the same window manager drew.
QMargins frameOf(const QWidget &window)
{
    const QWidget *shown = &window;
    while (shown && shown->frameGeometry() == shown->geometry())
        shown = shown->parentWidget() ? shown->parentWidget()->window() : nullptr;
    if (!shown)
        return {};
    const QRect outer = shown->frameGeometry(), inner = shown->geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

QRect parseRect(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return {};
    int numbers[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        numbers[i] = parts.at(i).trimmed().toInt(&ok);
        if (!ok)
            return {};
    }
    const QRect rect(numbers[0], numbers[1], numbers[2], numbers[3]);
    return rect.width() > 0 && rect.height() > 0 ? rect : QRect();
}

} // namespace

WindowPlacement::WindowPlacement(QWidget &window, QWidget &parent, SettingsStore &settings, const QString &key)
    : QObject(&window)
    , m_window(window)
    , m_parent(parent)
    , m_settings(settings)
    , m_key(key)
    , m_saveTimer(new QTimer(this))
{
    m_saveTimer->setSingleShot(true);
    m_saveTimer->setInterval(SaveDelayMs);
    connect(m_saveTimer, &QTimer::timeout, this, &WindowPlacement::save);
    place();
    m_window.installEventFilter(this);
}

WindowPlacement::~WindowPlacement()
{
    // The program may end while the window is open and just moved.
    save();
}

void WindowPlacement::place()
{
    const QMargins frame = frameOf(m_window);
    m_saved = parseRect(m_settings.value(Application, Section, m_key));
    QRect rect = m_saved;
    const QScreen *screen = rect.isNull() ? nullptr : QGuiApplication::screenAt(rect.center());
    if (!screen) {
        // First time, or its screen is gone: over the parent's middle, on its screen.
        screen = m_parent.screen();
        rect = QRect(QPoint(), rect.isNull() ? m_window.size() : rect.size());
        rect.moveCenter(m_parent.geometry().center());
    }
    m_current = clamped(rect, screen, frame);
    m_window.setGeometry(m_current);
}

QRect WindowPlacement::clamped(QRect rect, const QScreen *screen, const QMargins &frame)
{
    const QRect area = screen->availableGeometry().marginsRemoved(frame);
    rect.setWidth(qMin(rect.width(), area.width()));
    rect.setHeight(qMin(rect.height(), area.height()));
    rect.moveLeft(qBound(area.left(), rect.left(), area.right() - rect.width() + 1));
    rect.moveTop(qBound(area.top(), rect.top(), area.bottom() - rect.height() + 1));
    return rect;
}

void WindowPlacement::fitColumns(QTableView *table)
{
    QHeaderView *header = table->horizontalHeader();
    // At a display scale such as 125 % a column exactly as wide as its text
    // can still cut it short (the text is measured in whole pixels of the
    // program but drawn in those of the screen): a character's room more.
    const int room = table->fontMetrics().averageCharWidth();
    // QTableView keeps the hint of a column's contents to itself; its base does not.
    const QAbstractItemView *view = table;
    QWidget *window = table->window();
    int width = 2 * table->frameWidth() + table->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, table);
    if (!table->verticalHeader()->isHidden())
        width += table->verticalHeader()->width();
    for (int c = 0; c < header->count(); ++c) {
        if (header->isSectionHidden(c))
            continue;
        const int wanted = qMax(view->sizeHintForColumn(c), header->sectionSizeHint(c)) + room;
        header->resizeSection(c, wanted);
        width += wanted;
    }
    if (const QLayout *layout = window->layout())
        width += layout->contentsMargins().left() + layout->contentsMargins().right();
    if (width <= window->width())
        return;
    QRect rect = window->geometry();
    rect.setWidth(width);
    window->setGeometry(clamped(rect, window->screen(), frameOf(*window)));
}

bool WindowPlacement::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_window) {
        switch (event->type()) {
        case QEvent::Show: // also a place set while hidden, as a fit to the columns before the first show
        case QEvent::Move:
        case QEvent::Resize:
            if (m_window.isVisible()) {
                // A maximized window keeps the place it goes back to.
                const QRect normal = m_window.normalGeometry();
                m_current = normal.isValid() ? normal : m_window.geometry();
                m_saveTimer->start();
            }
            break;
        case QEvent::Hide:
            save();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void WindowPlacement::save()
{
    m_saveTimer->stop();
    if (m_current == m_saved || !m_current.isValid())
        return;
    m_saved = m_current;
    m_settings.setValue(Application, Section, m_key,
                        QStringLiteral("%1,%2,%3,%4").arg(m_current.x()).arg(m_current.y()).arg(m_current.width())
                            .arg(m_current.height()));
}
