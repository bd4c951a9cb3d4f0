#include "HelpWidget.h"
#include "ui_HelpWidget.h"

#include "FramelessDialog.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QUrl>

namespace {

// The local targets are written unquoted: the link is the path up to the
// first blank, the "?type=lately" after it is not part of it.
QString localAnchor(const QString &path)
{
    return QStringLiteral("<a style='color: orange; text-decoration: none' href = ") + path
        + QStringLiteral(" ?type=lately>");
}

} // namespace

HelpWidget::HelpWidget(QWidget *parent) : QWidget(parent), ui(new Ui::HelpWidget)
{
    ui->setupUi(this);
    FramelessDialog::apply(this, ui->widget_back, ui->widget_title);

    m_anchors.insert(ui->label_manual, localAnchor(QStringLiteral("/help/台式步进电机驱动控制器用户手册.pdf")));
    m_anchors.insert(ui->label_cplusSdk, localAnchor(QStringLiteral("/help/Tarel_velmo_C++SDK")));
    m_anchors.insert(ui->label_labviewSdk, localAnchor(QStringLiteral("/help/Tarel_velmo_LabViewSDK")));
    m_anchors.insert(ui->label_CSharpSdk, localAnchor(QStringLiteral("/help/Tarel_velmo_C#SDK")));
    m_anchors.insert(ui->label_PythonSdk, localAnchor(QStringLiteral("/help/Tarel_velmo_PythonSDK")));
    m_anchors.insert(ui->label_learnMore, QStringLiteral("<a style='color: orange; text-decoration: none' href='")
                                              + projectPageUrl() + QStringLiteral("'>"));

    ui->label_manual->setText(m_anchors.value(ui->label_manual) + QStringLiteral("查看"));
    ui->label_cplusSdk->setText(m_anchors.value(ui->label_cplusSdk) + QStringLiteral("查看 C++ SDK"));
    ui->label_labviewSdk->setText(m_anchors.value(ui->label_labviewSdk) + QStringLiteral("查看 Labview SDK"));
    ui->label_CSharpSdk->setText(m_anchors.value(ui->label_CSharpSdk) + QStringLiteral("查看 C# SDK"));
    ui->label_PythonSdk->setText(m_anchors.value(ui->label_PythonSdk) + QStringLiteral("查看 Python SDK"));
    ui->label_learnMore->setText(m_anchors.value(ui->label_learnMore) + QStringLiteral("了解更多详细信息"));

    // The project page goes to the system browser; the help folder's files
    // and folders go through slot_linkActivated.
    ui->label_learnMore->setOpenExternalLinks(true);
    for (QLabel *label : {ui->label_manual, ui->label_cplusSdk, ui->label_labviewSdk, ui->label_CSharpSdk,
                          ui->label_PythonSdk})
        connect(label, &QLabel::linkActivated, this, &HelpWidget::slot_linkActivated);

    showProgramVersion();
}

HelpWidget::~HelpWidget()
{
    delete ui;
}

QString HelpWidget::projectPageUrl()
{
    const QUrl page = QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + QStringLiteral("/help/index.html"));
    return QString::fromLatin1(page.toEncoded());
}

void HelpWidget::setEmbeddedVersion(const QString &version)
{
    m_embeddedVersion = version;
    ui->label_3->setText(version);
}

void HelpWidget::slot_linkActivated(const QString &url)
{
    // A missing file or folder is reported by the desktop's handler.
    QDesktopServices::openUrl(QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + url));
}

void HelpWidget::on_pushButton_close_clicked()
{
    hide();
}

void HelpWidget::applyLinkAnchors()
{
    for (auto it = m_anchors.constBegin(); it != m_anchors.constEnd(); ++it)
        it.key()->setText(it.value() + it.key()->text());
}

void HelpWidget::showProgramVersion()
{
    // The form carries a version of its own; the running program's wins.
    const QString version = QCoreApplication::applicationVersion();
    if (!version.isEmpty())
        ui->label_7->setText(QStringLiteral("V") + version);
}

void HelpWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        applyLinkAnchors();
        showProgramVersion();
        ui->label_3->setText(m_embeddedVersion);
    }
    QWidget::changeEvent(event);
}
