#pragma once

class QWidget;

// Builds the gallery: the program's main window with its title and menu
// bars, in its panel area the axis panel
// with one of its overlays if asked, every button state side by side, a
// dialog card, the three parameter pop-ups, spin boxes, check boxes, combo
// boxes and lamps, all styled by the application style sheet.
class Gallery
{
public:
    // An overlay of the axis panel to show open.
    enum class Overlay { None, Cycle, DeviceParam, Connection };

    // english: the connect button shows its English image set.
    static QWidget *build(bool english, Overlay overlay = Overlay::None);
};
