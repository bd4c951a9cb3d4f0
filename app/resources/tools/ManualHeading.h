#pragma once

#include <QString>

// One heading of the manual as the table of contents lists it.
struct ManualHeading
{
    int level = 0;  // 1 for a chapter, 2 for its sections, ...
    QString text;
    int page = 0;   // zero-based page within the document that holds it
};
