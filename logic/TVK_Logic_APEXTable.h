#pragma once

#include <vector>

// A camera's marked stops as (APEX code, nominal value) pairs in ascending code
// order, with the nearest-neighbour lookups both converters share.
class TVK_Logic_APEXTable
{
public:
    struct Stop {
        int code;     // 1/256 EV
        double value; // f-number or seconds
    };

    void clear() { m_stops.clear(); }
    void append(int code, double value) { m_stops.push_back({code, value}); }
    bool isEmpty() const { return m_stops.empty(); }
    int size() const { return int(m_stops.size()); }
    const std::vector<Stop> &stops() const { return m_stops; }

    // The stop nearest to code, read as a signed 16-bit number; the lowest code
    // wins a tie. Null when the table is empty.
    const Stop *nearestByCode(int code) const;
    // The stop nearest to value on a logarithmic scale (stops are evenly spaced
    // there); the lowest code wins a tie. Null when the table is empty.
    const Stop *nearestByValue(double value) const;

    // Rounds halves upwards (-2.5 gives -2), never away from zero. Values beyond
    // int, and NaN, are pinned instead of overflowing the conversion.
    static int roundHalfUp(double value);
    // code as the camera's signed 16-bit number.
    static int signed16(int code);

private:
    std::vector<Stop> m_stops;
};
