#pragma once
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

class Form1;
class QMenu;
class QPushButton;

// Help mode and the hover look of the six large buttons; torles gives every
// large button its resting look back and hides the help panel.
class HelpMode : public QObject
{
    Q_OBJECT
public:
    explicit HelpMode(Form1 &form);

    void torles();
    void hoverLargeButton(QPushButton *button);
    void hoverExit();

    // Commands beyond the large buttons carry their explanation as their
    // whatsThis text; in help mode, hovering a menu entry or such a control
    // shows it in the panel.
    void watchMenu(QMenu *menu);
    void watchWidget(QWidget *widget);

    // Sets the help panel's text; one that does not fit the panel at the
    // usual size gets a smaller font, so that all of it shows without
    // scrolling (the scroll bar cannot be reached: the way to it hides the
    // panel).
    void showHelpText(const QString &text);

    static QString helpText(const QString &buttonName);
    // Every name helpText has a text for, sorted.
    static QStringList helpTextNames();

    // Twips of a large button's two looks.
    struct Look {
        int restLeft;
        int restWidth;
        int hoverLeft;
        int hoverWidth;
    };
    static Look lookOf(const QString &buttonName);

    static constexpr int RestTop = 360, RestHeight = 330, HoverTop = 285, HoverHeight = 480;
    // The panel's usual size (10 as 96 dpi shows it) and the least a long
    // text may shrink to.
    static constexpr qreal HelpPointSize = 9.75, SmallestHelpPointSize = 7;
    static constexpr int PanelLeft = 0, PanelTop = 6060, PanelWidth = 11355;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void growPanel();
    // The panel shown (grown the first time) with this text.
    void showPanel(const QString &text);

    Form1 &m_form;
    QList<QPushButton *> m_largeButtons; // in torles' order
};
