#pragma once

#include <QDateTime>
#include <QString>
#include <QVector>

// A picture's file name made from a template of text and tokens in braces:
// {stem} {number} {number:N} {date} {date:FORMAT} {time} {time:FORMAT}
// {camera} {serial} {session} {original} {ext} {exposure} {aperture} {iso}.
// The template makes the name without its extension, which the store always
// adds (".DNG", ".JPG"); {ext} puts the type's word inside the name as well.
// FORMAT is a QDateTime format ("yyyyMMdd", "HH-mm"); N a width of 1 to 9.
//
// The default template, "{stem}{number:5}", gives the names the program has
// always given (Picture00001). A template is checked once, when the user
// types it, so that a release never meets one it cannot use: an unknown
// token, a brace left open, a width out of range, a character a file system
// refuses (a path separator, a control character, or one that FAT and exFAT
// disks refuse, as backup disks often are) or a name that could come out
// empty are refused with a message saying which.
class TVK_Logic_NameTemplate
{
public:
    static const QString kDefault;
    static constexpr int kMaxWidth = 9;

    // What a name can be made of; a value not known is empty.
    struct Values {
        QString stem;
        int number = 1;
        QDateTime taken;
        QString camera;
        QString serial;
        QString session;
        QString original; // the camera's own name, without extension
        QString extension; // "DNG" or "JPG"
        QString exposure;  // as the panel shows it: "1/250", "2\""
        QString aperture;  // "5.6"
        QString iso;       // "400"
    };

    explicit TVK_Logic_NameTemplate(const QString &text = kDefault);

    QString text() const { return m_text; }
    bool isValid() const { return m_error.isEmpty(); }
    // Why the template is refused, for the user; empty when it is not.
    QString error() const { return m_error; }

    // The name for these values; a value's own refused characters become
    // "_". An invalid template gives the default's name.
    QString expand(const Values &values) const;

    // A name for the check and the example in the settings tab.
    static Values exampleValues();
    // Characters no name may hold (beyond control characters).
    static bool isRefusedCharacter(QChar c);

private:
    struct Piece {
        enum eLEKind { kLEText, kLEStem, kLENumber, kLEDate, kLETime, kLECamera, kLESerial, kLESession,
                       kLEOriginal, kLEExtension, kLEExposure, kLEAperture, kLEIso };
        eLEKind kind = kLEText;
        QString text; // the literal text, or the date and time format
        int width = 0;
    };

    bool parse();
    QString expandPieces(const Values &values) const;

    QString m_text;
    QString m_error;
    QVector<Piece> m_pieces;
};
