#pragma once

#include <QFile>
#include <QObject>
#include <QSet>

class VelmoWidget;

// The two start-up options of velmoApp, for scripted starts (benchmarks,
// test stands):
//
// `--connect <id>`: once the main window has painted for the first time,
// connect to the controller with that device id as 连接 would.
//
// `--startup-report <file>`: append one line per start-up milestone,
// "<milestone> <ms>", the time in ms of QElapsedTimer's monotonic clock
// (CLOCK_MONOTONIC on Linux), so that a launcher reading the same clock
// before it starts the program gets the time to each milestone:
//   window-shown           the main window has painted for the first time
//   connected              the --connect controller is open, its panels created
//   connect-failed         it could not be opened
//   axes-polling <ms> <n>  every one of the n panels has had its first state reply
// Each milestone is written once; the file is flushed after every line.
class StartupSequence : public QObject
{
    Q_OBJECT

public:
    // connectId 0: no connection at start; reportPath empty: no report.
    StartupSequence(VelmoWidget *window, int connectId, const QString &reportPath);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectController();
    void write(const QString &milestone, const QString &detail = QString());
    void axisPolled(int axis);

    VelmoWidget *m_window;
    int m_connectId;
    QFile m_report;
    bool m_windowShown = false;
    bool m_connected = false;
    bool m_pollingReported = false;
    QSet<int> m_polledAxes;
};
