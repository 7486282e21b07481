#pragma once

#include <QString>
#include <QtGlobal>

// Focus distance between millimetres (the camera's and the lens data's unit)
// and the texts of the live view, in metres or feet. -1 stands for an error
// and 2147483647 for infinity, in both directions.
//
// The lens's focus range is kept for the controller, which updates it
// whenever the lens changes.
class TVK_Logic_ConverterFocusDistance
{
public:
    static constexpr qint32 kError = -1;
    static constexpr qint32 kInfinity = 2147483647;

    TVK_Logic_ConverterFocusDistance();
    virtual ~TVK_Logic_ConverterFocusDistance();

    void setMinimum(int mm);
    void setMaximum(int mm);
    int minimum() const;
    int maximum() const;

    int millimetresFromMetres(double m) const;
    // "Error", "Infinity" or a decimal number of metres (of feet when feet).
    int millimetresFromText(const QString &text, bool feet) const;
    // Two decimals below 10 (metres or feet), one from there on.
    QString textFromMillimetres(int mm, bool feet) const;

private:
    qint32 m_minimum = 0;
    qint32 m_maximum = 0;
};
