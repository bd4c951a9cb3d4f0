#pragma once

#include <QDir>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Takes a list of screenshots in order. Each shot has a step that brings
// the windows into the state to show and returns the widget to capture (null
// when that state could not be reached) and an optional step that tidies up
// afterwards. The picture is the widget's own rendering (QWidget::grab), so
// no screen or window manager is needed.
class ShotRunner
{
public:
    using Prepare = std::function<QWidget *()>;
    using Tidy = std::function<void()>;

    explicit ShotRunner(const QDir &output);

    // Appends a shot saved as <output>/<name>.png.
    void add(const QString &name, const Prepare &prepare, const Tidy &tidy = Tidy());
    // Appends a shot of the modal box that open() brings up; the box is
    // answered with its first button once captured.
    void addModal(const QString &name, const std::function<void()> &open);
    // Takes every shot; stops at the first that fails, with error() saying which.
    bool run();
    QString error() const { return m_error; }
    // File names (without folder) of the pictures saved, in order.
    QStringList saved() const { return m_saved; }

    // Processes events until condition holds; false after timeoutMs.
    static bool waitUntil(const std::function<bool()> &condition, int timeoutMs);
    // Processes events for ms.
    static void settle(int ms);
    // Clicks the child push button called objectName; false when there is none.
    static bool click(QWidget *parent, const QString &objectName);
    // Runs action while a timer waits for the modal box it opens, hands
    // the box to seen and answers it with its first button. False when no
    // box came.
    static bool answerModal(const std::function<void()> &action, const std::function<void(QWidget *box)> &seen);

private:
    struct Shot
    {
        QString name;
        Prepare prepare;
        Tidy tidy;
        std::function<void()> openModal;
    };

    bool save(const QString &name, QWidget *widget);

    QDir m_output;
    QList<Shot> m_shots;
    QStringList m_saved;
    QString m_error;
};
