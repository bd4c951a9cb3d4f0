#pragma once

#include <QString>

class QWidget;

// The message box every window uses for errors, information and yes/no
// questions: "确认" / "取消" on a light card, sized to the longest line.
// The windows differ only in the box and label sizes, given by the variant.
class StyledMessageBox
{
public:
    enum class Variant {
        MainWindow,     // VelmoWidget: 600 x 400, label 80 high
        CycleDialog,    // CycleOperationWidget: 600 x 500, label 120 high
        ParameterPopup, // Move/Jog/DriveParamWidget: 60000 x 400, label 100 high
        AddAxisDialog,  // AddControlsWidget: 60000 x 400, label 80 high
        OptionsDialog   // OptionsWidget: 60000 x 400, label 100 high
    };

    // Shows text modally over parent; true only when "确认" was pressed
    // ("取消", Escape and closing the box give false).
    static bool show(QWidget *parent, const QString &text, Variant variant);

    // Widest line of text at 18 px in the application font (0 for no line).
    static int textWidth(const QString &text);
    // The box's style sheet for a text of the given width.
    static QString styleSheet(int textWidth, Variant variant);
};
