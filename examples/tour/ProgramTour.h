#pragma once

#include <QDir>
#include <QObject>
#include <QStringList>
#include <functional>

class VelmoWidget;

// Walks the main window through choosing the language, connecting, moving
// an axis, closing and re-showing a panel, adding an axis by hand with a
// model of each stage type, every page of the options dialog, an unplugged
// controller and disconnecting, clicking as a user would, and saves the
// whole screen after each step.
class ProgramTour : public QObject
{
    Q_OBJECT

public:
    // english: the tour first chooses English in the options dialog.
    ProgramTour(VelmoWidget *window, const QDir &output, const QString &prefix, bool english = false);

    // Runs every step; false (with the reason in error()) when one fails.
    bool run();
    QString error() const { return m_error; }
    // The screenshots written, in order.
    QStringList shots() const { return m_shots; }

private:
    bool step(const QString &what, const std::function<bool()> &action);
    bool shoot(const QString &name);
    void click(QWidget *parent, const char *objectName);
    // Answers the next message box (confirming or not) after a screenshot
    // named shotName; true when one came and its screenshot was saved.
    bool answerNextBox(const std::function<void()> &action, const QString &shotName, bool confirm = true);
    bool languageStep();
    bool addAxisSteps();
    bool optionsSteps();
    bool chartStep();
    bool helpStep();
    bool debugStep();

    VelmoWidget *m_window;
    QDir m_output;
    QString m_prefix;
    QString m_error;
    QStringList m_shots;
    bool m_english = false;
};
