#pragma once
#include "app/dialogs.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class HelpMode;
class QWidget;
class SettingsStore;
namespace cards { class RevokedCards; }
namespace house { class HouseStore; }
namespace Ui { class RevokedWindow; }

// "Letiltott kártyák": the revoked cards of the data folder with the
// non-residents whose code they are; a number typed by hand is revoked, a
// selected one (a card found again) taken off after a question.
class RevokedWindow : public QObject
{
    Q_OBJECT
public:
    // What the window uses of the program, and nothing more.
    struct Needs
    {
        house::HouseStore &store;
        QWidget &parent;
        SettingsStore &settings;
        HelpMode &help;
        std::function<Dialogs::Answer(const QString &, Dialogs::Buttons, Dialogs::Answer)> ask;
        std::function<QString()> dataFolder;
        std::function<const cards::RevokedCards &()> revoked; // the list as the file holds it now
        std::function<void()> changed;                        // the program changed the list
    };

    explicit RevokedWindow(Needs needs);
    ~RevokedWindow() override;

    // Opens (or raises) the window with the list as it is now.
    void open();
    // Shows the list again, if the window is open.
    void refresh();

    QWidget *window() const { return m_window; }
    Ui::RevokedWindow &ui() const { return *m_ui; }

private:
    void build();
    void add();
    void remove();

    Needs m_needs;
    std::unique_ptr<Ui::RevokedWindow> m_ui;
    QPointer<QWidget> m_window;
};
