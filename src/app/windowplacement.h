#pragma once
#include <QMargins>
#include <QObject>
#include <QRect>
#include <QString>

class QScreen;
class QTableView;
class QTimer;
class QWidget;
class SettingsStore;

// Where a window of its own (beside the main window) opens and how big it is,
// kept between runs in the settings: "belvarium" / "ablakok" / key, as
// "x,y,w,h". The first time it opens over the middle of its parent, on the
// parent's screen; a saved place that lies on no screen any more (a monitor
// taken away) comes onto the parent's screen. It never opens past the edge
// of a screen.
//
// Made once, right after the window is built and before it is first shown;
// it places the window at once and lives as long as the window does.
class WindowPlacement : public QObject
{
    Q_OBJECT
public:
    WindowPlacement(QWidget &window, QWidget &parent, SettingsStore &settings, const QString &key);
    ~WindowPlacement() override;

    // Sizes the table's columns to their contents and widens its window,
    // within its screen, so that they all show whole.
    static void fitColumns(QTableView *table);
    // rect (a window's inside, without its frame) moved, and shrunk if need
    // be, so that it lies with its frame within the screen's free area.
    static QRect clamped(QRect rect, const QScreen *screen, const QMargins &frame);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void place();
    void save();

    QWidget &m_window;
    QWidget &m_parent;
    SettingsStore &m_settings;
    QString m_key;
    QTimer *m_saveTimer;
    QRect m_saved;   // what the settings hold
    QRect m_current; // where the window is now, to be saved
};
