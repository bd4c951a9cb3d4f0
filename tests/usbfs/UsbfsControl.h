// Test-side access to velmo-usbfs-run: checks that the process really runs on
// the real libusb under the emulation, and sends control commands (unplug,
// faults, counters) over the socket named by VELMO_USBFS_CONTROL.
#ifndef VELMO_TESTS_USBFSCONTROL_H
#define VELMO_TESTS_USBFSCONTROL_H

#include <QString>

class UsbfsControl
{
public:
    // Exit code CTest takes as "skipped".
    static constexpr int SkipExitCode = 77;

    // False, with the reason, when this process is not under the emulation or
    // not linked to the real libusb.
    static bool environmentUsable(QString *why);

    // Sends one command line and returns the reply line ("ok ..." / "error ...").
    static QString send(const QString &command);
    static bool ok(const QString &command) { return send(command).startsWith(QLatin1String("ok")); }

    // One counter from "stats <id>", -1 when missing.
    static long stat(int deviceId, const QString &name);

    // Threads of this process whose name contains `part` (the library's reader is "UsbDev").
    static int threadsNamed(const QString &part);
};

// main() for a QtTest class that only makes sense under the emulation.
#define VELMO_USBFS_TEST_MAIN(TestClass)                                                                   \
    int main(int argc, char **argv)                                                                        \
    {                                                                                                      \
        QCoreApplication app(argc, argv);                                                                  \
        QString why;                                                                                       \
        if (!UsbfsControl::environmentUsable(&why)) {                                                      \
            std::fprintf(stderr, "SKIP: %s\n", qPrintable(why));                                            \
            return UsbfsControl::SkipExitCode;                                                             \
        }                                                                                                  \
        TestClass test;                                                                                    \
        return QTest::qExec(&test, argc, argv);                                                            \
    }

#endif
