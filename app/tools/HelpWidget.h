#pragma once

#include <QHash>
#include <QString>
#include <QWidget>

class QEvent;
class QLabel;

namespace Ui {
class HelpWidget;
}

// The help box of the main window: the program's and the controller's
// versions, links into the "help" folder beside the program (the user
// manual and the development kits) and to the project's own page.
class HelpWidget : public QWidget
{
    Q_OBJECT

public:
    explicit HelpWidget(QWidget *parent = nullptr);
    ~HelpWidget() override;

    // The controller's firmware version, shown until the next call.
    void setEmbeddedVersion(const QString &version);
    QString embeddedVersion() const { return m_embeddedVersion; }

    // The project's page shipped in the help folder, as the learn-more link
    // opens it.
    static QString projectPageUrl();

public slots:
    // url: a path below the program's folder, such as "/help/…".
    void slot_linkActivated(const QString &url);

private slots:
    void on_pushButton_close_clicked();

protected:
    void changeEvent(QEvent *event) override;

private:
    // Puts each link's anchor in front of its label's current text, so the
    // links keep working whatever language the label's text is in.
    void applyLinkAnchors();
    void showProgramVersion();

    Ui::HelpWidget *ui;
    QHash<QLabel *, QString> m_anchors; // label -> "<a … href = …>"
    QString m_embeddedVersion;
};
