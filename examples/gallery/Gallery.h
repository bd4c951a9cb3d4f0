#pragma once

class QWidget;

// Builds the gallery: the program's title and menu bars, an axis panel with
// its image buttons, every button state side by side, a dialog card, a
// parameter pop-up, spin boxes, check boxes, combo boxes and lamps, all
// styled by the application style sheet.
class Gallery
{
public:
    // english: the connect button shows its English image set.
    static QWidget *build(bool english);
};
