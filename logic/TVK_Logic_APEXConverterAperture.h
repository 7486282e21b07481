#pragma once

#include <QString>

// Aperture between the camera's APEX codes and marked f-numbers.
//
// A code is the aperture value Av in 1/256 EV as a signed 16-bit number, and
// the f-number is N = 2^(Av / 2). The camera marks its stops with rounded
// nominal numbers (f 5.6, not f 5.66), so where the camera's stops are known
// the conversion looks them up in a table of (code, f-number) pairs; elsewhere
// it uses the formula and pulls the result onto the usual marks.
//
// There is one aperture state for the whole process: the controller thread
// sets the product id and step size when a camera connects (both 0 when it
// leaves), and any thread may convert meanwhile, so all state sits behind one
// mutex.
class TVK_Logic_APEXConverterAperture
{
public:
    TVK_Logic_APEXConverterAperture() = delete;

    // Both rebuild the table, but only when the value actually changes.
    static void setProductId(int productId);
    static void setStepSize(int stepSize);
    static int stepSize();

    static double fNumberFromCode(int code);
    static double fNumberFromAv(double av);
    static double avFromFNumber(double fNumber);
    static int codeFromFNumber(double fNumber);

    // "f 8", "f 5.6".
    static QString toString(double fNumber);
    // Reads "f 5.6" or "5.6"; anything that is not a number gives 0.
    static double fromString(const QString &text);

private:
    // Expects the state mutex to be held by the caller.
    static void initConvertMap();
};
