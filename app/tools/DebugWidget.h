#pragma once

#include <QWidget>

#include <memory>

class Heart;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
struct MotorParams;

namespace Ui {
class DebugWidget;
}

// Developer panel: one button per library export, called directly with the
// controller the device service has open and the axis chosen in the panel,
// showing the raw result (return code or value read). Every call holds
// SerialComDev::libMutex, so it never interleaves with the service's own
// calls; it runs on the GUI thread and blocks it until the library returns.
// Besides the single commands it reads and writes the motor parameter block,
// edits the two position compensation tables, erases the stage's ID chip and
// runs a heartbeat of its own.
class DebugWidget : public QWidget
{
    Q_OBJECT

public:
    // Always a top-level window, also when given a parent (which then only
    // owns it).
    explicit DebugWidget(QWidget *parent = nullptr);
    ~DebugWidget() override;

    // The panel's own heartbeat; null until the heartbeat is first started.
    Heart *heart() const { return m_heart.get(); }

public slots:
    // Failed beats of the panel's heartbeat so far.
    void hertBreak(int n);

private slots:
    void on_pushButton_1_clicked();
    void on_pushButton_2_clicked();
    void on_pushButton_22_clicked();
    void on_pushButton_3_clicked();
    void on_pushButton_4_clicked();
    void on_pushButton_24_clicked();
    void on_pushButton_5_clicked();
    void on_pushButton_25_clicked();
    void on_pushButton_6_clicked();
    void on_pushButton_26_clicked();
    void on_pushButton_7_clicked();
    void on_pushButton_27_clicked();
    void on_pushButton_8_clicked();
    void on_pushButton_28_clicked();
    void on_pushButton_9_clicked();
    void on_pushButton_29_clicked();
    void on_pushButton_10_clicked();
    void on_pushButton_30_clicked();
    void on_pushButton_11_clicked();
    void on_pushButton_31_clicked();
    void on_pushButton_12_clicked();
    void on_pushButton_32_clicked();
    void on_pushButton_13_clicked();
    void on_pushButton_33_clicked();
    void on_pushButton_14_clicked();
    void on_pushButton_34_clicked();
    void on_pushButton_15_clicked();
    void on_pushButton_35_clicked();
    void on_pushButton_16_clicked();
    void on_pushButton_36_clicked();
    void on_pushButton_17_clicked();
    void on_pushButton_37_clicked();
    void on_pushButton_18_clicked();
    void on_pushButton_38_clicked();
    void on_pushButton_19_clicked();
    void on_pushButton_39_clicked();
    void on_pushButton_41_clicked();
    void on_pushButton_51_clicked();
    void on_pushButton_42_clicked();
    void on_pushButton_52_clicked();
    void on_pushButton_43_clicked();
    void on_pushButton_53_clicked();
    void on_pushButton_45_clicked();
    void on_pushButton_55_clicked();
    void on_pushButton_46_clicked();
    void on_pushButton_56_clicked();
    void on_pushButton_47_clicked();
    void on_pushButton_20_clicked();
    void on_pushButton_40_clicked();
    void on_pushButton_60_clicked();
    void on_pushButton_61_clicked();
    void on_pushButton_48_clicked();
    void on_pushButton_58_clicked();
    void on_pushButton_49_clicked();
    void on_pushButton_59_clicked();
    void on_pushButton_44_clicked();
    void on_pushButton_54_clicked();
    void on_pushButton_writeMotorParams_clicked();
    void on_pushButton_readMorotParams_clicked();
    void on_pushButton_clear_clicked();
    void on_pushButton_pos_conpen_enable_clicked();
    void on_pushButton_pos_conpen_disable_clicked();
    void on_pushButton_clicked();
    void on_pushButton_pos_conpen_write_clicked();

private:
    // Library calls as the panel makes them; the exports without an axis
    // are wrapped in captureless lambdas that ignore it.
    using Action = int (*)(int id, int axis);
    using DirectionAction = int (*)(int id, int axis, int direction);
    using DoubleSetter = int (*)(int id, int axis, double value);
    using IntSetter = int (*)(int id, int axis, int value);
    using IntGetter = int (*)(int id, int axis);
    using DoubleGetter = double (*)(int id, int axis);
    using TextSetter = int (*)(int id, int axis, const char *text, int length);
    using TextGetter = int (*)(int id, int axis, char *buffer, int size);

    enum class Shown { RowAndMessage, RowOnly };

    int axis() const;
    void showCode(int code);
    // A setter's row that does not parse: nothing is sent.
    void refuseInput(const QPushButton *button);

    void runAction(Action call);
    void runDirection(DirectionAction call, int direction);
    void runDoubleSetter(const QPushButton *button, const QLineEdit *edit, DoubleSetter call);
    void runIntSetter(const QPushButton *button, const QLineEdit *edit, IntSetter call);
    void runUnsignedSetter(const QPushButton *button, const QLineEdit *edit, IntSetter call);
    void runTextSetter(const QPushButton *button, const QLineEdit *edit, TextSetter call);
    void runIntGetter(QLineEdit *edit, IntGetter call, Shown shown = Shown::RowAndMessage);
    void runDoubleGetter(QLineEdit *edit, DoubleGetter call, Shown shown = Shown::RowAndMessage);
    void runTextGetter(QLineEdit *edit, TextGetter call);

    // Builds the block from the motor parameter page; false with the
    // message naming the first field that does not parse or fit its type.
    bool pageBlock(MotorParams &block, QString &problem) const;
    void showBlock(const MotorParams &block);
    void setUpCompensationTable();
    void createHeart();

    Ui::DebugWidget *ui;
    QStandardItemModel *m_compensationModel = nullptr;
    std::unique_ptr<Heart> m_heart;
};
