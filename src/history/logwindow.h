#pragma once
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

namespace Ui { class LogWindow; }
namespace house { class HouseStore; }
class HelpMode;
class LogModel;
class SettingsStore;

// "Napló": the log's lines, newest first, in a window of its own beside the
// main window. The filter box keeps the rows that hold its text (letter case
// ignored); "Másolás" copies the chosen rows as tab-separated text.
class LogWindow : public QWidget
{
    Q_OBJECT
public:
    // parent's log window, made the first time; every call reads the log anew.
    static LogWindow *showFor(QWidget &parent, house::HouseStore &store, SettingsStore &settings, HelpMode &help);
    ~LogWindow() override;

    static QStringList headers();
    Ui::LogWindow &ui() { return *m_ui; }
    // What "Másolás" copies: the header and the chosen rows, or every row
    // the filter lets through when none is chosen; a line each.
    QString rowsAsText() const;

private:
    LogWindow(QWidget &parent, house::HouseStore &store);
    void refill();
    void applyFilter();
    void showCount();
    void copyRows();

    house::HouseStore &m_store;
    std::unique_ptr<Ui::LogWindow> m_ui;
    LogModel *m_model;
};
