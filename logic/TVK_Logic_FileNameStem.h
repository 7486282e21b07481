#pragma once

#include <QString>

// The rule for the stem in front of a picture's number and extension. A stem
// is one file name, never a path: the picture must land in its download
// folder whatever the settings file or the file tab hand in.
class TVK_Logic_FileNameStem
{
public:
    // Why stem cannot begin a picture's file name ("holds a path separator",
    // ...), or an empty text when it can.
    static QString fault(const QString &stem);
    static bool isValid(const QString &stem) { return fault(stem).isEmpty(); }

    // The longest stem in UTF-8 bytes: room is left for the largest number a
    // file name can carry and for ".DNG" or ".JPG".
    static int maxBytes();
};
