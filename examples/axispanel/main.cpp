// velmo_axis_panel: operates one axis of the first controller on the bus
// from its axis panel, wired to the device service the way the main window
// wires its panels.
//
//   velmo_axis_panel [--axis <index>] [--lang zh|en] [--quit-after <ms>]
//
// The axis's stage model comes from its motor parameter block; an axis
// without one gets a 0..50 mm model so that it can still be moved.

#include "AppResources.h"
#include "LanguageOption.h"
#include "SerialComDev.h"
#include "VelmoControlWidget.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <cstring>

namespace {

VelmoDevParam modelOfAxis(SerialComDev *service, int axis)
{
    MotorParams block;
    std::memset(&block, 0, sizeof block);
    if (service->getMotorParams(axis, &block) == 0 && block.maxPos > block.minPos)
        return devParamFromMotorBlock(block);
    VelmoDevParam param;
    param.name = QStringLiteral("—");
    param.unitString = QStringLiteral("mm");
    param.maxSpeed = 10;
    param.maxAcc = 50;
    param.maxPos = 50;
    param.maxRockerSpeed = 5;
    return param;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    AppResources::init();

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption axisOption(QStringLiteral("axis"), QStringLiteral("Axis index, from 0."),
                                        QStringLiteral("index"), QStringLiteral("0"));
    const QCommandLineOption lang = examples::languageOption();
    const QCommandLineOption quitAfter(QStringLiteral("quit-after"), QStringLiteral("Quit after <ms>."),
                                       QStringLiteral("ms"));
    parser.addOptions({axisOption, lang, quitAfter});
    parser.process(app);

    QTranslator translator;
    if (!examples::applyLanguage(parser, lang, translator, "velmo_axis_panel"))
        return 1;
    AppResources::applyProgramLook();

    int ids[16] = {};
    const int found = listKXMotorControlerDevices(ids, 16);
    if (found <= 0) {
        std::fprintf(stderr, "velmo_axis_panel: no controller on the bus (try LD_LIBRARY_PATH=build/sim)\n");
        return 1;
    }
    SerialComDev *service = SerialComDev::instance();
    const int opened = service->openDevice(ids[0]);
    if (opened < 0) {
        std::fprintf(stderr, "velmo_axis_panel: cannot open controller %d (%d)\n", ids[0], opened);
        return 1;
    }
    service->setConnected(true);

    bool ok = false;
    const int axis = parser.value(axisOption).toInt(&ok);
    const int axes = service->getDevAxisCount();
    if (!ok || axis < 0 || axis >= axes) {
        std::fprintf(stderr, "velmo_axis_panel: the controller has %d axes\n", axes);
        service->closeDevice();
        return 2;
    }
    const int init = service->initAxis(axis);
    if (init < 0)
        std::fprintf(stderr, "velmo_axis_panel: reading the axis's parameters failed (%d)\n", init);
    const VelmoDevParam param = modelOfAxis(service, axis);

    auto *panel = new VelmoControlWidget;
    QObject::connect(service, &SerialComDev::signal_updateCurrentPos, panel, &VelmoControlWidget::slot_updateCurrentPos);
    QObject::connect(service, &SerialComDev::signal_updateDevState, panel, &VelmoControlWidget::slot_updateDevState);
    QObject::connect(service, &SerialComDev::signal_showOperationMsg, panel, &VelmoControlWidget::slot_showOperationMsg);
    QObject::connect(panel, &VelmoControlWidget::signal_closed, &app, &QCoreApplication::quit);
    panel->configure(param.name, axis, param);
    panel->logInitialized();
    panel->setWindowTitle(QStringLiteral("velmo — Axis%1").arg(axis + 1));
    panel->move(40, 40);
    panel->show();

    if (parser.isSet(quitAfter))
        QTimer::singleShot(parser.value(quitAfter).toInt(), &app, &QCoreApplication::quit);
    const int result = app.exec();
    delete panel;
    service->closeDevice();
    return result;
}
